#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace klonkel {

// The operating system's random bytes: getentropy(), or /dev/urandom where that call is missing
// (old kernels) or forbidden (seccomp sandboxes).
class SystemEntropy
{
public:
    using Call = int (*)(void *buffer, std::size_t length);

    explicit SystemEntropy(Call primary = defaultPrimary(),
                           std::string fallbackPath = "/dev/urandom")
        : m_primary(primary), m_fallbackPath(std::move(fallbackPath))
    {
    }
    ~SystemEntropy();
    SystemEntropy(const SystemEntropy &) = delete;
    SystemEntropy &operator=(const SystemEntropy &) = delete;

    // Fills `buffer` whole (at most 256 bytes), or says why neither source could.
    std::optional<std::string> fill(std::span<std::byte> buffer);

private:
    static Call defaultPrimary();
    std::optional<std::string> readFallback(std::span<std::byte> buffer);

    Call m_primary;
    std::string m_fallbackPath;
    std::string m_primaryFailure; // set once the primary has failed; it is not asked again
    int m_fallback = -1;          // opened on first need and kept
};

} // namespace klonkel
