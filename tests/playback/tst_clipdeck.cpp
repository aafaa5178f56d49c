#include "ClipDeck.h"
#include "ResourceLocator.h"

#include "fakes/FakeClipOutput.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace klonkel;
using namespace Qt::StringLiterals;

// The one player's cases, on a fake output: what is opened, started, stopped and let go, in
// which order, and the one line it writes.
class ClipDeckTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_clips;
    QStringList m_log;
    FakeClipOutput *m_output = nullptr;
    std::optional<std::string> m_next;
    std::unique_ptr<ClipDeck> m_deck;

    bool writeClip(const QString &name, const QByteArray &content = {})
    {
        QFile file(m_clips.filePath(name + u".m4a"_s));
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    QStringList takeLog() { return std::exchange(m_log, {}); }

private slots:
    void init()
    {
        setResourceDirectory(m_clips.path());
        QVERIFY(writeClip(u"one"_s) && writeClip(u"two"_s) && writeClip(u"könig"_s) &&
                writeClip(u"broken"_s, "unplayable"));
        auto output = std::make_unique<FakeClipOutput>(m_log);
        m_output = output.get();
        m_deck = std::make_unique<ClipDeck>(
            std::move(output), [this] { return m_next; },
            [this](std::string_view text) { m_log << u"line "_s + QString::fromUtf8(text); });
        m_log.clear();
    }
    void cleanup() { m_deck.reset(); }

    void stoppingBeforeAnyClipDoesNothing()
    {
        m_deck->stopClip();
        QVERIFY(m_log.isEmpty());
        QCOMPARE(m_deck->audioPlayer(), nullptr);
    }

    void aNewClipCutsTheSoundingOneOff()
    {
        m_deck->playClip("one");
        ClipPlayer *first = m_deck->audioPlayer();
        QCOMPARE(takeLog(), (QStringList{u"open one"_s, u"play one"_s}));
        m_deck->playClip("two");
        // Stopped before the new one starts, let go only after it has.
        QCOMPARE(takeLog(),
                 (QStringList{u"open two"_s, u"stop one"_s, u"play two"_s, u"end one"_s}));
        QVERIFY(m_deck->audioPlayer() && m_deck->audioPlayer() != first);
    }

    void missingAndUnplayableClipsLeaveTheSoundingOneAlone()
    {
        m_deck->playClip("one");
        ClipPlayer *sounding = m_deck->audioPlayer();
        takeLog();
        m_deck->playClip("nowhere");
        QCOMPARE(takeLog(), QStringList{});
        m_deck->playClip("broken");
        QCOMPARE(takeLog(), (QStringList{u"open broken"_s, u"line error"_s}));
        QCOMPARE(m_deck->audioPlayer(), sounding);
    }

    void namesAreLookedUpByTheirExactBytes()
    {
        m_deck->playClip("k\xc3\xb6nig"); // precomposed ö, as the file is named
        QCOMPARE(takeLog(), (QStringList{u"open könig"_s, u"play könig"_s}));
        m_deck->playClip("ko\xcc\x88nig"); // o + combining diaeresis: another name
        QCOMPARE(takeLog(), QStringList{});
    }

    void stoppingKeepsThePlayerCurrent()
    {
        m_deck->playClip("one");
        ClipPlayer *player = m_deck->audioPlayer();
        m_deck->stopClip();
        m_deck->stopClip();
        QCOMPARE(takeLog(),
                 (QStringList{u"open one"_s, u"play one"_s, u"stop one"_s, u"stop one"_s}));
        QCOMPARE(m_deck->audioPlayer(), player);
    }

    void aClipReadAheadIsPlayedOnlyWhileStillGood()
    {
        m_next = "one";
        m_deck->readAhead();
        m_deck->readAhead(); // nothing changed: nothing to do
        QCOMPARE(takeLog(), (QStringList{u"open one"_s, u"prime one"_s}));
        m_deck->playClip("one");
        QCOMPARE(takeLog(), QStringList{u"play one"_s});

        // Rewritten after it was read: read again.
        m_next = "two";
        m_deck->readAhead();
        QTest::qWait(20); // a new modification time even on coarse clocks
        QVERIFY(writeClip(u"two"_s, "new"));
        takeLog();
        m_deck->playClip("two");
        QCOMPARE(takeLog(), (QStringList{u"end two"_s, u"open two"_s, u"stop one"_s, u"play two"_s,
                                         u"end one"_s}));

        // Its output went away after it was read ahead: read again.
        m_output->spent = true;
        m_next = "one";
        m_deck->readAhead();
        m_output->spent = false;
        takeLog();
        m_deck->playClip("one");
        QCOMPARE(takeLog().mid(0, 2), (QStringList{u"end one"_s, u"open one"_s}));
    }

    void nothingIsReadAheadAtTheEndOfAPass()
    {
        m_next.reset();
        m_deck->readAhead();
        QVERIFY(m_log.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ClipDeckTest)
#include "tst_clipdeck.moc"
