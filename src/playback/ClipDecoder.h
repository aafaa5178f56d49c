#pragma once

#include "FfmpegHandles.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>

namespace klonkel {

// Interleaved signed 16-bit PCM at the output's rate and channel count.
struct PcmFormat
{
    int sampleRate = 48000;
    int channelCount = 2;
    int bytesPerFrame() const { return channelCount * 2; }
    qsizetype bytesFor(int milliseconds) const
    {
        return qsizetype(sampleRate) * milliseconds / 1000 * bytesPerFrame();
    }
};

// Decodes one audio file step by step, so a long clip never sits whole in memory.
class ClipDecoder
{
public:
    struct Opened
    {
        std::unique_ptr<ClipDecoder> decoder;
        std::string failure; // why, when decoder is empty; never shown to the user
    };

    static Opened open(const QString &path, const PcmFormat &format);

    // Appends PCM to out until it has grown by at least wantedBytes or the clip is over.
    void decodeInto(QByteArray &out, qsizetype wantedBytes);

    bool finished() const { return m_finished; }
    const PcmFormat &format() const { return m_format; }

    // Only open() makes decoders; the key keeps the constructor usable by make_unique.
    class Key
    {
        friend class ClipDecoder;
        Key() = default;
    };
    explicit ClipDecoder(Key) {}

private:
    bool sendNextPacket();
    bool convertFrame(QByteArray &out);
    void flushResampler(QByteArray &out);
    // Appends what the resampler makes of `input` (or of its own backlog, with no input).
    bool resampleInto(QByteArray &out, const uint8_t **input, int inputSamples);

    ffmpeg::FormatContext m_container;
    ffmpeg::CodecContext m_codec;
    ffmpeg::Resampler m_resampler;
    ffmpeg::Packet m_packet;
    ffmpeg::Frame m_frame;
    PcmFormat m_format;
    int m_streamIndex = -1;
    int m_badPacketsInARow = 0;
    bool m_inputDone = false;
    bool m_finished = false;
};

} // namespace klonkel
