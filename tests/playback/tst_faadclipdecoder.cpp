#include "FaadClipDecoder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <unistd.h>

using namespace klonkel;

namespace {

bool ffmpeg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-nostdin", "-v", "error", "-y"} + arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Where ffmpeg puts each speaker, in SpeakerPosition's order (mono; front left, right and
// centre; LFE; side left and right; rear left, right and centre), in its interleaved output.
constexpr int ffmpegChannel[] = {0, 0, 1, 2, 3, 4, 5, 4, 5, 6};

const QString sourceDir = QStringLiteral(KLONKEL_SOURCE_DIR);
// Without noise substitution, so that two decoders agree sample by sample.
const QStringList aac{"-c:a", "aac", "-aac_pns", "0"};

} // namespace

// The clip decoder from outside: what opens and what fails at once, and what it decodes beside
// ffmpeg's own decoding of the same file.
class FaadClipDecoderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(
            QProcess::execute(sourceDir + "/tests/playback/make-clip-files.sh", {m_dir.path()}), 0);
    }

    void opensOnlyWhatDecodes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason"); // part of the failure; empty: it opens
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        for (const auto &[file, reason] :
             std::initializer_list<std::pair<const char *, const char *>>{
                 {"empty.m4a", "empty"},
                 {"truncated.m4a", "cut short"},
                 {"noise.m4a", "not an MPEG-4 file"},
                 {"text.m4a", "not an MPEG-4 file"},
                 {"picture.m4a", "not an MPEG-4 file"},
                 {"folder.m4a", "not a regular file"},
                 {"fifo.m4a", "not a regular file"}, // and at once: a blocked open hangs the test
                 {"unreadable.m4a", "cannot open"},
                 {"dangling.m4a", "cannot open"},
                 {"box-past-parent.m4a", "mdia box runs past its parent"},
                 {"millions.m4a", "size table claims more entries"},
                 {"fragmented.m4a", "fragmented"},
                 {"video-only.mp4", "no audio track"},
                 {"alac.m4a", "alac, not AAC"},
                 {"mp3.mp4", "MP3, not AAC"}}) {
            if (QByteArray(file) != "unreadable.m4a" || ::geteuid() != 0) // root reads it anyway
                QTest::newRow(file) << QString(file) << QString(reason) << 0 << 0;
        }
        QTest::newRow("mono-8k") << QString("mono-8k.m4a") << QString() << 8000 << 1;
        QTest::newRow("surround-96k") << QString("surround-96k.m4a") << QString() << 96000 << 6;
    }
    void opensOnlyWhatDecodes()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QFETCH(int, rate);
        QFETCH(int, channels);
        const ClipDecoder::Opened opened = FaadClipDecoder::open(path(file));
        QVERIFY2(bool(opened.decoder) == reason.isEmpty(), opened.failure.c_str());
        if (opened.decoder) {
            QCOMPARE(opened.decoder->format().sampleRate, rate);
            QCOMPARE(opened.decoder->format().channelCount, channels);
        } else {
            QVERIFY2(QString::fromStdString(opened.failure).contains(reason),
                     opened.failure.c_str());
        }
    }

    // Every catalogue clip and the generated ones against ffmpeg's decoding of them (one ffmpeg
    // run decodes all): the same sample frames, the edit list honoured alike. ffmpeg's encoder
    // fills quiet bands with noise substitution, which each decoder draws at random; so the clips
    // as they are match frame by frame in energy (the noise drawn differs by up to 3.5 dB in a
    // quiet frame, a frame out of step by 15 dB and more), and sample by sample once encoded
    // without it.
    void decodesAsFfmpegDoes()
    {
        QStringList catalogue = QDir(sourceDir + "/resources").entryList({"*.m4a"}, QDir::Files);
        QVERIFY(catalogue.size() > 200);
        QStringList reencode, noiseFree, decode;
        for (int i = 0; i < catalogue.size(); ++i) {
            catalogue[i] = sourceDir + "/resources/" + catalogue[i];
            noiseFree << path(QString("plain-%1.m4a").arg(i));
            reencode << "-i" << catalogue[i];
        }
        for (int i = 0; i < catalogue.size(); ++i)
            reencode << "-map" << QString("%1:a").arg(i) << aac << noiseFree[i];
        QVERIFY(ffmpeg(reencode));
        noiseFree << path("mono-8k.m4a") << path("surround-96k.m4a") << path("three-minutes.m4a");
        const QStringList clips = catalogue + noiseFree;
        for (const QString &clip : clips)
            decode << "-i" << clip;
        for (int i = 0; i < clips.size(); ++i)
            decode << "-map" << QString("%1:a").arg(i) << QStringList{"-f", "s16le"}
                   << path(QString::number(i));
        QVERIFY(ffmpeg(decode));

        double lowestSnr = INFINITY, widestEnergyGap = 0;
        for (int i = 0; i < clips.size(); ++i) {
            const ClipDecoder::Opened opened = FaadClipDecoder::open(clips[i]);
            QVERIFY2(opened.decoder, qPrintable(clips[i]));
            QByteArray ours;
            while (!opened.decoder->finished())
                opened.decoder->decodeInto(ours, 256 * 1024);
            QFile reference(path(QString::number(i)));
            QVERIFY(reference.open(QIODevice::ReadOnly));
            const QByteArray theirs = reference.readAll();
            const PcmFormat &format = opened.decoder->format();
            const int n = format.channelCount;
            QVERIFY2(ours.size() == theirs.size(),
                     qPrintable(QString("%1: %2 sample frames, ffmpeg %3")
                                    .arg(clips[i])
                                    .arg(ours.size() / format.bytesPerFrame())
                                    .arg(theirs.size() / format.bytesPerFrame())));
            const auto *a = reinterpret_cast<const qint16 *>(ours.constData());
            const auto *b = reinterpret_cast<const qint16 *>(theirs.constData());
            for (int c = 0; c < n; ++c) {
                const int their = ffmpegChannel[int(format.positions[std::size_t(c)])];
                QVERIFY(their < n);
                double signal = 0, noise = 0, blockOurs = 0, blockTheirs = 0;
                for (qsizetype f = 0; f < ours.size() / format.bytesPerFrame(); ++f) {
                    const double x = b[f * n + their], y = a[f * n + c];
                    signal += x * x, noise += (y - x) * (y - x);
                    blockOurs += y * y, blockTheirs += x * x;
                    // Blocks of one AAC frame, where they are loud enough to measure.
                    if (f % 1024 == 1023) {
                        if (blockTheirs > 1024 * 100)
                            widestEnergyGap =
                                std::max(widestEnergyGap,
                                         std::abs(10 * std::log10(blockOurs / blockTheirs)));
                        blockOurs = blockTheirs = 0;
                    }
                }
                if (i >= catalogue.size())
                    lowestSnr = std::min(lowestSnr, 10 * std::log10(signal / std::max(noise, 1.0)));
            }
        }
        qInfo("lowest SNR against ffmpeg without noise substitution: %.1f dB; widest gap in a "
              "frame's energy: %.2f dB",
              lowestSnr, widestEnergyGap);
        QVERIFY(lowestSnr >= 70);
        QVERIFY(widestEnergyGap < 6);
    }
};

QTEST_GUILESS_MAIN(FaadClipDecoderTest)
#include "tst_faadclipdecoder.moc"
