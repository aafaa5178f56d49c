// libFuzzer target for the path a clip file takes: open, probe, decode, resample.
// Each input is handed over as a file, the way clips arrive.

#include "FfmpegClipDecoder.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// More PCM than any catalogue clip yields; stops a valid long input from dominating the run.
constexpr qsizetype maxDecodedBytes = 8 << 20;

// The input as an in-memory file, closed when done.
struct InputFile
{
    int fd = ::memfd_create("klonkel-fuzz-input", MFD_CLOEXEC);
    InputFile() = default;
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;
    ~InputFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const InputFile input;
    // A memfd takes a write whole unless memory runs out; then the input is skipped.
    if (input.fd < 0 || ::write(input.fd, data, size) != ssize_t(size))
        return 0;
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(input.fd);
    for (const klonkel::PcmFormat format :
         {klonkel::PcmFormat{48000, 2}, klonkel::PcmFormat{44100, 1}}) {
        klonkel::ClipDecoder::Opened opened = klonkel::FfmpegClipDecoder::open(path, format);
        if (!opened.decoder)
            continue;
        QByteArray pcm;
        while (!opened.decoder->finished() && pcm.size() < maxDecodedBytes)
            opened.decoder->decodeInto(pcm, 64 * 1024);
    }
    return 0;
}
