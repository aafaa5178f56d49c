#include "ContentViewHost.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QtMath>

// The main button by keyboard and through the accessibility interface that screen readers use,
// and the focus ring that shows where the keyboard is, only when it is there.
class KeyboardAccessTest : public QObject
{
    Q_OBJECT

    ContentViewHost host;
    QQuickItem *button = nullptr;

    // How many of 16 points around the button, just outside its rim, show the ring's colour;
    // -1 if the button never grows to full size.
    int ringPointsShown()
    {
        // The button grows in after appearing; the ring is measured at full size.
        if (!QTest::qWaitFor([this] { return button->scale() == 1.0; }, 3000))
            return -1;
        const QImage grab = host.view->grabWindow();
        const QPointF centre =
            button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
        const qreal rimRadius = qMin(button->width(), button->height()) / 2;
        int shown = 0;
        for (int i = 0; i < 16; ++i) {
            const qreal angle = i * M_PI / 8;
            // The ring is 2 wide, about 6 outside the rim's middle; a pixel may straddle its edge.
            bool found = false;
            for (qreal radius = rimRadius + 5; radius <= rimRadius + 7 && !found; radius += 0.5) {
                const QColor c = grab.pixelColor(qRound(centre.x() + radius * qCos(angle)),
                                                 qRound(centre.y() + radius * qSin(angle)));
                // brightBlue is (60, 160, 240); nothing else near the rim is that bright a blue.
                found = qAbs(c.red() - 60) < 30 && qAbs(c.green() - 160) < 30 &&
                        qAbs(c.blue() - 240) < 30;
            }
            shown += found;
        }
        return shown;
    }

private slots:
    void initTestCase() { ContentViewHost::registerDouble(); }

    void init()
    {
        QVERIFY(host.show());
        button = host.item("mainButton");
        QVERIFY(button);
    }

    void cleanup() { host.view.reset(); }

    void initialFocusShowsNoRing()
    {
        QVERIFY(button->hasActiveFocus());
        QVERIFY(!button->property("visualFocus").toBool());
        QCOMPARE(ringPointsShown(), 0);
    }

    void tabShowsTheRingAndKeysPress()
    {
        QTest::keyClick(host.view.get(), Qt::Key_Tab);
        QVERIFY(button->hasActiveFocus());
        QVERIFY(button->property("visualFocus").toBool());
        QCOMPARE(ringPointsShown(), 16);

        const int before = host.taps();
        QTest::keyClick(host.view.get(), Qt::Key_Space);
        QTest::keyClick(host.view.get(), Qt::Key_Return);
        QTest::keyClick(host.view.get(), Qt::Key_Enter);
        QCOMPARE(host.taps(), before + 3);
        // Back-tab comes round to the one button as well.
        QTest::keyClick(host.view.get(), Qt::Key_Backtab);
        QVERIFY(button->property("visualFocus").toBool());
    }

    void pointerPressHidesTheRing()
    {
        QTest::keyClick(host.view.get(), Qt::Key_Tab);
        QCOMPARE(ringPointsShown(), 16);
        const QPointF centre =
            button->mapToScene(QPointF(button->width() / 2, button->height() / 2));
        QTest::mouseClick(host.view.get(), Qt::LeftButton, {}, centre.toPoint());
        QTRY_VERIFY(!button->property("visualFocus").toBool());
        QCOMPARE(ringPointsShown(), 0);
    }

    void screenReadersSeeAPressableButton()
    {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Button);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Play the next clip"));
        QVERIFY(accessible->state().focusable);
        QAccessibleActionInterface *actions = accessible->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

        const int before = host.taps();
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(host.taps(), before + 1);
        QCOMPARE(host.playback->calls().mid(host.playback->calls().size() - 5),
                 QStringList({QStringLiteral("writeLine:button Tapped"),
                              QStringLiteral("checkPlaylist"), QStringLiteral("clipNameAt:0"),
                              QStringLiteral("playClip:first"), QStringLiteral("playIndex=1")}));
    }

    // The window lists the screen's button among its accessible children.
    void buttonIsReachableFromTheWindow()
    {
        QAccessibleInterface *window = QAccessible::queryAccessibleInterface(host.view.get());
        QVERIFY(window);
        bool found = false;
        QList<QAccessibleInterface *> pending{window};
        while (!pending.isEmpty() && !found) {
            QAccessibleInterface *node = pending.takeFirst();
            found = node->role() == QAccessible::Button &&
                    node->text(QAccessible::Name) == QStringLiteral("Play the next clip");
            for (int i = 0; i < node->childCount(); ++i)
                pending.append(node->child(i));
        }
        QVERIFY(found);
    }
};

QTEST_MAIN(KeyboardAccessTest)

#include "tst_keyboardaccess.moc"
