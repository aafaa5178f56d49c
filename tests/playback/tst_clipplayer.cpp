#include "ClipCatalogue.h"
#include "ClipPlayer.h"
#include "ResourceLocator.h"
#include "SinkRecording.h"
#include "StdoutCapture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace klonkel;

namespace {

constexpr double lowHz = 440, highHz = 1760;
constexpr qsizetype ms = SinkRecording::sampleRate / 1000;
constexpr double sounding = 0.1, quiet = 0.01; // tone amplitudes; the test clips play at 0.5

// First sample from `from` on where a 5 ms window holds the tone.
qsizetype toneOnset(const std::vector<float> &samples, qsizetype from, double hz)
{
    for (qsizetype at = from; at + 5 * ms < qsizetype(samples.size()); at += ms / 2) {
        if (toneLevel(samples, at, 5 * ms, hz) > sounding)
            return at;
    }
    return -1;
}

} // namespace

class ClipPlayerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setResourceDirectory(QStringLiteral(KLONKEL_SOURCE_DIR "/tests/playback/data"));
    }

    // Must run first: nothing has played in this process yet.
    void stopBeforeAnyClipDoesNothing()
    {
        QByteArray output;
        {
            StdoutCapture capture;
            stopClip();
            output = capture.bytes();
        }
        QCOMPARE(output, QByteArray());
        QCOMPARE(audioPlayer(), nullptr);
    }

    void secondClipCutsTheFirstAtOnce()
    {
        SinkRecording recording;
        QVERIFY2(recording.start(), "no sound server to record");
        const qsizetype firstPress = recording.samplesSoFar();
        playClip("tone_low");
        QTest::qWait(400);
        const qsizetype secondPress = recording.samplesSoFar();
        playClip("tone_high");
        QTest::qWait(500);
        const std::vector<float> samples = recording.stop();

        const qsizetype lowStart = toneOnset(samples, firstPress, lowHz);
        const qsizetype highStart = toneOnset(samples, secondPress, highHz);
        QVERIFY(lowStart >= 0 && highStart > lowStart);
        QVERIFY2(toneLevel(samples, highStart - 60 * ms, 50 * ms, lowHz) > sounding,
                 "first clip was not sounding");
        // From 5 ms after the new clip starts, nothing of the old one is left.
        QVERIFY2(toneLevel(samples, highStart + 5 * ms, 300 * ms, lowHz) < quiet,
                 "first clip went on");
        QVERIFY(toneLevel(samples, highStart + 5 * ms, 300 * ms, highHz) > sounding);
    }

    void missingClipIsIgnoredAndUnreadableOneWritesError_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("output");
        QTest::newRow("missing") << QByteArray("no_such_clip") << QByteArray();
        QTest::newRow("not audio") << QByteArray("not_audio") << QByteArray("error\n");
    }

    void missingClipIsIgnoredAndUnreadableOneWritesError()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, output);
        SinkRecording recording;
        QVERIFY2(recording.start(), "no sound server to record");
        playClip("tone_low");
        ClipPlayer *sounding_ = audioPlayer();
        QTest::qWait(300);
        const qsizetype badPress = recording.samplesSoFar();
        QByteArray written;
        {
            StdoutCapture capture;
            playClip(name.toStdString());
            written = capture.bytes();
        }
        QCOMPARE(written, output);
        QCOMPARE(audioPlayer(), sounding_);
        QTest::qWait(500);
        const std::vector<float> samples = recording.stop();
        // The low tone plays on, unbroken, well past the failed press.
        QVERIFY(toneLevel(samples, badPress + 100 * ms, 300 * ms, lowHz) > sounding);
        stopClip();
    }

    void stopSilencesTheSinkAndIsHarmlessTwice()
    {
        SinkRecording recording;
        QVERIFY2(recording.start(), "no sound server to record");
        playClip("tone_high");
        QTest::qWait(300);
        stopClip();
        const qsizetype stopped = recording.samplesSoFar();
        QTest::qWait(400);
        stopClip();
        const std::vector<float> samples = recording.stop();
        QVERIFY(toneOnset(samples, 0, highHz) >= 0);
        QCOMPARE(firstSoundAt(samples, stopped + 100 * ms, 0.001f), -1);
    }

    // The next clip is read ahead; replacing its file before the press must play the new file.
    void clipChangedAfterReadAheadIsReadAgain()
    {
        QTemporaryDir folder;
        const QString data = QStringLiteral(KLONKEL_SOURCE_DIR "/tests/playback/data/");
        const std::string &next = clipNames()[std::size_t(playIndex)];
        const QString clip = folder.filePath(QString::fromStdString(next) + QStringLiteral(".m4a"));
        QVERIFY(QFile::copy(data + QStringLiteral("tone_low.m4a"), clip));
        setResourceDirectory(folder.path());
        prepareNextClip();
        QVERIFY(QFile::remove(clip));
        QVERIFY(QFile::copy(data + QStringLiteral("tone_high.m4a"), clip));

        SinkRecording recording;
        QVERIFY2(recording.start(), "no sound server to record");
        const qsizetype press = recording.samplesSoFar();
        playClip(next);
        QTest::qWait(400);
        const std::vector<float> samples = recording.stop();
        stopClip();
        initTestCase();
        const qsizetype start = toneOnset(samples, press, highHz);
        QVERIFY2(start >= 0, "the replaced file did not play");
        QVERIFY(toneLevel(samples, start, 200 * ms, lowHz) < quiet);
    }
};

QTEST_GUILESS_MAIN(ClipPlayerTest)
#include "tst_clipplayer.moc"
