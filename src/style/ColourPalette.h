#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

// The four colours that every painted surface of the app is made from, each defined once.
// Each colour is made on its first read, once, and kept for the life of the process.
class ColourPalette : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QColor slateGrey READ slateGrey CONSTANT)
    Q_PROPERTY(QColor nearBlack READ nearBlack CONSTANT)
    Q_PROPERTY(QColor brightBlue READ brightBlue CONSTANT)
    Q_PROPERTY(QColor deepBlue READ deepBlue CONSTANT)

public:
    using QObject::QObject;

    static QColor slateGrey();
    static QColor nearBlack();
    static QColor brightBlue();
    static QColor deepBlue();
};
