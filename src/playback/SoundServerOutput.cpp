#include "SoundServerOutput.h"

#include "FaadClipDecoder.h"
#include "PlaybackLog.h"
#include "StreamClipPlayer.h"

#include <QFileInfo>

namespace klonkel {

namespace {
// Decoded before the press, so the first write holds enough to start and to ride out a busy
// moment of the main thread, which decodes the rest.
constexpr int openingMs = 250;
} // namespace

std::unique_ptr<ClipPlayer> SoundServerOutput::open(const QString &path)
{
    ClipDecoder::Opened opened = FaadClipDecoder::open(path);
    if (!opened.decoder) {
        qCInfo(playbackLog, "cannot play %s: %s", qUtf8Printable(path), opened.failure.c_str());
        return nullptr;
    }
    // Never empty: the decoder opens only a clip whose first frames decode.
    QByteArray opening;
    opened.decoder->decodeInto(opening, opened.decoder->format().bytesFor(openingMs));
    return std::make_unique<StreamClipPlayer>(m_server, std::move(opened.decoder),
                                              std::move(opening),
                                              QFileInfo(path).completeBaseName().toUtf8());
}

} // namespace klonkel
