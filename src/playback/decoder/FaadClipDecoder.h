#pragma once

#include "ClipDecoder.h"
#include "FaadHandle.h"
#include "Mp4FrameTable.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace klonkel {

// Decodes the AAC track of an MPEG-4 file with libfaad, at the clip's own rate and channels.
// The file is read whole at open: clips are small, and the frame table then needs no reads that
// could fail or block later, while the clip plays.
class FaadClipDecoder final : public ClipDecoder
{
public:
    // Fails (with a short reason) for anything but a regular file holding AAC whose first
    // frames decode.
    static Opened open(const QString &path);

    void decodeInto(QByteArray &out, qsizetype wantedBytes) override;
    bool finished() const override { return m_finished && m_opening.isEmpty(); }
    const PcmFormat &format() const override { return m_format; }

    // Only open() makes decoders; the key keeps the constructor usable by make_unique.
    class Key
    {
        friend class FaadClipDecoder;
        Key() = default;
    };
    explicit FaadClipDecoder(Key) {}

    // Larger files are refused rather than read: over an hour of stereo AAC at 128 kbit/s.
    static constexpr qint64 maxFileBytes = qint64(64) << 20;

private:
    // Decodes the next frame and appends what of it is kept; false once nothing more will come.
    bool decodeFrame(QByteArray &out);
    bool takeFormat(const NeAACDecFrameInfo &info);

    faad::Decoder m_faad;
    std::vector<std::uint8_t> m_file;
    Mp4FrameTable m_table;
    std::size_t m_nextFrame = 0;
    // In output sample frames: still to drop before the kept audio, and still to keep.
    std::uint64_t m_skip = 0;
    std::uint64_t m_keep = 0;
    std::uint32_t m_mediaTimeScale = 0;
    QByteArray m_opening; // what open() decoded to check the clip, handed out first
    PcmFormat m_format;
    int m_decodedChannels = 0; // libfaad's, which can be two for a mono clip
    bool m_formatKnown = false;
    // libfaad doubles a mono channel, in case parametric stereo turns up; the clip stays mono.
    bool m_monoClip = false;
    // Frames that decoded to nothing before the first sound: libfaad holds back its first one.
    int m_silentFrames = 0;
    int m_badFramesInARow = 0;
    bool m_finished = false;
};

} // namespace klonkel
