#pragma once

#include "PulseHandles.h"
#include "SoundServer.h"

#include <cstdint>
#include <vector>

// The least press-to-sound a client of the sound server can get, for the benchmarks to set
// beside the player: one stream kept running, fed with silence at the player's smallest buffer
// sizes, over which each `sound()` writes a tone from where the server reads next. No player
// could work like this: the output never sleeps and the program wakes every few milliseconds
// while idle. It shows what the server and the measurement themselves take.
class ToneStream
{
public:
    ToneStream();
    ~ToneStream();
    ToneStream(const ToneStream &) = delete;
    ToneStream &operator=(const ToneStream &) = delete;

    bool isConnected() const { return bool(m_stream); }
    void sound();

private:
    klonkel::SoundServer m_server;
    std::vector<int16_t> m_tone;
    klonkel::pulse::StreamPtr m_stream;
};
