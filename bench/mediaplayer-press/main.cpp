// Baseline for the press-to-sound benchmark: the same presses as klonkel-press, each played
// by a new QMediaPlayer (see PlayerPerClip), the catalogue's clips in order.
//   mediaplayer-press resource-folder

#include "PlayerPerClip.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PlayerPerClip player;
    player.load(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources"));
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        for (ssize_t i = 0; i < got; ++i)
            if (buffer[i] == '\n')
                player.playNext();
    });
    return QCoreApplication::exec();
}
