#include "FfmpegClipDecoder.h"

// Loaded at run time, so that FFmpeg and the many libraries it pulls in stay out of start-up.
extern "C" Q_DECL_EXPORT void klonkel_open_clip(const QString &path,
                                                const klonkel::PcmFormat &format,
                                                klonkel::ClipDecoder::Opened &result)
{
    static_assert(std::is_same_v<decltype(&klonkel_open_clip), klonkel::OpenClipFunction>);
    result = klonkel::FfmpegClipDecoder::open(path, format);
}
