#include "PlaybackLog.h"

namespace klonkel {

Q_LOGGING_CATEGORY(playbackLog, "klonkel.playback", QtWarningMsg)

} // namespace klonkel
