#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

// Gives QML the location of the pictures that ship beside the executable.
class Resources : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // The file URL of "<name>.png", or an empty URL after one message on standard error.
    Q_INVOKABLE QUrl image(const QString &name) const;
};
