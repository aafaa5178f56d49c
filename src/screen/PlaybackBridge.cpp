#include "PlaybackBridge.h"

#include "ClipCatalogue.h"
#include "ClipPlayer.h"
#include "DiagnosticOutput.h"
#include "Playlist.h"

#include <QCoreApplication>

using namespace klonkel;

qint64 PlaybackBridge::playIndex() const
{
    return klonkel::playIndex;
}

void PlaybackBridge::setPlayIndex(qint64 index)
{
    if (klonkel::playIndex == index)
        return;
    klonkel::playIndex = index;
    emit playIndexChanged();
}

qint64 PlaybackBridge::clipCount() const
{
    return klonkel::clipCount();
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

QString PlaybackBridge::clipNameAt(qint64 index) const
{
    const auto &names = clipNames();
    if (index < 0 || index >= static_cast<qint64>(names.size()))
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
