#pragma once

#include "ClipPlayer.h"

#include <QString>

#include <functional>
#include <memory>

class QObject;

namespace klonkel {

// Where clips sound: the desktop's sound server in the program, a recording fake in tests.
class ClipOutput
{
public:
    virtual ~ClipOutput() = default;

    // A player for the file, its opening decoded; null when the file cannot be played.
    virtual std::unique_ptr<ClipPlayer> open(const QString &path) = 0;
    // False while open() would wait (for the decoder to load); `whenReady` then runs once it
    // would not, on `context`'s thread, unless `context` is gone by then.
    virtual bool isReadyToOpen(QObject *context, std::function<void()> whenReady) = 0;
};

} // namespace klonkel
