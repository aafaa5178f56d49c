#pragma once

#include "PcmFormat.h"

#include <pulse/def.h>

namespace klonkel {

// How much of a clip the sound server keeps queued, and when it asks for more.
struct StreamLatency
{
    // While a clip plays.
    static pa_buffer_attr playing(const PcmFormat &pcm, bool pipeWire);
    // While a stream opened ahead waits for its press.
    static pa_buffer_attr waiting(const PcmFormat &pcm, bool pipeWire);
    // Whether a waiting stream must ask for the playing latency as it starts.
    static bool lowersOnPlay(bool pipeWire) { return !pipeWire; }
};

} // namespace klonkel
