// klonkel-press-floor: the least press-to-sound a client of the sound server can get, for
// press_latency.py to set beside the player. It keeps one stream running, fed with silence at
// the player's smallest buffer sizes, and on each line of standard input writes a tone over
// whatever is still queued. No player could work like this: the output never sleeps and the
// program wakes every few milliseconds while idle. It shows what the server and the
// measurement themselves take.
//   klonkel-press-floor

#include "PulseHandles.h"
#include "SoundServer.h"

#include <pulse/def.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <unistd.h>
#include <vector>

namespace {

constexpr int rate = 48000;
constexpr int channels = 2;
constexpr size_t frameBytes = channels * sizeof(int16_t);

size_t bytesFor(int ms)
{
    return size_t(rate) * size_t(ms) / 1000 * frameBytes;
}

std::vector<int16_t> tone()
{
    std::vector<int16_t> samples(size_t(rate) / 5 * channels); // 200 ms
    for (size_t frame = 0; frame < samples.size() / channels; ++frame) {
        const double phase = 2 * std::numbers::pi * 1000 * double(frame) / rate;
        // Starts at its peak, so the first sample is already loud.
        const auto value = int16_t(12000 * std::cos(phase));
        samples[frame * channels] = samples[frame * channels + 1] = value;
    }
    return samples;
}

void writeSilence(pa_stream *stream, size_t bytes, void *)
{
    void *buffer = nullptr;
    if (pa_stream_begin_write(stream, &buffer, &bytes) < 0 || !buffer)
        return;
    std::memset(buffer, 0, bytes);
    pa_stream_write(stream, buffer, bytes, nullptr, 0, PA_SEEK_RELATIVE);
}

} // namespace

int main()
{
    using namespace klonkel;
    SoundServer server;
    const std::vector<int16_t> samples = tone();
    pulse::StreamPtr stream;
    {
        const pulse::Lock lock(server.mainloop());
        pa_context *context = server.context();
        if (!context) {
            std::fprintf(stderr, "no sound server\n");
            return 1;
        }
        const pa_sample_spec spec{PA_SAMPLE_S16LE, rate, channels};
        stream.reset(pa_stream_new(context, "press floor", &spec, nullptr));
        if (!stream)
            return 1;
        pa_stream_set_write_callback(stream.get(), writeSilence, nullptr);
        pa_buffer_attr buffer{};
        buffer.maxlength = uint32_t(-1);
        buffer.tlength = uint32_t(bytesFor(20));
        buffer.prebuf = uint32_t(-1);
        buffer.minreq = uint32_t(bytesFor(5));
        buffer.fragsize = uint32_t(-1);
        if (pa_stream_connect_playback(stream.get(), nullptr, &buffer, PA_STREAM_ADJUST_LATENCY,
                                       nullptr, nullptr) < 0)
            return 1;
    }
    char line[256];
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, line, sizeof line);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i) {
            if (line[i] != '\n')
                continue;
            const pulse::Lock lock(server.mainloop());
            // Over what is queued, from where the server reads next: sounds as soon as it can.
            pa_stream_write(stream.get(), samples.data(), samples.size() * sizeof(int16_t), nullptr,
                            0, PA_SEEK_RELATIVE_ON_READ);
        }
    }
    const pulse::Lock lock(server.mainloop());
    stream.reset();
    return 0;
}
