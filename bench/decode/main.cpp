// Decodes the whole catalogue with FaadClipDecoder and reports how fast, and what the player
// holds in memory while a clip plays.
//   klonkel-decode-bench [resource-folder]

#include "ClipCatalogue.h"
#include "ClipDeck.h"
#include "FaadClipDecoder.h"
#include "ResourceLocator.h"
#include "SoundServerOutput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    const auto line = std::find_if(lines.begin(), lines.end(),
                                   [](const QByteArray &l) { return l.startsWith("VmRSS:"); });
    return line == lines.end() ? -1 : line->mid(6).trimmed().split(' ').first().toLong();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        klonkel::setResourceDirectory(QString::fromLocal8Bit(argv[1]));

    QElapsedTimer timer;
    timer.start();
    double audioSeconds = 0;
    int failures = 0;
    for (auto name : klonkel::clipCatalogue) {
        const auto path = klonkel::resourceLocation(name, "m4a");
        auto opened = path ? klonkel::FaadClipDecoder::open(*path) : klonkel::ClipDecoder::Opened{};
        if (!opened.decoder) {
            ++failures;
            continue;
        }
        QByteArray pcm;
        while (!opened.decoder->finished())
            opened.decoder->decodeInto(pcm, 1 << 20);
        const klonkel::PcmFormat &format = opened.decoder->format();
        audioSeconds += double(pcm.size()) / format.bytesPerFrame() / format.sampleRate;
    }
    const double decodeMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("decode whole catalogue: %.1f ms for %.1f s of audio (%.0fx real time, goal "
                "300x), %d failures\n",
                decodeMs, audioSeconds, audioSeconds * 1000 / decodeMs, failures);

    klonkel::ClipDeck deck(
        std::make_unique<klonkel::SoundServerOutput>(), [] { return std::nullopt; },
        klonkel::writeLine);
    const long before = residentKiB();
    qsizetype largestPending = 0;
    for (auto name : klonkel::clipCatalogue) {
        deck.playClip(name);
        if (klonkel::ClipPlayer *player = deck.audioPlayer())
            largestPending = std::max(largestPending, player->pendingBytes());
        // As the event loop would: replaced players are deleted once the press is handled.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    deck.stopClip();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::printf(
        "player's decoded buffer: at most %.1f KiB; resident set after %zu plays: %+ld KiB\n",
        double(largestPending) / 1024, klonkel::clipCatalogue.size(), residentKiB() - before);
    return 0;
}
