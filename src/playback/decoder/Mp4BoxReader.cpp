#include "Mp4BoxReader.h"

#include "ByteCursor.h"
#include "Mp4EsdsReader.h"

#include <algorithm>
#include <utility>

namespace klonkel {

namespace {

constexpr std::uint32_t fourcc(const char (&name)[5])
{
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

// A box's type as text for a failure reason, with anything unprintable shown as '?'.
std::string typeName(std::uint32_t type)
{
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char(type >> shift & 0xff);
        name += c >= 0x20 && c < 0x7f ? c : '?';
    }
    return name;
}

struct Box
{
    std::uint32_t type = 0;
    std::span<const std::uint8_t> payload;
};

struct AudioTrackFound
{
    bool isAudio = false;
    std::string unsupported; // why this audio track cannot be played, if it cannot
};

class BoxWalker
{
public:
    std::string failure;

    // The next child of `parent`; false at its end or on a malformed box (then failure says
    // why). Fewer than eight bytes left are padding some writers leave. `mayRunPastEnd` lets a
    // media data box end with the file: a clip cut short keeps the frames it still holds.
    bool next(ByteCursor &parent, Box &box, bool mayRunPastEnd = false)
    {
        const std::size_t remaining = parent.remaining();
        if (remaining < 8 || !failure.empty())
            return false;
        std::uint64_t size = parent.u32();
        box.type = parent.u32();
        std::uint64_t header = 8;
        if (size == 1) {
            size = parent.u64();
            header = 16;
        } else if (size == 0) {
            size = remaining;
        }
        if (parent.failed() || size < header)
            return fail("the " + typeName(box.type) + " box has a broken size");
        if (size > remaining) {
            if (!mayRunPastEnd || box.type != fourcc("mdat"))
                return fail("the " + typeName(box.type) + " box runs past its parent");
            size = remaining;
        }
        box.payload = parent.bytes(std::size_t(size - header));
        return true;
    }

    bool fail(std::string reason)
    {
        if (failure.empty())
            failure = std::move(reason);
        return false;
    }

    // A table of `count` entries of `entryBytes` each must fit in what is left of its box.
    bool checkTable(const ByteCursor &table, std::uint64_t count, std::size_t entryBytes,
                    const char *name)
    {
        if (table.failed() || count > Mp4BoxReader::maxTableEntries)
            return fail(std::string("the ") + name + " table is too large");
        if (count * entryBytes > table.remaining())
            return fail(std::string("the ") + name + " table claims more entries than it holds");
        return true;
    }

    // mvhd and mdhd: the time scale, after the version-dependent dates.
    bool readTimeScale(std::span<const std::uint8_t> payload, std::uint32_t &timeScale)
    {
        ByteCursor c(payload);
        const bool wide = c.u8() == 1;
        c.skip(3 + (wide ? 16 : 8));
        timeScale = c.u32();
        return !c.failed() && timeScale != 0 ? true : fail("a header has no time scale");
    }

    void readTrack(std::span<const std::uint8_t> payload, Mp4AudioTrack &track,
                   AudioTrackFound &found);

private:
    void readEditList(std::span<const std::uint8_t> payload, Mp4AudioTrack &track);
    void readSampleTables(std::span<const std::uint8_t> payload, Mp4AudioTrack &track,
                          AudioTrackFound &found);
    void readSampleEntry(const Box &entry, Mp4AudioTrack &track, AudioTrackFound &found);
    bool readEsds(std::span<const std::uint8_t> payload, Mp4AudioTrack &track,
                  AudioTrackFound &found);
};

void BoxWalker::readTrack(std::span<const std::uint8_t> payload, Mp4AudioTrack &track,
                          AudioTrackFound &found)
{
    ByteCursor trak(payload);
    std::span<const std::uint8_t> sampleTables;
    for (Box box; next(trak, box);) {
        if (box.type == fourcc("edts")) {
            ByteCursor edts(box.payload);
            for (Box edit; next(edts, edit);)
                if (edit.type == fourcc("elst"))
                    readEditList(edit.payload, track);
        } else if (box.type == fourcc("mdia")) {
            ByteCursor mdia(box.payload);
            for (Box media; next(mdia, media);) {
                if (media.type == fourcc("mdhd")) {
                    readTimeScale(media.payload, track.mediaTimeScale);
                } else if (media.type == fourcc("hdlr")) {
                    ByteCursor hdlr(media.payload);
                    hdlr.skip(8);
                    found.isAudio = hdlr.u32() == fourcc("soun");
                } else if (media.type == fourcc("minf")) {
                    ByteCursor minf(media.payload);
                    for (Box info; next(minf, info);)
                        if (info.type == fourcc("stbl"))
                            sampleTables = info.payload;
                }
            }
        }
    }
    if (!failure.empty() || !found.isAudio)
        return;
    if (track.mediaTimeScale == 0 || sampleTables.empty()) {
        fail("the audio track lacks its media header or sample tables");
        return;
    }
    readSampleTables(sampleTables, track, found);
}

void BoxWalker::readEditList(std::span<const std::uint8_t> payload, Mp4AudioTrack &track)
{
    ByteCursor elst(payload);
    const bool wide = elst.u8() == 1;
    elst.skip(3);
    const std::uint32_t count = elst.u32();
    if (!checkTable(elst, count, wide ? 20 : 12, "edit"))
        return;
    for (std::uint32_t i = 0; i < count && !track.edit; ++i) {
        const std::uint64_t duration = wide ? elst.u64() : elst.u32();
        const std::int64_t mediaTime =
            wide ? std::int64_t(elst.u64()) : std::int64_t(std::int32_t(elst.u32()));
        elst.skip(4);       // the rate
        if (mediaTime >= 0) // -1 is an empty edit: a delay before the media, not part of it
            track.edit = Mp4AudioTrack::Edit{mediaTime, duration};
    }
}

void BoxWalker::readSampleTables(std::span<const std::uint8_t> payload, Mp4AudioTrack &track,
                                 AudioTrackFound &found)
{
    ByteCursor stbl(payload);
    bool hasSizes = false, hasTimes = false, hasChunks = false, hasOffsets = false;
    for (Box box; next(stbl, box);) {
        ByteCursor table(box.payload);
        table.skip(4); // version and flags
        if (box.type == fourcc("stsd")) {
            table.skip(4);
            Box entry;
            if (next(table, entry))
                readSampleEntry(entry, track, found);
            else
                fail("the audio track describes no codec");
            if (!found.unsupported.empty())
                return;
        } else if (box.type == fourcc("stts")) {
            const std::uint32_t count = table.u32();
            if (!checkTable(table, count, 8, "time-to-sample"))
                return;
            track.timeToSample.resize(count);
            std::generate(track.timeToSample.begin(), track.timeToSample.end(), [&] {
                return Mp4AudioTrack::TimeRun{table.u32(), table.u32()};
            });
            hasTimes = true;
        } else if (box.type == fourcc("stsc")) {
            const std::uint32_t count = table.u32();
            if (!checkTable(table, count, 12, "sample-to-chunk"))
                return;
            track.sampleToChunk.resize(count);
            for (auto &run : track.sampleToChunk) {
                run = {table.u32(), table.u32()};
                table.skip(4); // which sample description: there is one
            }
            hasChunks = true;
        } else if (box.type == fourcc("stsz")) {
            track.constantFrameSize = table.u32();
            track.frameCount = table.u32();
            if (!checkTable(table, track.frameCount, track.constantFrameSize ? 0 : 4, "size"))
                return;
            if (track.constantFrameSize == 0) {
                track.frameSizes.resize(track.frameCount);
                std::generate(track.frameSizes.begin(), track.frameSizes.end(),
                              [&] { return table.u32(); });
            }
            hasSizes = true;
        } else if (box.type == fourcc("stco") || box.type == fourcc("co64")) {
            const bool wide = box.type == fourcc("co64");
            const std::uint32_t count = table.u32();
            if (!checkTable(table, count, wide ? 8 : 4, "chunk offset"))
                return;
            track.chunkOffsets.resize(count);
            std::generate(track.chunkOffsets.begin(), track.chunkOffsets.end(),
                          [&] { return wide ? table.u64() : std::uint64_t(table.u32()); });
            hasOffsets = true;
        }
    }
    if (failure.empty() && found.unsupported.empty() &&
        (track.audioSpecificConfig.empty() || !hasSizes || !hasTimes || !hasChunks || !hasOffsets))
        fail("the audio track lacks one of its sample tables");
}

void BoxWalker::readSampleEntry(const Box &entry, Mp4AudioTrack &track, AudioTrackFound &found)
{
    if (entry.type != fourcc("mp4a")) {
        found.unsupported = "the audio is " + typeName(entry.type) + ", not AAC";
        return;
    }
    ByteCursor mp4a(entry.payload);
    mp4a.skip(8); // reserved, data reference
    const std::uint16_t version = mp4a.u16();
    mp4a.skip(18); // the rest of the version 0 entry: its rate and channels are the ASC's to say
    // QuickTime's sound description versions 1 and 2 carry more fields before the children.
    if (version > 2 || !mp4a.skip(version == 1 ? 16 : version == 2 ? 36 : 0)) {
        fail("the AAC sample entry is malformed");
        return;
    }
    for (Box child; next(mp4a, child);) {
        if (child.type == fourcc("esds") && readEsds(child.payload, track, found))
            return;
        if (child.type == fourcc("wave")) { // QuickTime keeps the esds one level down
            ByteCursor wave(child.payload);
            for (Box inner; next(wave, inner);)
                if (inner.type == fourcc("esds") && readEsds(inner.payload, track, found))
                    return;
        }
    }
    fail("the AAC track has no decoder configuration");
}

bool BoxWalker::readEsds(std::span<const std::uint8_t> payload, Mp4AudioTrack &track,
                         AudioTrackFound &found)
{
    Mp4EsdsReader::Result esds = Mp4EsdsReader::read(payload);
    if (!esds.malformed.empty())
        return fail(esds.malformed);
    found.unsupported = esds.notAac;
    track.audioSpecificConfig = std::move(esds.audioSpecificConfig);
    return true;
}

} // namespace

Mp4BoxReader::Result Mp4BoxReader::read(std::span<const std::uint8_t> file)
{
    BoxWalker walker;
    ByteCursor top(file);
    Mp4AudioTrack track;
    std::uint32_t movieTimeScale = 0;
    std::string unsupported;
    bool first = true, hasMovie = false, found = false;
    for (Box box; walker.next(top, box, true); first = false) {
        if (first && box.type != fourcc("ftyp"))
            return {std::nullopt, "not an MPEG-4 file"};
        if (box.type == fourcc("moof"))
            return {std::nullopt, "fragmented files are not supported"};
        if (box.type != fourcc("moov") || hasMovie)
            continue;
        hasMovie = true;
        ByteCursor moov(box.payload);
        for (Box child; walker.next(moov, child);) {
            if (child.type == fourcc("mvex"))
                return {std::nullopt, "fragmented files are not supported"};
            if (child.type == fourcc("mvhd")) {
                walker.readTimeScale(child.payload, movieTimeScale);
            } else if (child.type == fourcc("trak") && !found) {
                Mp4AudioTrack candidate;
                AudioTrackFound audio;
                walker.readTrack(child.payload, candidate, audio);
                if (audio.isAudio && !audio.unsupported.empty()) {
                    unsupported = audio.unsupported;
                } else if (audio.isAudio && walker.failure.empty()) {
                    track = std::move(candidate);
                    found = true;
                }
            }
        }
    }
    if (first)
        return {std::nullopt, "not an MPEG-4 file"};
    if (!walker.failure.empty())
        return {std::nullopt, walker.failure};
    if (!hasMovie)
        return {std::nullopt, "no movie box"};
    if (!found)
        return {std::nullopt, unsupported.empty() ? "no audio track" : unsupported};
    if (movieTimeScale == 0)
        return {std::nullopt, "the movie header is missing"};
    track.movieTimeScale = movieTimeScale;
    return {std::move(track), {}};
}

} // namespace klonkel
