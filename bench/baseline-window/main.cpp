// The baselines of the whole-app benchmark (app_bench.py): the smallest Qt Quick window of the
// app's size, loaded the way the app loads its own (a compiled QML module through
// QQmlApplicationEngine), in one of three modes.
//   klonkel-baseline-window empty | tone | mediaplayer [resource-folder [names-file]]
// empty, for start-up, memory and idle, prints "window shown" once the window is on screen, on
// the next turn of the event loop as the app prints its first line. tone and mediaplayer print
// "clicked" for each click and sound it (see ToneClicks.qml, MediaPlayerClicks.qml) through QML
// plugins that only their part of the window imports: the empty window maps none of it.

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
    // Each mode's part of the window: a file beside Main.qml, or none.
    const std::map<std::string_view, QString> parts{
        {"empty", QString()},
        {"tone", QStringLiteral("ToneClicks.qml")},
        {"mediaplayer", QStringLiteral("MediaPlayerClicks.qml")}};
    const auto part = parts.find(argc > 1 ? argv[1] : "");
    if (part == parts.end()) {
        std::fputs("usage: klonkel-baseline-window empty | tone | "
                   "mediaplayer [resource-folder [names-file]]\n",
                   stderr);
        return 2;
    }
    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.setInitialProperties({{QStringLiteral("part"), part->second}});
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/BaselineWindow/baseline-window/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    auto *window = qobject_cast<QWindow *>(engine.rootObjects().constFirst());
    if (!window)
        return 1;
    bool shown = part->first != "empty"; // only the empty window says so
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
