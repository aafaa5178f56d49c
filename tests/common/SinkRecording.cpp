#include "SinkRecording.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

bool SinkRecording::start()
{
    m_raw.clear();
    m_parec.setProgram(QStringLiteral("parec"));
    m_parec.setArguments({QStringLiteral("--device=@DEFAULT_MONITOR@"), QStringLiteral("--raw"),
                          QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                          QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
    m_parec.start();
    if (!m_parec.waitForStarted(5000))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (samplesSoFar() < sampleRate / 20) { // 50 ms of (silent) sink output
        if (m_parec.state() != QProcess::Running || waited.elapsed() > 5000)
            return false;
        m_parec.waitForReadyRead(100);
    }
    return true;
}

qsizetype SinkRecording::samplesSoFar()
{
    m_raw += m_parec.readAllStandardOutput();
    return m_raw.size() / 2;
}

std::vector<float> SinkRecording::stop()
{
    samplesSoFar();
    m_parec.terminate();
    m_parec.waitForFinished(5000);
    m_raw += m_parec.readAllStandardOutput();
    std::vector<float> samples(static_cast<std::size_t>(m_raw.size() / 2));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::int16_t value;
        std::memcpy(&value, m_raw.constData() + 2 * i, 2);
        samples[i] = value / 32768.0f;
    }
    return samples;
}

double toneLevel(const std::vector<float> &samples, qsizetype begin, qsizetype length,
                 double frequency)
{
    begin = std::max<qsizetype>(begin, 0);
    const qsizetype end = std::min<qsizetype>(begin + length, qsizetype(samples.size()));
    if (end <= begin)
        return 0.0;
    const double coefficient =
        2.0 * std::cos(2.0 * std::numbers::pi * frequency / SinkRecording::sampleRate);
    double previous = 0.0, beforePrevious = 0.0;
    for (qsizetype i = begin; i < end; ++i) {
        const double current = samples[std::size_t(i)] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / double(end - begin);
}

qsizetype firstSoundAt(const std::vector<float> &samples, qsizetype from, float threshold)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < qsizetype(samples.size()); ++i) {
        if (std::fabs(samples[std::size_t(i)]) > threshold)
            return i;
    }
    return -1;
}
