#include "WindowButtonLayout.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <array>

namespace {

const QString closeName = QStringLiteral("close");
const QString minimizeName = QStringLiteral("minimize");
// Desktops (as XDG_CURRENT_DESKTOP names them) whose window buttons follow GNOME's setting.
constexpr std::array gnomeFamily{QLatin1String("GNOME"), QLatin1String("Unity"),
                                 QLatin1String("Budgie"), QLatin1String("Pantheon")};

// The two controls in the order one side lists them; one it lacks goes beside the other, away
// from the window's edge.
WindowButtonLayout::Placement placeOnSide(bool leading, const QStringList &side)
{
    WindowButtonLayout::Placement placement{leading, {}};
    for (const QString &name : side)
        if ((name == closeName || name == minimizeName) && !placement.order.contains(name))
            placement.order.append(name);
    if (!placement.order.contains(minimizeName)) {
        if (leading)
            placement.order.append(minimizeName);
        else
            placement.order.prepend(minimizeName);
    }
    return placement;
}

} // namespace

WindowButtonLayout::WindowButtonLayout(QObject *parent) : QObject(parent)
{
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (desktop.contains(QLatin1String("KDE"))) {
        const QSettings kwin(
            QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("kwinrc")),
            QSettings::IniFormat);
        settle(fromKdeButtons(
            kwin.value(QStringLiteral("org.kde.kdecoration2/ButtonsOnLeft"), QStringLiteral("MS"))
                .toString(),
            kwin.value(QStringLiteral("org.kde.kdecoration2/ButtonsOnRight"),
                       QStringLiteral("HIAX"))
                .toString()));
        return;
    }
    // Only desktops that follow GNOME's window-button setting are asked for it: elsewhere the
    // answer means nothing, and starting a process costs every start-up processor time.
    const bool followsGnome =
        std::any_of(gnomeFamily.begin(), gnomeFamily.end(), [&](QLatin1String name) {
            return desktop.contains(name, Qt::CaseInsensitive);
        });
    if (!followsGnome) {
        settle({});
        return;
    }
    // Read in the background: start-up does not wait for it, and a desktop without GNOME's
    // settings simply gets the default.
    m_gsettings = new QProcess(this);
    connect(m_gsettings, &QProcess::finished, this, [this](int status, QProcess::ExitStatus how) {
        const QString value = QString::fromUtf8(m_gsettings->readAllStandardOutput());
        settle(how == QProcess::NormalExit && status == 0 ? fromGnomeLayout(value) : Placement{});
    });
    connect(m_gsettings, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            settle({});
    });
    // A settings service that hangs must not leave the window without its controls.
    QTimer::singleShot(2000, m_gsettings, [this] {
        settle({});
        m_gsettings->kill();
    });
    m_gsettings->start(QStringLiteral("gsettings"),
                       {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.wm.preferences"),
                        QStringLiteral("button-layout")});
}

WindowButtonLayout::~WindowButtonLayout()
{
    // Ended here, quietly, rather than by QProcess, which warns on standard error about it.
    if (m_gsettings && m_gsettings->state() != QProcess::NotRunning) {
        m_gsettings->kill();
        m_gsettings->waitForFinished(500);
    }
}

WindowButtonLayout::Placement WindowButtonLayout::fromGnomeLayout(QString layout)
{
    layout = layout.trimmed();
    if (layout.size() >= 2 && layout.startsWith(QLatin1Char('\'')) &&
        layout.endsWith(QLatin1Char('\'')))
        layout = layout.mid(1, layout.size() - 2);
    const QStringList sides = layout.split(QLatin1Char(':'));
    const QStringList left = sides.value(0).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QStringList right = sides.value(1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (sides.size() == 2 && left.contains(closeName) && !right.contains(closeName))
        return placeOnSide(true, left);
    if (right.contains(closeName))
        return placeOnSide(false, right);
    return {};
}

WindowButtonLayout::Placement WindowButtonLayout::fromKdeButtons(const QString &left,
                                                                 const QString &right)
{
    const auto names = [](const QString &letters) {
        QStringList side;
        for (QChar letter : letters)
            if (letter == QLatin1Char('X') || letter == QLatin1Char('I'))
                side.append(letter == QLatin1Char('X') ? closeName : minimizeName);
        return side;
    };
    if (left.contains(QLatin1Char('X')) && !right.contains(QLatin1Char('X')))
        return placeOnSide(true, names(left));
    return right.contains(QLatin1Char('X')) ? placeOnSide(false, names(right)) : Placement{};
}

void WindowButtonLayout::settle(Placement placement)
{
    if (m_known)
        return;
    m_placement = std::move(placement);
    m_known = true;
    emit changed();
}
