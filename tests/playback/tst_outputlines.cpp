// Diagnostic lines reach a pipe's reader whole and in order, whatever the reader does.

#include "ClipCatalogue.h"
#include "LineWriter.h"
#include "StandardOutput.h"

#include <QTest>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace klonkel;
using namespace std::chrono_literals;

namespace {

// A one-page pipe, so a playlist line (about 3.4 kB) and a few short lines fill it; or a local
// stream socket with a small buffer, which unlike a pipe also takes part of a write.
struct Channel
{
    int read = -1;
    int write = -1;
    Channel(bool socket, bool nonBlockingWriter)
    {
        int ends[2] = {-1, -1};
        const int made = socket ? ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends)
                                : ::pipe2(ends, O_CLOEXEC);
        if (made != 0)
            qFatal("no pipe or socket pair");
        read = ends[0];
        write = ends[1];
        if (socket) {
            const int bytes = 4096;
            ::setsockopt(write, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
            ::shutdown(read, SHUT_WR);
        } else {
            ::fcntl(write, F_SETPIPE_SZ, 4096);
        }
        if (nonBlockingWriter)
            ::fcntl(write, F_SETFL, ::fcntl(write, F_GETFL) | O_NONBLOCK);
    }
    ~Channel() { closeRead(), closeWrite(); }
    Channel(const Channel &) = delete;
    Channel &operator=(const Channel &) = delete;
    void closeRead() { read >= 0 && ::close(std::exchange(read, -1)); }
    void closeWrite() { write >= 0 && ::close(std::exchange(write, -1)); }
};

// Reads the channel until end of file in bites with pauses, the way a busy consumer does.
struct SlowReader
{
    Channel &channel;
    std::string received;
    std::thread thread;
    SlowReader(Channel &from, std::size_t biteBytes, std::chrono::milliseconds pause)
        : channel(from), thread([this, fd = from.read, biteBytes, pause] {
              std::vector<char> bite(biteBytes);
              // Pausing first lets the writer fill the channel before anything is read.
              ssize_t got = 0;
              do {
                  if (got > 0)
                      received.append(bite.data(), std::size_t(got));
                  std::this_thread::sleep_for(pause);
              } while ((got = ::read(fd, bite.data(), bite.size())) > 0 ||
                       (got < 0 && errno == EINTR));
          })
    {
    }
    SlowReader(const SlowReader &) = delete;
    SlowReader &operator=(const SlowReader &) = delete;
    ~SlowReader()
    {
        if (thread.joinable())
            finish(); // a check that failed early left the writing end open
    }
    std::string finish()
    {
        channel.closeWrite();
        thread.join();
        return received;
    }
};

std::string drain(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string all;
    char bite[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, bite, sizeof bite)) > 0)
        all.append(bite, std::size_t(got));
    return all;
}

// The catalogue as a playlist line: over 3 kB, the longest line the program writes.
std::string playlistLine()
{
    std::string line = "[";
    for (const std::string_view name : clipCatalogue) {
        line += line.size() > 1 ? ", \"" : "\"";
        line += name;
        line += '"';
    }
    return line + "]";
}

// What a run writes for presses 250 to 280: more than a one-page channel holds, with the
// rewind's playlist line in the middle.
std::vector<std::string> linesAcrossRewind()
{
    std::vector<std::string> lines;
    const std::string playlist = playlistLine();
    for (int press = 250; press <= 280; ++press) {
        lines.push_back("button Tapped");
        const int index = press <= 265 ? press - 1 : press - 266;
        lines.push_back(std::to_string(index));
        lines.push_back("264");
        if (press == 265)
            lines.push_back(playlist);
    }
    return lines;
}

std::string joined(const std::vector<std::string> &lines)
{
    std::string all;
    for (const std::string &line : lines)
        all += line + '\n';
    return all;
}

// Received lines, split at line feeds; a last line without one is kept as it is.
std::vector<std::string> split(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

} // namespace

class OutputLines : public QObject
{
    Q_OBJECT

    // Each received line must be one that was sent, whole, in the order sent.
    static void verifyWholeLinesInOrder(const std::string &received,
                                        const std::vector<std::string> &sent)
    {
        QVERIFY(received.empty() || received.ends_with('\n'));
        std::size_t next = 0;
        for (const std::string &line : split(received)) {
            while (next < sent.size() && sent[next] != line)
                ++next;
            QVERIFY2(next < sent.size(), ("not sent, or out of order: " + line).c_str());
            ++next;
        }
    }

private slots:
    void initTestCase()
    {
        // As in the programs: a reader that is gone must not end the process.
        std::signal(SIGPIPE, SIG_IGN);
        QVERIFY(playlistLine().size() > 3000);
    }

    // Every byte arrives, in order, while a slow reader keeps filling and emptying the channel.
    void slowReaderGetsEveryByte_data()
    {
        QTest::addColumn<bool>("socket");
        QTest::addColumn<bool>("nonBlocking");
        QTest::addColumn<int>("biteBytes");
        QTest::addColumn<int>("pauseMs");
        QTest::newRow("non-blocking pipe, small bites") << false << true << 512 << 1;
        QTest::newRow("non-blocking pipe, long pauses") << false << true << 4096 << 15;
        QTest::newRow("blocking pipe") << false << false << 512 << 1;
        QTest::newRow("non-blocking socket, small bites") << true << true << 256 << 1;
        QTest::newRow("non-blocking socket, long pauses") << true << true << 4096 << 15;
    }
    void slowReaderGetsEveryByte()
    {
        QFETCH(bool, socket);
        QFETCH(bool, nonBlocking);
        QFETCH(int, biteBytes);
        QFETCH(int, pauseMs);
        Channel channel(socket, nonBlocking);
        SlowReader reader(channel, std::size_t(biteBytes), std::chrono::milliseconds(pauseMs));
        const std::vector<std::string> lines = linesAcrossRewind();
        {
            // Patience to spare, so that a busy test machine cannot make this a stall.
            LineWriter writer(channel.write, 5s);
            for (const std::string &line : lines)
                writer.writeLine(line);
            QVERIFY(!writer.stalled());
        }
        QCOMPARE(reader.finish(), joined(lines));
    }

    // The program's own standard output, made a non-blocking one-page pipe.
    void standardOutputKeepsLinesWhole()
    {
        Channel channel(false, true);
        SlowReader reader(channel, 512, 2ms);
        const int saved = ::dup(STDOUT_FILENO);
        ::dup2(channel.write, STDOUT_FILENO);
        const std::vector<std::string> lines = linesAcrossRewind();
        for (const std::string &line : lines)
            writeLine(line);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        QCOMPARE(reader.finish(), joined(lines));
    }

    // A reader that takes nothing holds the writer up for the patience once, not once per line;
    // lines that found no room are dropped whole and one that was started is finished first,
    // so the reader never sees a line cut short or glued to another.
    void stalledReaderIsBounded_data()
    {
        QTest::addColumn<bool>("socket");
        QTest::addColumn<bool>("nonBlocking");
        QTest::newRow("non-blocking pipe") << false << true;
        QTest::newRow("blocking pipe") << false << false;
        QTest::newRow("non-blocking socket") << true << true;
    }
    void stalledReaderIsBounded()
    {
        QFETCH(bool, socket);
        QFETCH(bool, nonBlocking);
        Channel channel(socket, nonBlocking);
        std::vector<std::string> sent;
        for (int round = 0; round < 5; ++round) {
            const std::vector<std::string> lines = linesAcrossRewind();
            sent.insert(sent.end(), lines.begin(), lines.end());
        }
        const auto start = std::chrono::steady_clock::now();
        std::string received;
        {
            LineWriter writer(channel.write, 50ms);
            for (const std::string &line : sent)
                writer.writeLine(line);
            // A blocking write, or a wait per line, would take far longer.
            QCOMPARE_LT(std::chrono::steady_clock::now() - start, 1s);
            received = drain(channel.read);
            sent.emplace_back("after the stall");
            writer.writeLine(sent.back());
            QVERIFY(!writer.stalled());
        }
        received += drain(channel.read);
        QVERIFY(received.ends_with("\nafter the stall\n"));
        QVERIFY(split(received).size() < sent.size()); // the stall cost lines
        verifyWholeLinesInOrder(received, sent);
    }

    // A line the reader took only the front of is finished when the writer goes away, if the
    // reader comes back in time. (Lines longer than the socket takes at once get cut.)
    void startedLineIsFinishedAtTheEnd()
    {
        Channel channel(true, true);
        std::vector<std::string> sent;
        std::unique_ptr<SlowReader> reader;
        {
            LineWriter writer(channel.write, 150ms);
            for (char fill = 'a'; fill < 'i'; ++fill) {
                sent.emplace_back(10000, fill);
                writer.writeLine(sent.back());
            }
            QVERIFY(writer.stalled());
            reader = std::make_unique<SlowReader>(channel, 4096, 1ms);
        }
        const std::string received = reader->finish();
        QVERIFY(!received.empty());
        verifyWholeLinesInOrder(received, sent);
    }

    // A reader that is gone, or no descriptor at all, costs no waiting and no signal.
    void goneReaderCostsNothing()
    {
        Channel channel(false, false);
        channel.closeRead();
        const auto start = std::chrono::steady_clock::now();
        {
            LineWriter gone(channel.write, 10s);
            LineWriter closed(channel.write + 1000, 10s);
            for (const std::string &line : linesAcrossRewind()) {
                gone.writeLine(line);
                closed.writeLine(line);
            }
            QVERIFY(!gone.stalled());
            QVERIFY(!closed.stalled());
        }
        QCOMPARE_LT(std::chrono::steady_clock::now() - start, 1s);
    }
};

QTEST_GUILESS_MAIN(OutputLines)
#include "tst_outputlines.moc"
