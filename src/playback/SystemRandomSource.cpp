#include "SystemRandomSource.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace klonkel {

std::uint64_t SystemRandomSource::draw()
{
    unsigned char bytes[sizeof(std::uint64_t)];
    // getentropy() never returns short; a failure means the kernel has no random source at all,
    // and a shuffle from predictable bytes would silently lie about being random.
    while (getentropy(bytes, sizeof bytes) != 0) {
        if (errno != EINTR)
            std::abort();
    }
    std::uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof value); // machine byte order
    return value;
}

} // namespace klonkel
