#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string_view>
#include <thread>

namespace klonkel {

// Writes whole lines to one descriptor, in order, and never holds the caller up: a line is
// copied into a queue, and a thread of the writer's own writes the queue out as fast as the
// descriptor takes it.
//
// A thread, not a notifier on an event loop: a blocking descriptor (a terminal, a file, a pipe
// whose mode the shell chose and shares) can only be written by a thread that may block; the
// app's loop is often busy drawing, the press tool runs a loop of its own, and the wait at the
// end must work once the loop has ended, after a signal too.
//
// A reader that pauses gets every line once it reads again, whole and in order. Only past
// `queueBytes` not yet taken are the oldest lines left out, whole, and one line on `noteFd`
// says how many. A line the reader took the front of is finished before any later one. A reader
// that is gone (EPIPE) or a closed descriptor costs nothing: the queue and every later line are
// dropped. The writing raises no SIGPIPE in the process, whatever its handling of it.
class LineWriter
{
public:
    struct Limits
    {
        std::size_t queueBytes;
        // How long finish() waits for the queue to go out.
        std::chrono::milliseconds finishing;
        int noteFd;
    };

    // With the limits of standard output: 4 MiB queued, a second to finish, notes on stderr.
    explicit LineWriter(int fd);
    LineWriter(int fd, Limits limits);
    // Finishes first.
    ~LineWriter();
    LineWriter(const LineWriter &) = delete;
    LineWriter &operator=(const LineWriter &) = delete;

    // Queues `text` and a line feed; the caller pays for the copy.
    void writeLine(std::string_view text);

    // Waits at most `finishing` for the queue to go out. What has not gone out by then is
    // dropped, whole, and so is every later line.
    void finish();

private:
    struct Queue;
    static void writeOut(const std::shared_ptr<Queue> &queue);

    // Shared with the thread, which may outlive the writer while its reader holds a blocking
    // write up: it owns copies of the descriptors, so nothing it uses goes away under it.
    std::shared_ptr<Queue> m_queue;
    std::thread m_thread;
};

} // namespace klonkel
