#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace klonkel {

inline constexpr std::size_t catalogueSize = 264;

// The fixed clip names (UTF-8); each is the base name of one "<name>.m4a" resource.
extern const std::array<std::string_view, catalogueSize> clipCatalogue;

using ClipNames = std::vector<std::string>;

// The playlist: a copy of the catalogue made on first use; only shuffles reorder it.
ClipNames &clipNames();

// The playlist's length, fixed on its first read.
std::int64_t clipCount();

// Position of the next clip to play, from 0 to clipCount().
inline std::int64_t playIndex = 0;

} // namespace klonkel
