#include "StdoutCapture.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char name[] = "/tmp/klonkel-stdout-XXXXXX";
    m_file = ::mkstemp(name);
    ::unlink(name);
    m_savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(m_file, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    ::dup2(m_savedStdout, STDOUT_FILENO);
    ::close(m_savedStdout);
    ::close(m_file);
}

QByteArray StdoutCapture::bytes() const
{
    std::fflush(stdout);
    QByteArray content;
    char buffer[65536];
    off_t offset = 0;
    ssize_t got;
    while ((got = ::pread(m_file, buffer, sizeof buffer, offset)) > 0) {
        content.append(buffer, got);
        offset += got;
    }
    return content;
}
