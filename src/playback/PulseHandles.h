#pragma once

#include <pulse/context.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <memory>

namespace klonkel::pulse {

// Owners for the sound server's client handles. Every one but the main loop's is released with
// the main loop locked, as libpulse requires of a threaded main loop.
template <auto release> struct Releaser
{
    template <typename Handle> void operator()(Handle *handle) const { release(handle); }
};

inline void stopAndFree(pa_threaded_mainloop *loop)
{
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

inline void disconnectContext(pa_context *context)
{
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

// A stream the server has not yet answered for cannot be disconnected, and dropped then it
// would live on in the server until the app quits: it is disconnected once the answer comes,
// and let go once the server has ended it (or the connection went).
inline void disconnectWhenAnswered(pa_stream *stream, void *)
{
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        pa_stream_disconnect(stream);
    } else if (!PA_STREAM_IS_GOOD(state)) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_unref(stream);
    }
}

// Drops the callbacks first: they point at an object that may be going away.
inline void disconnectStream(pa_stream *stream)
{
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        pa_stream_set_state_callback(stream, disconnectWhenAnswered, nullptr);
        return; // the callback holds our reference now
    }
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

inline void cancelOperation(pa_operation *operation)
{
    pa_operation_cancel(operation);
    pa_operation_unref(operation);
}

using MainloopPtr = std::unique_ptr<pa_threaded_mainloop, Releaser<stopAndFree>>;
using ContextPtr = std::unique_ptr<pa_context, Releaser<disconnectContext>>;
using StreamPtr = std::unique_ptr<pa_stream, Releaser<disconnectStream>>;
using ProplistPtr = std::unique_ptr<pa_proplist, Releaser<pa_proplist_free>>;
using OperationPtr = std::unique_ptr<pa_operation, Releaser<cancelOperation>>;

// Holds the main loop's lock for a scope; a null loop (no sound system at all) locks nothing.
class Lock
{
public:
    explicit Lock(pa_threaded_mainloop *loop) : m_loop(loop)
    {
        if (m_loop)
            pa_threaded_mainloop_lock(m_loop);
    }
    ~Lock()
    {
        if (m_loop)
            pa_threaded_mainloop_unlock(m_loop);
    }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

} // namespace klonkel::pulse
