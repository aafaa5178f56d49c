#include "ClipDeck.h"

#include "ResourceLocator.h"

#include <QCoreApplication>

#include <utility>

namespace klonkel {

bool ClipDeck::PreparedClip::isReadyFor(const QString &location,
                                        const std::optional<FileStamp> &current) const
{
    return player && path == location && stamp && current && *stamp == *current &&
           !player->isSpent();
}

ClipDeck::ClipDeck(std::unique_ptr<ClipOutput> output, NextClip nextClip, LineOutput writeLine)
    : m_output(std::move(output)), m_nextClip(std::move(nextClip)),
      m_writeLine(std::move(writeLine))
{
    m_readAheadTimer.setSingleShot(true);
    QObject::connect(&m_readAheadTimer, &QTimer::timeout, &m_readAheadTimer,
                     [this] { readAhead(); });
}

ClipDeck::~ClipDeck() = default;

std::unique_ptr<ClipPlayer> ClipDeck::takePrepared(const QString &path)
{
    if (!m_prepared.player || m_prepared.path != path)
        return nullptr;
    // Taken either way: a clip that is no longer ready is read again.
    PreparedClip taken = std::exchange(m_prepared, {});
    if (!taken.isReadyFor(path, FileStamp::of(path)))
        return nullptr;
    return std::move(taken.player);
}

void ClipDeck::playClip(std::string_view name)
{
    const std::optional<QString> path = resourceLocation(name, "m4a");
    if (!path)
        return;
    std::unique_ptr<ClipPlayer> player = takePrepared(*path);
    if (!player)
        player = m_output->open(*path);
    if (!player) {
        m_writeLine("error");
        return;
    }
    // The sounding clip is cut off first; its player, decoder and all, is let go only once the
    // new clip has been started.
    std::unique_ptr<ClipPlayer> previous = std::exchange(m_current, std::move(player));
    if (previous)
        previous->stop();
    m_current->play();
    previous.reset();
}

void ClipDeck::stopClip()
{
    if (m_current)
        m_current->stop();
}

void ClipDeck::readAhead()
{
    const std::optional<std::string> name = m_nextClip();
    if (!name)
        return;
    const std::optional<QString> path = resourceLocation(*name, "m4a");
    if (!path) {
        m_prepared = {};
        return;
    }
    const std::optional<FileStamp> stamp = FileStamp::of(*path);
    if (m_prepared.isReadyFor(*path, stamp))
        return;
    m_prepared = {*path, stamp, m_output->open(*path)};
    if (m_prepared.player)
        m_prepared.player->prime();
}

void ClipDeck::readAheadAfter(std::chrono::milliseconds delay)
{
    // Timers need an event loop's thread; a tool without one reads ahead on its first press.
    if (QCoreApplication::instance())
        m_readAheadTimer.start(delay);
}

} // namespace klonkel
