#include "SystemRandomSource.h"

#include "StandardOutput.h"
#include "SystemEntropy.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

namespace klonkel {

std::uint64_t SystemRandomSource::draw()
{
    static SystemEntropy entropy;
    std::byte bytes[sizeof(std::uint64_t)];
    if (const std::optional<std::string> failure = entropy.fill(bytes)) {
        // A shuffle from predictable bytes would silently lie about being random, so the run
        // ends here, saying why; _Exit, as other threads may still be using what exit() frees.
        // The lines of the presses before it go out first, as they would at exit().
        finishStandardOutput();
        const std::string line = "klonkel: no source of random numbers: " + *failure + "\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
        std::_Exit(EXIT_FAILURE);
    }
    std::uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof value); // machine byte order
    return value;
}

} // namespace klonkel
