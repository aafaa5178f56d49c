// libFuzzer target for the path a clip file takes: open, probe, decode, resample.
// Each input is handed over as a file, the way clips arrive.

#include "FfmpegClipDecoder.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// More PCM than any catalogue clip yields; stops a valid long input from dominating the run.
constexpr qsizetype maxDecodedBytes = 8 << 20;

class InputFile
{
public:
    InputFile(const std::uint8_t *data, std::size_t size)
        : m_fd(::memfd_create("klonkel-fuzz-input", MFD_CLOEXEC))
    {
        for (std::size_t done = 0; m_fd >= 0 && done < size;) {
            const ssize_t written = ::write(m_fd, data + done, size - done);
            if (written <= 0)
                break;
            done += std::size_t(written);
        }
    }
    ~InputFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputFile input(data, size);
    if (!input.isOpen())
        return 0;
    for (const klonkel::PcmFormat format :
         {klonkel::PcmFormat{48000, 2}, klonkel::PcmFormat{44100, 1}}) {
        klonkel::ClipDecoder::Opened opened =
            klonkel::FfmpegClipDecoder::open(input.path(), format);
        if (!opened.decoder)
            continue;
        QByteArray pcm;
        while (!opened.decoder->finished() && pcm.size() < maxDecodedBytes)
            opened.decoder->decodeInto(pcm, 64 * 1024);
    }
    return 0;
}
