#include "SingleInstance.h"

#include "ApplicationAdaptor.h"
#include "DesktopIntegration.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

// The id as a path: "/org/klonkel/Klonkel".
const QString objectPath = u'/' + QString::fromLatin1(klonkel::desktopId).replace(u'.', u'/');

// What the desktop gave this launch to pass the focus on with, in the interface's own keys.
QVariantMap platformData()
{
    QVariantMap data;
    for (const auto &[key, variable] : {std::pair{"activation-token", "XDG_ACTIVATION_TOKEN"},
                                        std::pair{"desktop-startup-id", "DESKTOP_STARTUP_ID"}}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            data.insert(QString::fromLatin1(key), value);
    }
    return data;
}

} // namespace

bool SingleInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return true;
    const QString id = QString::fromLatin1(klonkel::desktopId);

    // The object is in place before the name, so no call can find the name without it.
    auto *adaptor = new ApplicationAdaptor(this);
    connect(adaptor, &ApplicationAdaptor::activationRequested, this,
            &SingleInstance::activationRequested);
    bus.registerObject(objectPath, this);
    if (bus.registerService(id))
        return true;
    bus.unregisterObject(objectPath);

    QDBusMessage activate = QDBusMessage::createMethodCall(
        id, objectPath, QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
    activate << platformData();
    // A copy that holds the id but cannot answer is no reason to leave the user with nothing.
    const QDBusMessage reply = bus.call(activate, QDBus::Block, 5000);
    return reply.type() != QDBusMessage::ReplyMessage;
}
