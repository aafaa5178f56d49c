#include "LineWriter.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace klonkel {

namespace {

int ownCopyOf(int fd)
{
    // Above the standard three, and not inherited: a program started later must not hold the
    // reader's end open.
    return fd < 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
}

// A full disc may have room again later; anything else means nobody will read what follows.
bool readerIsGone(int error)
{
    return error != ENOSPC && error != EDQUOT && error != EFBIG;
}

} // namespace

struct LineWriter::Queue
{
    Queue(int fd, Limits limits)
        : limits(limits), output(ownCopyOf(fd)), note(ownCopyOf(limits.noteFd)),
          wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), ended(output < 0 || wake < 0)
    {
    }
    ~Queue()
    {
        for (const int fd : {output, note, wake}) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    Queue(const Queue &) = delete;
    Queue &operator=(const Queue &) = delete;

    // Drops what is queued and every later line; wakes the thread wherever it waits.
    void end()
    {
        ended = true;
        lines.clear();
        queuedBytes = 0;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t woken = ::write(wake, &one, sizeof one);
        lineQueued.notify_one();
        drained.notify_all();
    }

    // One write() call, unless the queue has ended: a blocking one may not return until the
    // reader reads, and the writer must know whether the thread is in one.
    ssize_t write(int fd, std::string_view bytes)
    {
        {
            const std::lock_guard lock(mutex);
            if (ended) {
                errno = ECANCELED;
                return -1;
            }
            inWrite = true;
        }
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        const int error = errno;
        const std::lock_guard lock(mutex);
        inWrite = false;
        errno = error;
        return written;
    }

    // Waits for room on a descriptor that is not blocking; false once the queue has ended.
    bool awaitRoom()
    {
        pollfd targets[] = {{output, POLLOUT, 0}, {wake, POLLIN, 0}};
        while (::poll(targets, 2, -1) < 0) {
            if (errno != EINTR)
                return false;
        }
        // On an error or a hang-up the next write says what it is.
        return targets[1].revents == 0 && (targets[0].revents & POLLNVAL) == 0;
    }

    // Writes all of `bytes`; false if the reader is gone or the queue has ended.
    bool send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = write(output, bytes);
            if (written >= 0) {
                bytes.remove_prefix(std::size_t(written));
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (!awaitRoom())
                    return false;
            } else if (errno != EINTR) {
                return !readerIsGone(errno); // a full disc: this much is lost, later lines not
            }
        }
        return true;
    }

    void tellLeftOut(std::size_t count)
    {
        if (note < 0)
            return;
        const std::string line = "klonkel: left out " + std::to_string(count) +
                                 " lines of output: its reader fell " +
                                 std::to_string(limits.queueBytes / 1024) + " KiB behind\n";
        [[maybe_unused]] const ssize_t written = write(note, line);
    }

    const Limits limits;
    const int output;
    const int note;
    const int wake; // readable once the queue has ended, for a thread waiting for room

    std::mutex mutex;
    std::condition_variable lineQueued; // for the thread
    std::condition_variable drained;    // for finish()
    std::deque<std::string> lines;      // not yet taken by the thread
    std::size_t queuedBytes = 0;
    std::size_t leftOut = 0; // past the bound, not yet told
    bool threadWaiting = false;
    bool inFlight = false; // the thread has taken lines that have not all gone out
    bool inWrite = false;
    bool ended;
};

LineWriter::LineWriter(int fd)
    : LineWriter(
          fd,
          {.queueBytes = 4 << 20, .finishing = std::chrono::seconds(1), .noteFd = STDERR_FILENO})
{
}

LineWriter::LineWriter(int fd, Limits limits) : m_queue(std::make_shared<Queue>(fd, limits))
{
    if (!m_queue->ended)
        m_thread = std::thread(writeOut, m_queue);
}

LineWriter::~LineWriter()
{
    finish();
    if (!m_thread.joinable())
        return;
    bool inWrite = false;
    {
        const std::lock_guard lock(m_queue->mutex);
        inWrite = m_queue->inWrite;
    }
    // Out of a write the thread sees the end at once; in one it may wait for its reader for
    // ever, and holds all it needs.
    if (inWrite)
        m_thread.detach();
    else
        m_thread.join();
}

void LineWriter::writeLine(std::string_view text)
{
    std::string line;
    line.reserve(text.size() + 1);
    line.append(text);
    line.push_back('\n');
    Queue &queue = *m_queue;
    bool wake = false;
    {
        const std::lock_guard lock(queue.mutex);
        if (queue.ended)
            return;
        queue.queuedBytes += line.size();
        queue.lines.push_back(std::move(line));
        while (queue.queuedBytes > queue.limits.queueBytes) {
            queue.queuedBytes -= queue.lines.front().size();
            queue.lines.pop_front();
            ++queue.leftOut;
        }
        wake = queue.threadWaiting;
    }
    if (wake)
        queue.lineQueued.notify_one();
}

void LineWriter::finish()
{
    Queue &queue = *m_queue;
    std::unique_lock lock(queue.mutex);
    queue.drained.wait_for(lock, queue.limits.finishing, [&queue] {
        return queue.ended || (queue.lines.empty() && !queue.inFlight);
    });
    queue.end();
}

void LineWriter::writeOut(const std::shared_ptr<Queue> &shared)
{
    // Signals are for the program's other threads; SIGPIPE from a gone reader becomes EPIPE.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);

    Queue &queue = *shared;
    std::string batch;
    for (;;) {
        std::size_t leftOut = 0;
        {
            std::unique_lock lock(queue.mutex);
            queue.inFlight = false;
            queue.drained.notify_all();
            queue.threadWaiting = true;
            queue.lineQueued.wait(lock, [&queue] { return queue.ended || !queue.lines.empty(); });
            queue.threadWaiting = false;
            if (queue.ended)
                return;
            // Whole lines, at most PIPE_BUF bytes unless one line is longer: a pipe takes such a
            // write whole or not at all, so even a reader that never comes back is left whole
            // lines.
            batch.clear();
            while (!queue.lines.empty() &&
                   (batch.empty() || batch.size() + queue.lines.front().size() <= PIPE_BUF)) {
                batch += queue.lines.front();
                queue.queuedBytes -= queue.lines.front().size();
                queue.lines.pop_front();
            }
            leftOut = std::exchange(queue.leftOut, 0);
            queue.inFlight = true;
        }
        if (leftOut > 0)
            queue.tellLeftOut(leftOut);
        if (!queue.send(batch)) {
            const std::lock_guard lock(queue.mutex);
            queue.end();
            return;
        }
    }
}

} // namespace klonkel
