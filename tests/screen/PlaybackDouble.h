#pragma once

#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// Stands in for the playback bridge in screen tests: it records every call in order and plays
// nothing, so tests see exactly what the screen asked for and when.
class PlaybackDouble : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int playIndex READ playIndex WRITE setPlayIndex NOTIFY playIndexChanged)
    Q_PROPERTY(int clipCount READ clipCount CONSTANT)
    Q_PROPERTY(QStringList calls READ calls NOTIFY callsChanged)

public:
    using QObject::QObject;

    int playIndex() const { return m_playIndex; }
    void setPlayIndex(int index);
    int clipCount() const { return m_clipNames.size(); }
    QStringList calls() const { return m_calls; }

    Q_INVOKABLE void writeLine(const QString &line);
    Q_INVOKABLE void checkPlaylist();
    Q_INVOKABLE void shuffleClipNames();
    Q_INVOKABLE void printPlaylist();
    Q_INVOKABLE QString clipNameAt(int index);
    Q_INVOKABLE void playClip(const QString &name);
    Q_INVOKABLE void stopClip();
    Q_INVOKABLE void endProcess();
    // Forgets the calls and rewinds, so each test starts from a fresh process's state.
    Q_INVOKABLE void reset();

signals:
    void playIndexChanged();
    void callsChanged();

private:
    void record(const QString &call);

    QStringList m_clipNames{QStringLiteral("first"), QStringLiteral("second"),
                            QStringLiteral("third")};
    QStringList m_calls;
    int m_playIndex = 0;
};
