#include "ClipCatalogue.h"
#include "DiagnosticOutput.h"
#include "Playlist.h"
#include "RandomSource.h"
#include "StdoutCapture.h"

#include <QTest>

#include <algorithm>
#include <deque>
#include <limits>
#include <map>
#include <numeric>
#include <set>

using namespace klonkel;

namespace {

constexpr std::uint64_t maxWord = std::numeric_limits<std::uint64_t>::max();

// Hands out scripted raw values, then a fixed one, and counts the draws.
class ScriptedSource : public RandomSource
{
public:
    explicit ScriptedSource(std::deque<std::uint64_t> script, std::uint64_t after = maxWord)
        : m_script(std::move(script)), m_after(after)
    {
    }
    std::uint64_t draw() override
    {
        ++draws;
        if (m_script.empty())
            return m_after;
        const std::uint64_t value = m_script.front();
        m_script.pop_front();
        return value;
    }
    int draws = 0;

private:
    std::deque<std::uint64_t> m_script;
    std::uint64_t m_after;
};

QList<QByteArray> linesOf(const QByteArray &output)
{
    QList<QByteArray> lines = output.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Chi-square statistic of observed counts against equal expectation.
double chiSquare(const std::vector<int> &counts)
{
    const double total = std::accumulate(counts.begin(), counts.end(), 0.0);
    const double expected = total / double(counts.size());
    double sum = 0;
    for (int observed : counts)
        sum += (observed - expected) * (observed - expected) / expected;
    return sum;
}

// Critical chi-square value for 5 degrees of freedom at p = 1e-6: a false alarm once in a
// million runs, yet a bias of a few percent over 60,000 draws is far beyond it.
constexpr double chiSquareLimitFiveDof = 35.9;

} // namespace

class PlaylistTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { playIndex = 0; }

    void randomBelowHandlesEdgeBounds_data()
    {
        QTest::addColumn<quint64>("bound");
        QTest::addColumn<QList<quint64>>("script");
        QTest::addColumn<quint64>("expected");
        QTest::addColumn<int>("draws");

        QTest::newRow("bound 1 is always 0")
            << quint64(1) << QList<quint64>{maxWord} << quint64(0) << 1;
        QTest::newRow("bound 1, draw 0") << quint64(1) << QList<quint64>{0} << quint64(0) << 1;
        // Powers of two have threshold 0: even a low product of 0 is never redrawn.
        QTest::newRow("2, low 0") << quint64(2) << QList<quint64>{0} << quint64(0) << 1;
        QTest::newRow("2^8 takes the top byte")
            << quint64(256) << QList<quint64>{0xAB00000000000000ull} << quint64(0xAB) << 1;
        QTest::newRow("2^63, x = 0") << quint64(1ull << 63) << QList<quint64>{0} << quint64(0) << 1;
        // For 3 the threshold is 2^64 mod 3 = 1: only a low product of 0 is redrawn.
        QTest::newRow("3 rejects x = 0")
            << quint64(3) << QList<quint64>{0, maxWord} << quint64(2) << 2;
        QTest::newRow("3 accepts x = 1") << quint64(3) << QList<quint64>{1} << quint64(0) << 1;
        QTest::newRow("2^64 - 1 rejects x = 0")
            << quint64(maxWord) << QList<quint64>{0, 0, 5} << quint64(4) << 3;
        QTest::newRow("largest bound, top value")
            << quint64(maxWord) << QList<quint64>{maxWord} << quint64(maxWord - 1) << 1;
    }

    void randomBelowHandlesEdgeBounds()
    {
        QFETCH(quint64, bound);
        QFETCH(QList<quint64>, script);
        QFETCH(quint64, expected);
        QFETCH(int, draws);
        ScriptedSource source({script.begin(), script.end()});
        ScopedRandomSource scoped(source);
        QCOMPARE(randomBelow(bound), expected);
        QCOMPARE(source.draws, draws);
    }

    void shuffleDrawsOncePerPositionWithShrinkingBounds()
    {
        for (std::size_t size : {0u, 1u}) {
            ClipNames names(size, "only");
            ScriptedSource source({});
            ScopedRandomSource scoped(source);
            shuffle(names);
            QCOMPARE(source.draws, 0);
            QCOMPARE(names, ClipNames(size, "only"));
        }
        {
            ClipNames pair{"a", "b"};
            ScriptedSource source({0}); // bound 2, low product 0 is not below the threshold 0
            ScopedRandomSource scoped(source);
            shuffle(pair);
            QCOMPARE(source.draws, 1);
            QCOMPARE(pair, (ClipNames{"a", "b"}));
        }
        {
            // The top raw value picks bound - 1, i.e. always the last entry: only exact bounds
            // n - i turn this into a rotation by one.
            ClipNames all(clipCatalogue.begin(), clipCatalogue.end());
            ScriptedSource source({});
            ScopedRandomSource scoped(source);
            shuffle(all);
            QCOMPARE(source.draws, 263);
            QCOMPARE(all.front(), std::string(clipCatalogue.back()));
            QVERIFY(std::equal(all.begin() + 1, all.end(), clipCatalogue.begin()));
        }
    }

    void randomBelowIsUniform()
    {
        std::vector<int> counts(6);
        for (int i = 0; i < 60000; ++i)
            ++counts[randomBelow(6)];
        QVERIFY2(chiSquare(counts) < chiSquareLimitFiveDof,
                 qPrintable(QString::number(chiSquare(counts))));
    }

    void shuffleMakesEveryOrderEquallyLikely()
    {
        std::map<ClipNames, int> seen;
        for (int i = 0; i < 60000; ++i) {
            ClipNames names{"a", "b", "c"};
            shuffle(names);
            ++seen[names];
        }
        QCOMPARE(seen.size(), std::size_t(6));
        std::vector<int> counts;
        for (const auto &[order, count] : seen)
            counts.push_back(count);
        QVERIFY2(chiSquare(counts) < chiSquareLimitFiveDof,
                 qPrintable(QString::number(chiSquare(counts))));
    }

    void playlistLineIsBracketedQuotedAndUtf8()
    {
        const ClipNames catalogue(clipCatalogue.begin(), clipCatalogue.end());
        QByteArray line;
        {
            StdoutCapture capture;
            writeLine(playlistLine(catalogue));
            line = capture.bytes();
        }

        QVERIFY(line.startsWith("[\"ach_ja\", \"arschvoll_los\", \"begreifst_du_nicht\", "));
        QVERIFY(line.endsWith("\"wetterchen\", \"willstduaufsmaul\"]\n"));
        QVERIFY(line.contains("\"brichmalan\", \"k\xc3\xb6nig\", \"schalkimnacken\""));
        QVERIFY(!line.contains("o\xcc\x88")); // never the decomposed o + combining diaeresis
        QCOMPARE(line.count('\n'), 1);
        qsizetype nameBytes = 0;
        for (auto name : clipCatalogue)
            nameBytes += qsizetype(name.size());
        QCOMPARE(line.size(), nameBytes + 264 * 2 + 263 * 2 + 2 + 1);
        QCOMPARE(QByteArray(playlistLine({}).c_str()), QByteArray("[]"));
    }

    // Start as the screen does (shuffle, print), then press through two passes and one more.
    void pressesWalkWholePassesAndRewind()
    {
        ClipNames firstOrder;
        std::vector<std::string> played;
        QList<QByteArray> pressOutput;
        QByteArray output;
        {
            StdoutCapture capture;
            shuffleClipNames();
            printPlaylist();
            firstOrder = clipNames();
            for (int press = 1; press <= 2 * 264 + 1; ++press) {
                const qsizetype before = capture.bytes().size();
                writeLine("button Tapped");
                checkPlaylist();
                played.push_back(clipNames()[std::size_t(playIndex)]);
                playIndex += 1;
                pressOutput.append(capture.bytes().mid(before));
            }
            output = capture.bytes();
        }

        const ClipNames catalogue(clipCatalogue.begin(), clipCatalogue.end());
        const QList<QByteArray> startLines = linesOf(output.left(output.indexOf("button Tapped")));
        QCOMPARE(startLines,
                 QList<QByteArray>{QByteArray::fromStdString(playlistLine(firstOrder))});
        QCOMPARE(pressOutput[0], QByteArray("button Tapped\n0\n264\n"));
        QCOMPARE(pressOutput[263], QByteArray("button Tapped\n263\n264\n"));
        const QList<QByteArray> rewind = linesOf(pressOutput[264]);
        QCOMPARE(rewind.size(), 4);
        QCOMPARE(rewind.mid(0, 3), (QList<QByteArray>{"button Tapped", "264", "264"}));

        // Each pass plays the order its playlist line showed, every name exactly once.
        QVERIFY(std::equal(played.begin(), played.begin() + 264, firstOrder.begin()));
        ClipNames secondPass(played.begin() + 264, played.begin() + 528);
        QCOMPARE(rewind[3], QByteArray::fromStdString(playlistLine(secondPass)));
        for (ClipNames pass : {firstOrder, secondPass}) {
            std::sort(pass.begin(), pass.end());
            ClipNames sorted = catalogue;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(pass, sorted);
        }
        // Press 529 ends the second pass the same way and leaves the position at 1.
        QCOMPARE(linesOf(pressOutput[528]).mid(0, 3),
                 (QList<QByteArray>{"button Tapped", "264", "264"}));
        QCOMPARE(played[528], clipNames().front());
        QCOMPARE(playIndex, 1);
    }
};

QTEST_GUILESS_MAIN(PlaylistTest)
#include "tst_playlist.moc"
