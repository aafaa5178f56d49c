#include "FaadSoundServerOutput.h"

#include "FaadClipDecoder.h"
#include "StreamClipPlayer.h"

#include <QFileInfo>

namespace klonkel {

std::unique_ptr<ClipPlayer> FaadSoundServerOutput::open(const QString &path)
{
    ClipDecoder::Opened opened = FaadClipDecoder::open(path);
    if (!opened.decoder)
        return nullptr;
    // As much decoded before the press as the program decodes.
    QByteArray opening;
    opened.decoder->decodeInto(opening, opened.decoder->format().bytesFor(100));
    return std::make_unique<StreamClipPlayer>(m_server, std::move(opened.decoder),
                                              std::move(opening),
                                              QFileInfo(path).completeBaseName().toUtf8());
}

} // namespace klonkel
