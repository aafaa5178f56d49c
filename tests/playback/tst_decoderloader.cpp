#include "ClipDecoderLoader.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <memory>

using namespace klonkel;
using namespace Qt::StringLiterals;

// The decoder module loads once per process on a worker thread, so ctest runs this program once
// per case (the case's name is its argument). Run under ThreadSanitizer, these are the loader's
// cross-thread hand-overs.
class DecoderLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    // The caller hears back on its own thread once the module is there, and can open clips.
    void calledBackOnTheContextsThreadOnceLoaded()
    {
        QObject context;
        QThread *calledOn = nullptr;
        int calls = 0;
        startLoadingClipDecoder(&context, [&] {
            calledOn = QThread::currentThread();
            ++calls;
        });
        QTRY_COMPARE(calls, 1);
        QCOMPARE(calledOn, context.thread());
        QVERIFY(clipDecoderLoaded());
        const QString clip = QCoreApplication::applicationDirPath() + u"/resources/achso.m4a"_s;
        ClipDecoder::Opened opened = openClipDecoder(clip, PcmFormat{});
        QVERIFY2(opened.decoder, opened.failure.c_str());
        QByteArray pcm;
        opened.decoder->decodeInto(pcm, 4096);
        QVERIFY(!pcm.isEmpty());
    }

    // A context that goes while the module loads (a window closed at once) is not called back,
    // and the module stays usable.
    void aContextGoneWhileLoadingIsNotCalledBack()
    {
        auto context = std::make_unique<QObject>();
        int calls = 0;
        startLoadingClipDecoder(context.get(), [&] { ++calls; });
        context.reset();
        QTRY_VERIFY(clipDecoderLoaded());
        QTest::qWait(200); // a call back would have been delivered by now
        QCOMPARE(calls, 0);
        const QString clip = QCoreApplication::applicationDirPath() + u"/resources/achso.m4a"_s;
        QVERIFY(openClipDecoder(clip, PcmFormat{}).decoder);
    }
};

QTEST_GUILESS_MAIN(DecoderLoaderTest)
#include "tst_decoderloader.moc"
