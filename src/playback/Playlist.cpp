#include "Playlist.h"

#include "ClipPlayer.h"
#include "DiagnosticOutput.h"
#include "RandomSource.h"

#include <chrono>
#include <utility>

namespace klonkel {

namespace {
// The full 128-bit product of two 64-bit values; GCC and Clang both provide the type.
__extension__ using Product = unsigned __int128;

// A new order is shuffled as the screen first appears: reading its first clip ahead (loading the
// decoder, reaching the sound server, decoding) waits until the first frame has been drawn, so
// as not to compete with it for the processor. A shuffle at the end of a pass happens during a
// press, whose own, shorter wait then applies.
constexpr std::chrono::milliseconds preparationAfterShuffle{200};
} // namespace

std::uint64_t randomBelow(std::uint64_t bound)
{
    RandomSource &source = randomSource();
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

void shuffle(std::span<std::string> names)
{
    const std::size_t count = names.size();
    if (count < 2)
        return;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t j = i + static_cast<std::size_t>(randomBelow(count - i));
        if (j != i)
            std::swap(names[i], names[j]);
    }
}

void shuffleClipNames()
{
    shuffle(clipNames());
    scheduleNextClipPreparation(preparationAfterShuffle);
}

std::string playlistLine(const ClipNames &names)
{
    std::string line = "[";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += '"';
        line += names[i];
        line += '"';
    }
    line += ']';
    return line;
}

void printPlaylist()
{
    writeLine(playlistLine(clipNames()));
}

void checkPlaylist()
{
    writeLine(std::to_string(playIndex));
    writeLine(std::to_string(clipCount()));
    if (playIndex == clipCount()) {
        shuffleClipNames();
        playIndex = 0;
        printPlaylist();
    }
}

} // namespace klonkel
