#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QStringList>

#include <memory>

// Plays each clip with a new QMediaPlayer, as a straightforward Qt application would: the
// baseline of the app's player, by press and by click.
class PlayerPerClip
{
public:
    // The clips the names file lists, one a line, else the catalogue's, in that order; false
    // (said on stderr) if the file names none or cannot be read.
    bool load(const QString &folder, const QString &namesFile = {});
    void playNext();

private:
    QString m_folder;
    QStringList m_names;
    qsizetype m_next = 0;
    // Declared first, so that the output outlives the player that plays into it, at exit too.
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<QMediaPlayer> m_player;
};
