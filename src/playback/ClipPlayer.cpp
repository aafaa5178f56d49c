#include "ClipPlayer.h"

#include "ClipCatalogue.h"
#include "ClipDecoderLoader.h"
#include "DiagnosticOutput.h"
#include "ResourceLocator.h"
#include "SoundServerProbe.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QFile>
#include <QMediaDevices>

#include <sys/stat.h>

namespace klonkel {

namespace {

// The sound server starts a stream once this much is buffered, so the first write of a press
// fills it at once; it is also the margin against a busy main thread.
constexpr int sinkBufferMs = 100;
constexpr int feedIntervalMs = 20;
// After the last write the server holds at most one buffer; an open stream past that would keep
// Qt's sink ticking every 20 ms, waking an idle app for nothing.
constexpr int releaseAfterLastWriteMs = 2 * sinkBufferMs + 50;

// Qt's audio layer is first touched only once a sound server answers (see SoundServerProbe).
bool audioOutputReachable()
{
    static bool reached = false;
    if (!reached)
        reached = soundServerAnswers();
    return reached;
}

PcmFormat outputPcmFormat()
{
    if (!audioOutputReachable())
        return {};
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return {};
    const QAudioFormat preferred = device.preferredFormat();
    PcmFormat format;
    if (preferred.sampleRate() > 0)
        format.sampleRate = preferred.sampleRate();
    if (preferred.channelCount() > 0)
        format.channelCount = std::min(preferred.channelCount(), 8);
    return format;
}

QAudioFormat toAudioFormat(const PcmFormat &pcm)
{
    QAudioFormat format;
    format.setSampleRate(pcm.sampleRate);
    format.setChannelCount(pcm.channelCount);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// Tells whether a file is still the one that was read ahead.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    timespec changed{};

    static std::optional<FileStamp> of(const QString &path)
    {
        struct stat status = {};
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            return std::nullopt;
        return FileStamp{status.st_dev, status.st_ino, status.st_size, status.st_mtim,
                         status.st_ctim};
    }

    bool operator==(const FileStamp &other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

struct PreparedClip
{
    QString path;
    std::optional<FileStamp> stamp;
    std::unique_ptr<ClipPlayer> player;

    // Read ahead from this very file, unchanged on disk since.
    bool isReadyFor(const QString &location, const std::optional<FileStamp> &current) const
    {
        return player && path == location && stamp && current && *stamp == *current;
    }
};

struct PlayerState
{
    std::unique_ptr<ClipPlayer> current;
    PreparedClip prepared;
    bool preparationQueued = false;
};

void releasePlayers();

PlayerState &playerState()
{
    static PlayerState state;
    // Players own sound-server streams: let them go while the application still exists.
    static const bool releasedWithApplication = [] {
        qAddPostRoutine(releasePlayers);
        return true;
    }();
    Q_UNUSED(releasedWithApplication);
    return state;
}

void releasePlayers()
{
    PlayerState &state = playerState();
    state.current.reset();
    state.prepared = {};
}

std::unique_ptr<ClipPlayer> takePrepared(const QString &path)
{
    PreparedClip &prepared = playerState().prepared;
    if (!prepared.player || prepared.path != path)
        return nullptr;
    // Taken either way: a clip changed on disk since it was read ahead is read again.
    PreparedClip taken = std::exchange(prepared, {});
    if (!taken.isReadyFor(path, FileStamp::of(path)))
        return nullptr;
    return std::move(taken.player);
}

} // namespace

ClipPlayer::ClipPlayer(Key, std::unique_ptr<ClipDecoder> decoder, QByteArray opening,
                       const QAudioFormat &format)
    : m_decoder(std::move(decoder)), m_pending(std::move(opening)), m_format(format)
{
    m_feedTimer.setTimerType(Qt::PreciseTimer);
    m_feedTimer.setInterval(feedIntervalMs);
    connect(&m_feedTimer, &QTimer::timeout, this, &ClipPlayer::feed);
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(releaseAfterLastWriteMs);
    connect(&m_releaseTimer, &QTimer::timeout, this, &ClipPlayer::stop);
}

ClipPlayer::~ClipPlayer()
{
    stop();
}

std::unique_ptr<ClipPlayer> ClipPlayer::create(const QString &path)
{
    const PcmFormat pcm = outputPcmFormat();
    ClipDecoder::Opened opened = ClipDecoder::open(path, pcm);
    if (!opened.decoder)
        return nullptr;
    QByteArray opening;
    opened.decoder->decodeInto(opening, pcm.bytesFor(sinkBufferMs));
    if (opening.isEmpty())
        return nullptr; // a container without a single decodable frame
    return std::make_unique<ClipPlayer>(Key{}, std::move(opened.decoder), std::move(opening),
                                        toAudioFormat(pcm));
}

void ClipPlayer::play()
{
    stop();
    if (!audioOutputReachable())
        return; // no sound server: the press goes on silently
    m_sink = new QAudioSink(m_format, this);
    m_sink->setBufferSize(m_decoder->format().bytesFor(sinkBufferMs));
    m_output = m_sink->start();
    if (!m_output)
        return; // no sound server: the press goes on silently
    // Trailing silence of one buffer lets the server start (or restart after an underrun)
    // even when the clip's own tail is shorter than the buffer.
    m_silenceToWrite = m_sink->bufferSize();
    feed();
    if (m_silenceToWrite > 0 || !m_pending.isEmpty() || !m_decoder->finished())
        m_feedTimer.start();
}

void ClipPlayer::stop()
{
    m_feedTimer.stop();
    m_releaseTimer.stop();
    if (m_sink)
        m_sink->stop(); // disconnects the stream: its buffered sound ends at once
    m_output = nullptr;
}

void ClipPlayer::feed()
{
    if (!m_output || m_sink->state() == QAudio::StoppedState) {
        m_feedTimer.stop();
        return;
    }
    qsizetype room = m_sink->bytesFree();
    while (room > 0) {
        if (m_pending.isEmpty() && !m_decoder->finished())
            m_decoder->decodeInto(m_pending, room);
        if (!m_pending.isEmpty()) {
            const qint64 written =
                m_output->write(m_pending.constData(), std::min(room, m_pending.size()));
            if (written <= 0)
                break;
            m_pending.remove(0, written);
            room -= written;
        } else if (m_silenceToWrite > 0) {
            const QByteArray silence(std::min(room, m_silenceToWrite), '\0');
            const qint64 written = m_output->write(silence);
            if (written <= 0)
                break;
            m_silenceToWrite -= written;
            room -= written;
        } else {
            m_feedTimer.stop(); // everything is with the server; nothing left to wake up for
            m_releaseTimer.start();
            m_pending = QByteArray();
            return;
        }
    }
}

void playClip(std::string_view name)
{
    const std::optional<QString> path = resourceLocation(name, "m4a");
    if (!path)
        return;
    std::unique_ptr<ClipPlayer> player = takePrepared(*path);
    if (!player)
        player = ClipPlayer::create(*path);
    if (!player) {
        writeLine("error");
        return;
    }
    PlayerState &state = playerState();
    if (state.current) {
        state.current->stop();
        // Its sink's teardown runs the event loop; do it after this press, not inside it.
        state.current.release()->deleteLater();
    }
    state.current = std::move(player);
    state.current->play();
    scheduleNextClipPreparation();
}

void stopClip()
{
    if (ClipPlayer *player = playerState().current.get())
        player->stop();
}

ClipPlayer *audioPlayer()
{
    return playerState().current.get();
}

void prepareNextClip()
{
    if (playIndex < 0 || playIndex >= clipCount())
        return;
    if (!clipDecoderLoaded()) {
        // Reading ahead must not wait for the decoder: it comes back here once it is loaded.
        startLoadingClipDecoder(QCoreApplication::instance(), scheduleNextClipPreparation);
        if (!clipDecoderLoaded())
            return;
    }
    const std::string &name = clipNames()[static_cast<std::size_t>(playIndex)];
    const std::optional<QString> path = resourceLocation(name, "m4a");
    PreparedClip &prepared = playerState().prepared;
    if (!path) {
        prepared = {};
        return;
    }
    const auto stamp = FileStamp::of(*path);
    if (prepared.isReadyFor(*path, stamp))
        return;
    prepared = {*path, stamp, ClipPlayer::create(*path)};
}

void scheduleNextClipPreparation()
{
    QCoreApplication *application = QCoreApplication::instance();
    PlayerState &state = playerState();
    if (!application || state.preparationQueued)
        return;
    state.preparationQueued = true;
    QMetaObject::invokeMethod(
        application,
        [] {
            playerState().preparationQueued = false;
            prepareNextClip();
        },
        Qt::QueuedConnection);
}

} // namespace klonkel
