#include "ClipPlayer.h"
#include "ResourceLocator.h"
#include "SinkRecording.h"
#include "StdoutCapture.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace klonkel;

namespace {

constexpr qsizetype ms = SinkRecording::sampleRate / 1000;

bool encodeTone(const QString &path, const QString &source, const QStringList &output)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                             QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                             source} +
                     output + QStringList{path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0;
}

} // namespace

// Each bad file stands in for a clip; none may crash, hang or lose the clip that is sounding.
class BadClipsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    QString clipPath(const char *name) const
    {
        return m_folder.filePath(QString::fromLatin1(name) + QStringLiteral(".m4a"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        setResourceDirectory(m_folder.path());
        const QString data = QStringLiteral(KLONKEL_SOURCE_DIR "/tests/playback/data/");
        QVERIFY(QFile::copy(data + QStringLiteral("tone_low.m4a"), clipPath("good")));

        QFile(clipPath("zero_bytes")).open(QIODevice::WriteOnly);
        QFile source(data + QStringLiteral("tone_low.m4a"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray whole = source.readAll();
        QFile truncated(clipPath("truncated"));
        QVERIFY(truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.left(1200));
        truncated.close();
        QFile random(clipPath("random_bytes"));
        QVERIFY(random.open(QIODevice::WriteOnly));
        QRandomGenerator generator(20261206);
        for (int i = 0; i < 4096; ++i)
            random.putChar(char(generator.bounded(256)));
        random.close();
        QFile text(clipPath("text"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("ftyp? no, just words about a clip\n");
        text.close();
        QVERIFY(QFile::copy(QStringLiteral(KLONKEL_SOURCE_DIR "/resources/Pellmor.png"),
                            clipPath("picture")));
        QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("folder.m4a")));
        QVERIFY(QFile::copy(clipPath("good"), clipPath("unreadable")));
        QVERIFY(QFile::setPermissions(clipPath("unreadable"), QFileDevice::WriteOwner));
        QVERIFY(
            QFile::link(m_folder.filePath(QStringLiteral("nowhere")), clipPath("dangling_link")));

        const QString tone = QStringLiteral(
            "aevalsrc=0.5*sin(2*PI*1000*t)|0.5*sin(2*PI*1000*t)|0.5*sin(2*PI*1000*t)|0.5*sin(2*PI*"
            "1000*t)|0.5*sin(2*PI*1000*t)|0.5*sin(2*PI*1000*t):s=96000:d=2");
        QVERIFY(encodeTone(clipPath("six_channels_96k"), tone,
                           {QStringLiteral("-c:a"), QStringLiteral("aac")}));
        QVERIFY(encodeTone(clipPath("mono_8k"),
                           QStringLiteral("aevalsrc=0.5*sin(2*PI*1000*t):s=8000:d=2"),
                           {QStringLiteral("-c:a"), QStringLiteral("aac")}));
        QVERIFY(
            encodeTone(clipPath("thirty_minutes"),
                       QStringLiteral("sine=frequency=1000:sample_rate=8000:duration=1800"),
                       {QStringLiteral("-af"), QStringLiteral("volume=4"), QStringLiteral("-c:a"),
                        QStringLiteral("aac"), QStringLiteral("-b:a"), QStringLiteral("12k")}));
    }

    void undecodableFilesWriteErrorAndKeepTheClipSounding_data()
    {
        QTest::addColumn<QByteArray>("name");
        for (const char *name : {"zero_bytes", "truncated", "random_bytes", "text", "picture",
                                 "folder", "unreadable", "dangling_link"})
            QTest::newRow(name) << QByteArray(name);
    }

    void undecodableFilesWriteErrorAndKeepTheClipSounding()
    {
        QFETCH(QByteArray, name);
        if (name == "unreadable" && ::geteuid() == 0)
            QSKIP("root reads files without read permission");
        playClip("good");
        ClipPlayer *sounding = audioPlayer();
        QVERIFY(sounding && sounding->isFeeding());
        QByteArray output;
        {
            StdoutCapture capture;
            playClip(name.toStdString());
            output = capture.bytes();
        }
        QCOMPARE(output, QByteArray("error\n"));
        QCOMPARE(audioPlayer(), sounding);
        QVERIFY(sounding->isFeeding());
        stopClip();
    }

    void unusualButValidClipsPlay_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("8 kHz mono") << QByteArray("mono_8k");
        QTest::newRow("96 kHz, 6 channels") << QByteArray("six_channels_96k");
        QTest::newRow("30 minutes") << QByteArray("thirty_minutes");
    }

    void unusualButValidClipsPlay()
    {
        QFETCH(QByteArray, name);
        SinkRecording recording;
        QVERIFY2(recording.start(), "no sound server to record");
        const qsizetype press = recording.samplesSoFar();
        QByteArray output;
        {
            StdoutCapture capture;
            playClip(name.toStdString());
            output = capture.bytes();
        }
        QCOMPARE(output, QByteArray());
        QVERIFY(audioPlayer() && audioPlayer()->isFeeding());
        // Streamed, not decoded whole: a second of PCM at most is held ahead of the server.
        QVERIFY(audioPlayer()->pendingBytes() < 48000 * 4);
        QTest::qWait(400);
        const std::vector<float> samples = recording.stop();
        stopClip();
        QVERIFY2(toneLevel(samples, press, 400 * ms, 1000) > 0.1, "the clip did not sound");
    }
};

QTEST_GUILESS_MAIN(BadClipsTest)
#include "tst_badclips.moc"
