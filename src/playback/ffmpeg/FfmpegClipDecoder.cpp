#include "FfmpegClipDecoder.h"

#include <QFile>

#include <algorithm>
#include <cstddef>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <sys/stat.h>

namespace klonkel {

namespace {

// A stream that keeps failing is damaged beyond what skipping a packet can mend.
constexpr int maxBadPacketsInARow = 32;

// The highest rate in use (768 kHz). A damaged header can claim billions of hertz, and the
// resampler's filter for such a rate takes seconds and hundreds of megabytes to build.
constexpr int maxSampleRate = 768000;

// The largest single block FFmpeg may allocate in this process (its own default is 2 GB). A
// clip's largest block is its index, 24 bytes a frame: 2 MiB holds about 22 minutes of AAC (a
// longer file plays its first 22 minutes), where the catalogue's clips last seconds. It also
// bounds the work a damaged clip can cause while the next clip is read ahead.
constexpr std::size_t maxAllocationBytes = 2 << 20;

bool plausibleRate(int rate)
{
    return rate > 0 && rate <= maxSampleRate;
}

std::string describe(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

} // namespace

ClipDecoder::Opened FfmpegClipDecoder::open(const QString &path, const PcmFormat &format)
{
    static const bool configured = [] {
        // FFmpeg's own diagnostics would leak a failing file's details onto standard error.
        av_log_set_level(AV_LOG_QUIET);
        // A file of two kilobytes whose sample tables claim a hundred million samples had the
        // demuxer build an index of 2 GB over nine seconds before giving up; it now fails at once.
        av_max_alloc(maxAllocationBytes);
        return true;
    }();
    Q_UNUSED(configured);

    const QByteArray localPath = QFile::encodeName(path);
    // Only regular files: a folder fails late and a FIFO would block the press forever.
    struct stat status = {};
    if (::stat(localPath.constData(), &status) != 0)
        return {nullptr, "cannot stat the file"};
    if (!S_ISREG(status.st_mode))
        return {nullptr, "not a regular file"};

    auto decoder = std::make_unique<FfmpegClipDecoder>(Key{});
    decoder->m_format = format;

    // Clips are MPEG-4 audio; guessing other formats would let random bytes pass for MP3 noise.
    static const AVInputFormat *const mpeg4 = av_find_input_format("mp4");
    AVFormatContext *rawFormat = nullptr;
    if (int error = avformat_open_input(&rawFormat, localPath.constData(), mpeg4, nullptr);
        error < 0)
        return {nullptr, "open: " + describe(error)};
    decoder->m_container.reset(rawFormat);

    // The MPEG-4 demuxer reads a track's codec, rate and channels from its headers. Probing by
    // decoding, which opens a decoder of its own, is needed only where they are missing: it costs
    // as much as opening the clip again. (Each frame still says what it holds: convertFrame().)
    const auto described = [](const AVStream *s) {
        const AVCodecParameters *p = s->codecpar;
        return p->codec_type == AVMEDIA_TYPE_AUDIO && p->codec_id != AV_CODEC_ID_NONE &&
               p->sample_rate > 0 && p->ch_layout.nb_channels > 0;
    };
    if (std::none_of(rawFormat->streams, rawFormat->streams + rawFormat->nb_streams, described)) {
        if (int error = avformat_find_stream_info(rawFormat, nullptr); error < 0)
            return {nullptr, "stream info: " + describe(error)};
    }

    const AVCodec *codec = nullptr;
    const int stream = av_find_best_stream(rawFormat, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || !codec)
        return {nullptr, "no audio stream"};
    decoder->m_streamIndex = stream;
    // (A rate still unknown here, 0, is left for the first frame to tell.)
    if (rawFormat->streams[stream]->codecpar->sample_rate > maxSampleRate)
        return {nullptr, "implausible sample rate"};

    decoder->m_codec.reset(avcodec_alloc_context3(codec));
    if (!decoder->m_codec)
        return {nullptr, "out of memory"};
    if (int error = avcodec_parameters_to_context(decoder->m_codec.get(),
                                                  rawFormat->streams[stream]->codecpar);
        error < 0)
        return {nullptr, "codec parameters: " + describe(error)};
    if (int error = avcodec_open2(decoder->m_codec.get(), codec, nullptr); error < 0)
        return {nullptr, "codec: " + describe(error)};

    decoder->m_packet.reset(av_packet_alloc());
    decoder->m_frame.reset(av_frame_alloc());
    if (!decoder->m_packet || !decoder->m_frame)
        return {nullptr, "out of memory"};
    return {std::move(decoder), {}};
}

void FfmpegClipDecoder::decodeInto(QByteArray &out, qsizetype wantedBytes)
{
    const qsizetype target = out.size() + wantedBytes;
    while (!m_finished && out.size() < target) {
        const int received = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (received == 0) {
            const bool converted = convertFrame(out);
            av_frame_unref(m_frame.get());
            if (!converted)
                m_finished = true;
        } else if (received == AVERROR(EAGAIN)) {
            if (!sendNextPacket())
                m_finished = true;
        } else {
            // End of the decoder's output (after the flush), or a decoder that gave up.
            flushResampler(out);
            m_finished = true;
        }
    }
}

bool FfmpegClipDecoder::sendNextPacket()
{
    if (m_inputDone)
        return false;
    while (true) {
        const int read = av_read_frame(m_container.get(), m_packet.get());
        if (read < 0) {
            // End of file, or a file cut short: play what came before, then drain the decoder.
            m_inputDone = true;
            return avcodec_send_packet(m_codec.get(), nullptr) == 0;
        }
        if (m_packet->stream_index != m_streamIndex) {
            av_packet_unref(m_packet.get());
            continue;
        }
        const int sent = avcodec_send_packet(m_codec.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (sent == 0) {
            m_badPacketsInARow = 0;
            return true;
        }
        if (sent == AVERROR(EAGAIN))
            return true;
        if (++m_badPacketsInARow > maxBadPacketsInARow)
            return false;
    }
}

bool FfmpegClipDecoder::convertFrame(QByteArray &out)
{
    AVFrame *frame = m_frame.get();
    if (frame->nb_samples <= 0)
        return true;
    // A stream can change its channels, sample format or rate part way (a damaged one often
    // does); the resampler reads each frame as what it was made for, so it is made anew.
    const ResamplerInput input{frame->ch_layout.nb_channels, frame->format, frame->sample_rate};
    if (m_resampler && input != m_resamplerInput) {
        flushResampler(out);
        m_resampler.reset();
    }
    if (!m_resampler) {
        m_resamplerInput = input;
        if (!plausibleRate(frame->sample_rate))
            return false; // the decoder's own idea of the rate can differ from the header's
        ffmpeg::ChannelLayout outLayout;
        av_channel_layout_default(outLayout.get(), m_format.channelCount);
        ffmpeg::ChannelLayout inLayout;
        const bool layoutKnown =
            frame->ch_layout.nb_channels > 0 && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC;
        if (!layoutKnown || av_channel_layout_copy(inLayout.get(), &frame->ch_layout) < 0)
            av_channel_layout_default(inLayout.get(), std::max(1, frame->ch_layout.nb_channels));
        SwrContext *raw = nullptr;
        const int made = swr_alloc_set_opts2(
            &raw, outLayout.get(), AV_SAMPLE_FMT_S16, m_format.sampleRate, inLayout.get(),
            static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
        m_resampler.reset(raw);
        if (made < 0 || swr_init(raw) < 0)
            return false;
    }
    return resampleInto(out, const_cast<const uint8_t **>(frame->extended_data), frame->nb_samples);
}

void FfmpegClipDecoder::flushResampler(QByteArray &out)
{
    if (m_resampler)
        resampleInto(out, nullptr, 0); // no input: what the resampler still holds
}

bool FfmpegClipDecoder::resampleInto(QByteArray &out, const uint8_t **input, int inputSamples)
{
    const int capacity = swr_get_out_samples(m_resampler.get(), inputSamples);
    if (capacity < 0)
        return false;
    const qsizetype start = out.size();
    out.resize(start + qsizetype(capacity) * m_format.bytesPerFrame());
    auto *target = reinterpret_cast<uint8_t *>(out.data() + start);
    const int converted = swr_convert(m_resampler.get(), &target, capacity, input, inputSamples);
    out.resize(start + qsizetype(std::max(converted, 0)) * m_format.bytesPerFrame());
    return converted >= 0;
}

} // namespace klonkel
