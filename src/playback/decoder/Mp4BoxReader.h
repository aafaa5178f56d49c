#pragma once

#include "Mp4AudioTrack.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace klonkel {

// Finds the first AAC track of an MPEG-4 file held in memory and reads its tables. Every box is
// kept inside its parent, and every table's claimed length is checked against the bytes that
// hold it before anything is allocated for it.
class Mp4BoxReader
{
public:
    struct Result
    {
        std::optional<Mp4AudioTrack> track;
        std::string failure; // why, when there is no track
    };

    static Result read(std::span<const std::uint8_t> file);

    // No table holds more entries: twelve hours of 48 kHz AAC, far past any clip.
    static constexpr std::uint32_t maxTableEntries = 1 << 21;
};

} // namespace klonkel
