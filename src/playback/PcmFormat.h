#pragma once

#include <QtGlobal>

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

} // namespace klonkel
