#pragma once

#include "ClipDecoder.h"
#include "ClipPlayer.h"
#include "PulseHandles.h"

#include <QByteArray>

#include <memory>

namespace klonkel {

class SoundServer;

// A clip played on one stream of the sound server. Its opening is decoded before play(), so
// sound starts with the first write; the rest is decoded as the server asks for it, on the
// server connection's thread, which keeps the first sample within a millisecond of the press.
class StreamClipPlayer final : public ClipPlayer
{
public:
    // `opening` is the start of the clip, already decoded; `name` is what mixers show.
    StreamClipPlayer(SoundServer &server, std::unique_ptr<ClipDecoder> decoder, QByteArray opening,
                     QByteArray name);
    ~StreamClipPlayer() override;
    Q_DISABLE_COPY_MOVE(StreamClipPlayer)

    void prime() override;
    void play() override;
    void stop() override;
    bool isSpent() const override;
    qsizetype pendingBytes() const override;

private:
    // These run on the connection's thread with its lock held.
    static void onWritable(pa_stream *stream, size_t bytes, void *self);
    static void onStateChanged(pa_stream *stream, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);
    static void onUncorked(pa_stream *stream, int success, void *self);
    void write(size_t room);
    void openStream(bool corked);
    // Ends the stream: whatever the server still holds of it stops at once.
    void disconnect();
    // Starts a stream opened ahead; false when the message could not be sent.
    bool resume();

    SoundServer &m_server;
    PcmFormat m_format;
    // Let go once it has decoded the last sample: an audio decoder holds over half a megabyte.
    std::unique_ptr<ClipDecoder> m_decoder;
    QByteArray m_pending;
    QByteArray m_name;
    pulse::StreamPtr m_stream;
    pulse::OperationPtr m_drain;
    pulse::OperationPtr m_uncork;
    bool m_feeding = false; // from play() until the last sample played or the stream failed
    bool m_written = false;
    bool m_resumeWhenReady = false;
    bool m_lowerLatencyOnPlay = false;
};

} // namespace klonkel
