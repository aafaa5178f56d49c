#include "DesktopIntegration.h"
#include "WindowButtonLayout.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>
#include <QtMath>

#include <memory>

Q_DECLARE_METATYPE(WindowButtonLayout::Placement)

// The app as a desktop citizen, in its one real window: keyboard, screen readers, translation,
// desktop entry, theme. The soundboard is a double that plays nothing and counts presses.
class DesktopTest : public QObject
{
    Q_OBJECT

    QQmlApplicationEngine engine;
    QQuickWindow *view = nullptr;
    QQuickItem *button = nullptr;

    std::unique_ptr<QSignalSpy> presses;

    // How many of 16 points just outside the grown button's rim show the focus ring's colour.
    int ringPointsShown()
    {
        const QImage grab = view->grabWindow();
        const QPointF centre = button->mapToScene({button->width() / 2, button->height() / 2});
        int shown = 0;
        for (int i = 0; i < 16; ++i) {
            bool found = false;
            // The ring is 2 wide, about 6 outside the rim's middle; a pixel may straddle its edge.
            for (qreal r = 75 + 5; r <= 75 + 7 && !found; r += 0.5) {
                const QColor c = grab.pixelColor(qRound(centre.x() + r * qCos(i * M_PI / 8)),
                                                 qRound(centre.y() + r * qSin(i * M_PI / 8)));
                // brightBlue is (60, 160, 240); nothing else near the rim is that bright a blue.
                found = qAbs(c.red() - 60) < 30 && qAbs(c.green() - 160) < 30 &&
                        qAbs(c.blue() - 240) < 30;
            }
            shown += found;
        }
        return shown;
    }

private slots:
    void initTestCase()
    {
        qmlRegisterSingletonType(QUrl::fromLocalFile(QStringLiteral(SOUNDBOARD_DOUBLE)), "Klonkel",
                                 1, 1, "Soundboard");
        // The window's controls on the default side, whatever the desktop running the test says.
        qputenv("GSETTINGS_BACKEND", "memory");
        qunsetenv("XDG_CURRENT_DESKTOP");
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Klonkel/app/KlonkelApp.qml")));
        view = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
        QVERIFY(view);
        view->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(view));
        button = view->findChild<QQuickItem *>(QStringLiteral("mainButton"));
        QVERIFY(button && button->hasActiveFocus());
        presses = std::make_unique<QSignalSpy>(button, SIGNAL(clicked()));
        QTRY_COMPARE_WITH_TIMEOUT(button->scale(), 1.0, 3000);
        auto *controls = view->findChild<QQuickItem *>(QStringLiteral("windowControls"));
        QTRY_VERIFY(controls && controls->isVisible());
    }

    // The accessible name of the item that has the keyboard's focus.
    QString focusedName()
    {
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(view->activeFocusItem());
        return node ? node->text(QAccessible::Name) : QString();
    }

    void focusRingOnlyForTheKeyboardAndKeysPress()
    {
        QCOMPARE(ringPointsShown(), 0);
        // Tab visits the window's controls, left to right, and comes back round to the button.
        QStringList visited;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(view, Qt::Key_Tab);
            visited << focusedName();
        }
        QCOMPARE(visited, (QStringList{QStringLiteral("Minimise"), QStringLiteral("Close"),
                                       QStringLiteral("Play the next clip")}));
        QVERIFY(button->hasActiveFocus());
        QCOMPARE(ringPointsShown(), 16);
        const int before = presses->count();
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(view, key);
        QCOMPARE(presses->count(), before + 3);
        QTest::keyClick(view, Qt::Key_Backtab);
        QCOMPARE(focusedName(), QStringLiteral("Close"));
        QCOMPARE(ringPointsShown(), 0);
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(ringPointsShown(), 16);
        QTest::mouseClick(view, Qt::LeftButton, {}, button->mapToScene({80, 75}).toPoint());
        QTRY_COMPARE(ringPointsShown(), 0);
        QCOMPARE(presses->count(), before + 4);
    }

    // A screen reader's name for the button follows the language (what it reads and presses in
    // the window's tree is checked from outside, through the desktop's accessibility bus).
    void screenReadersNameTheButtonInTheUsersLanguage()
    {
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(button);
        QTranslator *german = klonkel::installTranslation(*qApp, QLocale(QLocale::German));
        QVERIFY(node && german);
        engine.retranslate();
        QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Nächsten Clip abspielen"));
        QCoreApplication::removeTranslator(german);
        engine.retranslate();
    }

    // The side and order of the window's controls, from what each desktop's settings say.
    void controlPlacementFollowsTheDesktop_data()
    {
        QTest::addColumn<WindowButtonLayout::Placement>("placement");
        QTest::addColumn<QString>("expected");
        using L = WindowButtonLayout;
        const auto row = [](const char *name, L::Placement placement, const char *expected) {
            QTest::newRow(name) << placement << QString::fromLatin1(expected);
        };
        row("GNOME, default", L::fromGnomeLayout("'appmenu:close'\n"), "right: minimize,close");
        row("GNOME, left", L::fromGnomeLayout("'close,minimize,maximize:'"),
            "left: close,minimize");
        row("GNOME, close alone on the left", L::fromGnomeLayout("'close:appmenu'"),
            "left: close,minimize");
        row("GNOME, minimise first on the left", L::fromGnomeLayout("'minimize,close:'"),
            "left: minimize,close");
        row("GNOME, no value", L::fromGnomeLayout(QString()), "right: minimize,close");
        row("GNOME, no close", L::fromGnomeLayout("'menu:minimize'"), "right: minimize,close");
        row("KDE, default", L::fromKdeButtons("MS", "HIAX"), "right: minimize,close");
        row("KDE, left", L::fromKdeButtons("XIA", "HS"), "left: close,minimize");
        row("KDE, nothing", L::fromKdeButtons("", ""), "right: minimize,close");
    }
    void controlPlacementFollowsTheDesktop()
    {
        QFETCH(WindowButtonLayout::Placement, placement);
        QFETCH(QString, expected);
        QCOMPARE(QString(placement.leading ? "left: " : "right: ") + placement.order.join(u','),
                 expected);
    }

    // Wayland matches the window to its launcher by this id; X11 by the window class.
    void desktopEntry()
    {
        klonkel::applyDesktopIdentity();
        QVERIFY(QFile::exists(QStringLiteral(KLONKEL_SOURCE_DIR "/packaging/") +
                              QGuiApplication::desktopFileName() + QStringLiteral(".desktop")));
    }

    // The backdrop lets a fifth of the window's own colour through: the palette's, light or dark
    // with the desktop's theme, followed while the app runs.
    void backdropOverThePalettesWindowColour()
    {
        const QColor themes[] = {QColor(0x20, 0x22, 0x26), QColor(0xf6, 0xf5, 0xf4)};
        QImage grabs[] = {view->grabWindow(), {}, {}};
        for (int i : {1, 2}) {
            QPalette palette = QGuiApplication::palette();
            palette.setColor(QPalette::Window, themes[i - 1]);
            QGuiApplication::setPalette(palette);
            // The theme reaches the window through the event loop; only it changes the corners.
            QTRY_VERIFY((grabs[i] = view->grabWindow()).pixel(2, 2) != grabs[i - 1].pixel(2, 2));
        }
        for (QPoint corner : {QPoint(2, 2), QPoint(497, 2), QPoint(2, 297), QPoint(497, 297)}) {
            const QColor dark = grabs[1].pixelColor(corner), light = grabs[2].pixelColor(corner);
            for (int (QColor::*channel)() const : {&QColor::red, &QColor::green, &QColor::blue}) {
                const int seen = (light.*channel)() - (dark.*channel)();
                const double expected = 0.2 * ((themes[1].*channel)() - (themes[0].*channel)());
                QVERIFY2(qAbs(seen - expected) <= 2,
                         qPrintable(QStringLiteral("%1 brighter, not %2").arg(seen).arg(expected)));
            }
        }
    }
};

QTEST_MAIN(DesktopTest)

#include "tst_desktop.moc"
