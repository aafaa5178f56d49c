#pragma once

#include "PulseHandles.h"

namespace klonkel {

// A connection to the sound server: PulseAudio, or PipeWire through its PulseAudio service. It
// connects on first use and again once the server went away, so a server that starts late or
// restarts is used from the next press on. Its thread runs the streams' callbacks.
class SoundServer
{
public:
    // What volume mixers show for the app, and for a stream not yet playing a clip.
    static constexpr char applicationName[] = "Klonkel";

    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer &) = delete;
    SoundServer &operator=(const SoundServer &) = delete;

    // Null only when libpulse cannot start its thread; then nothing ever sounds.
    pa_threaded_mainloop *mainloop() const { return m_loop.get(); }

    // The ready connection, made first if there is none; null when no server answers.
    // Call with the main loop locked, as for everything below.
    pa_context *context();

    // PipeWire runs its whole graph at the smallest latency its running clients ask for.
    bool isPipeWire() const { return m_pipeWire; }

private:
    bool connect();
    void queryServer();
    // Waits on the main loop until done() holds or the reply deadline passes.
    template <typename Done> bool waitUntil(Done done);

    pulse::MainloopPtr m_loop;
    pulse::ContextPtr m_context;
    bool m_pipeWire = false;
};

} // namespace klonkel
