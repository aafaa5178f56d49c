#include "ToneStream.h"

#include <pulse/def.h>

#include <cmath>
#include <cstring>
#include <numbers>

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

ToneStream::ToneStream() : m_tone(tone())
{
    const klonkel::pulse::Lock lock(m_server.mainloop());
    pa_context *context = m_server.context();
    if (!context)
        return;
    const pa_sample_spec spec{PA_SAMPLE_S16LE, rate, channels};
    klonkel::pulse::StreamPtr stream(pa_stream_new(context, "floor", &spec, nullptr));
    if (!stream)
        return;
    pa_stream_set_write_callback(stream.get(), writeSilence, nullptr);
    pa_buffer_attr buffer{};
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(bytesFor(20));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(bytesFor(5));
    buffer.fragsize = uint32_t(-1);
    if (pa_stream_connect_playback(stream.get(), nullptr, &buffer, PA_STREAM_ADJUST_LATENCY,
                                   nullptr, nullptr) < 0)
        return;
    m_stream = std::move(stream);
}

ToneStream::~ToneStream()
{
    // The stream goes while the server's loop is held, before the server itself.
    const klonkel::pulse::Lock lock(m_server.mainloop());
    m_stream.reset();
}

void ToneStream::sound()
{
    if (!m_stream)
        return;
    const klonkel::pulse::Lock lock(m_server.mainloop());
    // Over what is queued, from where the server reads next: sounds as soon as it can.
    pa_stream_write(m_stream.get(), m_tone.data(), m_tone.size() * sizeof(int16_t), nullptr, 0,
                    PA_SEEK_RELATIVE_ON_READ);
}
