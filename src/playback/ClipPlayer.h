#pragma once

#include "ClipDecoder.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string_view>

class QAudioSink;
class QIODevice;

namespace klonkel {

// Plays one clip once: decodes its opening before play() so sound starts on the first write,
// then streams the rest to the sound server in small steps.
class ClipPlayer : public QObject
{
    Q_OBJECT

public:
    // Empty when the file cannot be opened or holds no decodable audio.
    static std::unique_ptr<ClipPlayer> create(const QString &path);

    ~ClipPlayer() override;
    Q_DISABLE_COPY_MOVE(ClipPlayer)

    void play();
    void stop();

    // Decoded audio waiting to be written, plus what the decoder keeps: what this player holds.
    qsizetype pendingBytes() const { return m_pending.size(); }
    // True from play() until the last sample (and its padding) went to the sound server.
    bool isFeeding() const { return m_feedTimer.isActive(); }

    class Key
    {
        friend class ClipPlayer;
        Key() = default;
    };
    ClipPlayer(Key, std::unique_ptr<ClipDecoder> decoder, QByteArray opening,
               const QAudioFormat &format);

private:
    void feed();

    std::unique_ptr<ClipDecoder> m_decoder;
    QByteArray m_pending;
    QAudioFormat m_format;
    QAudioSink *m_sink = nullptr;  // child of this player
    QIODevice *m_output = nullptr; // owned by m_sink
    QTimer m_feedTimer;
    QTimer m_releaseTimer; // ends the stream once the server has played what it holds
    qsizetype m_silenceToWrite = 0;
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

// Runs prepareNextClip() once the current event is handled, so the press itself stays short.
void scheduleNextClipPreparation();

} // namespace klonkel
