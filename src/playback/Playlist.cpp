#include "Playlist.h"

#include "Shuffle.h"

#include <utility>

namespace klonkel {

Playlist::Playlist(RandomSource &random, LineOutput writeLine)
    : m_random(random), m_writeLine(std::move(writeLine)),
      m_clipNames(clipCatalogue.begin(), clipCatalogue.end())
{
}

std::int64_t Playlist::clipCount()
{
    if (!m_clipCount)
        m_clipCount = static_cast<std::int64_t>(m_clipNames.size());
    return *m_clipCount;
}

void Playlist::shuffleClipNames()
{
    shuffle(m_clipNames, m_random);
}

std::uint64_t Playlist::randomBelow(std::uint64_t bound)
{
    return klonkel::randomBelow(bound, m_random);
}

void Playlist::printPlaylist() const
{
    std::string line = "[";
    for (std::size_t i = 0; i < m_clipNames.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += '"';
        line += m_clipNames[i];
        line += '"';
    }
    line += ']';
    m_writeLine(line);
}

void Playlist::checkPlaylist()
{
    m_writeLine(std::to_string(m_playIndex));
    m_writeLine(std::to_string(clipCount()));
    if (m_playIndex == clipCount()) {
        shuffleClipNames();
        m_playIndex = 0;
        printPlaylist();
    }
}

const std::string &Playlist::clipAtPlayIndex() const
{
    return m_clipNames.at(static_cast<std::size_t>(m_playIndex));
}

std::optional<std::string> Playlist::nextClipName() const
{
    if (m_playIndex < 0 || m_playIndex >= static_cast<std::int64_t>(m_clipNames.size()))
        return std::nullopt;
    return m_clipNames[static_cast<std::size_t>(m_playIndex)];
}

} // namespace klonkel
