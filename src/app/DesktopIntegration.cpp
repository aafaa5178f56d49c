#include "DesktopIntegration.h"

#include <QGuiApplication>
#include <QIcon>
#include <QTranslator>
#include <QWindow>

#include <memory>

namespace klonkel {

QTranslator *installTranslation(QCoreApplication &app, const QLocale &locale)
{
    auto translator = std::make_unique<QTranslator>();
    // Looks for klonkel_de_DE, then klonkel_de, for each of the locale's UI languages in turn.
    if (!translator->load(locale, QStringLiteral("klonkel"), QStringLiteral("_"),
                          QStringLiteral(":/i18n")))
        return nullptr;
    // Only a translation in use lives as long as the app.
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

void applyDesktopIdentity()
{
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktopId));
    // The embedded PNGs are the installed icon's sizes; no SVG plugin is needed at run time.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(
            QStringLiteral(":/icons/%1x%1/apps/%2.png").arg(size).arg(QLatin1String(desktopId)),
            QSize(size, size));
    QGuiApplication::setWindowIcon(icon);
}

void bringForward(const QString &activationToken)
{
    // Qt's Wayland plugin hands this token to the compositor with the next activation request.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible())
            continue;
        if (window->windowStates() & Qt::WindowMinimized)
            window->showNormal();
        window->raise();
        window->requestActivate();
    }
}

} // namespace klonkel
