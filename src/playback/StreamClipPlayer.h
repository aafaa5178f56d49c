#pragma once

#include "ClipDecoder.h"
#include "ClipPlayer.h"
#include "PulseHandles.h"

#include <QByteArray>
#include <QTimer>

#include <memory>

namespace klonkel {

class SoundServer;

// A clip played on one stream of the sound server, in the clip's own rate and channels, which
// the server fits to the speakers there are. Its opening is decoded before play(), so sound
// starts with the first write. The rest is decoded ahead on this (the main) thread while the
// clip plays, without the connection's lock: the server's requests, and the press that starts
// the stream under that lock, only ever copy PCM that is ready.
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
    // Keeps about a second decoded ahead of what the server has been given.
    void decodeAhead();
    void openStream(bool corked);
    // Ends the stream: whatever the server still holds of it stops at once.
    void disconnect();
    // Starts a stream opened ahead; false when the message could not be sent.
    bool resume();

    SoundServer &m_server;
    const PcmFormat m_format;
    // Used on the main thread only. Let go once it has decoded the last sample.
    std::unique_ptr<ClipDecoder> m_decoder;
    QTimer m_decodeTimer;
    // The rest under the connection's lock.
    QByteArray m_pending;
    bool m_decodedAll = false;
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
