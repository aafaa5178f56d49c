#pragma once

#include "ClipOutput.h"
#include "SoundServer.h"

namespace klonkel {

// Plays clips on the sound server as the program does, each at its own format, decoded by
// FaadClipDecoder in this process: nothing is loaded at run time, so the whole path runs under
// valgrind.
class FaadSoundServerOutput final : public ClipOutput
{
public:
    std::unique_ptr<ClipPlayer> open(const QString &path) override;
    bool isReadyToOpen(QObject *, std::function<void()>) override { return true; }

private:
    SoundServer m_server;
};

} // namespace klonkel
