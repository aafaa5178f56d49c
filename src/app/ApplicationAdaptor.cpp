#include "ApplicationAdaptor.h"

#include <QDBusError>

ApplicationAdaptor::ApplicationAdaptor(QObject *parent) : QDBusAbstractAdaptor(parent) {}

void ApplicationAdaptor::Activate(const QVariantMap &platformData)
{
    // Wayland compositors hand out "activation-token", X11 launchers "desktop-startup-id".
    QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (token.isEmpty())
        token = platformData.value(QStringLiteral("desktop-startup-id")).toString();
    emit activationRequested(token);
}

void ApplicationAdaptor::Open(const QStringList &, const QVariantMap &platformData)
{
    // Nothing to open: being asked to is still a request to come forward.
    Activate(platformData);
}

void ApplicationAdaptor::ActivateAction(const QString &name, const QVariantList &,
                                        const QVariantMap &)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::NotSupported,
                       QStringLiteral("Klonkel has no action %1").arg(name));
}
