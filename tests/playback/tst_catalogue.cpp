#include "ClipCatalogue.h"
#include "ResourceLocator.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <set>

using namespace klonkel;

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    void namesFollowTheNamingRules()
    {
        std::set<std::string_view> unique(clipCatalogue.begin(), clipCatalogue.end());
        QCOMPARE(unique.size(), std::size_t(264));
        const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_\u00f6]+$"));
        for (std::string_view name : clipCatalogue) {
            QVERIFY2(name.size() >= 3 && name.size() <= 47, name.data());
            QVERIFY2(
                allowed.match(QString::fromUtf8(name.data(), qsizetype(name.size()))).hasMatch(),
                name.data());
        }
        QCOMPARE(QByteArray(clipCatalogue[77].data(), 6), QByteArray("\x6b\xc3\xb6\x6e\x69\x67"));
        QCOMPARE(clipCatalogue[244], std::string_view("mausefalle"));
    }

    void playlistStartsAsTheCatalogueAndCountIsFixed()
    {
        QCOMPARE(clipNames().size(), std::size_t(264));
        QVERIFY(std::equal(clipNames().begin(), clipNames().end(), clipCatalogue.begin()));
        QCOMPARE(clipCount(), 264);
    }

    // The generator script reads the same list, so the shipped files match the built-in names.
    void generatorListMatchesTheCatalogue()
    {
        QFile list(QStringLiteral(KLONKEL_SOURCE_DIR "/tools/catalogue.txt"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = list.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 264);
        for (std::size_t i = 0; i < clipCatalogue.size(); ++i)
            QCOMPARE(lines[qsizetype(i)],
                     QByteArray(clipCatalogue[i].data(), qsizetype(clipCatalogue[i].size())));
    }

    void everyClipHasItsResourceUnderTheExactBytes()
    {
        setResourceDirectory(QStringLiteral(KLONKEL_SOURCE_DIR "/resources"));
        for (std::string_view name : clipCatalogue) {
            const auto location = resourceLocation(name, "m4a");
            QVERIFY2(location && QFileInfo(*location).isFile(), name.data());
        }
        // Read the folder's raw entry names: the file must be stored precomposed, not NFD.
        const QStringList entries =
            QDir(resourceDirectory()).entryList({QStringLiteral("k*nig.m4a")});
        QCOMPARE(entries.size(), 1);
        QCOMPARE(QFile::encodeName(entries.first()), QByteArray("k\xc3\xb6nig.m4a"));
        QVERIFY(!resourceLocation("ko\xcc\x88nig", "m4a"));
        QVERIFY(QFileInfo(resourceDirectory() + QStringLiteral("/Pellmor.png")).isFile());
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
