#pragma once

#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

class QProcess;

// Where the desktop puts a window's close and minimise buttons, learned from its own settings
// (GNOME's button layout, KDE's window decoration), so that the frameless window's controls sit
// where the user looks for them: on the right unless the desktop says otherwise.
class WindowButtonLayout : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool leading READ leading NOTIFY changed)
    Q_PROPERTY(bool closeFirst READ closeFirst NOTIFY changed)
    Q_PROPERTY(bool known READ known NOTIFY changed)

public:
    struct Placement
    {
        bool leading = false;
        // The two controls, "minimize" and "close", from left to right.
        QStringList order = {QStringLiteral("minimize"), QStringLiteral("close")};
    };

    explicit WindowButtonLayout(QObject *parent = nullptr);
    ~WindowButtonLayout() override;
    Q_DISABLE_COPY_MOVE(WindowButtonLayout)

    bool leading() const { return m_placement.leading; }
    // Whether close is the left one of the two controls.
    bool closeFirst() const { return m_placement.order.value(0) == QLatin1String("close"); }
    // False while the desktop's settings are still being read.
    bool known() const { return m_known; }

    // GNOME's "button-layout" value, e.g. 'close,minimize:appmenu' (buttons left of the colon
    // sit on the left).
    static Placement fromGnomeLayout(QString layout);
    // KDE's decoration buttons on each side, one letter each: X closes, I minimises.
    static Placement fromKdeButtons(const QString &left, const QString &right);

signals:
    void changed();

private:
    void settle(Placement placement);

    Placement m_placement;
    bool m_known = false;
    QProcess *m_gsettings = nullptr; // child
};
