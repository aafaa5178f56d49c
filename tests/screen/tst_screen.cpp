#include <QQmlEngine>
#include <QtQml/qqml.h>
#include <QtQuickTest/quicktest.h>

// Gives the screen tests the app's QML module, with the double in place of the soundboard.
class ScreenTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        // A later minor version shadows the bridge for every unversioned `import Klonkel`.
        qmlRegisterSingletonType(QUrl::fromLocalFile(QStringLiteral(SOUNDBOARD_DOUBLE)), "Klonkel",
                                 1, 1, "Soundboard");
    }
};

QUICK_TEST_MAIN_WITH_SETUP(screen, ScreenTestSetup)

#include "tst_screen.moc"
