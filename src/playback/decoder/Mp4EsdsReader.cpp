#include "Mp4EsdsReader.h"

#include "ByteCursor.h"

namespace klonkel {

namespace {

// Descriptors of ISO 14496-1 inside the esds: a tag, then a length of up to four 7-bit groups.
bool readDescriptor(ByteCursor &parent, std::uint8_t &tag, std::span<const std::uint8_t> &body)
{
    tag = parent.u8();
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t byte = parent.u8();
        length = length << 7 | (byte & 0x7f);
        if (!(byte & 0x80))
            break;
    }
    body = parent.bytes(length);
    return !parent.failed();
}

} // namespace

Mp4EsdsReader::Result Mp4EsdsReader::read(std::span<const std::uint8_t> payload)
{
    Result result;
    const auto fail = [&result](const char *reason) {
        result.malformed = reason;
        return result;
    };
    ByteCursor esds(payload);
    esds.skip(4); // version and flags
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> body;
    if (!readDescriptor(esds, tag, body) || tag != 0x03)
        return fail("the AAC track's stream descriptor is malformed");
    ByteCursor stream(body);
    stream.skip(2); // the stream's id
    const std::uint8_t flags = stream.u8();
    if (flags & 0x80)
        stream.skip(2); // the stream it depends on
    if (flags & 0x40)
        stream.skip(stream.u8()); // a URL
    if (flags & 0x20)
        stream.skip(2); // the clock reference stream
    while (readDescriptor(stream, tag, body) && tag != 0x04) {
    }
    if (stream.failed())
        return fail("the AAC track has no decoder configuration");
    ByteCursor config(body);
    const std::uint8_t objectType = config.u8();
    // MPEG-4 audio, or MPEG-2 AAC's Main, LC and SSR profiles (libfaad turns down what it lacks).
    if (objectType != 0x40 && (objectType < 0x66 || objectType > 0x68)) {
        result.notAac =
            objectType == 0x69 || objectType == 0x6b
                ? std::string("the audio is MP3, not AAC")
                : "the audio's object type is " + std::to_string(objectType) + ", not AAC";
        return result;
    }
    config.skip(12); // stream type, buffer size, bit rates
    while (readDescriptor(config, tag, body) && tag != 0x05) {
    }
    if (config.failed() || body.empty())
        return fail("the AAC track has no AudioSpecificConfig");
    result.audioSpecificConfig.assign(body.begin(), body.end());
    return result;
}

} // namespace klonkel
