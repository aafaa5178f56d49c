#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>

namespace klonkel {

// Where one channel of a stream is meant to sound, so a stream can carry the clip's own layout.
enum class SpeakerPosition : std::uint8_t {
    Mono,
    FrontLeft,
    FrontRight,
    FrontCenter,
    Lfe,
    SideLeft,
    SideRight,
    RearLeft,
    RearRight,
    RearCenter
};

// Interleaved signed 16-bit PCM; positions[i] is where channel i sounds (the first channelCount
// entries count).
struct PcmFormat
{
    static constexpr int maxChannels = 8;
    int sampleRate = 48000;
    int channelCount = 2;
    std::array<SpeakerPosition, maxChannels> positions{SpeakerPosition::FrontLeft,
                                                       SpeakerPosition::FrontRight};
    int bytesPerFrame() const { return channelCount * 2; }
    qsizetype bytesFor(int milliseconds) const
    {
        return qsizetype(sampleRate) * milliseconds / 1000 * bytesPerFrame();
    }
};

} // namespace klonkel
