#include "PlayerPerClip.h"

#include "ClipCatalogue.h"

#include <QFile>
#include <QUrl>

#include <cstdio>

bool PlayerPerClip::load(const QString &folder, const QString &namesFile)
{
    m_folder = folder;
    m_names.clear();
    m_next = 0;
    if (namesFile.isEmpty()) {
        for (const std::string_view name : klonkel::clipCatalogue)
            m_names.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
        return true;
    }
    QFile file(namesFile);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                m_names.append(QString::fromUtf8(line.trimmed()));
    if (m_names.isEmpty())
        std::fprintf(stderr, "no clip names in %s\n", qPrintable(namesFile));
    return !m_names.isEmpty();
}

void PlayerPerClip::playNext()
{
    if (m_names.isEmpty())
        return;
    const QString &name = m_names[m_next++ % m_names.size()];
    m_player.reset();
    m_output = std::make_unique<QAudioOutput>();
    m_player = std::make_unique<QMediaPlayer>();
    m_player->setAudioOutput(m_output.get());
    m_player->setSource(QUrl::fromLocalFile(m_folder + u'/' + name + QStringLiteral(".m4a")));
    m_player->play();
}
