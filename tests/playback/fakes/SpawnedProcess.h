#pragma once

#include <QByteArray>
#include <QStringList>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char **environ;

// A helper program (ffmpeg, parec) started with posix_spawn. QProcess starts children with a
// clone() that shares the parent's memory, which ThreadSanitizer's runtime cannot follow (it
// aborts with an internal check): this keeps the playback test runnable under it.
class SpawnedProcess
{
public:
    // Starts the program found on PATH; with `readOutput`, its standard output comes to read().
    explicit SpawnedProcess(const QStringList &arguments, bool readOutput = false)
    {
        std::vector<QByteArray> bytes;
        std::vector<char *> argv;
        for (const QString &argument : arguments)
            bytes.push_back(argument.toLocal8Bit());
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int ends[2] = {-1, -1};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (readOutput && ::pipe2(ends, O_CLOEXEC) == 0) {
            posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
            ::fcntl(m_output = ends[0], F_SETFL, O_NONBLOCK);
        }
        if (::posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        if (ends[1] >= 0)
            ::close(ends[1]);
    }
    ~SpawnedProcess()
    {
        if (m_pid > 0 && ::kill(m_pid, SIGTERM) == 0)
            wait();
        if (m_output >= 0)
            ::close(m_output);
    }
    SpawnedProcess(const SpawnedProcess &) = delete;
    SpawnedProcess &operator=(const SpawnedProcess &) = delete;

    // Its exit status once it has ended; -1 when it did not start or did not exit normally.
    int wait()
    {
        int status = 0;
        if (m_pid <= 0 || ::waitpid(std::exchange(m_pid, -1), &status, 0) < 0)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // What it has written so far, without waiting.
    QByteArray read()
    {
        QByteArray got;
        char buffer[65536];
        for (ssize_t n = 0; m_output >= 0 && (n = ::read(m_output, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        return got;
    }

private:
    pid_t m_pid = -1;
    int m_output = -1;
};
