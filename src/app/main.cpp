#include <QGuiApplication>
#include <QQmlApplicationEngine>

#include <csignal>

int main(int argc, char *argv[])
{
    // A closed reader of our diagnostic lines must not kill the soundboard.
    std::signal(SIGPIPE, SIG_IGN);

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Klonkel"));

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Klonkel/app/KlonkelApp.qml")));

    return QGuiApplication::exec();
}
