#pragma once

#include <QLoggingCategory>

namespace klonkel {

// Why a clip did not play, for developers (standard error, never standard output). Off by
// default; QT_LOGGING_RULES="klonkel.playback.info=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(playbackLog)

} // namespace klonkel
