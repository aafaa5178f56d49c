#pragma once

#include "Mp4AudioTrack.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace klonkel {

// The AAC access units of a track in decoding order, each inside the file, and what of their
// decoded audio the edit list shows.
struct Mp4FrameTable
{
    struct Frame
    {
        std::uint64_t offset = 0;
        std::uint32_t size = 0;
    };
    // Empty, with the reason in `failure`, when the tables do not describe a playable track.
    static std::optional<Mp4FrameTable> build(const Mp4AudioTrack &track, std::uint64_t fileSize,
                                              std::string &failure);

    std::vector<Frame> frames;
    // In media time: the decoded audio to drop before the edit starts (the encoder's priming),
    // and how much to keep after that.
    std::uint64_t skip = 0;
    std::uint64_t keep = 0;
};

} // namespace klonkel
