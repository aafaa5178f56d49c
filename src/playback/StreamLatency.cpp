#include "StreamLatency.h"

namespace klonkel {

namespace {

// While a clip plays the server keeps queuedMs of it and asks for more each time requestMs has
// been played. PulseAudio starts a new stream at once whatever its queue, so there the queue is
// a margin against a busy machine. PipeWire runs its whole graph at the latency that its running
// clients ask for (derived from these two), and a press waits for the graph's next cycle: there
// it is small enough for a 256-frame cycle, asked for only while a clip plays.
struct Latency
{
    int queuedMs;
    int requestMs;
};
constexpr Latency pulseAudioLatency{50, 10};
constexpr Latency pipeWireLatency{20, 5};

} // namespace

pa_buffer_attr StreamLatency::playing(const PcmFormat &pcm, bool pipeWire)
{
    const Latency latency = pipeWire ? pipeWireLatency : pulseAudioLatency;
    pa_buffer_attr buffer{};
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pcm.bytesFor(latency.queuedMs));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(pcm.bytesFor(latency.requestMs));
    buffer.fragsize = uint32_t(-1);
    return buffer;
}

pa_buffer_attr StreamLatency::waiting(const PcmFormat &pcm, bool pipeWire)
{
    pa_buffer_attr buffer = playing(pcm, pipeWire);
    // PulseAudio runs its output at the smallest latency that any of its streams asks for, paused
    // or not (PipeWire counts running streams only). There a stream waiting for its press asks
    // for the server's default and is filled up to it, starts with the first sample, and asks
    // for the playing latency only as it starts.
    if (lowersOnPlay(pipeWire)) {
        buffer.tlength = uint32_t(-1);
        buffer.minreq = uint32_t(-1);
        buffer.prebuf = uint32_t(pcm.bytesPerFrame());
    }
    return buffer;
}

} // namespace klonkel
