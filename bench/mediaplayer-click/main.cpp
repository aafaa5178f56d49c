// Baseline for click-to-sound: a Qt Quick window of the app's size whose MouseArea plays the next
// clip with a new QMediaPlayer on every click, as a straightforward Qt application would do it.
// Prints "clicked" for every click it takes.
//   klonkel-mediaplayer-click resource-folder [names-file]
// The names file lists the clips to play in order, one a line (the app's playlist, so that both
// play the same clips); without it the catalogue's order is used.

#include "ClipCatalogue.h"

#include <QAudioOutput>
#include <QFile>
#include <QGuiApplication>
#include <QMediaPlayer>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QUrl>

#include <memory>
#include <unistd.h>

class ClipTrigger : public QObject
{
    Q_OBJECT
public:
    ClipTrigger(QString folder, QStringList names)
        : m_folder(std::move(folder)), m_names(std::move(names))
    {
    }

    Q_INVOKABLE void playNext()
    {
        static const char line[] = "clicked\n";
        [[maybe_unused]] auto written = ::write(STDOUT_FILENO, line, sizeof line - 1);
        const QString &name = m_names[m_next++ % m_names.size()];
        m_player.reset();
        m_output = std::make_unique<QAudioOutput>();
        m_player = std::make_unique<QMediaPlayer>();
        m_player->setAudioOutput(m_output.get());
        m_player->setSource(QUrl::fromLocalFile(m_folder + u'/' + name + QStringLiteral(".m4a")));
        m_player->play();
    }

private:
    QString m_folder;
    QStringList m_names;
    qsizetype m_next = 0;
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
    QStringList names;
    if (argc > 2) {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return 1;
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                names.append(QString::fromUtf8(line.trimmed()));
    } else {
        for (const std::string_view name : klonkel::clipCatalogue)
            names.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    if (names.isEmpty())
        return 1;

    ClipTrigger trigger(folder, names);
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty(QStringLiteral("trigger"), &trigger);
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/MediaPlayerClick/mediaplayer-click/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    return QGuiApplication::exec();
}

#include "main.moc"
