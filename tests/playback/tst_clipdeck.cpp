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
    // "play NAME", "stop", or "ahead NAME" (read ahead, "ahead" alone: nothing known next).
    void run(const QStringList &steps)
    {
        for (const QString &step : steps) {
            const QString verb = step.section(u' ', 0, 0), name = step.section(u' ', 1);
            if (verb == u"play")
                m_deck->playClip(name.toStdString());
            else if (verb == u"stop")
                m_deck->stopClip();
            else {
                m_next = name.isEmpty() ? std::nullopt : std::optional(name.toStdString());
                m_deck->readAhead();
            }
        }
    }

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

    void sequences_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("stop before any clip") << QStringList{u"stop"_s} << QStringList{};
        // Stopped before the new one starts, let go only after it has.
        QTest::newRow("a new clip cuts the sounding one off")
            << QStringList{u"play one"_s, u"play two"_s}
            << QStringList{u"open one"_s, u"play one"_s, u"open two"_s,
                           u"stop one"_s, u"play two"_s, u"end one"_s};
        QTest::newRow("a missing clip leaves the sounding one alone")
            << QStringList{u"play one"_s, u"play nowhere"_s}
            << QStringList{u"open one"_s, u"play one"_s};
        QTest::newRow("an unplayable clip: error, and the sounding one goes on")
            << QStringList{u"play one"_s, u"play broken"_s}
            << QStringList{u"open one"_s, u"play one"_s, u"open broken"_s, u"line error"_s};
        // Precomposed ö, as the file is named; then o + combining diaeresis, another name.
        QTest::newRow("names are looked up by their exact bytes")
            << QStringList{u"play k\u00f6nig"_s, u"play ko\u0308nig"_s}
            << QStringList{u"open könig"_s, u"play könig"_s};
        QTest::newRow("stopping keeps the player current")
            << QStringList{u"play one"_s, u"stop"_s, u"stop"_s}
            << QStringList{u"open one"_s, u"play one"_s, u"stop one"_s, u"stop one"_s};
        QTest::newRow("read ahead once, played from there")
            << QStringList{u"ahead one"_s, u"ahead one"_s, u"play one"_s}
            << QStringList{u"open one"_s, u"prime one"_s, u"play one"_s};
        QTest::newRow("nothing read ahead at the end of a pass")
            << QStringList{u"ahead"_s} << QStringList{};
    }
    void sequences()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, log);
        run(steps);
        QCOMPARE(m_log, log);
    }

    // A clip read ahead is played from there only while still good: not once rewritten, nor once
    // its output went away.
    void aClipReadAheadIsReadAgainWhenNoLongerGood()
    {
        run({u"play one"_s, u"ahead two"_s});
        QTest::qWait(20); // a new modification time even on coarse clocks
        QVERIFY(writeClip(u"two"_s, "new"));
        m_log.clear();
        run({u"play two"_s});
        QCOMPARE(m_log, (QStringList{u"end two"_s, u"open two"_s, u"stop one"_s, u"play two"_s,
                                     u"end one"_s}));
        m_output->spent = true;
        run({u"ahead one"_s});
        m_output->spent = false;
        m_log.clear();
        run({u"play one"_s});
        QCOMPARE(m_log.mid(0, 2), (QStringList{u"end one"_s, u"open one"_s}));
    }
};

QTEST_GUILESS_MAIN(ClipDeckTest)
#include "tst_clipdeck.moc"
