// The shuffle's random bytes: the system call first, /dev/urandom when it fails, and a reason
// when both do.

#include "SystemEntropy.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <array>
#include <cerrno>
#include <fcntl.h>

using namespace klonkel;

namespace {

// Scripted stand-ins for getentropy(): a captureless lambda cannot carry state, so they share
// these, reset by each test.
int primaryCalls = 0;
int primaryError = 0;      // what the failing stand-in reports
int interruptionsLeft = 0; // EINTR answers before the interrupted stand-in succeeds

int failingPrimary(void *, std::size_t)
{
    ++primaryCalls;
    errno = primaryError;
    return -1;
}

int interruptedPrimary(void *buffer, std::size_t length)
{
    ++primaryCalls;
    if (interruptionsLeft-- > 0)
        return errno = EINTR, -1;
    std::fill_n(static_cast<unsigned char *>(buffer), length, 0xa5);
    return 0;
}

using Bytes = std::array<std::byte, 32>;

// fill()'s answer as text that a failed comparison shows.
QString fill(SystemEntropy &entropy, Bytes &bytes)
{
    const std::optional<std::string> failure = entropy.fill(bytes);
    return failure ? QString::fromStdString(*failure) : QStringLiteral("filled");
}

// Descriptors of this process open on /dev/urandom, with whether each closes on exec.
QList<bool> urandomDescriptors()
{
    QList<bool> closeOnExec;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System)) {
        if (fd.symLinkTarget() == QLatin1String("/dev/urandom"))
            closeOnExec << ((::fcntl(fd.fileName().toInt(), F_GETFD) & FD_CLOEXEC) != 0);
    }
    return closeOnExec;
}

} // namespace

class RandomSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { primaryCalls = 0, interruptionsLeft = 0; }

    void interruptedCallIsRetried()
    {
        interruptionsLeft = 3;
        // A fallback that cannot open shows that the retry did not fall back.
        SystemEntropy entropy(interruptedPrimary, "/nonexistent/urandom");
        Bytes bytes{};
        QCOMPARE(fill(entropy, bytes), QStringLiteral("filled"));
        QCOMPARE(primaryCalls, 4);
        QCOMPARE(bytes[31], std::byte{0xa5});
    }

    // Old kernels (ENOSYS) and seccomp sandboxes (EPERM) alike: /dev/urandom takes over, opened
    // once, closed on exec, and the failing call is not asked again.
    void failingCallFallsBack()
    {
        primaryError = EPERM;
        const qsizetype openBefore = urandomDescriptors().size();
        {
            SystemEntropy entropy(failingPrimary);
            std::array<Bytes, 4> draws{};
            for (std::size_t i = 0; i < draws.size(); ++i) {
                QCOMPARE(fill(entropy, draws[i]), QStringLiteral("filled"));
                QVERIFY(i == 0 || draws[i] != draws[i - 1]);
            }
            QCOMPARE(primaryCalls, 1);
            const QList<bool> open = urandomDescriptors();
            QCOMPARE(open.size(), openBefore + 1);
            QVERIFY(!open.contains(false));
        }
        QCOMPARE(urandomDescriptors().size(), openBefore);
    }

    // With neither source the answer names both causes, for the one line the program prints;
    // asked again, the device is tried again: it may have been a passing shortage.
    void bothFailingNameTheirCausesAndTheDeviceIsTriedAgain()
    {
        QTemporaryDir dir;
        const QString device = dir.filePath(QStringLiteral("urandom"));
        primaryError = ENOSYS;
        SystemEntropy entropy(failingPrimary, device.toStdString());
        Bytes bytes{};
        QCOMPARE(fill(entropy, bytes),
                 "getentropy: Function not implemented; " + device + ": No such file or directory");
        QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), device));
        QCOMPARE(fill(entropy, bytes), QStringLiteral("filled"));
        QCOMPARE(primaryCalls, 1);
    }

    // A plain file in the device's place would repeat the same bytes every run.
    void regularFileIsNoSource()
    {
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(QByteArray(4096, 'x')) == 4096 && file.flush());
        primaryError = EPERM;
        SystemEntropy entropy(failingPrimary, file.fileName().toStdString());
        Bytes bytes{};
        QCOMPARE(fill(entropy, bytes), "getentropy: Operation not permitted; " + file.fileName() +
                                           ": not a character device");
    }
};

QTEST_GUILESS_MAIN(RandomSourceTest)
#include "tst_randomsource.moc"
