#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QWindow>

#include "DesktopIntegration.h"
#include "SingleInstance.h"
#include "StandardOutput.h"
#include "TerminationSignals.h"

#include <csignal>

int main(int argc, char *argv[])
{
    // A closed reader of our diagnostic lines must not kill the soundboard.
    klonkel::keepStandardStreamsReserved();
    std::signal(SIGPIPE, SIG_IGN);

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Klonkel"));
    klonkel::applyDesktopIdentity();
    klonkel::installTranslation(app);

    // A copy already running in this session comes forward instead of a second player.
    SingleInstance instance;
    if (!instance.claim())
        return 0;
    QObject::connect(&instance, &SingleInstance::activationRequested, &app, &klonkel::bringForward);

    // Ctrl+C in a terminal or a service manager's stop closes the window as the user would.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, [] {
        for (QWindow *window : QGuiApplication::topLevelWindows())
            window->close();
    });

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    // Qt 6.4 does not look in the resource tree for modules by itself.
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Klonkel/app/KlonkelApp.qml")));

    return QGuiApplication::exec();
}
