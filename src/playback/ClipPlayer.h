#pragma once

#include <QtGlobal>

namespace klonkel {

// One clip, played once from its start. Letting go of a player ends its sound.
class ClipPlayer
{
public:
    virtual ~ClipPlayer() = default;
    ClipPlayer(const ClipPlayer &) = delete;
    ClipPlayer &operator=(const ClipPlayer &) = delete;

    // Gets ready to sound at once on play(), where the output allows, while making no sound.
    virtual void prime() = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    // True when part of the clip went to an output that has since been lost: played now, the
    // clip would start late or not at all.
    virtual bool isSpent() const = 0;
    // Decoded audio waiting to be written: what the player holds besides its decoder.
    virtual qsizetype pendingBytes() const = 0;

protected:
    ClipPlayer() = default;
};

} // namespace klonkel
