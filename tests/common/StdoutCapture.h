#pragma once

#include <QByteArray>

// Sends file descriptor 1 into a temporary file while alive, so tests read exactly the bytes
// that a process reading our standard output would get.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Everything written since the capture began.
    QByteArray bytes() const;

private:
    int m_savedStdout = -1;
    int m_file = -1;
};
