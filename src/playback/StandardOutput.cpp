#include "StandardOutput.h"

#include "LineWriter.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace klonkel {

namespace {
// How long one line may wait for a reader that takes nothing: long enough for a terminal or a
// filter that a busy machine did not schedule for a moment, short enough that the one press it
// holds up is late by a blink, not frozen. Once a line has waited this long the reader counts as
// stalled and later lines do not wait at all, so a press waits for it once, not once per line.
constexpr std::chrono::milliseconds linePatience{250};
} // namespace

void writeLine(std::string_view text)
{
    // Created on first use and destroyed at exit, where it finishes a line the reader took only
    // part of.
    static LineWriter standardOutput(STDOUT_FILENO, linePatience);
    standardOutput.writeLine(text);
}

void keepStandardStreamsReserved()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free number, which is this one.
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        }
    }
}

} // namespace klonkel
