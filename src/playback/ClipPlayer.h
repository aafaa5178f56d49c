#pragma once

#include "ClipDecoder.h"
#include "PulseHandles.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <string_view>

namespace klonkel {

// Plays one clip once: decodes its opening before play() so sound starts on the first write,
// then decodes the rest as the sound server asks for it, on the server connection's thread.
class ClipPlayer
{
public:
    // Empty when the file cannot be opened or holds no decodable audio.
    static std::unique_ptr<ClipPlayer> create(const QString &path);

    ~ClipPlayer();
    Q_DISABLE_COPY_MOVE(ClipPlayer)

    // Opens the stream ahead of play(), paused and filled, where that makes play() sound sooner.
    void prime();
    void play();
    void stop();

    // Decoded audio waiting to be written: what this player holds besides the decoder.
    qsizetype pendingBytes() const;
    // True from play() until the server has played the last sample, or the stream failed.
    bool isFeeding() const;
    // True when part of the clip went to a stream that the server has since lost: played now,
    // the clip would start late or not at all.
    bool isSpent() const;

    class Key
    {
        friend class ClipPlayer;
        Key() = default;
    };
    ClipPlayer(Key, std::unique_ptr<ClipDecoder> decoder, QByteArray opening, QByteArray name);

private:
    // These run on the connection's thread with its lock held.
    static void onWritable(pa_stream *stream, size_t bytes, void *self);
    static void onStateChanged(pa_stream *stream, void *self);
    static void onDrained(pa_stream *stream, int success, void *self);
    void write(size_t room);
    void openStream(bool corked);
    // Starts a stream opened ahead; false when the message could not be sent.
    bool resume();

    PcmFormat m_format;
    // Let go once it has decoded the last sample: an audio decoder holds over half a megabyte.
    std::unique_ptr<ClipDecoder> m_decoder;
    QByteArray m_pending;
    QByteArray m_name; // what volume mixers show for the stream
    pulse::StreamPtr m_stream;
    pulse::OperationPtr m_drain;
    bool m_feeding = false;
    bool m_written = false;
    bool m_resumeWhenReady = false;
    bool m_lowerLatencyOnPlay = false;
};

// The one process-wide player: plays "<name>.m4a" from the resource folder. A missing file
// is ignored; one that cannot be played writes "error" and leaves the current clip sounding.
void playClip(std::string_view name);

// Stops the current clip, if any.
void stopClip();

// The current player, or null before the first clip that could be opened.
ClipPlayer *audioPlayer();

// Reads the opening of the playlist's next clip ahead of its press.
void prepareNextClip();

// Runs prepareNextClip() once the current event is handled and `delay` has passed, so the
// press itself stays short.
void scheduleNextClipPreparation(std::chrono::milliseconds delay = {});

} // namespace klonkel
