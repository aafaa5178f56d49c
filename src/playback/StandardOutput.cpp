#include "StandardOutput.h"

#include "LineWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace klonkel {

namespace {
LineWriter &standardOutput()
{
    // Created on first use and destroyed at exit, after main() returns or in exit(), where it
    // waits for its reader to take what is queued (at most a second).
    static LineWriter writer(STDOUT_FILENO);
    return writer;
}
} // namespace

void writeLine(std::string_view text)
{
    standardOutput().writeLine(text);
}

void finishStandardOutput()
{
    standardOutput().finish();
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
