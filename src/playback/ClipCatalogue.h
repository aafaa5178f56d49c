#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace klonkel {

inline constexpr std::size_t catalogueSize = 264;

// The fixed clip names (UTF-8); each is the base name of one "<name>.m4a" resource.
extern const std::array<std::string_view, catalogueSize> clipCatalogue;

} // namespace klonkel
