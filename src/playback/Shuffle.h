#pragma once

#include "RandomSource.h"

#include <cstdint>
#include <span>
#include <string>

namespace klonkel {

// A uniform integer in [0, bound) by multiply-and-reject on 64-bit draws; bound >= 1.
std::uint64_t randomBelow(std::uint64_t bound, RandomSource &source);

// Forward Fisher-Yates: every order equally likely; fewer than two entries draw nothing.
void shuffle(std::span<std::string> names, RandomSource &source);

} // namespace klonkel
