#include "SoundServerOutput.h"

#include "ClipDecoderLoader.h"
#include "StreamClipPlayer.h"

#include <QFileInfo>

namespace klonkel {

namespace {
// Decoded before the press, so the first write holds enough to start and to ride out a busy
// moment of the connection's thread.
constexpr int openingMs = 100;
} // namespace

std::unique_ptr<ClipPlayer> SoundServerOutput::open(const QString &path)
{
    PcmFormat pcm;
    {
        const pulse::Lock lock(m_server.mainloop());
        pcm = m_server.outputFormat();
    }
    ClipDecoder::Opened opened = openClipDecoder(path, pcm);
    if (!opened.decoder)
        return nullptr;
    QByteArray opening;
    opened.decoder->decodeInto(opening, pcm.bytesFor(openingMs));
    if (opening.isEmpty())
        return nullptr; // a container without a single decodable frame
    return std::make_unique<StreamClipPlayer>(m_server, std::move(opened.decoder),
                                              std::move(opening),
                                              QFileInfo(path).completeBaseName().toUtf8());
}

bool SoundServerOutput::isReadyToOpen(QObject *context, std::function<void()> whenReady)
{
    if (clipDecoderLoaded())
        return true;
    startLoadingClipDecoder(context, std::move(whenReady));
    // Without an event loop the module has just been loaded here.
    return clipDecoderLoaded();
}

} // namespace klonkel
