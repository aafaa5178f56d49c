// klonkel-click-floor: the floor of click-to-sound, for app_bench.py to set beside the app: the
// smallest Qt Quick window of the app's size whose MouseArea sounds a tone over a stream kept
// running (see ToneStream) on every click. What the display, Qt's input, the sound server and the
// measurement take by themselves. Prints "clicked" for every click it takes.
//   klonkel-click-floor

#include "ToneStream.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>

#include <cstdio>
#include <unistd.h>

class ClickTone : public QObject
{
    Q_OBJECT
public:
    bool isConnected() const { return m_stream.isConnected(); }

    Q_INVOKABLE void sound()
    {
        static const char line[] = "clicked\n";
        [[maybe_unused]] auto written = ::write(STDOUT_FILENO, line, sizeof line - 1);
        m_stream.sound();
    }

private:
    ToneStream m_stream;
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    ClickTone tone;
    if (!tone.isConnected()) {
        std::fprintf(stderr, "no sound server\n");
        return 1;
    }
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("tone"), &tone);
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/ClickFloor/click-floor/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    return QGuiApplication::exec();
}

#include "main.moc"
