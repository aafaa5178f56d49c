#pragma once

#include "ClipDecoder.h"

#include <functional>

class QObject;

namespace klonkel {

// The decoding module (and through it FFmpeg) is loaded on first need, not at start-up.

// Loads the module on a worker thread and then runs `whenLoaded` in `context`'s thread, unless
// `context` is gone by then. Without an event loop to return to, it loads here and now.
void startLoadingClipDecoder(QObject *context, std::function<void()> whenLoaded);

// Whether the module is loaded (or failed to load), so that opening a clip will not wait.
bool clipDecoderLoaded();

// Opens a clip through the module, waiting for the module if it is still being loaded.
ClipDecoder::Opened openClipDecoder(const QString &path, const PcmFormat &format);

} // namespace klonkel
