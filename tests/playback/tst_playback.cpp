#include "ClipDeck.h"
#include "ResourceLocator.h"
#include "SoundServerOutput.h"
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>
#include <numeric>
#include <optional>
#include <span>
#include <unistd.h>

using namespace klonkel;
using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype ms = 48;                   // samples per millisecond at 48 kHz
constexpr double sounding = 0.1, quiet = 0.01; // tone amplitudes; the test clips play at 0.5
constexpr double lowHz = 440;

using Samples = std::span<const qint16>;

// Records what the default sink plays (its monitor) as 48 kHz mono, so checks see what reached
// the speakers rather than what the code meant to send.
struct SinkRecording
{
    QProcess parec;
    QByteArray raw;
    ~SinkRecording() { parec.kill(), parec.waitForFinished(); }

    bool start()
    {
        parec.start(u"parec"_s, u"--device=@DEFAULT_MONITOR@ --raw --format=s16le --rate=48000 "
                                "--channels=1 --latency-msec=5"_s.split(u' '));
        return QTest::qWaitFor([this] { return mark() > 50 * ms; }, 5000);
    }
    qsizetype mark() // samples so far, read from the pipe now rather than when events next run
    {
        while (parec.waitForReadyRead(0))
            ;
        raw += parec.readAllStandardOutput();
        return raw.size() / 2;
    }
    // The recording up to `end`, once the sink has delivered that much: it runs behind.
    Samples samplesUntil(qsizetype end)
    {
        // Too short a recording fails the checks that read it.
        static_cast<void>(QTest::qWaitFor([&] { return mark() >= end; }, 5000));
        return {reinterpret_cast<const qint16 *>(raw.constData()), std::size_t(raw.size() / 2)};
    }
    // Whether the newest 20 ms recorded are silent: whatever sounded before has left the sink,
    // whose last few milliseconds come through after the stream that played them is gone.
    bool silentNow()
    {
        const Samples recorded = samplesUntil(0).last(std::min<std::size_t>(mark(), 20 * ms));
        const double energy =
            std::transform_reduce(recorded.begin(), recorded.end(), 0.0, std::plus{},
                                  [](qint16 x) { return double(x) * x; });
        return recorded.size() == 20 * ms && std::sqrt(energy / double(20 * ms)) < 32768 * quiet;
    }
};

// Strength of one frequency in a stretch of samples (Goertzel), as an amplitude from 0 to 1.
double toneLevel(Samples samples, qsizetype begin, qsizetype length, double hz)
{
    begin = std::max<qsizetype>(begin, 0);
    const qsizetype end = std::min<qsizetype>(begin + length, qsizetype(samples.size()));
    const double k = 2 * std::cos(2 * std::numbers::pi * hz / 48000);
    double s1 = 0, s2 = 0;
    for (qsizetype i = begin; i < end; ++i)
        s2 = std::exchange(s1, samples[std::size_t(i)] / 32768.0 + k * s1 - s2);
    return end > begin
               ? 2 * std::sqrt(std::max(s1 * s1 + s2 * s2 - k * s1 * s2, 0.0)) / double(end - begin)
               : 0;
}

qsizetype toneOnset(Samples samples, qsizetype from, double hz)
{
    for (qsizetype at = from; at + 5 * ms < qsizetype(samples.size()); at += ms / 2)
        if (toneLevel(samples, at, 5 * ms, hz) > sounding)
            return at;
    return -1;
}
} // namespace

// Clips played while another clip sounds: a file that does not open leaves the sounding clip
// alone, a good one of any format cuts it off at once.
class PlaybackTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    SinkRecording m_sink;
    QByteArray m_printed; // the deck's lines, as standard output would get them
    ClipDeck m_deck{std::make_unique<SoundServerOutput>(), [] { return std::nullopt; },
                    [this](std::string_view line) {
                        m_printed += QByteArray(line.data(), qsizetype(line.size())) + '\n';
                    }};

    QString clip(const char *name) const
    {
        return m_folder.filePath(QLatin1String(name) + u".m4a"_s);
    }

    bool write(const char *name, const QByteArray &bytes) const
    {
        QFile file(clip(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    bool encode(const char *name, const QString &source, const QString &options = u"-b:a 96k"_s)
    {
        const QString arguments = u"-v error -f lavfi -i %1 -c:a aac %2 %3"_s;
        return QProcess::execute(u"ffmpeg"_s,
                                 arguments.arg(source, options, clip(name)).split(u' ')) == 0;
    }

private slots:
    void initTestCase()
    {
        setResourceDirectory(m_folder.path());
        // Steady tones whose pitch tells on the recorded sink which clip is sounding.
        const QString tone = u"aevalsrc=0.5*sin(2*PI*%1*t):s=48000:d=3"_s;
        QVERIFY(encode("tone_low", tone.arg(lowHz)) && encode("tone_high", tone.arg(1760)));
        QFile low(clip("tone_low"));
        // Each kind of bad file is the decoder's to refuse; here one that it does, and a link
        // to nothing, which the lookup finds but nothing opens.
        QVERIFY(low.open(QIODevice::ReadOnly) && write("truncated", low.read(1200)));
        QVERIFY(QFile::link(m_folder.filePath(u"nowhere"_s), clip("dangling_link")));
        const QString sine = u"0.5*sin(2*PI*1000*t)"_s;
        QVERIFY(encode("mono_8k", u"aevalsrc=%1:s=8000:d=2"_s.arg(sine)));
        QVERIFY(encode("six_channels_96k", u"aevalsrc=%1|%1|%1|%1|%1|%1:s=96000:d=2"_s.arg(sine)));
        QVERIFY(encode("thirty_minutes", u"sine=frequency=1000:sample_rate=8000:duration=1800"_s,
                       u"-af volume=4 -b:a 12k"_s));
        QVERIFY2(m_sink.start(), "no sound server to record");
    }

    // Each case starts on a silent sink, or the last one's fading sound could pass for the first
    // clip's onset.
    void init()
    {
        m_deck.stopClip();
        QVERIFY2(QTest::qWaitFor([this] { return m_sink.silentNow(); }, 5000),
                 "the sink is not quiet");
    }

    void clipWhileAnotherSounds_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<double>("hz"); // the new clip's tone; 0 when the first one must go on
        for (const char *bad : {"truncated", "dangling_link"})
            QTest::newRow(bad) << QByteArray(bad) << QByteArray("error\n") << 0.0;
        QTest::newRow("another clip") << QByteArray("tone_high") << QByteArray() << 1760.0;
        QTest::newRow("8 kHz mono") << QByteArray("mono_8k") << QByteArray() << 1000.0;
        QTest::newRow("96 kHz, 6 channels")
            << QByteArray("six_channels_96k") << QByteArray() << 1000.0;
        QTest::newRow("30 minutes") << QByteArray("thirty_minutes") << QByteArray() << 1000.0;
    }

    void clipWhileAnotherSounds()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, output);
        QFETCH(double, hz);
        const qsizetype start = m_sink.mark();
        m_deck.playClip("tone_low");
        QVERIFY2(QTest::qWaitFor(
                     [&] { return toneOnset(m_sink.samplesUntil(0), start, lowHz) >= 0; }, 5000),
                 "the first clip did not sound");
        ClipPlayer *first = m_deck.audioPlayer();
        const qsizetype press = m_sink.mark();
        m_printed.clear();
        m_deck.playClip(name.toStdString());
        QCOMPARE(m_printed, output);
        QVERIFY(hz ? m_deck.audioPlayer() != first : m_deck.audioPlayer() == first);
        const Samples samples = m_sink.samplesUntil(press + 700 * ms);
        QVERIFY2(qsizetype(samples.size()) >= press + 700 * ms, "the recording fell behind");
        // Streamed, not decoded whole: about a second is held ahead of the server, under two
        // seconds of the largest clip here (96 kHz, 6 channels; the 30-minute one whole: 29 MB).
        QVERIFY(m_deck.audioPlayer()->pendingBytes() < 2 * 96000 * 6 * 2);
        m_deck.stopClip();
        if (!hz) {
            QVERIFY2(toneLevel(samples, press + 300 * ms, 300 * ms, lowHz) > sounding,
                     "the first clip stopped");
            return;
        }
        const qsizetype onset = toneOnset(samples, press, hz);
        QVERIFY2(onset >= 0, "the new clip did not sound");
        QVERIFY2(toneLevel(samples, onset + 5 * ms, 300 * ms, lowHz) < quiet,
                 "the first clip went on");
    }
};

QTEST_GUILESS_MAIN(PlaybackTest)
#include "tst_playback.moc"
