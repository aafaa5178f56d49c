#include "PlaybackDouble.h"

void PlaybackDouble::setPlayIndex(int index)
{
    record(QStringLiteral("playIndex=%1").arg(index));
    if (index == m_playIndex)
        return;
    m_playIndex = index;
    emit playIndexChanged();
}

void PlaybackDouble::writeLine(const QString &line)
{
    record(QStringLiteral("writeLine:") + line);
}

void PlaybackDouble::checkPlaylist()
{
    record(QStringLiteral("checkPlaylist"));
    if (m_playIndex == clipCount()) {
        m_playIndex = 0;
        emit playIndexChanged();
    }
}

void PlaybackDouble::shuffleClipNames()
{
    record(QStringLiteral("shuffleClipNames"));
}

void PlaybackDouble::printPlaylist()
{
    record(QStringLiteral("printPlaylist"));
}

QString PlaybackDouble::clipNameAt(int index)
{
    record(QStringLiteral("clipNameAt:%1").arg(index));
    return index >= 0 && index < clipCount() ? m_clipNames.at(index) : QString();
}

void PlaybackDouble::playClip(const QString &name)
{
    record(QStringLiteral("playClip:") + name);
}

void PlaybackDouble::stopClip()
{
    record(QStringLiteral("stopClip"));
}

void PlaybackDouble::endProcess()
{
    record(QStringLiteral("endProcess"));
}

void PlaybackDouble::reset()
{
    m_calls.clear();
    m_playIndex = 0;
    emit callsChanged();
    emit playIndexChanged();
}

void PlaybackDouble::record(const QString &call)
{
    m_calls.append(call);
    emit callsChanged();
}
