#pragma once

#include "ClipOutput.h"
#include "ClipPlayer.h"
#include "FileStamp.h"
#include "StandardOutput.h"

#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace klonkel {

// The one player of the program and what it needs: the output it plays on, the clip sounding
// now, the next clip read ahead and the timer that reads it. Members end in the reverse order
// of their declaration: the timer first, the output (and its sound-server connection) last.
class ClipDeck
{
public:
    // Tells which clip the next press will play, or nothing when that is not known yet.
    using NextClip = std::function<std::optional<std::string>()>;

    ClipDeck(std::unique_ptr<ClipOutput> output, NextClip nextClip, LineOutput writeLine);
    ~ClipDeck();
    ClipDeck(const ClipDeck &) = delete;
    ClipDeck &operator=(const ClipDeck &) = delete;

    // Plays "<name>.m4a" from the resource folder, cutting off the clip that sounds. A missing
    // file is ignored; one that cannot be played writes "error" and leaves the sounding clip on.
    void playClip(std::string_view name);
    // Stops the current clip, if any; the player stays current.
    void stopClip();
    // The current player, or null before the first clip that could be opened.
    ClipPlayer *audioPlayer() const { return m_current.get(); }

    // Reads the next clip's opening and readies its output, so its press only has to start it.
    void readAhead();
    // Reads ahead once the current event is handled and `delay` has passed. The latest request
    // wins: a burst of presses reads ahead once, after its last press.
    void readAheadAfter(std::chrono::milliseconds delay);

private:
    struct PreparedClip
    {
        QString path;
        std::optional<FileStamp> stamp;
        std::unique_ptr<ClipPlayer> player;

        // Read ahead from this very file, unchanged on disk since, and not lost with an output
        // that has gone away since.
        bool isReadyFor(const QString &location, const std::optional<FileStamp> &current) const;
    };

    // The player read ahead for this file if it is still good; taken either way.
    std::unique_ptr<ClipPlayer> takePrepared(const QString &path);

    std::unique_ptr<ClipOutput> m_output;
    NextClip m_nextClip;
    LineOutput m_writeLine;
    PreparedClip m_prepared;
    std::unique_ptr<ClipPlayer> m_current;
    QTimer m_readAheadTimer;
};

} // namespace klonkel
