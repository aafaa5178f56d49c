#include "FocusView.h"

#include <QQuickWindow>
#include <QTest>

// The focus item takes keyboard focus however it is offered: by tab, by click, on request.
class FocusViewTest : public QObject
{
    Q_OBJECT

private slots:
    void acceptsFocusEvenWhenEmpty()
    {
        FocusView view;
        QVERIFY(view.acceptsFocus());
        QVERIFY(view.activeFocusOnTab());
        QCOMPARE(view.width(), 0.0);
    }

    void takesFocusByTabAndByClick()
    {
        QQuickWindow window;
        window.resize(200, 100);
        auto *first = new FocusView(window.contentItem());
        first->setSize({100, 100});
        auto *second = new FocusView(window.contentItem());
        second->setPosition({100, 0});
        second->setSize({100, 100});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(150, 50));
        QVERIFY(second->hasActiveFocus());
        QTest::keyClick(&window, Qt::Key_Tab);
        QVERIFY(first->hasActiveFocus());
    }
};

QTEST_MAIN(FocusViewTest)

#include "tst_focusview.moc"
