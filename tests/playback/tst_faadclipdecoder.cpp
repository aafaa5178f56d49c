#include "FaadClipDecoder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

using namespace klonkel;

namespace {

struct Decoded
{
    ClipDecoder::Opened opened;
    QByteArray pcm;
};

Decoded decodeWhole(const QString &path)
{
    Decoded result{FaadClipDecoder::open(path), {}};
    while (result.opened.decoder && !result.opened.decoder->finished())
        result.opened.decoder->decodeInto(result.pcm, 256 * 1024);
    return result;
}

bool ffmpeg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{"-nostdin", "-v", "error", "-y"} + arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A copy of `source` with `patch` written at the given distance from the first `box` type.
QByteArray patched(const QString &source, const QByteArray &box, qsizetype from,
                   const QByteArray &patch)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf(box);
    if (at >= 0)
        bytes.replace(at + from, patch.size(), patch);
    return bytes;
}

// Where ffmpeg puts each speaker of AAC's layouts in its interleaved output.
int ffmpegChannel(SpeakerPosition position)
{
    switch (position) {
    case SpeakerPosition::Mono:
    case SpeakerPosition::FrontLeft:
        return 0;
    case SpeakerPosition::FrontRight:
        return 1;
    case SpeakerPosition::FrontCenter:
        return 2;
    case SpeakerPosition::Lfe:
        return 3;
    case SpeakerPosition::SideLeft:
    case SpeakerPosition::RearLeft:
        return 4;
    case SpeakerPosition::SideRight:
    case SpeakerPosition::RearRight:
        return 5;
    default:
        return 6;
    }
}

const QString sourceDir = QStringLiteral(KLONKEL_SOURCE_DIR);

} // namespace

// The clip decoder from outside: what opens and what fails at once, and what it decodes beside
// ffmpeg's own decoding of the same file.
class FaadClipDecoderTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    bool write(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    bool tone(const QString &name, const QString &source, const QStringList &codec)
    {
        return ffmpeg(QStringList{"-f", "lavfi", "-i", source} + codec + QStringList{path(name)});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString clip = sourceDir + "/resources/achso.m4a";
        QFile original(clip);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray whole = original.readAll();
        QVERIFY(write("empty.m4a", {}));
        QVERIFY(write("truncated.m4a", whole.first(1200)));
        QByteArray noise(4096, 0);
        std::generate(noise.begin(), noise.end(),
                      [n = 12345u]() mutable { return char((n = n * 1103515245 + 12345) >> 16); });
        QVERIFY(write("noise.m4a", noise));
        QVERIFY(write("text.m4a", "ftyp? no, just words about a clip\n"));
        QVERIFY(QFile::copy(sourceDir + "/resources/Pellmor.png", path("picture.m4a")));
        QVERIFY(QDir(m_dir.path()).mkdir("folder.m4a"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.m4a")).constData(), 0600), 0);
        QVERIFY(QFile::copy(clip, path("unreadable.m4a")));
        QVERIFY(QFile::setPermissions(path("unreadable.m4a"), {}));
        QVERIFY(QFile::link(path("nowhere"), path("dangling.m4a")));
        // The media box made 4 KiB longer than the track that holds it.
        const qint32 mdia = qFromBigEndian<qint32>(whole.constData() + whole.indexOf("mdia") - 4);
        QByteArray longer(4, 0);
        qToBigEndian<qint32>(mdia + 4096, longer.data());
        QVERIFY(write("box-past-parent.m4a", patched(clip, "mdia", -4, longer)));
        // Two million frame sizes claimed by a table of 100 bytes.
        QVERIFY(
            write("millions.m4a", patched(clip, "stsz", 12, QByteArray("\x00\x1e\x84\x80", 4))));

        const QString sine = "sine=frequency=440:sample_rate=%1:duration=%2";
        // Without noise substitution, so that two decoders agree sample by sample.
        const QStringList aac{"-c:a", "aac", "-aac_pns", "0"};
        QVERIFY(tone("fragmented.m4a", sine.arg(48000).arg(1),
                     {"-c:a", "aac", "-movflags", "frag_keyframe+empty_moov"}));
        QVERIFY(tone("video-only.mp4", "color=size=32x32:duration=0.2", {"-c:v", "mpeg4"}));
        QVERIFY(tone("alac.m4a", sine.arg(16000).arg(1), {"-c:a", "alac"}));
        QVERIFY(tone("mp3.mp4", sine.arg(22050).arg(1), {"-c:a", "libmp3lame", "-f", "mp4"}));
        QVERIFY(tone("mono-8k.m4a", sine.arg(8000).arg(2), aac));
        QVERIFY(tone("surround-96k.m4a",
                     "aevalsrc=0.5*sin(2*PI*1000*t)|0.4*sin(2*PI*500*t)|0.3*sin(2*PI*700*t)|"
                     "0.2*sin(2*PI*60*t)|0.3*sin(2*PI*250*t)|0.1*sin(2*PI*900*t):s=96000:d=2",
                     aac));
        QVERIFY(tone("three-minutes.m4a", sine.arg(48000).arg(180), aac));
    }

    void opensOnlyWhatDecodes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason"); // part of the failure; empty: it opens
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        const auto fails = [](const char *file, const char *reason) {
            QTest::newRow(file) << QString(file) << QString(reason) << 0 << 0;
        };
        fails("empty.m4a", "empty");
        fails("truncated.m4a", "cut short");
        fails("noise.m4a", "not an MPEG-4 file");
        fails("text.m4a", "not an MPEG-4 file");
        fails("picture.m4a", "not an MPEG-4 file");
        fails("folder.m4a", "not a regular file");
        fails("fifo.m4a", "not a regular file"); // and at once: a blocked open hangs the test
        if (::geteuid() != 0)                    // root reads it anyway
            fails("unreadable.m4a", "cannot open");
        fails("dangling.m4a", "cannot open");
        fails("box-past-parent.m4a", "mdia box runs past its parent");
        fails("millions.m4a", "size table claims more entries");
        fails("fragmented.m4a", "fragmented");
        fails("video-only.mp4", "no audio track");
        fails("alac.m4a", "alac, not AAC");
        fails("mp3.mp4", "MP3, not AAC");
        QTest::newRow("mono-8k") << QString("mono-8k.m4a") << QString() << 8000 << 1;
        QTest::newRow("surround-96k") << QString("surround-96k.m4a") << QString() << 96000 << 6;
    }

    void opensOnlyWhatDecodes()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        const ClipDecoder::Opened opened = FaadClipDecoder::open(path(file));
        if (!reason.isEmpty()) {
            QVERIFY(!opened.decoder);
            QVERIFY2(QString::fromStdString(opened.failure).contains(reason),
                     opened.failure.c_str());
            return;
        }
        QVERIFY2(opened.decoder, opened.failure.c_str());
        QFETCH(int, rate);
        QFETCH(int, channels);
        QCOMPARE(opened.decoder->format().sampleRate, rate);
        QCOMPARE(opened.decoder->format().channelCount, channels);
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
        QStringList arguments, noiseFree;
        for (int i = 0; i < catalogue.size(); ++i) {
            catalogue[i] = sourceDir + "/resources/" + catalogue[i];
            arguments << "-i" << catalogue[i];
            noiseFree << path(QString("plain-%1.m4a").arg(i));
        }
        for (int i = 0; i < catalogue.size(); ++i)
            arguments << "-map" << QString("%1:a").arg(i) << "-c:a"
                      << "aac"
                      << "-aac_pns"
                      << "0" << noiseFree[i];
        QVERIFY(ffmpeg(arguments));
        noiseFree << path("mono-8k.m4a") << path("surround-96k.m4a") << path("three-minutes.m4a");
        const QStringList clips = catalogue + noiseFree;
        arguments.clear();
        for (const QString &clip : clips)
            arguments << "-i" << clip;
        for (int i = 0; i < clips.size(); ++i)
            arguments << "-map" << QString("%1:a").arg(i) << "-f"
                      << "s16le" << path(QString::number(i));
        QVERIFY(ffmpeg(arguments));

        double lowestSnr = INFINITY, widestEnergyGap = 0;
        for (int i = 0; i < clips.size(); ++i) {
            const Decoded ours = decodeWhole(clips[i]);
            QVERIFY2(ours.opened.decoder, qPrintable(clips[i]));
            const PcmFormat &format = ours.opened.decoder->format();
            QFile reference(path(QString::number(i)));
            QVERIFY(reference.open(QIODevice::ReadOnly));
            const QByteArray theirs = reference.readAll();
            QVERIFY2(ours.pcm.size() == theirs.size(),
                     qPrintable(QString("%1: %2 sample frames, ffmpeg %3")
                                    .arg(clips[i])
                                    .arg(ours.pcm.size() / format.bytesPerFrame())
                                    .arg(theirs.size() / format.bytesPerFrame())));
            const auto *a = reinterpret_cast<const qint16 *>(ours.pcm.constData());
            const auto *b = reinterpret_cast<const qint16 *>(theirs.constData());
            const int n = format.channelCount;
            const qsizetype frames = ours.pcm.size() / format.bytesPerFrame();
            for (int c = 0; c < n; ++c) {
                const int theirChannel = ffmpegChannel(format.positions[std::size_t(c)]);
                QVERIFY(theirChannel < n);
                double signal = 0, noise = 0, blockOurs = 0, blockTheirs = 0;
                for (qsizetype f = 0; f < frames; ++f) {
                    const double x = b[f * n + theirChannel], y = a[f * n + c];
                    signal += x * x;
                    noise += (y - x) * (y - x);
                    blockOurs += y * y;
                    blockTheirs += x * x;
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
