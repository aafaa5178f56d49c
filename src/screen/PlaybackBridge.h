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
    // QML has no 64-bit integer type; positions and counts stay far below 2^31.
    Q_PROPERTY(int playIndex READ playIndex WRITE setPlayIndex NOTIFY playIndexChanged)
    Q_PROPERTY(int clipCount READ clipCount CONSTANT)

public:
    using QObject::QObject;

    int playIndex() const;
    void setPlayIndex(int index);
    int clipCount() const;

    Q_INVOKABLE void writeLine(const QString &line) const;
    Q_INVOKABLE void checkPlaylist();
    Q_INVOKABLE void shuffleClipNames() const;
    Q_INVOKABLE void printPlaylist() const;
    Q_INVOKABLE QString clipNameAt(int index) const;
    Q_INVOKABLE void playClip(const QString &name) const;
    Q_INVOKABLE void stopClip() const;
    // Leaves the event loop with status 0; Qt then tears the window down in order.
    Q_INVOKABLE void endProcess() const;

signals:
    void playIndexChanged();
};
