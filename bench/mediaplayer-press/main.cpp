// Baseline for the press-to-sound benchmark: the same presses as klonkel-press, each played
// by a new QMediaPlayer, as a straightforward Qt application would do it.
//   mediaplayer-press resource-folder

#include "ClipCatalogue.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QMediaPlayer>
#include <QSocketNotifier>
#include <QUrl>

#include <memory>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");

    // The output outlives the player that plays into it, at exit too.
    std::unique_ptr<QAudioOutput> output;
    std::unique_ptr<QMediaPlayer> player;
    std::size_t next = 0;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] != '\n')
                continue;
            const std::string_view name = klonkel::clipCatalogue[next++ % klonkel::catalogueSize];
            player.reset();
            output = std::make_unique<QAudioOutput>();
            player = std::make_unique<QMediaPlayer>();
            player->setAudioOutput(output.get());
            player->setSource(QUrl::fromLocalFile(
                folder + u'/' + QString::fromUtf8(name.data(), qsizetype(name.size())) +
                QStringLiteral(".m4a")));
            player->play();
        }
    });
    return QCoreApplication::exec();
}
