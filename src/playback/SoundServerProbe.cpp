#include "SoundServerProbe.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <memory>

namespace klonkel {

namespace {

struct MainloopDeleter
{
    void operator()(pa_mainloop *loop) const { pa_mainloop_free(loop); }
};
struct ContextDeleter
{
    void operator()(pa_context *context) const
    {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};

// A local server answers in a few milliseconds; past this it is as good as absent.
constexpr int maxIterations = 200;
constexpr int iterationTimeoutUs = 1000;

} // namespace

bool soundServerAnswers()
{
    std::unique_ptr<pa_mainloop, MainloopDeleter> loop(pa_mainloop_new());
    if (!loop)
        return false;
    std::unique_ptr<pa_context, ContextDeleter> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), "klonkel probe"));
    if (!context)
        return false;
    // No autospawn: starting a server is the desktop's business, not a soundboard's.
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    for (int i = 0; i < maxIterations; ++i) {
        switch (pa_context_get_state(context.get())) {
        case PA_CONTEXT_READY:
            return true;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            return false;
        default:
            break;
        }
        pa_mainloop_prepare(loop.get(), iterationTimeoutUs);
        pa_mainloop_poll(loop.get());
        pa_mainloop_dispatch(loop.get());
    }
    return false;
}

} // namespace klonkel
