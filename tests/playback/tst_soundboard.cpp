#include "ClipCatalogue.h"
#include "Playlist.h"
#include "ResourceLocator.h"
#include "Soundboard.h"

#include "fakes/FakeClipOutput.h"
#include "fakes/ScriptedRandomSource.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace klonkel;
using namespace Qt::StringLiterals;

// The press, the appearance and the disappearance as the screen and the press tool run them,
// on a fake output, with every line and every request to the output in one log. (What a bad or
// missing clip does is the clip deck's, checked there and on a real sink.)
class SoundboardTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_clips;
    QStringList m_log;
    std::unique_ptr<Soundboard> m_board;

    QStringList takeLog(const QString &only = {})
    {
        return std::exchange(m_log, {}).filter(QRegularExpression(only));
    }
    static QString line(std::string_view text) { return u"line "_s + QString::fromUtf8(text); }
    QString clip(std::size_t position) const
    {
        return QString::fromStdString(m_board->playlist().clipNames().at(position));
    }
    QString playlistLine() const
    {
        QStringList quoted;
        for (std::size_t i = 0; i < m_board->playlist().clipNames().size(); ++i)
            quoted << u'"' + clip(i) + u'"';
        return line((u'[' + quoted.join(u", "_s) + u']').toStdString());
    }

private slots:
    void init()
    {
        // Empty files: the fake output never reads them, only the lookup needs them there.
        setResourceDirectory(m_clips.path());
        for (const std::string_view name : clipCatalogue)
            QVERIFY(QFile(m_clips.filePath(QString::fromUtf8(name) + u".m4a"_s))
                        .open(QIODevice::WriteOnly));
        m_log.clear();
        m_board = std::make_unique<Soundboard>(
            std::make_unique<ScriptedRandomSource>(), std::make_unique<FakeClipOutput>(m_log),
            [this](std::string_view text) { m_log << line(text); });
    }
    void cleanup() { m_board.reset(); }

    // A run's lines and sounds: the screen appears, is pressed, appears again (a new order, the
    // position kept) and goes.
    void aRunFromAppearingToDisappearing()
    {
        m_board->appear([this] { m_log << u"view"_s; });
        QCOMPARE(takeLog(),
                 (QStringList{line("ContentView appeared!"), u"view"_s, playlistLine()}));
        QVERIFY(clip(0) != u"ach_ja"_s || clip(1) != u"arschvoll_los"_s); // shuffled
        const QString first = clip(0);
        m_board->press([this] { m_log << u"view"_s; });
        QCOMPARE(takeLog(u"^(line|view|play)"_s),
                 (QStringList{line("button Tapped"), line("0"), line("264"), u"view"_s,
                              u"play "_s + first}));
        for (int press = 1; press < 5; ++press)
            m_board->press();
        const auto before = m_board->playlist().clipNames();
        takeLog();
        m_board->appear();
        QCOMPARE(takeLog(u"^line"_s), (QStringList{line("ContentView appeared!"), playlistLine()}));
        QVERIFY(m_board->playlist().clipNames() != before);
        m_board->press();
        QCOMPARE(takeLog(u"^(line|play) "_s), (QStringList{line("button Tapped"), line("5"),
                                                           line("264"), u"play "_s + clip(5)}));
        QCOMPARE(m_board->playlist().playIndex(), 6);
        m_board->disappear();
        QCOMPARE(takeLog(u"^(line|stop)"_s),
                 (QStringList{line("ContentView disappeared!"), u"stop "_s + clip(5)}));
    }

    void everyClipOncePerPassThenARewind()
    {
        m_board->appear();
        const auto firstOrder = m_board->playlist().clipNames();
        takeLog();
        QStringList played, expected;
        for (int press = 1; press <= 264; ++press) {
            m_board->press();
            played += takeLog(u"^play "_s);
            expected << u"play "_s + QString::fromStdString(firstOrder[std::size_t(press - 1)]);
        }
        QCOMPARE(played, expected);
        QCOMPARE(m_board->playlist().playIndex(), 264);

        // Press 265: both lines show 264, a new order is printed and its first clip plays.
        m_board->press();
        QVERIFY(m_board->playlist().clipNames() != firstOrder);
        QCOMPARE(takeLog(u"^(line|play) "_s),
                 (QStringList{line("button Tapped"), line("264"), line("264"), playlistLine(),
                              u"play "_s + clip(0)}));
        QCOMPARE(m_board->playlist().playIndex(), 1);
    }
};

QTEST_GUILESS_MAIN(SoundboardTest)
#include "tst_soundboard.moc"
