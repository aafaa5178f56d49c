#pragma once

#include "ClipCatalogue.h"
#include "RandomSource.h"
#include "StandardOutput.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klonkel {

using ClipNames = std::vector<std::string>;

// The catalogue's names in shuffled order, played front to back one per press and shuffled
// again once every name has played. Writes its own lines: the index, count and playlist lines.
class Playlist
{
public:
    Playlist(RandomSource &random, LineOutput writeLine);

    // Starts as a copy of the catalogue; only shuffles reorder it.
    const ClipNames &clipNames() const { return m_clipNames; }
    // The playlist's length, fixed on its first read.
    std::int64_t clipCount();
    // Position of the next clip to play, from 0 to clipCount().
    std::int64_t playIndex() const { return m_playIndex; }

    void shuffleClipNames();
    std::uint64_t randomBelow(std::uint64_t bound);
    // ["a", "b", ...] with the names as they are.
    void printPlaylist() const;
    // Writes the index and count lines; at the end of a pass reshuffles, rewinds and prints.
    void checkPlaylist();

    // clipNames[playIndex]: valid right after checkPlaylist().
    const std::string &clipAtPlayIndex() const;
    // Moves on to the next clip, whether or not this one could be played.
    void advancePlayIndex() { ++m_playIndex; }
    // What the next press will play without a reshuffle, for reading it ahead; nothing when the
    // pass is used up.
    std::optional<std::string> nextClipName() const;

private:
    RandomSource &m_random;
    LineOutput m_writeLine;
    ClipNames m_clipNames;
    std::optional<std::int64_t> m_clipCount;
    std::int64_t m_playIndex = 0;
};

} // namespace klonkel
