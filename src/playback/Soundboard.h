#pragma once

#include "StandardOutput.h"

#include <functional>
#include <memory>

namespace klonkel {

class ClipDeck;
class ClipOutput;
class Playlist;
class RandomSource;

// What a press of the main button, and the screen's coming and going, do to playback: the one
// place each of these sequences is written. The screen, the press tool and the tests all call
// it. The screen's own changes (colours, rings, sizes) are passed in as `viewStep` and run at
// their place in the sequence.
class Soundboard
{
public:
    using ViewStep = std::function<void()>;

    // On the desktop's sound server, with the system's random numbers, writing to standard output.
    Soundboard();
    Soundboard(std::unique_ptr<RandomSource> random, std::unique_ptr<ClipOutput> output,
               LineOutput writeLine);
    ~Soundboard();
    Soundboard(const Soundboard &) = delete;
    Soundboard &operator=(const Soundboard &) = delete;

    // "button Tapped", the playlist's check (a reshuffle at the end of a pass), the view step,
    // the clip at the play position, and on to the next position whatever became of the clip.
    void press(const ViewStep &viewStep = {});
    // "ContentView appeared!", a new order, the view step, then the playlist line. The position
    // stays where it is.
    void appear(const ViewStep &viewStep = {});
    // "ContentView disappeared!", the sound stops, and the event loop ends with status 0.
    void disappear();

    Playlist &playlist() { return *m_playlist; }
    ClipDeck &deck() { return *m_deck; }

private:
    std::unique_ptr<RandomSource> m_random;
    LineOutput m_writeLine;
    // Held through pointers so that users of this header never see the sound server's headers.
    std::unique_ptr<Playlist> m_playlist;
    std::unique_ptr<ClipDeck> m_deck;
};

} // namespace klonkel
