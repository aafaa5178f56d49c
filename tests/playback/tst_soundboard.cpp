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
// on a fake output, with every line and every request to the output in one log.
class SoundboardTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_clips;
    QStringList m_log;
    std::unique_ptr<Soundboard> m_board;

    QStringList takeLog() { return std::exchange(m_log, {}); }
    static QString line(std::string_view text) { return u"line "_s + QString::fromUtf8(text); }
    QString playlistLine() const
    {
        QStringList quoted;
        for (const std::string &name : m_board->playlist().clipNames())
            quoted << u'"' + QString::fromStdString(name) + u'"';
        return line(u"["_s.toStdString() + quoted.join(u", "_s).toStdString() + "]");
    }
    QString clipFile(std::size_t position) const
    {
        const std::string &name = m_board->playlist().clipNames().at(position);
        return m_clips.filePath(QString::fromStdString(name) + u".m4a"_s);
    }

private slots:
    void init()
    {
        // Empty files: the fake output never reads them, only the lookup needs them there.
        setResourceDirectory(m_clips.path());
        for (const std::string_view name : clipCatalogue) {
            QFile file(m_clips.filePath(QString::fromUtf8(name.data(), qsizetype(name.size())) +
                                        u".m4a"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        m_log.clear();
        m_board = std::make_unique<Soundboard>(
            std::make_unique<ScriptedRandomSource>(), std::make_unique<FakeClipOutput>(m_log),
            [this](std::string_view text) { m_log << line(text); });
    }
    void cleanup() { m_board.reset(); }

    void firstPressAfterAppearing()
    {
        m_board->appear([this] { m_log << u"view"_s; });
        QCOMPARE(takeLog(),
                 (QStringList{line("ContentView appeared!"), u"view"_s, playlistLine()}));
        const QString first = QString::fromStdString(m_board->playlist().clipNames().front());
        QVERIFY(first != u"ach_ja"_s || m_board->playlist().clipNames()[1] != "arschvoll_los");

        m_board->press([this] { m_log << u"view"_s; });
        QCOMPARE(takeLog(), (QStringList{line("button Tapped"), line("0"), line("264"), u"view"_s,
                                         u"open "_s + first, u"play "_s + first}));
        QCOMPARE(m_board->playlist().playIndex(), 1);
    }

    void theNextClipIsReadAheadAndPlayedFromThere()
    {
        m_board->appear();
        const QString first = QString::fromStdString(m_board->playlist().clipNames()[0]);
        const QString second = QString::fromStdString(m_board->playlist().clipNames()[1]);
        const QRegularExpression readingFirst(u"^(open|prime) "_s +
                                              QRegularExpression::escape(first) + u'$');
        QTRY_COMPARE(m_log.filter(readingFirst),
                     (QStringList{u"open "_s + first, u"prime "_s + first}));
        takeLog();
        m_board->press();
        QVERIFY(takeLog().contains(u"play "_s + first));
        QTRY_VERIFY(m_log.contains(u"prime "_s + second));
        takeLog();
        m_board->press();
        const QStringList log = takeLog();
        QVERIFY2(!log.contains(u"open "_s + second) && log.contains(u"play "_s + second),
                 qPrintable(log.join(u", "_s)));
    }

    void everyClipOncePerPassThenARewind()
    {
        m_board->appear();
        const auto firstOrder = m_board->playlist().clipNames();
        takeLog();
        QStringList played;
        for (int press = 1; press <= 264; ++press) {
            m_board->press();
            played += takeLog().filter(QRegularExpression(u"^play "_s));
        }
        QCOMPARE(played.size(), 264);
        for (std::size_t i = 0; i < firstOrder.size(); ++i)
            QCOMPARE(played[qsizetype(i)], u"play "_s + QString::fromStdString(firstOrder[i]));
        QCOMPARE(m_board->playlist().playIndex(), 264);

        // Press 265: both lines show 264, a new order is printed and its first clip plays.
        m_board->press();
        const QStringList log = takeLog();
        const auto &newOrder = m_board->playlist().clipNames();
        QVERIFY(newOrder != firstOrder);
        QCOMPARE(log.mid(0, 4),
                 (QStringList{line("button Tapped"), line("264"), line("264"), playlistLine()}));
        QCOMPARE(log.filter(QRegularExpression(u"^play "_s)),
                 QStringList{u"play "_s + QString::fromStdString(newOrder.front())});
        QCOMPARE(m_board->playlist().playIndex(), 1);
    }

    void appearingAgainReshufflesAndKeepsThePosition()
    {
        m_board->appear();
        for (int press = 0; press < 5; ++press)
            m_board->press();
        const auto before = m_board->playlist().clipNames();
        takeLog();
        m_board->appear();
        QCOMPARE(takeLog().mid(0, 2), (QStringList{line("ContentView appeared!"), playlistLine()}));
        QVERIFY(m_board->playlist().clipNames() != before);
        QCOMPARE(m_board->playlist().playIndex(), 5);
        m_board->press();
        const QString sixth = QString::fromStdString(m_board->playlist().clipNames()[5]);
        QCOMPARE(takeLog().filter(QRegularExpression(u"^(line|play) "_s)),
                 (QStringList{line("button Tapped"), line("5"), line("264"), u"play "_s + sixth}));
        QCOMPARE(m_board->playlist().playIndex(), 6);
    }

    void missingAndUnplayableClipsStillMoveOn()
    {
        m_board->appear();
        QVERIFY(QFile::remove(clipFile(0)));
        QFile unplayable(clipFile(1));
        QVERIFY(unplayable.open(QIODevice::WriteOnly) && unplayable.write("unplayable") > 0);
        unplayable.close();
        takeLog();
        m_board->press();
        m_board->press();
        QCOMPARE(takeLog().filter(QRegularExpression(u"^(line|play) "_s)),
                 (QStringList{line("button Tapped"), line("0"), line("264"), line("button Tapped"),
                              line("1"), line("264"), line("error")}));
        QCOMPARE(m_board->playlist().playIndex(), 2);
    }

    void disappearingStopsTheSound()
    {
        m_board->appear();
        m_board->press();
        const QString first = QString::fromStdString(m_board->playlist().clipNames().front());
        takeLog();
        m_board->disappear();
        QCOMPARE(takeLog().mid(0, 2),
                 (QStringList{line("ContentView disappeared!"), u"stop "_s + first}));
    }
};

QTEST_GUILESS_MAIN(SoundboardTest)
#include "tst_soundboard.moc"
