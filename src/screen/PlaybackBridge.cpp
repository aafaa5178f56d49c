#include "PlaybackBridge.h"

#include "ClipCatalogue.h"
#include "ClipPlayer.h"
#include "DiagnosticOutput.h"
#include "Playlist.h"

#include <QCoreApplication>

using namespace klonkel;

int PlaybackBridge::playIndex() const
{
    return static_cast<int>(klonkel::playIndex);
}

void PlaybackBridge::setPlayIndex(int index)
{
    if (klonkel::playIndex == index)
        return;
    klonkel::playIndex = index;
    emit playIndexChanged();
}

int PlaybackBridge::clipCount() const
{
    return static_cast<int>(klonkel::clipCount());
}

void PlaybackBridge::writeLine(const QString &line) const
{
    klonkel::writeLine(line.toStdString());
}

void PlaybackBridge::checkPlaylist()
{
    const auto before = klonkel::playIndex;
    klonkel::checkPlaylist();
    if (klonkel::playIndex != before)
        emit playIndexChanged();
}

void PlaybackBridge::shuffleClipNames() const
{
    klonkel::shuffleClipNames();
}

void PlaybackBridge::printPlaylist() const
{
    klonkel::printPlaylist();
}

QString PlaybackBridge::clipNameAt(int index) const
{
    const auto &names = clipNames();
    if (index < 0 || index >= static_cast<int>(names.size()))
        return {};
    return QString::fromStdString(names[static_cast<std::size_t>(index)]);
}

void PlaybackBridge::playClip(const QString &name) const
{
    klonkel::playClip(name.toStdString());
}

void PlaybackBridge::stopClip() const
{
    klonkel::stopClip();
}

void PlaybackBridge::endProcess() const
{
    QCoreApplication::exit(0);
}
