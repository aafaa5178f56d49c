#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The main screen's actions reach the playlist and the clip player through this object,
// so the screen's QML stays a description of the screen and the playback stays plain C++.
class PlaybackBridge : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Playback)
    QML_SINGLETON
    Q_PROPERTY(qint64 playIndex READ playIndex WRITE setPlayIndex NOTIFY playIndexChanged)
    Q_PROPERTY(qint64 clipCount READ clipCount CONSTANT)

public:
    using QObject::QObject;

    qint64 playIndex() const;
    void setPlayIndex(qint64 index);
    qint64 clipCount() const;

    Q_INVOKABLE void writeLine(const QString &line) const;
    Q_INVOKABLE void checkPlaylist();
    Q_INVOKABLE void shuffleClipNames() const;
    Q_INVOKABLE void printPlaylist() const;
    Q_INVOKABLE QString clipNameAt(qint64 index) const;
    Q_INVOKABLE void playClip(const QString &name) const;
    Q_INVOKABLE void stopClip() const;
    // Leaves the event loop with status 0; Qt then tears the window down in order.
    Q_INVOKABLE void endProcess() const;

signals:
    void playIndexChanged();
};
