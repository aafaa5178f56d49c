#pragma once

#include <cstdint>

namespace klonkel {

// Where the shuffle's raw 64-bit values come from: the system in the app, a script in tests.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual std::uint64_t draw() = 0;
};

} // namespace klonkel
