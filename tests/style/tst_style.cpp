#include <QQmlEngine>
#include <QtQuickTest/quicktest.h>

// Gives the style tests the app's QML module.
class StyleTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(style, StyleTestSetup)

#include "tst_style.moc"
