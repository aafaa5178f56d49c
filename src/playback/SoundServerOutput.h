#pragma once

#include "ClipOutput.h"
#include "SoundServer.h"

namespace klonkel {

// Plays clips on the desktop's sound server, each on a stream of its own.
class SoundServerOutput final : public ClipOutput
{
public:
    std::unique_ptr<ClipPlayer> open(const QString &path) override;

private:
    SoundServer m_server;
};

} // namespace klonkel
