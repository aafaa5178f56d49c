#include "StreamClipPlayer.h"

#include "SoundServer.h"
#include "StreamLatency.h"

#include <algorithm>
#include <utility>

namespace klonkel {

namespace {

// Streams are tagged as sound production: a soundboard is played like an instrument, so it must
// be neither grouped with the desktop's event sounds (role "event", whose volume is the alert
// volume) nor corked or ducked for a call (roles "music" and "video").
constexpr char mediaRole[] = "production";
// Remember the mixer's volume for this app, not for every app that shares the role.
constexpr char restoreId[] = "sink-input-by-application-id:" KLONKEL_APPLICATION_ID;

// Decoding stays this far ahead of the server, checked this often: a main thread busy for most
// of a second still never lets a clip run dry, and each turn decodes a few milliseconds' worth.
constexpr int decodeAheadMs = 1000;
constexpr int decodeIntervalMs = 50;

pa_channel_position_t pulsePosition(SpeakerPosition position)
{
    switch (position) {
    case SpeakerPosition::Mono:
        return PA_CHANNEL_POSITION_MONO;
    case SpeakerPosition::FrontLeft:
        return PA_CHANNEL_POSITION_FRONT_LEFT;
    case SpeakerPosition::FrontRight:
        return PA_CHANNEL_POSITION_FRONT_RIGHT;
    case SpeakerPosition::FrontCenter:
        return PA_CHANNEL_POSITION_FRONT_CENTER;
    case SpeakerPosition::Lfe:
        return PA_CHANNEL_POSITION_LFE;
    case SpeakerPosition::SideLeft:
        return PA_CHANNEL_POSITION_SIDE_LEFT;
    case SpeakerPosition::SideRight:
        return PA_CHANNEL_POSITION_SIDE_RIGHT;
    case SpeakerPosition::RearLeft:
        return PA_CHANNEL_POSITION_REAR_LEFT;
    case SpeakerPosition::RearRight:
        return PA_CHANNEL_POSITION_REAR_RIGHT;
    case SpeakerPosition::RearCenter:
        return PA_CHANNEL_POSITION_REAR_CENTER;
    }
    return PA_CHANNEL_POSITION_INVALID;
}

// The clip's own channel map, so the server remixes it onto the user's speakers; a map the
// clip does not describe well enough falls back to the server's usual one for that count.
pa_channel_map channelMap(const PcmFormat &pcm)
{
    pa_channel_map map{};
    map.channels = uint8_t(pcm.channelCount);
    for (int i = 0; i < pcm.channelCount && i < PcmFormat::maxChannels; ++i)
        map.map[i] = pulsePosition(pcm.positions[size_t(i)]);
    if (!pa_channel_map_valid(&map))
        pa_channel_map_init_auto(&map, unsigned(pcm.channelCount), PA_CHANNEL_MAP_DEFAULT);
    return map;
}

} // namespace

StreamClipPlayer::StreamClipPlayer(SoundServer &server, std::unique_ptr<ClipDecoder> decoder,
                                   QByteArray opening, QByteArray name)
    : m_server(server), m_format(decoder->format()), m_decoder(std::move(decoder)),
      m_pending(std::move(opening)), m_name(std::move(name))
{
    if (m_decoder->finished()) {
        m_decoder.reset();
        m_decodedAll = true;
    }
    m_decodeTimer.setInterval(decodeIntervalMs);
    QObject::connect(&m_decodeTimer, &QTimer::timeout, &m_decodeTimer, [this] { decodeAhead(); });
}

StreamClipPlayer::~StreamClipPlayer()
{
    disconnect();
}

void StreamClipPlayer::prime()
{
    const pulse::Lock lock(m_server.mainloop());
    // A press then costs one message: the server has set the stream up already (PipeWire's
    // session manager takes far longer to link a new stream than a graph cycle lasts). Paused,
    // the stream costs nothing while idle: the output may suspend and keeps its rate.
    if (!m_stream && m_server.context())
        openStream(true);
}

void StreamClipPlayer::play()
{
    if (m_decoder)
        m_decodeTimer.start();
    const pulse::Lock lock(m_server.mainloop());
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
    disconnect();
    openStream(false);
}

bool StreamClipPlayer::resume()
{
    m_uncork.reset(pa_stream_cork(m_stream.get(), 0, &StreamClipPlayer::onUncorked, this));
    if (!m_uncork)
        return false;
    m_feeding = true;
    if (std::exchange(m_lowerLatencyOnPlay, false)) {
        const pa_buffer_attr buffer = StreamLatency::playing(m_format, false);
        if (pa_operation *lower =
                pa_stream_set_buffer_attr(m_stream.get(), &buffer, nullptr, nullptr))
            pa_operation_unref(lower);
    }
    return true;
}

void StreamClipPlayer::openStream(bool corked)
{
    pa_context *context = m_server.context();
    if (!context)
        return; // no sound server: the press goes on silently

    const PcmFormat &pcm = m_format;
    const pa_sample_spec spec{PA_SAMPLE_S16LE, uint32_t(pcm.sampleRate), uint8_t(pcm.channelCount)};
    const pa_channel_map map = channelMap(pcm);
    const char *name = corked ? SoundServer::applicationName : m_name.constData();
    const pulse::ProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_NAME, name);
    pa_proplist_sets(properties.get(), PA_PROP_MEDIA_ROLE, mediaRole);
    pa_proplist_sets(properties.get(), "module-stream-restore.id", restoreId);
    m_stream.reset(pa_stream_new_with_proplist(context, name, &spec, &map, properties.get()));
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream.get(), &StreamClipPlayer::onStateChanged, this);
    pa_stream_set_write_callback(m_stream.get(), &StreamClipPlayer::onWritable, this);

    const bool pipeWire = m_server.isPipeWire();
    const pa_buffer_attr buffer =
        corked ? StreamLatency::waiting(pcm, pipeWire) : StreamLatency::playing(pcm, pipeWire);
    m_lowerLatencyOnPlay = corked && StreamLatency::lowersOnPlay(pipeWire);
    if (pa_stream_connect_playback(m_stream.get(), nullptr, &buffer,
                                   corked ? PA_STREAM_START_CORKED : PA_STREAM_NOFLAGS, nullptr,
                                   nullptr) < 0) {
        m_stream.reset();
        return;
    }
    m_feeding = !corked;
}

void StreamClipPlayer::stop()
{
    m_decodeTimer.stop();
    disconnect();
}

void StreamClipPlayer::decodeAhead()
{
    const qsizetype target = m_format.bytesFor(decodeAheadMs);
    qsizetype queued = 0;
    {
        const pulse::Lock lock(m_server.mainloop());
        queued = m_pending.size();
    }
    QByteArray decoded;
    if (m_decoder && queued < target)
        m_decoder->decodeInto(decoded, target - queued);
    const bool all = !m_decoder || m_decoder->finished();
    if (all) {
        m_decoder.reset();
        m_decodeTimer.stop();
    }
    if (decoded.isEmpty() && !all)
        return;
    const pulse::Lock lock(m_server.mainloop());
    m_pending.append(decoded);
    m_decodedAll = all;
    // The server may have asked while nothing was ready; what it is owed goes out now.
    if (m_feeding && m_stream && pa_stream_get_state(m_stream.get()) == PA_STREAM_READY) {
        const size_t room = pa_stream_writable_size(m_stream.get());
        if (room != size_t(-1))
            write(room);
    }
}

void StreamClipPlayer::disconnect()
{
    const pulse::Lock lock(m_server.mainloop());
    m_drain.reset();
    m_uncork.reset();
    m_stream.reset(); // disconnects: whatever the server still holds ends at once
    m_feeding = false;
    m_resumeWhenReady = false;
}

qsizetype StreamClipPlayer::pendingBytes() const
{
    const pulse::Lock lock(m_server.mainloop());
    return m_pending.size();
}

bool StreamClipPlayer::isSpent() const
{
    const pulse::Lock lock(m_server.mainloop());
    return m_written && (!m_stream || !PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream.get())));
}

void StreamClipPlayer::onWritable(pa_stream *, size_t bytes, void *self)
{
    static_cast<StreamClipPlayer *>(self)->write(bytes);
}

void StreamClipPlayer::onStateChanged(pa_stream *stream, void *self)
{
    auto *player = static_cast<StreamClipPlayer *>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY && std::exchange(player->m_resumeWhenReady, false))
        player->m_feeding = player->resume();
    // The server went away or dropped the stream: nothing more will be asked for.
    if (!PA_STREAM_IS_GOOD(state))
        player->m_feeding = false;
}

void StreamClipPlayer::onDrained(pa_stream *stream, int, void *self)
{
    auto *player = static_cast<StreamClipPlayer *>(self);
    // Releasing the stream at once leaves the server nothing to run for this app while idle.
    pa_stream_disconnect(stream);
    player->m_feeding = false;
}

void StreamClipPlayer::onUncorked(pa_stream *stream, int, void *self)
{
    // Named only once it sounds, so a mixer never shows which clip comes next. Named here, on
    // the connection's thread, so the rename no longer holds the press's lock before the
    // uncork can leave.
    auto *player = static_cast<StreamClipPlayer *>(self);
    if (pa_operation *rename =
            pa_stream_set_name(stream, player->m_name.constData(), nullptr, nullptr))
        pa_operation_unref(rename);
}

void StreamClipPlayer::write(size_t room)
{
    // The first request also takes all of the opening read ahead: a margin from the start.
    if (!m_written)
        room = std::max(room, size_t(m_pending.size()));
    while (room > 0 && !m_pending.isEmpty()) {
        const size_t bytes = std::min(room, size_t(m_pending.size()));
        if (pa_stream_write(m_stream.get(), m_pending.constData(), bytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0)
            return;
        m_written = true;
        m_pending.remove(0, qsizetype(bytes));
        room -= bytes;
    }
    if (m_pending.isEmpty() && m_decodedAll && !m_drain) {
        m_pending = QByteArray(); // let the decoded buffer's memory go too
        // Draining also starts a clip shorter than the server's start threshold.
        m_drain.reset(pa_stream_drain(m_stream.get(), &StreamClipPlayer::onDrained, this));
    }
}

} // namespace klonkel
