// The baselines of the whole-app benchmark (app_bench.py): the smallest Qt Quick window of the
// app's size, loaded as the app loads its own (a compiled QML module, QQmlApplicationEngine).
//   klonkel-baseline-window empty | tone | mediaplayer [resource-folder [names-file]]
// empty (start-up, memory, idle) prints "window shown" once on screen, on the next turn of the
// event loop as the app prints its first line. tone and mediaplayer print "clicked" and sound each
// click through a QML plugin that only their window imports (the empty one and a MouseArea), so
// the empty mode maps none of it and loads no more QML than the empty window.

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <map>
#include <string_view>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const std::map<std::string_view, QString> windows{
        {"empty", QStringLiteral("EmptyWindow.qml")},
        {"tone", QStringLiteral("ToneWindow.qml")},
        {"mediaplayer", QStringLiteral("MediaPlayerWindow.qml")}};
    const auto mode = windows.find(argc > 1 ? argv[1] : "");
    if (mode == windows.end()) {
        std::fputs("usage: klonkel-baseline-window empty | tone | "
                   "mediaplayer [resource-folder [names-file]]\n",
                   stderr);
        return 2;
    }
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/BaselineWindow/baseline-window/") + mode->second));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *window = qobject_cast<QWindow *>(engine.rootObjects().constFirst());
    if (!window)
        return 1;
    bool shown = mode->first != "empty"; // only the empty window says so
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
