// Preloaded into a program under test: getentropy() fails as on an old kernel (ENOSYS), and with
// KLONKEL_NO_URANDOM set, opening /dev/urandom fails too (EACCES), as in a tight sandbox.
// Each getentropy() call appends a line to the file KLONKEL_ENTROPY_CALLS names, if set, so a
// test knows this stand-in was really in use.

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool refused(const char *path)
{
    return std::getenv("KLONKEL_NO_URANDOM") != nullptr && path != nullptr &&
           std::strcmp(path, "/dev/urandom") == 0;
}

template <typename Open> Open next(const char *name)
{
    return reinterpret_cast<Open>(::dlsym(RTLD_NEXT, name));
}

// The mode argument is there only when the flags create a file.
mode_t modeOf(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode_t(va_arg(arguments, int)) : 0;
}

} // namespace

extern "C" {

int getentropy(void *, size_t)
{
    if (const char *log = std::getenv("KLONKEL_ENTROPY_CALLS")) {
        const int fd = ::open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, "getentropy\n", 11);
            ::close(fd);
        }
    }
    errno = ENOSYS;
    return -1;
}

// Every kind of open: the same parameters but for a leading folder, which openat takes.
#define KLONKEL_OPEN(name, leadingParameter, leadingArgument)                                      \
    int name(leadingParameter const char *path, int flags, ...)                                    \
    {                                                                                              \
        va_list arguments;                                                                         \
        va_start(arguments, flags);                                                                \
        const mode_t mode = modeOf(flags, arguments);                                              \
        va_end(arguments);                                                                         \
        if (refused(path)) {                                                                       \
            errno = EACCES;                                                                        \
            return -1;                                                                             \
        }                                                                                          \
        static const auto real = next<int (*)(leadingParameter const char *, int, ...)>(#name);    \
        return real(leadingArgument path, flags, mode);                                            \
    }
#define KLONKEL_FOLDER_PARAMETER int folder,
#define KLONKEL_FOLDER_ARGUMENT folder,
KLONKEL_OPEN(open, , )
KLONKEL_OPEN(open64, , )
KLONKEL_OPEN(openat, KLONKEL_FOLDER_PARAMETER, KLONKEL_FOLDER_ARGUMENT)
KLONKEL_OPEN(openat64, KLONKEL_FOLDER_PARAMETER, KLONKEL_FOLDER_ARGUMENT)
}
