#include "SoundServer.h"

#include <pulse/introspect.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <QCoreApplication>

#include <cstring>

namespace klonkel {

namespace {

// A local server answers in a few milliseconds; past this it is as good as absent, and a press
// must not hang on it.
constexpr pa_usec_t replyDeadlineUs = 200 * PA_USEC_PER_MSEC;

// What the server remembers the user's volume by.
constexpr char applicationId[] = KLONKEL_APPLICATION_ID;

void signalWaiter(pa_threaded_mainloop *loop)
{
    pa_threaded_mainloop_signal(loop, 0);
}

// A timer on the main loop that wakes the waiting thread once, so no wait is unbounded.
class Deadline
{
public:
    explicit Deadline(pa_threaded_mainloop *loop) : m_loop(loop)
    {
        pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop);
        timeval when{};
        pa_timeval_add(pa_gettimeofday(&when), replyDeadlineUs);
        m_event = api->time_new(api, &when, &Deadline::expire, this);
    }
    ~Deadline()
    {
        if (m_event) {
            pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop);
            api->time_free(m_event);
        }
    }
    Deadline(const Deadline &) = delete;
    Deadline &operator=(const Deadline &) = delete;

    bool passed() const { return m_passed || !m_event; }

private:
    static void expire(pa_mainloop_api *, pa_time_event *, const timeval *, void *self)
    {
        auto *deadline = static_cast<Deadline *>(self);
        deadline->m_passed = true;
        signalWaiter(deadline->m_loop);
    }

    pa_threaded_mainloop *m_loop;
    pa_time_event *m_event = nullptr;
    bool m_passed = false;
};

} // namespace

SoundServer::SoundServer() : m_loop(pa_threaded_mainloop_new())
{
    if (m_loop && pa_threaded_mainloop_start(m_loop.get()) < 0)
        m_loop.reset();
}

SoundServer::~SoundServer()
{
    // The loop's thread goes first, so the connection can be closed without the lock.
    if (m_loop)
        pa_threaded_mainloop_stop(m_loop.get());
    m_context.reset();
}

template <typename Done> bool SoundServer::waitUntil(Done done)
{
    const Deadline deadline(m_loop.get());
    while (!done()) {
        if (deadline.passed())
            return false;
        pa_threaded_mainloop_wait(m_loop.get());
    }
    return true;
}

pa_context *SoundServer::context()
{
    if (!m_loop)
        return nullptr;
    if (m_context && pa_context_get_state(m_context.get()) == PA_CONTEXT_READY)
        return m_context.get();
    if (!connect()) {
        m_context.reset();
        return nullptr;
    }
    return m_context.get();
}

bool SoundServer::connect()
{
    m_context.reset();
    const pulse::ProplistPtr properties(pa_proplist_new());
    pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_NAME, applicationName);
    pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_ID, applicationId);
    // The installed icon is named after the application's id.
    pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_ICON_NAME, applicationId);
    const QByteArray version = QCoreApplication::applicationVersion().toUtf8();
    if (!version.isEmpty())
        pa_proplist_sets(properties.get(), PA_PROP_APPLICATION_VERSION, version.constData());
    m_context.reset(pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop.get()),
                                                 applicationName, properties.get()));
    if (!m_context)
        return false;
    pa_context_set_state_callback(
        m_context.get(),
        [](pa_context *, void *loop) { signalWaiter(static_cast<pa_threaded_mainloop *>(loop)); },
        m_loop.get());
    // No autospawn: starting a server is the desktop's business, not a soundboard's.
    if (pa_context_connect(m_context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    const bool settled = waitUntil([this] {
        const pa_context_state_t state = pa_context_get_state(m_context.get());
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (!settled || pa_context_get_state(m_context.get()) != PA_CONTEXT_READY)
        return false;
    queryServer();
    return true;
}

void SoundServer::queryServer()
{
    struct Reply
    {
        SoundServer *server = nullptr;
        bool answered = false;
    } reply{this};
    const auto serverInfo = [](pa_context *, const pa_server_info *info, void *data) {
        auto *r = static_cast<Reply *>(data);
        if (info && info->server_name)
            r->server->m_pipeWire = std::strstr(info->server_name, "PipeWire") != nullptr;
        r->answered = true;
        signalWaiter(r->server->m_loop.get());
    };
    const pulse::OperationPtr query(
        pa_context_get_server_info(m_context.get(), serverInfo, &reply));
    if (query)
        waitUntil([&] { return reply.answered; });
}

} // namespace klonkel
