#include "ContentViewHost.h"
#include "DesktopIntegration.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QIcon>
#include <QTranslator>

// The app's place on the desktop: its translations by locale, its icon and desktop entry id.
class DesktopIntegrationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ContentViewHost::registerDouble(); }

    void translationByLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("buttonName");
        const QString germanTitle = QStringLiteral("Pellmor-Klangbrett");
        const QString germanName = QStringLiteral("Nächsten Clip abspielen");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << germanTitle
                                << germanName;
        QTest::newRow("Austrian German")
            << QLocale(QLocale::German, QLocale::Austria) << germanTitle << germanName;
        QTest::newRow("Swiss German")
            << QLocale(QLocale::German, QLocale::Switzerland) << germanTitle << germanName;
        const QString title = QStringLiteral("Pellmor Soundboard");
        const QString name = QStringLiteral("Play the next clip");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates) << title
                                 << name;
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << title << name;
        QTest::newRow("C") << QLocale::c() << title << name;
    }

    void translationByLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, title);
        QFETCH(QString, buttonName);
        QTranslator *translator = klonkel::installTranslation(*qApp, locale);
        const bool translated = title != QStringLiteral("Pellmor Soundboard");
        QCOMPARE(translator != nullptr, translated);
        QCOMPARE(QCoreApplication::translate("ContentView", "Pellmor Soundboard"), title);
        QCOMPARE(QCoreApplication::translate("ContentView", "Play the next clip"), buttonName);
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    // As the app starts: the language comes from the environment (LANG, LANGUAGE, LC_*), and
    // the test's runner says which title that language should give.
    void systemLocale()
    {
        const QString expected =
            qEnvironmentVariable("KLONKEL_EXPECTED_TITLE", QStringLiteral("Pellmor Soundboard"));
        QTranslator *translator = klonkel::installTranslation(*qApp);
        QCOMPARE(QCoreApplication::translate("ContentView", "Pellmor Soundboard"), expected);
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    // What the screen shows and tells screen readers, with the German translation loaded as the
    // app loads it, and its standard output lines untouched.
    void germanScreen()
    {
        QTranslator *translator = klonkel::installTranslation(*qApp, QLocale(QLocale::German));
        QVERIFY(translator);
        ContentViewHost host;
        QVERIFY(host.show());
        QCOMPARE(host.item("titleText")->property("text").toString(),
                 QStringLiteral("Pellmor-Klangbrett"));
        QAccessibleInterface *button =
            QAccessible::queryAccessibleInterface(host.item("mainButton"));
        QVERIFY(button);
        QCOMPARE(button->text(QAccessible::Name), QStringLiteral("Nächsten Clip abspielen"));
        QCOMPARE(host.playback->calls().first(), QStringLiteral("writeLine:ContentView appeared!"));
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }

    void windowIconAndDesktopEntry()
    {
        klonkel::applyDesktopIdentity();
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.klonkel.Klonkel"));
        const QIcon icon = QGuiApplication::windowIcon();
        const QList<QSize> sizes = icon.availableSizes();
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        // The embedded picture itself: transparent corners, the dark face inside the blue rim.
        const QImage picture = icon.pixmap(QSize(256, 256)).toImage();
        QCOMPARE(picture.size(), QSize(256, 256));
        QCOMPARE(qAlpha(picture.pixel(2, 2)), 0);
        const QColor face = picture.pixelColor(40, 128);
        QVERIFY2(face.alpha() == 255 && face.red() < 70 && face.blue() < 80,
                 qPrintable(face.name()));
        const QColor rim = picture.pixelColor(6, 128);
        QVERIFY2(rim.blue() > rim.red() + 60, qPrintable(rim.name()));
    }
};

QTEST_MAIN(DesktopIntegrationTest)

#include "tst_desktopintegration.moc"
