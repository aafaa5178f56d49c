#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace klonkel {

// The decoder configuration in an esds box: the MPEG-4 object type of the stream and, for AAC,
// its AudioSpecificConfig. Every descriptor is kept inside the one that holds it.
class Mp4EsdsReader
{
public:
    struct Result
    {
        std::vector<std::uint8_t> audioSpecificConfig; // set when the stream is AAC
        std::string notAac;    // what the stream is, when it is another codec
        std::string malformed; // why the box cannot be read
    };

    static Result read(std::span<const std::uint8_t> esdsPayload);
};

} // namespace klonkel
