#include "FaadClipDecoder.h"

#include "Mp4BoxReader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace klonkel {

namespace {

// A stream that keeps failing is damaged beyond what skipping a frame can mend.
constexpr int maxBadFramesInARow = 32;
constexpr int minSampleRate = 8000;
constexpr int maxSampleRate = 96000;
// Zeros after the file's last byte, so a frame at its very end is read like any other.
constexpr std::size_t readPadding = 64;

struct FileCloser
{
    int fd;
    explicit FileCloser(int descriptor) : fd(descriptor) {}
    FileCloser(const FileCloser &) = delete;
    FileCloser &operator=(const FileCloser &) = delete;
    ~FileCloser() { ::close(fd); }
};

// The whole regular file at `path`, or a reason. Opened without blocking, and checked once open:
// a FIFO would block the press forever, and a name can change between a check and an open.
std::string readRegularFile(const QString &path, std::vector<std::uint8_t> &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return "cannot open the file";
    const FileCloser closer{fd};
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return "not a regular file";
    if (status.st_size > FaadClipDecoder::maxFileBytes)
        return "the file is too large";
    bytes.assign(std::size_t(status.st_size) + readPadding, 0);
    std::size_t done = 0;
    while (done < std::size_t(status.st_size)) {
        const ssize_t got = ::read(fd, bytes.data() + done, std::size_t(status.st_size) - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return "cannot read the file";
        if (got == 0)
            break; // it shrank meanwhile: what was read is the file
        done += std::size_t(got);
    }
    if (done == 0)
        return "the file is empty";
    bytes.resize(done + readPadding);
    return {};
}

SpeakerPosition speakerAt(unsigned char position)
{
    switch (position) {
    case FRONT_CHANNEL_LEFT:
        return SpeakerPosition::FrontLeft;
    case FRONT_CHANNEL_RIGHT:
        return SpeakerPosition::FrontRight;
    case SIDE_CHANNEL_LEFT:
        return SpeakerPosition::SideLeft;
    case SIDE_CHANNEL_RIGHT:
        return SpeakerPosition::SideRight;
    case BACK_CHANNEL_LEFT:
        return SpeakerPosition::RearLeft;
    case BACK_CHANNEL_RIGHT:
        return SpeakerPosition::RearRight;
    case BACK_CHANNEL_CENTER:
        return SpeakerPosition::RearCenter;
    case LFE_CHANNEL:
        return SpeakerPosition::Lfe;
    default:
        return SpeakerPosition::FrontCenter;
    }
}

// The channel configuration of an AudioSpecificConfig, read here: libfaad reports a mono one as
// stereo. After the object type (5 bits, or 11 with the escape) and the rate's index (4 bits, or
// 28 with an explicit rate) come its 4 bits.
int channelConfiguration(std::span<const std::uint8_t> config)
{
    std::size_t bit = 0;
    const auto read = [&](std::size_t count) {
        unsigned value = 0;
        for (std::size_t i = 0; i < count; ++i, ++bit)
            value =
                value << 1 | (bit / 8 < config.size() ? config[bit / 8] >> (7 - bit % 8) & 1 : 0);
        return value;
    };
    if (read(5) == 31)
        read(6);
    if (read(4) == 15)
        read(24);
    return bit + 4 <= config.size() * 8 ? int(read(4)) : -1;
}

// Media time to sample frames at `rate`; the same when the track's time scale is its rate.
std::uint64_t toSampleFrames(std::uint64_t mediaTime, std::uint32_t timeScale, int rate)
{
    if (timeScale == std::uint32_t(rate))
        return mediaTime;
    // Capped far past any clip, so the rounding below stays in range.
    const long double frames =
        std::min(static_cast<long double>(mediaTime) * rate / timeScale, 1e15L);
    return std::uint64_t(std::llround(frames));
}

} // namespace

ClipDecoder::Opened FaadClipDecoder::open(const QString &path)
{
    auto decoder = std::make_unique<FaadClipDecoder>(Key{});
    if (std::string failure = readRegularFile(path, decoder->m_file); !failure.empty())
        return {nullptr, std::move(failure)};
    const std::span<const std::uint8_t> file(decoder->m_file.data(),
                                             decoder->m_file.size() - readPadding);

    Mp4BoxReader::Result read = Mp4BoxReader::read(file);
    if (!read.track)
        return {nullptr, read.failure};
    std::string failure;
    std::optional<Mp4FrameTable> table = Mp4FrameTable::build(*read.track, file.size(), failure);
    if (!table)
        return {nullptr, failure};
    decoder->m_table = std::move(*table);
    decoder->m_mediaTimeScale = read.track->mediaTimeScale;

    decoder->m_faad.reset(NeAACDecOpen());
    if (!decoder->m_faad)
        return {nullptr, "out of memory"};
    NeAACDecConfigurationPtr settings = NeAACDecGetCurrentConfiguration(decoder->m_faad.get());
    settings->outputFormat = FAAD_FMT_16BIT;
    settings->downMatrix = 0;
    NeAACDecSetConfiguration(decoder->m_faad.get(), settings);
    std::vector<std::uint8_t> &asc = read.track->audioSpecificConfig;
    unsigned long rate = 0;
    unsigned char channels = 0;
    if (NeAACDecInit2(decoder->m_faad.get(), asc.data(), asc.size(), &rate, &channels) < 0)
        return {nullptr, "the AAC configuration is not one libfaad decodes"};
    decoder->m_monoClip = channelConfiguration(asc) == 1;
    if (rate < minSampleRate || rate > maxSampleRate)
        return {nullptr, "implausible sample rate"};
    if (channels == 0 || channels > PcmFormat::maxChannels)
        return {nullptr, "unsupported channel count"};

    // A clip whose first frames do not decode fails here, where the press can still say so.
    while (decoder->m_opening.isEmpty() && decoder->decodeFrame(decoder->m_opening)) {
    }
    if (decoder->m_opening.isEmpty())
        return {nullptr, decoder->m_formatKnown ? "the clip's format is unsupported"
                                                : "no frame of the clip decodes"};
    return {std::move(decoder), {}};
}

void FaadClipDecoder::decodeInto(QByteArray &out, qsizetype wantedBytes)
{
    const qsizetype target = out.size() + wantedBytes;
    if (!m_opening.isEmpty()) {
        out.append(m_opening);
        m_opening = QByteArray();
    }
    while (!m_finished && out.size() < target)
        decodeFrame(out);
}

bool FaadClipDecoder::decodeFrame(QByteArray &out)
{
    if (m_finished)
        return false;
    if (m_nextFrame >= m_table.frames.size() || (m_formatKnown && m_keep == 0)) {
        m_finished = true;
        return false;
    }
    const Mp4FrameTable::Frame frame = m_table.frames[m_nextFrame++];
    NeAACDecFrameInfo info = {};
    const auto *pcm = static_cast<const std::int16_t *>(
        NeAACDecDecode(m_faad.get(), &info, m_file.data() + frame.offset, frame.size));
    if (!pcm || info.error != 0) {
        if (++m_badFramesInARow > maxBadFramesInARow)
            m_finished = true;
        return !m_finished;
    }
    m_badFramesInARow = 0;
    if (info.samples == 0 || info.channels == 0) {
        m_silentFrames += m_formatKnown ? 0 : 1;
        return true;
    }
    if (!m_formatKnown
            ? !takeFormat(info)
            : int(info.samplerate) != m_format.sampleRate || info.channels != m_decodedChannels) {
        // A stream that changes its format part way is damaged: what came before is the clip.
        m_finished = true;
        return false;
    }
    const std::uint64_t frames = info.samples / info.channels;
    const std::uint64_t dropped = std::min(frames, m_skip);
    const std::uint64_t kept = std::min(frames - dropped, m_keep);
    m_skip -= dropped;
    m_keep -= kept;
    const std::int16_t *from = pcm + dropped * info.channels;
    if (m_format.channelCount == info.channels) {
        out.append(reinterpret_cast<const char *>(from),
                   qsizetype(kept) * m_format.bytesPerFrame());
    } else { // the first of libfaad's two copies of a mono channel
        const qsizetype start = out.size();
        out.resize(start + qsizetype(kept) * 2);
        auto *to = reinterpret_cast<std::int16_t *>(out.data() + start);
        for (std::uint64_t i = 0; i < kept; ++i)
            to[i] = from[i * info.channels];
    }
    return true;
}

bool FaadClipDecoder::takeFormat(const NeAACDecFrameInfo &info)
{
    // The first frame is the authority: implicit SBR or parametric stereo can change what the
    // configuration announced.
    if (info.samplerate < minSampleRate || info.samplerate > maxSampleRate ||
        info.channels > PcmFormat::maxChannels)
        return false;
    m_decodedChannels = info.channels;
    m_format.sampleRate = int(info.samplerate);
    m_format.channelCount = m_monoClip && info.channels == 2 && !info.ps ? 1 : info.channels;
    m_format.positions = {};
    for (int i = 0; i < m_format.channelCount; ++i)
        m_format.positions[std::size_t(i)] = speakerAt(info.channel_position[i]);
    if (m_format.channelCount == 1)
        m_format.positions[0] = SpeakerPosition::Mono;
    m_skip = toSampleFrames(m_table.skip, m_mediaTimeScale, m_format.sampleRate);
    m_keep = toSampleFrames(m_table.keep, m_mediaTimeScale, m_format.sampleRate);
    // What libfaad held back counts against the priming to drop. (Without an edit list the
    // clip ends a frame early: the held-back frame never comes out.)
    const std::uint64_t heldBack = std::uint64_t(m_silentFrames) * (info.samples / info.channels);
    m_skip -= std::min(m_skip, heldBack);
    m_formatKnown = true;
    return true;
}

} // namespace klonkel
