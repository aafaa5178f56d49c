// Diagnostic lines reach a reader whole and in order, whatever it does, and never hold up the
// caller. (The wait at the end of the program is checked from outside, by press_checks.py.)

#include "ClipCatalogue.h"
#include "LineWriter.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace klonkel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A one-page pipe, which the playlist line and a few presses fill.
struct Channel
{
    int read = -1, write = -1;
    explicit Channel(bool nonBlockingWriter)
    {
        int ends[2] = {-1, -1};
        if (::pipe2(ends, O_CLOEXEC) != 0)
            qFatal("no pipe");
        read = ends[0], write = ends[1];
        ::fcntl(write, F_SETPIPE_SZ, 4096);
        if (nonBlockingWriter)
            ::fcntl(write, F_SETFL, ::fcntl(write, F_GETFL) | O_NONBLOCK);
    }
    ~Channel() { closeRead(), closeWrite(); }
    void closeRead() { read >= 0 && ::close(std::exchange(read, -1)); }
    void closeWrite() { write >= 0 && ::close(std::exchange(write, -1)); }
};

// Takes nothing for `pause`, then reads everything until end of file.
struct PausedReader
{
    Channel &channel;
    std::string received;
    std::thread thread;
    PausedReader(Channel &from, std::chrono::milliseconds pause)
        : channel(from), thread([this, pause] {
              std::this_thread::sleep_for(pause);
              char bite[65536];
              for (ssize_t got = 0; (got = ::read(channel.read, bite, sizeof bite)) != 0;) {
                  if (got > 0)
                      received.append(bite, std::size_t(got));
                  else if (errno != EINTR)
                      break;
              }
          })
    {
    }
    ~PausedReader() { finish(); } // a check that failed early
    // Everything, once the writers are done with the channel.
    std::string finish()
    {
        channel.closeWrite();
        if (thread.joinable())
            thread.join();
        return received;
    }
};

// The lines a run writes as its screen appears and for `presses` presses: the rewind's playlist
// line (3.9 kB, the longest line) comes at press 265. With `playlistCopies` above 1 the playlist
// line is longer than a pipe page, which a pipe takes the front of.
std::vector<std::string> runLines(int presses, int playlistCopies = 1)
{
    std::string playlist = "[";
    for (int copy = 0; copy < playlistCopies; ++copy) {
        for (const std::string_view name : clipCatalogue)
            playlist.append(playlist.size() > 1 ? ", \"" : "\"").append(name).append("\"");
    }
    playlist += "]";
    std::vector<std::string> run{"ContentView appeared!", playlist};
    for (int press = 0; press < presses; ++press) { // the 266th shows 1, the 267th 2, ...
        run.insert(run.end(),
                   {"button Tapped", std::to_string(press <= 264 ? press : press - 264), "264"});
        if (press == 264)
            run.push_back(playlist);
    }
    return run;
}

// Bytes in the pipe, not yet read.
int queued(int readEnd)
{
    int bytes = 0;
    return ::ioctl(readEnd, FIONREAD, &bytes) == 0 ? bytes : -1;
}

const LineWriter::Limits patient{.queueBytes = 4 << 20, .finishing = 20s, .noteFd = -1};

} // namespace

class OutputLines : public QObject
{
    Q_OBJECT

private slots:
    // A reader that pauses for seconds across the rewind, as a pager left unscrolled does, and
    // then reads gets every line; meanwhile no line holds its caller up.
    void pausedReaderGetsEveryLine_data()
    {
        QTest::addColumn<bool>("nonBlocking");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<int>("playlistCopies");
        QTest::newRow("non-blocking pipe") << true << 3000 << 1;
        QTest::newRow("blocking pipe") << false << 3000 << 1;
        QTest::newRow("non-blocking pipe taking the front of long lines") << true << 300 << 3;
    }
    void pausedReaderGetsEveryLine()
    {
        QFETCH(bool, nonBlocking);
        QFETCH(int, pauseMs);
        QFETCH(int, playlistCopies);
        const std::vector<std::string> run = runLines(300, playlistCopies);
        Channel channel(nonBlocking);
        PausedReader reader(channel, std::chrono::milliseconds(pauseMs));
        std::string sent;
        Clock::duration longest{};
        {
            LineWriter writer(channel.write, patient);
            for (const std::string &line : run) {
                if (line == "button Tapped") // presses spread over most of the pause
                    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs) * 0.8 / 300);
                const auto start = Clock::now();
                writer.writeLine(line);
                longest = std::max(longest, Clock::now() - start);
                sent += line + '\n';
            }
        }
        QCOMPARE(reader.finish(), sent);
        qInfo("longest line call: %.1f us",
              std::chrono::duration<double, std::micro>(longest).count());
        // Waiting on the reader would last its pause (or the old writer's 250 ms); a copy takes
        // tens of microseconds. The bound leaves room for a loaded machine's scheduling (3 ms
        // seen with two builds running): how fast the copy is, is for a benchmark to say.
        QCOMPARE_LT(longest, 100ms);
    }

    // Past the bound the oldest lines not yet taken are left out, whole: the reader gets what the
    // pipe held and the newest 16 kB, in order, and one note says how many are missing.
    void farBehindReaderLosesOldestLinesWhole()
    {
        Channel channel(true), notes(true);
        std::optional<PausedReader> reader;
        std::vector<std::string> sent;
        {
            LineWriter writer(channel.write,
                              {.queueBytes = 16384, .finishing = 20s, .noteFd = notes.write});
            for (int number = 0; number < 2000; ++number) {
                sent.push_back(std::to_string(number) + std::string(40, '.'));
                writer.writeLine(sent.back());
                // Once the pipe is full, so that all the leaving out is one spell, told once.
                if (number == 200)
                    std::this_thread::sleep_for(200ms);
            }
            reader.emplace(channel, 0ms);
        }
        const std::string received = reader->finish();
        QVERIFY(received.ends_with('\n'));
        std::vector<std::string> got;
        for (std::size_t from = 0, end = 0; from < received.size(); from = end + 1)
            got.push_back(received.substr(from, (end = received.find('\n', from)) - from));
        // Sent ones, in order, and the newest that fit in the bound are all there.
        auto next = sent.begin();
        for (const std::string &line : got)
            QVERIFY2((next = std::find(next, sent.end(), line)) != sent.end(), line.c_str());
        std::size_t newestBytes = 0;
        for (auto line = got.rbegin(), wanted = sent.rbegin();
             line != got.rend() && *line == *wanted; ++line, ++wanted)
            newestBytes += line->size() + 1;
        QCOMPARE_GT(newestBytes, 16384 - sent.back().size() - 1);
        PausedReader noteReader(notes, 0ms);
        QCOMPARE(noteReader.finish(), "klonkel: left out " +
                                          std::to_string(sent.size() - got.size()) +
                                          " lines of output: its reader fell 16 KiB behind\n");
    }

    // A reader that goes away mid-line, its writer blocked on a full pipe, costs no wait and no
    // signal (this process leaves SIGPIPE fatal); nor does a descriptor that is not open.
    void goneReaderCostsNothing()
    {
        const std::vector<std::string> run = runLines(300);
        Channel channel(false);
        const auto start = Clock::now();
        {
            LineWriter gone(channel.write, patient), closed(channel.write + 1000, patient);
            for (std::size_t i = 0; i < run.size(); ++i) {
                gone.writeLine(run[i]), closed.writeLine(run[i]);
                if (i == run.size() / 2) {
                    // Once the thread has written the pipe as full as the next batch allows and
                    // so waits in a write: it holds the front of a line and no longer grows.
                    QVERIFY(QTest::qWaitFor(
                        [&, last = -1]() mutable {
                            const int now = queued(channel.read);
                            return std::exchange(last, now) == now && now >= 1000;
                        },
                        5000));
                    char front[1000];
                    QCOMPARE(::read(channel.read, front, sizeof front), ssize_t(sizeof front));
                    channel.closeRead();
                }
            }
        }
        QCOMPARE_LT(Clock::now() - start, 1s);
    }
};

QTEST_GUILESS_MAIN(OutputLines)
#include "tst_outputlines.moc"
