#pragma once

#include <QLocale>

class QCoreApplication;
class QString;
class QTranslator;

namespace klonkel {

// The desktop entry's id; window managers match windows to their launcher by it.
inline constexpr char desktopId[] = KLONKEL_APPLICATION_ID;

// Installs the user interface's translation for the first of the locale's languages that has
// one, owned by the application. Standard output is never translated. Null if none matches.
QTranslator *installTranslation(QCoreApplication &app, const QLocale &locale = QLocale());

// Gives the windows the app's icon and ties them to the desktop entry.
void applyDesktopIdentity();

// Shows the app's windows again if minimised, raises them and asks for the focus, with the
// token the desktop gave the launch that asked for it, where there is one.
void bringForward(const QString &activationToken);

} // namespace klonkel
