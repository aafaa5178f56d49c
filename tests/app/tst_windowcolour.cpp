#include "ContentViewHost.h"

#include <QGuiApplication>
#include <QPalette>
#include <QQmlApplicationEngine>
#include <QQuickWindow>

// The backdrop is 80 % opaque over the window's own colour, which is the palette's, light or
// dark with the desktop's theme, and follows it when the theme changes while the app runs.
class WindowColourTest : public QObject
{
    Q_OBJECT

    static QList<QColor> corners(QQuickWindow *window)
    {
        const QImage grab = window->grabWindow();
        const int right = grab.width() - 3, bottom = grab.height() - 3;
        return {grab.pixelColor(2, 2), grab.pixelColor(right, 2), grab.pixelColor(2, bottom),
                grab.pixelColor(right, bottom)};
    }

    static void usePaletteWindowColour(const QColor &colour)
    {
        QPalette palette = QGuiApplication::palette();
        palette.setColor(QPalette::Window, colour);
        QGuiApplication::setPalette(palette);
    }

private slots:
    void initTestCase() { ContentViewHost::registerDouble(); }

    void backdropShowsPaletteWindowColourAtOneFifth()
    {
        const QColor dark(0x20, 0x22, 0x26), light(0xf6, 0xf5, 0xf4);
        usePaletteWindowColour(dark);
        QQmlApplicationEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Klonkel/app/KlonkelApp.qml")));
        auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->color(), dark);
        const QList<QColor> overDark = corners(window);

        usePaletteWindowColour(light);
        QTRY_COMPARE(window->color(), light);
        const QList<QColor> overLight = corners(window);

        for (qsizetype i = 0; i < overDark.size(); ++i) {
            const int expected[] = {light.red() - dark.red(), light.green() - dark.green(),
                                    light.blue() - dark.blue()};
            const int seen[] = {overLight[i].red() - overDark[i].red(),
                                overLight[i].green() - overDark[i].green(),
                                overLight[i].blue() - overDark[i].blue()};
            for (int c = 0; c < 3; ++c)
                QVERIFY2(qAbs(seen[c] - 0.2 * expected[c]) <= 2,
                         qPrintable(QStringLiteral("corner %1, channel %2: %3 brighter, not %4")
                                        .arg(i)
                                        .arg(c)
                                        .arg(seen[c])
                                        .arg(0.2 * expected[c])));
        }
    }
};

QTEST_MAIN(WindowColourTest)
#include "tst_windowcolour.moc"
