#include "ClipCatalogue.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace klonkel;

namespace {

// Runs the press tool on `presses` lines and returns its standard output.
QByteArray
pressAndCollect(int presses, const QString &resources,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                int *exitCode = nullptr)
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(KLONKEL_PRESS_TOOL), {resources});
    if (!tool.waitForStarted())
        return {};
    tool.write(QByteArray("\n").repeated(presses));
    tool.closeWriteChannel();
    tool.waitForFinished(60000);
    if (exitCode)
        *exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return tool.readAllStandardOutput();
}

// Splits output into one chunk per press, each starting with "button Tapped".
QList<QByteArray> pressChunks(const QByteArray &output)
{
    QList<QByteArray> chunks;
    for (const QByteArray &part : output.split('\n')) {
        if (part == "button Tapped")
            chunks.append(QByteArray());
        if (!chunks.isEmpty() && !part.isEmpty())
            chunks.last() += part + '\n';
    }
    return chunks;
}

QString shippedResources()
{
    return QStringLiteral(KLONKEL_SOURCE_DIR "/resources");
}

} // namespace

class PressToolTest : public QObject
{
    Q_OBJECT

private slots:
    void linesAtFirstLastAndRewindingPress()
    {
        int exitCode = -1;
        const QByteArray output = pressAndCollect(
            265, shippedResources(), QProcessEnvironment::systemEnvironment(), &exitCode);
        QCOMPARE(exitCode, 0);
        const QList<QByteArray> presses = pressChunks(output);
        QCOMPARE(presses.size(), 265);
        QCOMPARE(presses[0], QByteArray("button Tapped\n0\n264\n"));
        QCOMPARE(presses[263], QByteArray("button Tapped\n263\n264\n"));
        QVERIFY(presses[264].startsWith("button Tapped\n264\n264\n[\""));
        QVERIFY(!output.contains("error"));

        // The new pass is a permutation of the whole catalogue.
        QByteArray playlist = presses[264].mid(qsizetype(strlen("button Tapped\n264\n264\n")));
        QVERIFY(playlist.endsWith("\"]\n"));
        playlist = playlist.mid(2, playlist.size() - 5);
        QList<QByteArray> names = playlist.split('"');
        names.removeIf([](const QByteArray &part) { return part == ", "; });
        std::sort(names.begin(), names.end());
        QList<QByteArray> expected;
        for (auto name : clipCatalogue)
            expected.append(QByteArray(name.data(), qsizetype(name.size())));
        std::sort(expected.begin(), expected.end());
        QCOMPARE(names, expected);
    }

    // A reader of the pipe sees a press's lines at once, not when the tool exits.
    void linesReachAPipeImmediately()
    {
        QProcess tool;
        tool.start(QStringLiteral(KLONKEL_PRESS_TOOL), {shippedResources()});
        QVERIFY(tool.waitForStarted());
        tool.write("\n");
        QByteArray seen;
        while (seen.count('\n') < 3 && tool.waitForReadyRead(5000))
            seen += tool.readAllStandardOutput();
        QCOMPARE(seen, QByteArray("button Tapped\n0\n264\n"));
        QCOMPARE(tool.state(), QProcess::Running);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(5000));
        QCOMPARE(tool.exitCode(), 0);
    }

    // Missing clip files are passed over silently; no sound server is no reason to stop.
    void missingClipsAndMissingSoundServerChangeNoLine_data()
    {
        QTest::addColumn<bool>("withClips");
        QTest::addColumn<bool>("withServer");
        QTest::newRow("no clips") << false << true;
        QTest::newRow("no sound server") << true << false;
    }

    void missingClipsAndMissingSoundServerChangeNoLine()
    {
        QFETCH(bool, withClips);
        QFETCH(bool, withServer);
        QTemporaryDir empty;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!withServer)
            environment.insert(QStringLiteral("PULSE_SERVER"),
                               QStringLiteral("unix:/nonexistent/klonkel"));
        int exitCode = -1;
        const QByteArray output = pressAndCollect(3, withClips ? shippedResources() : empty.path(),
                                                  environment, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(
            output,
            QByteArray("button Tapped\n0\n264\nbutton Tapped\n1\n264\nbutton Tapped\n2\n264\n"));
    }
};

QTEST_GUILESS_MAIN(PressToolTest)
#include "tst_presstool.moc"
