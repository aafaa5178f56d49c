// klonkel-press: one main-button press's worth of playback per line on standard input,
// with the same standard output as the app. Used to measure press-to-sound from outside.
//   klonkel-press [resource-folder]

#include "ClipCatalogue.h"
#include "ClipPlayer.h"
#include "DiagnosticOutput.h"
#include "Playlist.h"
#include "ResourceLocator.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

namespace {

void press()
{
    using namespace klonkel;
    writeLine("button Tapped");
    checkPlaylist();
    playClip(clipNames()[static_cast<std::size_t>(playIndex)]);
    playIndex += 1;
}

} // namespace

int main(int argc, char *argv[])
{
    klonkel::keepStandardStreamsReserved();
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    if (argc > 1)
        klonkel::setResourceDirectory(QString::fromLocal8Bit(argv[1]));

    // As on screen, the first clip is read ahead before the first press.
    klonkel::scheduleNextClipPreparation();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray partial;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        partial.append(buffer, got);
        qsizetype newline;
        while ((newline = partial.indexOf('\n')) >= 0) {
            partial.remove(0, newline + 1);
            press();
        }
    });
    return QCoreApplication::exec();
}
