#include "PlaybackDouble.h"

#include <QQmlEngine>
#include <QtQml/qqml.h>
#include <QtQuickTest/quicktest.h>

// Gives the screen tests the app's QML module and puts the recording double in place of the
// playback bridge, so the screen runs without sound and its calls can be checked in order.
class ScreenTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        // A later minor version shadows the bridge for every unversioned `import Klonkel`.
        qmlRegisterSingletonType<PlaybackDouble>(
            "Klonkel", 1, 1, "Playback",
            [](QQmlEngine *, QJSEngine *) -> QObject * { return new PlaybackDouble; });
    }
};

QUICK_TEST_MAIN_WITH_SETUP(screen, ScreenTestSetup)

#include "tst_screen.moc"
