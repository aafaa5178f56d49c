#include "ClipDecoderLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFuture>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <optional>
#include <string>

namespace klonkel {

namespace {

struct LibraryCloser
{
    void operator()(void *library) const { ::dlclose(library); }
};
// Shared, as the loading thread hands its result over by copy. Opened with RTLD_NODELETE:
// decoders made by the module may outlive the last handle at exit.
using Library = std::shared_ptr<void>;

struct DecoderModule
{
    Library library;
    OpenClipFunction openClip = nullptr;
    std::string failure;
};

// Beside the program in the build tree, where an installed program keeps it, and last the bare
// name for the dynamic loader's own search.
QStringList moduleCandidates()
{
    const QString name = QLatin1String(clipDecoderModuleName);
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString programDir = QCoreApplication::applicationDirPath();
        candidates << programDir + u'/' + name
                   << QDir::cleanPath(programDir +
                                      QStringLiteral("/" KLONKEL_MODULE_DIR_FROM_BINARY "/") +
                                      name);
    }
    candidates << name;
    return candidates;
}

DecoderModule loadModule(const QStringList &candidates)
{
    DecoderModule module;
    std::string errors;
    for (const QString &candidate : candidates) {
        // Resolving every symbol now keeps that work on this thread, away from the first press.
        if (void *library = ::dlopen(QFile::encodeName(candidate).constData(),
                                     RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
            module.library = Library(library, LibraryCloser{});
            break;
        }
        if (const char *error = ::dlerror())
            errors += (errors.empty() ? "" : "; ") + std::string(error);
    }
    if (!module.library) {
        module.failure = "the clip decoder could not be loaded: " + errors;
    } else if (void *entry = ::dlsym(module.library.get(), openClipSymbol)) {
        module.openClip = reinterpret_cast<OpenClipFunction>(entry);
    } else {
        module.failure = std::string("the clip decoder module lacks ") + openClipSymbol;
    }
    if (!module.failure.empty())
        std::fprintf(stderr, "klonkel: %s\n", module.failure.c_str());
    return module;
}

struct LoaderState
{
    QFuture<DecoderModule> loading;
    std::optional<DecoderModule> module;
};

LoaderState &loaderState()
{
    static LoaderState state;
    return state;
}

const DecoderModule &loadedModule()
{
    LoaderState &state = loaderState();
    if (!state.module) {
        if (state.loading.isValid())
            state.module.emplace(state.loading.result());
        else
            state.module.emplace(loadModule(moduleCandidates()));
    }
    return *state.module;
}

} // namespace

void startLoadingClipDecoder(QObject *context, std::function<void()> whenLoaded)
{
    LoaderState &state = loaderState();
    if (state.module || state.loading.isValid())
        return;
    if (!context || !QCoreApplication::instance()) {
        loadedModule();
        if (whenLoaded)
            whenLoaded();
        return;
    }
    state.loading = QtConcurrent::run(loadModule, moduleCandidates());
    // Not QFuture::then(context, ...): Qt 6.4 runs that continuation on the worker, which reads
    // the context and our callback there, racing with a context that goes away meanwhile. A
    // watcher owned by the context only receives an event from the worker, and goes with it.
    auto *watcher = new QFutureWatcher<DecoderModule>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, whenLoaded = std::move(whenLoaded)] {
                         watcher->deleteLater();
                         if (whenLoaded)
                             whenLoaded();
                     });
    watcher->setFuture(state.loading);
}

bool clipDecoderLoaded()
{
    const LoaderState &state = loaderState();
    return state.module || (state.loading.isValid() && state.loading.isFinished());
}

ClipDecoder::Opened openClipDecoder(const QString &path, const PcmFormat &format)
{
    const DecoderModule &module = loadedModule();
    if (!module.openClip)
        return {nullptr, module.failure};
    ClipDecoder::Opened opened;
    module.openClip(path, format, opened);
    return opened;
}

} // namespace klonkel
