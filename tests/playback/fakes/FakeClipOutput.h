#pragma once

#include "ClipOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <memory>

// An output that plays nothing and writes down, in one shared log, what was asked of it and of
// its players: "open NAME", "prime NAME", "play NAME", "stop NAME", "end NAME". A file that
// holds the word "unplayable" cannot be opened.
class FakeClipOutput final : public klonkel::ClipOutput
{
public:
    explicit FakeClipOutput(QStringList &log) : m_log(log) {}

    std::unique_ptr<klonkel::ClipPlayer> open(const QString &path) override
    {
        const QString name = QFileInfo(path).completeBaseName();
        m_log << QStringLiteral("open ") + name;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.read(10) == "unplayable")
            return nullptr;
        return std::make_unique<Player>(m_log, name, spent);
    }

    // Players opened from now on report that their output was lost once they wrote.
    bool spent = false;

private:
    struct Player final : klonkel::ClipPlayer
    {
        Player(QStringList &log, const QString &name, bool spent)
            : log(log), name(name), spent(spent)
        {
        }
        ~Player() override { log << QStringLiteral("end ") + name; }
        void prime() override { log << QStringLiteral("prime ") + name; }
        void play() override { log << QStringLiteral("play ") + name; }
        void stop() override { log << QStringLiteral("stop ") + name; }
        bool isSpent() const override { return spent; }
        qsizetype pendingBytes() const override { return 0; }

        QStringList &log;
        const QString name;
        const bool spent;
    };

    QStringList &m_log;
};
