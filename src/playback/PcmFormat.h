#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>

namespace klonkel {

// Where a channel is meant to sound; the sound server maps it onto the speakers there are.
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

// Interleaved signed 16-bit PCM: a clip's own rate, channels and their positions.
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
