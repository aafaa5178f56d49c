#pragma once

#include "PlayerPerClip.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <unistd.h>

// The media-player mode's sound: each click says "clicked" and plays the next clip.
class ClipTrigger : public QObject
{
    Q_OBJECT
    QML_ELEMENT

public:
    // From the command line: program, mode, [resource-folder [names-file]].
    Q_INVOKABLE bool load(const QStringList &arguments)
    {
        return m_player.load(arguments.value(2, QStringLiteral("resources")), arguments.value(3));
    }

    Q_INVOKABLE void click()
    {
        static const char line[] = "clicked\n";
        [[maybe_unused]] auto written = ::write(STDOUT_FILENO, line, sizeof line - 1);
        m_player.playNext();
    }

private:
    PlayerPerClip m_player;
};
