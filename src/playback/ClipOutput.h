#pragma once

#include "ClipPlayer.h"

#include <QString>

#include <memory>

namespace klonkel {

// Where clips sound: the desktop's sound server in the program, a recording fake in tests.
class ClipOutput
{
public:
    virtual ~ClipOutput() = default;

    // A player for the file, its opening decoded; null when the file cannot be played.
    virtual std::unique_ptr<ClipPlayer> open(const QString &path) = 0;
};

} // namespace klonkel
