#pragma once

#include "ClipCatalogue.h"

#include <cstdint>
#include <span>
#include <string>

namespace klonkel {

// A uniform integer in [0, bound) by multiply-and-reject on 64-bit draws; bound >= 1.
std::uint64_t randomBelow(std::uint64_t bound);

// Forward Fisher-Yates over the process-wide random source.
void shuffle(std::span<std::string> names);

// Shuffles the playlist in place; writes nothing.
void shuffleClipNames();

// ["a", "b", ...] with the names as they are.
std::string playlistLine(const ClipNames &names);

// Writes the playlist line for the current order.
void printPlaylist();

// Writes the index and count lines; at the end of a pass reshuffles, rewinds and prints.
void checkPlaylist();

} // namespace klonkel
