// libFuzzer target for the path a clip file takes: read its boxes, build its frame table, decode.
// Each input is handed over as a file, the way clips arrive.

#include "FaadClipDecoder.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A quarter of a second of 48 kHz stereo: past the end of the small seed clips, so a well-formed
// input still reaches its last frame and the edit list's end, while an input whose tables
// promise hours of audio costs no more than a short one. Decoding further repeats the same code.
constexpr qsizetype maxDecodedBytes = 48000 * 2 * 2 / 4;
constexpr qsizetype decodeStepBytes = 16 * 1024; // about what a player asks for at a time

// The earlier run (whole clips, larger steps), for the benchmark to compare with.
constexpr qsizetype wholeClipBytes = 8 << 20;
constexpr qsizetype wholeClipStepBytes = 64 * 1024;
const bool decodeWholeClips = std::getenv("KLONKEL_FUZZ_WHOLE_CLIPS") != nullptr;

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
    const qsizetype limit = decodeWholeClips ? wholeClipBytes : maxDecodedBytes;
    const qsizetype step = decodeWholeClips ? wholeClipStepBytes : decodeStepBytes;
    klonkel::ClipDecoder::Opened opened = klonkel::FaadClipDecoder::open(path);
    if (!opened.decoder)
        return 0;
    QByteArray pcm;
    while (!opened.decoder->finished() && pcm.size() < limit)
        opened.decoder->decodeInto(pcm, step);
    return 0;
}
