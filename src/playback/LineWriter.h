#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace klonkel {

// Writes whole lines to one descriptor, in order, whatever its mode, without letting a slow or
// stalled reader hold the caller up for long.
//
// A line waits for its reader at most `patience` in all (poll() for room, blocking or not).
// When that runs out the output counts as stalled: later lines do not wait at all, and are
// dropped whole while the reader takes nothing, until a line goes through again. A line the
// reader took only part of is never abandoned, as the next line would be glued to it: its rest
// goes out before any later line, and at the latest on destruction (again within `patience`).
// A reader that is gone (EPIPE) or a closed descriptor costs one failed call and no wait.
class LineWriter
{
public:
    LineWriter(int fd, std::chrono::milliseconds patience) : m_fd(fd), m_patience(patience) {}
    ~LineWriter();
    LineWriter(const LineWriter &) = delete;
    LineWriter &operator=(const LineWriter &) = delete;

    // Writes `text` and a line feed.
    void writeLine(std::string_view text);

    bool stalled() const { return m_stalled; }

private:
    enum class Outcome { Written, Stalled, Failed };
    using Deadline = std::chrono::steady_clock::time_point;

    // Writes from the front of `bytes`, dropping what went out; stops at the deadline.
    Outcome send(std::string_view &bytes, Deadline deadline) const;
    bool finishStartedLine(Deadline deadline);

    int m_fd;
    std::chrono::milliseconds m_patience;
    std::string m_unfinished; // the rest of a line the reader has taken the front of
    bool m_stalled = false;
};

} // namespace klonkel
