#pragma once

#include "RandomSource.h"

namespace klonkel {

// Eight bytes from the operating system's random source per draw.
class SystemRandomSource final : public RandomSource
{
public:
    std::uint64_t draw() override;
};

} // namespace klonkel
