#pragma once

#include <QObject>

// One running copy per desktop session. The first launch owns the application id on the session
// bus and serves the desktop's application interface there; a later launch asks that copy to
// come forward instead of starting a second player. Without a session bus every launch runs.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // True when this process should run: it now holds the id, or there is no bus to hold it on,
    // or the copy holding it did not answer. False once the running copy has been activated.
    bool claim();

signals:
    // Another launch or the launcher asks this copy to come forward.
    void activationRequested(const QString &activationToken);
};
