#include "SystemEntropy.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace klonkel {

namespace {
std::string failure(const std::string &source, int error)
{
    return source + ": " + std::strerror(error);
}
} // namespace

SystemEntropy::Call SystemEntropy::defaultPrimary()
{
    return [](void *buffer, std::size_t length) { return ::getentropy(buffer, length); };
}

SystemEntropy::~SystemEntropy()
{
    if (m_fallback >= 0)
        ::close(m_fallback);
}

std::optional<std::string> SystemEntropy::fill(std::span<std::byte> buffer)
{
    if (m_primaryFailure.empty()) {
        // getentropy() never returns short: it fills the buffer whole or fails.
        while (m_primary(buffer.data(), buffer.size()) != 0) {
            if (errno != EINTR) {
                // ENOSYS or EPERM last for the whole run: do not pay for the failure per draw.
                m_primaryFailure = failure("getentropy", errno);
                break;
            }
        }
        if (m_primaryFailure.empty())
            return std::nullopt;
    }
    if (auto fallbackFailure = readFallback(buffer))
        return m_primaryFailure + "; " + *fallbackFailure;
    return std::nullopt;
}

std::optional<std::string> SystemEntropy::readFallback(std::span<std::byte> buffer)
{
    if (m_fallback < 0) {
        const int fd = ::open(m_fallbackPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return failure(m_fallbackPath, errno);
        // A regular file there would hand out the same "random" bytes on every run.
        struct stat status = {};
        if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
            ::close(fd);
            return m_fallbackPath + ": not a character device";
        }
        m_fallback = fd;
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::read(m_fallback, buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failure(m_fallbackPath, errno);
        if (got == 0)
            return m_fallbackPath + ": no more bytes";
        done += std::size_t(got);
    }
    return std::nullopt;
}

} // namespace klonkel
