// klonkel-press: one press of the main button per line on standard input, through the app's own
// Soundboard, with the same standard output. Used to measure press-to-sound from outside.
//   klonkel-press [resource-folder]

#include "ResourceLocator.h"
#include "Soundboard.h"
#include "StandardOutput.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <functional>
#include <unistd.h>

int main(int argc, char *argv[])
{
    klonkel::keepStandardStreamsReserved();
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    if (argc > 1)
        klonkel::setResourceDirectory(QString::fromLocal8Bit(argv[1]));

    // As on screen, the first clip is read ahead before the first press.
    klonkel::Soundboard soundboard;

    // One press per turn of the event loop, as clicks arrive on screen: a burst of lines read at
    // once must not keep every replaced player alive until the burst is over.
    int pendingPresses = 0;
    bool inputEnded = false;
    std::function<void()> pressNext = [&] {
        if (pendingPresses > 0) {
            --pendingPresses;
            soundboard.press();
        }
        if (pendingPresses > 0)
            QMetaObject::invokeMethod(&app, pressNext, Qt::QueuedConnection);
        else if (inputEnded)
            QCoreApplication::quit();
    };

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        const bool idle = pendingPresses == 0;
        if (got <= 0) {
            input.setEnabled(false);
            inputEnded = true;
        } else {
            pendingPresses += int(std::count(buffer, buffer + got, '\n'));
        }
        if (idle)
            pressNext();
    });
    return QCoreApplication::exec();
}
