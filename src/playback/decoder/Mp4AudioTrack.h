#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace klonkel {

// What an MPEG-4 file says of its AAC track, as read from its boxes and not yet cross-checked
// (Mp4FrameTable does that).
struct Mp4AudioTrack
{
    struct TimeRun // stts: `count` frames of `duration` each, in media time
    {
        std::uint32_t count = 0;
        std::uint32_t duration = 0;
    };
    struct ChunkRun // stsc: from chunk `firstChunk` (counted from 1) on, this many frames a chunk
    {
        std::uint32_t firstChunk = 0;
        std::uint32_t framesPerChunk = 0;
    };
    // The first edit that shows media (elst); an empty edit before it only delays the start.
    struct Edit
    {
        std::int64_t mediaTime = 0;      // media time scale
        std::uint64_t movieDuration = 0; // movie time scale; 0: to the end of the media
    };

    std::uint32_t movieTimeScale = 0;
    std::uint32_t mediaTimeScale = 0;
    std::vector<std::uint8_t> audioSpecificConfig;
    std::vector<TimeRun> timeToSample;
    std::vector<ChunkRun> sampleToChunk;
    std::uint32_t frameCount = 0;
    std::uint32_t constantFrameSize = 0; // when nonzero, frameSizes is empty
    std::vector<std::uint32_t> frameSizes;
    std::vector<std::uint64_t> chunkOffsets;
    std::optional<Edit> edit;
};

} // namespace klonkel
