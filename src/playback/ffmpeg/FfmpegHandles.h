#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace klonkel::ffmpeg {

// Owners for FFmpeg's handles, so every early return frees what was opened.
struct FormatContextDeleter
{
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct FrameDeleter
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketDeleter
{
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct ResamplerDeleter
{
    void operator()(SwrContext *context) const { swr_free(&context); }
};

// A channel layout may own a custom channel map; FFmpeg's setters free whatever the target
// held first, so it must start zeroed and be released on every path.
class ChannelLayout
{
public:
    ChannelLayout() = default;
    ChannelLayout(const ChannelLayout &) = delete;
    ChannelLayout &operator=(const ChannelLayout &) = delete;
    ~ChannelLayout() { av_channel_layout_uninit(&m_layout); }

    AVChannelLayout *get() { return &m_layout; }

private:
    AVChannelLayout m_layout{};
};

using FormatContext = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Resampler = std::unique_ptr<SwrContext, ResamplerDeleter>;

} // namespace klonkel::ffmpeg
