#pragma once

#include "ClipOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStringList>

#include <memory>

using namespace Qt::StringLiterals;

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
        m_log << u"open "_s + name;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.read(10) == "unplayable")
            return nullptr;
        return std::make_unique<Player>(m_log, name, spent);
    }

    // Players opened from now on report that their output was lost once they wrote.
    bool spent = false;

private:
    class Player final : public klonkel::ClipPlayer
    {
    public:
        Player(QStringList &log, QString name, bool spent)
            : m_log(log), m_name(name), m_spent(spent)
        {
        }
        ~Player() override { m_log << u"end "_s + m_name; }
        void prime() override { m_log << u"prime "_s + m_name; }
        void play() override { m_log << u"play "_s + m_name; }
        void stop() override { m_log << u"stop "_s + m_name; }
        bool isSpent() const override { return m_spent; }
        qsizetype pendingBytes() const override { return 0; }

    private:
        QStringList &m_log;
        QString m_name;
        bool m_spent;
    };

    QStringList &m_log;
};
