// Baseline for start-up, memory and idle: the smallest Qt Quick window of the app's size, loaded
// the way the app loads its own (a compiled QML module through QQmlApplicationEngine). Prints
// "window shown" once the window is on screen, on the next turn of the event loop as the app
// prints its first line.
//   klonkel-empty-window

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/EmptyWindow/empty-window/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *window = qobject_cast<QWindow *>(engine.rootObjects().constFirst());
    if (!window)
        return 1;
    bool shown = false;
    auto announce = [&] {
        if (shown || window->visibility() == QWindow::Hidden)
            return;
        shown = true;
        QTimer::singleShot(0, [] {
            static const char line[] = "window shown\n";
            [[maybe_unused]] auto written = ::write(STDOUT_FILENO, line, sizeof line - 1);
        });
    };
    QObject::connect(window, &QWindow::visibilityChanged, announce);
    announce();
    return QGuiApplication::exec();
}
