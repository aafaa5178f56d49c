#include "ClipPlayer.h"

#include "ClipCatalogue.h"
#include "ClipDecoderLoader.h"
#include "DiagnosticOutput.h"
#include "ResourceLocator.h"
#include "SoundServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <optional>

#include <sys/stat.h>

namespace klonkel {

namespace {

// Decoded before the press, so the first write holds enough to start and to ride out a busy
// moment of the connection's thread.
constexpr int openingMs = 100;
// While a clip plays the server keeps queuedMs of it and asks for more each time requestMs has
// been played. PulseAudio starts a new stream at once whatever its queue, so there the queue is
// a margin against a busy machine. PipeWire runs its whole graph at the latency that its running
// clients ask for (derived from these two), and a press waits for the graph's next cycle: there
// it is small enough for a 256-frame cycle, asked for only while a clip plays.
struct StreamLatency
{
    int queuedMs;
    int requestMs;
};
constexpr StreamLatency pulseAudioLatency{50, 10};
constexpr StreamLatency pipeWireLatency{20, 5};

pa_buffer_attr playingBuffer(const PcmFormat &pcm, bool pipeWire)
{
    const StreamLatency latency = pipeWire ? pipeWireLatency : pulseAudioLatency;
    pa_buffer_attr buffer{};
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pcm.bytesFor(latency.queuedMs));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(pcm.bytesFor(latency.requestMs));
    buffer.fragsize = uint32_t(-1);
    return buffer;
}

// Reading the next clip ahead waits this long after a press: decoding it and opening its stream
// would compete for the processor with the clip's own start and the press's first frames. Even
// presses 20 a second apart find the next clip ready.
constexpr std::chrono::milliseconds preparationAfterPress{25};

// Streams are tagged as sound production: a soundboard is played like an instrument, so it must
// be neither grouped with the desktop's event sounds (role "event", whose volume is the alert
// volume) nor corked or ducked for a call (roles "music" and "video").
constexpr char mediaRole[] = "production";
// Remember the mixer's volume for this app, not for every app that shares the role.
constexpr char restoreId[] = "sink-input-by-application-id:org.klonkel.Klonkel";

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

    // Read ahead from this very file, unchanged on disk since, and not lost with a sound server
    // that has gone away since.
    bool isReadyFor(const QString &location, const std::optional<FileStamp> &current) const
    {
        return player && path == location && stamp && current && *stamp == *current &&
               !player->isSpent();
    }
};

struct PlayerState
{
    std::unique_ptr<ClipPlayer> current;
    PreparedClip prepared;
    quint64 preparationTicket = 0;
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
    // Taken either way: a clip that is no longer ready is read again.
    PreparedClip taken = std::exchange(prepared, {});
    if (!taken.isReadyFor(path, FileStamp::of(path)))
        return nullptr;
    return std::move(taken.player);
}

} // namespace

ClipPlayer::ClipPlayer(Key, std::unique_ptr<ClipDecoder> decoder, QByteArray opening,
                       QByteArray name)
    : m_format(decoder->format()), m_decoder(std::move(decoder)), m_pending(std::move(opening)),
      m_name(std::move(name))
{
}

ClipPlayer::~ClipPlayer()
{
    stop();
}

std::unique_ptr<ClipPlayer> ClipPlayer::create(const QString &path)
{
    PcmFormat pcm;
    {
        SoundServer &server = SoundServer::instance();
        const pulse::Lock lock(server.mainloop());
        pcm = server.outputFormat();
    }
    ClipDecoder::Opened opened = ClipDecoder::open(path, pcm);
    if (!opened.decoder)
        return nullptr;
    QByteArray opening;
    opened.decoder->decodeInto(opening, pcm.bytesFor(openingMs));
    if (opening.isEmpty())
        return nullptr; // a container without a single decodable frame
    return std::make_unique<ClipPlayer>(Key{}, std::move(opened.decoder), std::move(opening),
                                        QFileInfo(path).completeBaseName().toUtf8());
}

void ClipPlayer::prime()
{
    SoundServer &server = SoundServer::instance();
    const pulse::Lock lock(server.mainloop());
    // A press then costs one message: the server has set the stream up already (PipeWire's
    // session manager takes far longer to link a new stream than a graph cycle lasts). Paused,
    // the stream costs nothing while idle: the output may suspend and keeps its rate.
    if (!m_stream && server.context())
        openStream(true);
}

void ClipPlayer::play()
{
    const pulse::Lock lock(SoundServer::instance().mainloop());
    if (m_stream && !m_feeding) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream.get());
        if (state == PA_STREAM_READY && resume())
            return;
        // Still being set up: it starts once it is ready, sooner than a new one would.
        if (state == PA_STREAM_CREATING) {
            m_resumeWhenReady = true;
            m_feeding = true;
            return;
        }
    }
    stop();
    openStream(false);
}

bool ClipPlayer::resume()
{
    pa_operation *uncork = pa_stream_cork(m_stream.get(), 0, nullptr, nullptr);
    if (!uncork)
        return false;
    pa_operation_unref(uncork); // no need to hear back
    m_feeding = true;
    // Named only now: a mixer must not show which clip comes next.
    if (pa_operation *rename =
            pa_stream_set_name(m_stream.get(), m_name.constData(), nullptr, nullptr))
        pa_operation_unref(rename);
    if (std::exchange(m_lowerLatencyOnPlay, false)) {
        const pa_buffer_attr buffer = playingBuffer(m_format, false);
        if (pa_operation *lower =
                pa_stream_set_buffer_attr(m_stream.get(), &buffer, nullptr, nullptr))
            pa_operation_unref(lower);
    }
    return true;
}

void ClipPlayer::openStream(bool corked)
{
    SoundServer &server = SoundServer::instance();
    pa_context *context = server.context();
    if (!context)
        return; // no sound server: the press goes on silently

    const PcmFormat &pcm = m_format;
    const pa_sample_spec spec{PA_SAMPLE_S16LE, uint32_t(pcm.sampleRate), uint8_t(pcm.channelCount)};
    const char *name = corked ? SoundServer::applicationName : m_name.constData();
    const pulse::ProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, name);
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ROLE, mediaRole);
    pa_proplist_sets(properties.get(), "module-stream-restore.id", restoreId);
    m_stream.reset(pa_stream_new_with_proplist(context, name, &spec, nullptr, properties.get()));
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream.get(), &ClipPlayer::onStateChanged, this);
    pa_stream_set_write_callback(m_stream.get(), &ClipPlayer::onWritable, this);

    pa_buffer_attr buffer = playingBuffer(pcm, server.isPipeWire());
    // PulseAudio runs its output at the smallest latency that any of its streams asks for, paused
    // or not (PipeWire counts running streams only). There a stream waiting for its press asks
    // for the server's default and is filled up to it, starts with the first sample, and asks
    // for the playing latency only as it starts.
    m_lowerLatencyOnPlay = corked && !server.isPipeWire();
    if (m_lowerLatencyOnPlay) {
        buffer.tlength = uint32_t(-1);
        buffer.minreq = uint32_t(-1);
        buffer.prebuf = uint32_t(pcm.bytesPerFrame());
    }
    if (pa_stream_connect_playback(m_stream.get(), nullptr, &buffer,
                                   corked ? PA_STREAM_START_CORKED : PA_STREAM_NOFLAGS, nullptr,
                                   nullptr) < 0) {
        m_stream.reset();
        return;
    }
    m_feeding = !corked;
}

void ClipPlayer::stop()
{
    const pulse::Lock lock(SoundServer::instance().mainloop());
    m_drain.reset();
    m_stream.reset(); // disconnects: whatever the server still holds ends at once
    m_feeding = false;
    m_resumeWhenReady = false;
}

qsizetype ClipPlayer::pendingBytes() const
{
    const pulse::Lock lock(SoundServer::instance().mainloop());
    return m_pending.size();
}

bool ClipPlayer::isFeeding() const
{
    const pulse::Lock lock(SoundServer::instance().mainloop());
    return m_feeding;
}

bool ClipPlayer::isSpent() const
{
    const pulse::Lock lock(SoundServer::instance().mainloop());
    return m_written && (!m_stream || !PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream.get())));
}

void ClipPlayer::onWritable(pa_stream *, size_t bytes, void *self)
{
    static_cast<ClipPlayer *>(self)->write(bytes);
}

void ClipPlayer::onStateChanged(pa_stream *stream, void *self)
{
    auto *player = static_cast<ClipPlayer *>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY && std::exchange(player->m_resumeWhenReady, false))
        player->m_feeding = player->resume();
    // The server went away or dropped the stream: nothing more will be asked for.
    if (!PA_STREAM_IS_GOOD(state))
        player->m_feeding = false;
}

void ClipPlayer::onDrained(pa_stream *stream, int, void *self)
{
    auto *player = static_cast<ClipPlayer *>(self);
    // Releasing the stream at once leaves the server nothing to run for this app while idle.
    pa_stream_disconnect(stream);
    player->m_feeding = false;
}

void ClipPlayer::write(size_t room)
{
    // The first request also takes all of the opening read ahead: a margin from the start.
    room = std::max(room, size_t(m_pending.size()));
    while (room > 0) {
        if (m_pending.isEmpty() && m_decoder && !m_decoder->finished())
            m_decoder->decodeInto(m_pending, qsizetype(room));
        if (m_pending.isEmpty())
            break;
        const size_t bytes = std::min(room, size_t(m_pending.size()));
        if (pa_stream_write(m_stream.get(), m_pending.constData(), bytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0)
            return;
        m_written = true;
        m_pending.remove(0, qsizetype(bytes));
        room -= bytes;
    }
    if (m_pending.isEmpty() && (!m_decoder || m_decoder->finished()) && !m_drain) {
        m_decoder.reset();
        m_pending = QByteArray(); // let the decoded buffer's memory go too
        // Draining also starts a clip shorter than the server's start threshold.
        m_drain.reset(pa_stream_drain(m_stream.get(), &ClipPlayer::onDrained, this));
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
    // The sounding clip is cut off first; its player, decoder and all, is let go only once the
    // new clip has been started.
    std::unique_ptr<ClipPlayer> previous = std::exchange(state.current, std::move(player));
    if (previous)
        previous->stop();
    state.current->play();
    previous.reset();
    scheduleNextClipPreparation(preparationAfterPress);
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
        startLoadingClipDecoder(QCoreApplication::instance(),
                                [] { scheduleNextClipPreparation(); });
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
    if (prepared.player)
        prepared.player->prime();
}

void scheduleNextClipPreparation(std::chrono::milliseconds delay)
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return;
    // The latest request wins: a burst of presses reads ahead once, after its last press.
    const quint64 ticket = ++playerState().preparationTicket;
    QTimer::singleShot(delay, application, [ticket] {
        if (ticket == playerState().preparationTicket)
            prepareNextClip();
    });
}

} // namespace klonkel
