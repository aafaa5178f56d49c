#pragma once

#include "ToneStream.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <cstdio>
#include <unistd.h>

// The tone mode's sound: each click says "clicked" and sounds a tone over a stream kept running.
class ClickTone : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(bool connected READ isConnected CONSTANT)

public:
    ClickTone()
    {
        if (!isConnected())
            std::fprintf(stderr, "no sound server\n");
    }

    bool isConnected() const { return m_stream.isConnected(); }

    Q_INVOKABLE void click()
    {
        static const char line[] = "clicked\n";
        [[maybe_unused]] auto written = ::write(STDOUT_FILENO, line, sizeof line - 1);
        m_stream.sound();
    }

private:
    ToneStream m_stream;
};
