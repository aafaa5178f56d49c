#pragma once

#include "Soundboard.h"

#include <QJSValue>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The screen's handle on the soundboard: one per QML engine, so every window of the app shares
// one playlist and one player, and they end with the engine, before the application.
class SoundboardObject : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Soundboard)
    QML_SINGLETON

public:
    using QObject::QObject;

    // Each runs the view's own changes, a function, at their place in the sequence.
    Q_INVOKABLE void press(const QJSValue &viewStep);
    Q_INVOKABLE void appear(const QJSValue &viewStep);
    Q_INVOKABLE void disappear();

private:
    klonkel::Soundboard m_soundboard;
};
