#include "LineWriter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace klonkel {

LineWriter::~LineWriter()
{
    if (!m_unfinished.empty())
        finishStartedLine(std::chrono::steady_clock::now() + m_patience);
}

void LineWriter::writeLine(std::string_view text)
{
    // A stalled reader gets no more waiting: only what it can take at once.
    const Deadline deadline =
        std::chrono::steady_clock::now() + (m_stalled ? std::chrono::milliseconds(0) : m_patience);
    if (!finishStartedLine(deadline))
        return; // dropped whole: it would have been glued to the unfinished one

    std::string line;
    line.reserve(text.size() + 1);
    line.append(text);
    line.push_back('\n');
    std::string_view rest = line;
    switch (send(rest, deadline)) {
    case Outcome::Written:
        m_stalled = false;
        break;
    case Outcome::Stalled:
        m_stalled = true;
        if (rest.size() < line.size())
            m_unfinished = rest;
        break;
    case Outcome::Failed:
        break;
    }
}

bool LineWriter::finishStartedLine(Deadline deadline)
{
    if (m_unfinished.empty())
        return true;
    std::string_view rest = m_unfinished;
    const Outcome outcome = send(rest, deadline);
    if (outcome == Outcome::Stalled) {
        m_unfinished.erase(0, m_unfinished.size() - rest.size());
        m_stalled = true;
        return false;
    }
    // Written, or the reader is gone and nobody will read the rest.
    m_unfinished.clear();
    return outcome == Outcome::Written;
}

LineWriter::Outcome LineWriter::send(std::string_view &bytes, Deadline deadline) const
{
    using namespace std::chrono;
    // A blocking descriptor is asked for room first, which bounds its wait too: once a pipe
    // reports room, a write of at most PIPE_BUF bytes goes through at once. A non-blocking one
    // is written first and waited for only when full, as a short line may still fit.
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0)
        return Outcome::Failed; // closed
    const bool blocking = (flags & O_NONBLOCK) == 0;
    bool askFirst = blocking;
    while (!bytes.empty()) {
        if (askFirst) {
            pollfd target{m_fd, POLLOUT, 0};
            const auto left = ceil<milliseconds>(deadline - steady_clock::now());
            const int ready =
                ::poll(&target, 1, int(std::clamp<milliseconds::rep>(left.count(), 0, INT_MAX)));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (target.revents & POLLNVAL) != 0)
                return Outcome::Failed;
            if (ready == 0)
                return Outcome::Stalled;
        }
        const ssize_t written =
            ::write(m_fd, bytes.data(), std::min<std::size_t>(bytes.size(), PIPE_BUF));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            // Full (or not enough room for this write): wait for room, unless time is up.
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (askFirst && steady_clock::now() >= deadline)
                    return Outcome::Stalled;
                askFirst = true;
                continue;
            }
            return Outcome::Failed; // EPIPE, EBADF, a full disc: nothing to wait for
        }
        bytes.remove_prefix(std::size_t(written));
        askFirst = blocking;
    }
    return Outcome::Written;
}

} // namespace klonkel
