#pragma once

#include "ClipDecoder.h"
#include "FfmpegHandles.h"

namespace klonkel {

// Decodes MPEG-4 audio with FFmpeg and resamples it to the output's format.
class FfmpegClipDecoder final : public ClipDecoder
{
public:
    static Opened open(const QString &path, const PcmFormat &format);

    void decodeInto(QByteArray &out, qsizetype wantedBytes) override;
    bool finished() const override { return m_finished; }
    const PcmFormat &format() const override { return m_format; }

    // Only open() makes decoders; the key keeps the constructor usable by make_unique.
    class Key
    {
        friend class FfmpegClipDecoder;
        Key() = default;
    };
    explicit FfmpegClipDecoder(Key) {}

private:
    bool sendNextPacket();
    bool convertFrame(QByteArray &out);
    void flushResampler(QByteArray &out);
    // Appends what the resampler makes of `input` (or of its own backlog, with no input).
    bool resampleInto(QByteArray &out, const uint8_t **input, int inputSamples);

    // What the resampler was made for.
    struct ResamplerInput
    {
        int channelCount = 0;
        int sampleFormat = -1;
        int sampleRate = 0;
        bool operator==(const ResamplerInput &) const = default;
    };

    ffmpeg::FormatContext m_container;
    ffmpeg::CodecContext m_codec;
    ffmpeg::Resampler m_resampler;
    ResamplerInput m_resamplerInput;
    ffmpeg::Packet m_packet;
    ffmpeg::Frame m_frame;
    PcmFormat m_format;
    int m_streamIndex = -1;
    int m_badPacketsInARow = 0;
    bool m_inputDone = false;
    bool m_finished = false;
};

} // namespace klonkel
