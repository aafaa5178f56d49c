#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QVariantMap>

// The desktop's common interface for a running application: launchers and a second launch call
// Activate to bring it forward. Klonkel opens no files and has no actions of its own.
class ApplicationAdaptor : public QDBusAbstractAdaptor, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationAdaptor(QObject *parent);

public slots:
    void Activate(const QVariantMap &platformData);
    void Open(const QStringList &uris, const QVariantMap &platformData);
    void ActivateAction(const QString &name, const QVariantList &parameter,
                        const QVariantMap &platformData);

signals:
    // A token the desktop handed to the caller that allows this app to take the focus, if any.
    void activationRequested(const QString &activationToken);
};
