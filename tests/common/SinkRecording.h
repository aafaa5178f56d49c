#pragma once

#include <QProcess>

#include <vector>

// Records what the default sound sink plays (its monitor source) as 48 kHz mono samples,
// so tests check what really reached the speakers rather than what the code meant to send.
class SinkRecording
{
public:
    static constexpr int sampleRate = 48000;

    // Starts parec and waits until samples flow; false when there is no sound server.
    bool start();
    // Stops recording and returns everything recorded.
    std::vector<float> stop();
    // Samples recorded so far; a rough clock for marking when something happened.
    qsizetype samplesSoFar();

private:
    QProcess m_parec;
    QByteArray m_raw;
};

// Strength of one frequency in a window of samples (Goertzel), as an amplitude from 0 to 1.
double toneLevel(const std::vector<float> &samples, qsizetype begin, qsizetype length,
                 double frequency);

// First sample from `from` on whose absolute value exceeds threshold, or -1.
qsizetype firstSoundAt(const std::vector<float> &samples, qsizetype from, float threshold = 0.02f);
