#include "DesktopIntegration.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>
#include <QtMath>

#include <memory>

// The app as a desktop citizen, on one shown screen: keyboard, screen readers, translation,
// desktop entry. Playback is a double that plays nothing and counts presses.
class DesktopTest : public QObject
{
    Q_OBJECT

    QQuickView view;
    QQuickItem *button = nullptr;

    std::unique_ptr<QSignalSpy> presses;

    // How many of 16 points just outside the grown button's rim show the focus ring's colour.
    int ringPointsShown()
    {
        const QImage grab = view.grabWindow();
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
        qmlRegisterSingletonType(QUrl::fromLocalFile(QStringLiteral(PLAYBACK_DOUBLE)), "Klonkel", 1,
                                 1, "Playback");
        view.engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
        view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Klonkel/screen/ContentView.qml")));
        QCOMPARE(view.status(), QQuickView::Ready);
        view.show();
        view.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        button = view.rootObject()->findChild<QQuickItem *>(QStringLiteral("mainButton"));
        QVERIFY(button && button->hasActiveFocus());
        presses = std::make_unique<QSignalSpy>(button, SIGNAL(clicked()));
        QTRY_COMPARE_WITH_TIMEOUT(button->scale(), 1.0, 3000);
    }

    void focusRingOnlyForTheKeyboardAndKeysPress()
    {
        QCOMPARE(ringPointsShown(), 0);
        QTest::keyClick(&view, Qt::Key_Tab);
        QVERIFY(button->hasActiveFocus());
        QCOMPARE(ringPointsShown(), 16);
        const int before = presses->count();
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(&view, key);
        QCOMPARE(presses->count(), before + 3);
        QTest::keyClick(&view, Qt::Key_Backtab);
        QCOMPARE(ringPointsShown(), 16);
        QTest::mouseClick(&view, Qt::LeftButton, {}, button->mapToScene({80, 75}).toPoint());
        QTRY_COMPARE(ringPointsShown(), 0);
        QCOMPARE(presses->count(), before + 4);
    }

    void screenReadersFindAndPressTheButton()
    {
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(&view);
        QList<QAccessibleInterface *> pending{node};
        for (node = nullptr; !pending.isEmpty() && !node;) {
            QAccessibleInterface *next = pending.takeFirst();
            if (next->role() == QAccessible::Button)
                node = next;
            for (int i = 0; i < next->childCount(); ++i)
                pending.append(next->child(i));
        }
        QVERIFY2(node, "no button among the window's accessible children");
        QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Play the next clip"));
        QVERIFY(node->state().focusable);
        const int before = presses->count();
        node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(presses->count(), before + 1);

        QTranslator *german = klonkel::installTranslation(*qApp, QLocale(QLocale::German));
        QVERIFY(german);
        view.engine()->retranslate();
        QCOMPARE(node->text(QAccessible::Name), QStringLiteral("Nächsten Clip abspielen"));
        QCoreApplication::removeTranslator(german);
        view.engine()->retranslate();
    }

    // Wayland matches the window to its launcher by this id; X11 by the window class.
    void desktopEntry()
    {
        klonkel::applyDesktopIdentity();
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.klonkel.Klonkel"));
    }
};

QTEST_MAIN(DesktopTest)

#include "tst_desktop.moc"
