#include "Shuffle.h"

#include <utility>

namespace klonkel {

namespace {
// The full 128-bit product of two 64-bit values; GCC and Clang both provide the type.
__extension__ using Product = unsigned __int128;
} // namespace

std::uint64_t randomBelow(std::uint64_t bound, RandomSource &source)
{
    auto product = static_cast<Product>(source.draw()) * bound;
    auto low = static_cast<std::uint64_t>(product);
    if (low < bound) {
        const std::uint64_t threshold = (0 - bound) % bound;
        while (low < threshold) {
            product = static_cast<Product>(source.draw()) * bound;
            low = static_cast<std::uint64_t>(product);
        }
    }
    return static_cast<std::uint64_t>(product >> 64);
}

void shuffle(std::span<std::string> names, RandomSource &source)
{
    const std::size_t count = names.size();
    if (count < 2)
        return;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t j = i + static_cast<std::size_t>(randomBelow(count - i, source));
        if (j != i)
            std::swap(names[i], names[j]);
    }
}

} // namespace klonkel
