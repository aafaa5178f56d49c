#include "Mp4FrameTable.h"

#include <algorithm>
#include <limits>

namespace klonkel {

namespace {

constexpr std::uint64_t unbounded = std::numeric_limits<std::uint64_t>::max();

// `value` from one time scale to another, to the nearest unit; unbounded when out of range.
std::uint64_t rescale(std::uint64_t value, std::uint32_t from, std::uint32_t to)
{
    const std::uint64_t whole = value / from, part = value % from;
    if (whole > (unbounded >> 2) / to)
        return unbounded;
    return whole * to + (part * to + from / 2) / from;
}

// Where each frame lies, in decoding order, up to the first one that is not inside the file: a
// file cut short plays what it still holds.
std::vector<Mp4FrameTable::Frame> locateFrames(const Mp4AudioTrack &track, std::uint64_t fileSize,
                                               bool &cutShort, std::string &failure)
{
    std::vector<Mp4FrameTable::Frame> frames;
    const auto &runs = track.sampleToChunk;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (runs[r].firstChunk == 0 || (r > 0 && runs[r].firstChunk <= runs[r - 1].firstChunk)) {
            failure = "the sample-to-chunk table is out of order";
            return {};
        }
    }
    const std::size_t chunkCount = track.chunkOffsets.size();
    std::uint32_t frame = 0;
    for (std::size_t r = 0; r < runs.size() && frame < track.frameCount; ++r) {
        const std::size_t end = r + 1 < runs.size()
                                    ? std::min<std::size_t>(runs[r + 1].firstChunk - 1, chunkCount)
                                    : chunkCount;
        for (std::size_t chunk = runs[r].firstChunk - 1; chunk < end; ++chunk) {
            std::uint64_t offset = track.chunkOffsets[chunk];
            for (std::uint32_t i = 0; i < runs[r].framesPerChunk; ++i, ++frame) {
                if (frame == track.frameCount)
                    return frames;
                const std::uint32_t size =
                    track.constantFrameSize ? track.constantFrameSize : track.frameSizes[frame];
                if (offset > fileSize || size > fileSize - offset) {
                    cutShort = true;
                    return frames;
                }
                frames.push_back({offset, size});
                offset += size;
            }
        }
    }
    return frames;
}

} // namespace

std::optional<Mp4FrameTable> Mp4FrameTable::build(const Mp4AudioTrack &track,
                                                  std::uint64_t fileSize, std::string &failure)
{
    bool cutShort = false;
    std::vector<Frame> frames = locateFrames(track, fileSize, cutShort, failure);
    if (!failure.empty())
        return std::nullopt;
    if (frames.empty()) {
        failure = cutShort ? "the file is cut short" : "the audio track has no frames";
        return std::nullopt;
    }

    // A frame's duration in the table can be short of what it decodes to (the last one, where
    // the encoder marks its padding); what is kept is counted in whole frames, as others do.
    std::uint32_t frameDuration = 0;
    for (const auto &run : track.timeToSample)
        if (run.count > 0)
            frameDuration = std::max(frameDuration, run.duration);
    if (frameDuration == 0) {
        failure = "the audio track's frames last no time";
        return std::nullopt;
    }

    const std::uint64_t start = track.edit ? std::uint64_t(track.edit->mediaTime) : 0;
    const std::uint64_t duration =
        track.edit && track.edit->movieDuration > 0
            ? rescale(track.edit->movieDuration, track.movieTimeScale, track.mediaTimeScale)
            : unbounded;
    const std::uint64_t end = duration > unbounded - start ? unbounded : start + duration;
    // Decoding starts up to a second before the edit, so the decoder's overlap is filled by the
    // time the kept audio begins.
    const std::uint64_t leadIn = start > track.mediaTimeScale ? start - track.mediaTimeScale : 0;

    std::size_t first = 0, last = 0;
    std::uint64_t firstStart = 0, lastStart = 0, time = 0;
    std::size_t frame = 0;
    auto visit = [&](std::uint32_t frameLength) {
        if (time <= leadIn) {
            first = frame;
            firstStart = time;
        }
        if (time < end) {
            last = frame;
            lastStart = time;
        }
        time += frameLength;
        ++frame;
    };
    for (const auto &run : track.timeToSample)
        for (std::uint32_t i = 0; i < run.count && frame < frames.size() && time < end; ++i)
            visit(run.duration);
    // Frames the table gives no time to last as long as the others.
    while (frame < frames.size() && time < end)
        visit(frameDuration);

    if (start >= lastStart + frameDuration) {
        failure =
            cutShort ? "the file is cut short" : "the edit list starts past the end of the audio";
        return std::nullopt;
    }
    Mp4FrameTable table;
    table.frames.assign(frames.begin() + std::ptrdiff_t(first),
                        frames.begin() + std::ptrdiff_t(last) + 1);
    table.skip = start - firstStart;
    table.keep = lastStart + frameDuration - start;
    return table;
}

} // namespace klonkel
