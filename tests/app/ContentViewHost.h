#pragma once

#include "PlaybackDouble.h"

#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>
#include <QtQml/qqml.h>

#include <memory>

// The main screen in a window of its own, as the app shows it, with the recording double in
// place of playback so that presses play nothing and can be counted.
struct ContentViewHost
{
    std::unique_ptr<QQuickView> view;
    PlaybackDouble *playback = nullptr;

    static void registerDouble()
    {
        // A later minor version shadows the bridge for every unversioned `import Klonkel`.
        qmlRegisterSingletonType<PlaybackDouble>(
            "Klonkel", 1, 1, "Playback",
            [](QQmlEngine *, QJSEngine *) -> QObject * { return new PlaybackDouble; });
    }

    bool show()
    {
        view = std::make_unique<QQuickView>();
        view->engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
        view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Klonkel/screen/ContentView.qml")));
        if (view->status() != QQuickView::Ready)
            return false;
        playback = view->engine()->singletonInstance<PlaybackDouble *>(
            qmlTypeId("Klonkel", 1, 1, "Playback"));
        view->show();
        view->requestActivate();
        return playback && QTest::qWaitForWindowActive(view.get());
    }

    QQuickItem *item(const char *objectName) const
    {
        return view->rootObject()->findChild<QQuickItem *>(QLatin1String(objectName));
    }

    int taps() const
    {
        return int(playback->calls().count(QStringLiteral("writeLine:button Tapped")));
    }
};
