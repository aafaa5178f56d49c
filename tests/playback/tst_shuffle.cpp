#include "Shuffle.h"

#include "fakes/ScriptedRandomSource.h"

#include <QTest>

#include <string>
#include <vector>

using namespace klonkel;

namespace {
__extension__ using Wide = unsigned __int128;

// A draw that lands in the middle of result r's range for this bound: accepted at once.
std::uint64_t drawFor(std::uint64_t r, std::uint64_t bound)
{
    return std::uint64_t(((Wide(2 * r + 1)) << 64) / (2 * bound));
}
} // namespace

// The multiply-and-reject draw and the forward shuffle, with the draws steered.
class ShuffleTest : public QObject
{
    Q_OBJECT

private slots:
    // Draws kept at once, each the edge of a bound's cases.
    void singleDraws_data()
    {
        QTest::addColumn<quint64>("bound");
        QTest::addColumn<quint64>("draw");
        QTest::addColumn<quint64>("result");
        for (const quint64 x : {quint64(0), quint64(1), ~quint64(0)})
            QTest::addRow("bound 1, draw %llx", x) << quint64(1) << x << quint64(0);
        // Low half 0, below the bound: a threshold of 0 accepts it.
        for (const unsigned shift : {1u, 3u, 32u, 63u})
            QTest::addRow("bound 2^%u", shift)
                << (quint64(1) << shift) << (quint64(1) << (64 - shift)) << quint64(1);
        // Bound 3: the threshold is 2^64 mod 3 = 1, and a low half of exactly 1
        // (3 * 0xAAAA...AB = 2 * 2^64 + 1) is kept.
        QTest::newRow("bound 3, at the threshold")
            << quint64(3) << quint64(0xAAAAAAAAAAAAAAAB) << quint64(2);
    }
    void singleDraws()
    {
        QFETCH(quint64, bound);
        QFETCH(quint64, draw);
        QFETCH(quint64, result);
        ScriptedRandomSource source({draw});
        QCOMPARE(randomBelow(bound, source), result);
        QCOMPARE(source.draws(), 1);
    }

    void rejectsOnlyBelowTheThreshold()
    {
        // Bound 3: a low half of 0 is below the threshold of 1 and drawn again.
        ScriptedRandomSource rejected({0, drawFor(1, 3)});
        QCOMPARE(randomBelow(3, rejected), 1u);
        QCOMPARE(rejected.draws(), 2);
    }

    void shortSequencesDrawNothingAndTwoDrawOnce()
    {
        ScriptedRandomSource source;
        std::vector<std::string> none, one{"a"};
        shuffle(none, source);
        shuffle(one, source);
        QCOMPARE(source.draws(), 0);
        QCOMPARE(one, std::vector<std::string>{"a"});

        ScriptedRandomSource swap({drawFor(1, 2)}), keep({drawFor(0, 2)});
        std::vector<std::string> swapped{"a", "b"}, kept{"a", "b"};
        shuffle(swapped, swap);
        shuffle(kept, keep);
        QCOMPARE(swapped, (std::vector<std::string>{"b", "a"}));
        QCOMPARE(kept, (std::vector<std::string>{"a", "b"}));
        QCOMPARE(swap.draws() + keep.draws(), 2);
    }

    void fillsPositionsFromTheFront()
    {
        // Bounds 4, 3, 2 in this order; picks 2, 0, 1 from what is left.
        ScriptedRandomSource source({drawFor(2, 4), drawFor(0, 3), drawFor(1, 2)});
        std::vector<std::string> names{"a", "b", "c", "d"};
        shuffle(names, source);
        QCOMPARE(names, (std::vector<std::string>{"c", "b", "d", "a"}));
        QCOMPARE(source.draws(), 3);
    }
};

QTEST_APPLESS_MAIN(ShuffleTest)
#include "tst_shuffle.moc"
