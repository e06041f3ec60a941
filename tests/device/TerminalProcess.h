#pragma once
// Runs a program on a pseudo-terminal, as a user at a terminal runs it: its standard input,
// output and error are the terminal, whose other side the test reads and writes.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <csignal>
#include <vector>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

class CTerminalProcess {
public:
    CTerminalProcess() = default;
    CTerminalProcess(const CTerminalProcess&) = delete;
    CTerminalProcess& operator=(const CTerminalProcess&) = delete;
    ~CTerminalProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_master >= 0)
            ::close(m_master);
    }

    // Starts the program with the environment variables ("NAME=VALUE") added to this one's.
    bool Start(const QString& program, const QStringList& arguments, const QStringList& environment = {})
    {
        // Everything the child needs is prepared before the fork.
        std::vector<QByteArray> storage;
        storage.push_back(program.toLocal8Bit());
        for (const QString& argument : arguments)
            storage.push_back(argument.toLocal8Bit());
        const std::size_t argumentCount = storage.size();
        for (char** variable = environ; *variable; ++variable)
            storage.emplace_back(*variable);
        for (const QString& variable : environment)
            storage.push_back(variable.toLocal8Bit());
        std::vector<char*> argv, envp;
        for (std::size_t i = 0; i < storage.size(); ++i)
            (i < argumentCount ? argv : envp).push_back(storage[i].data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);

        m_pid = forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_pid < 0)
            return false;
        if (m_pid == 0) {
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        return true;
    }

    pid_t Pid() const { return m_pid; }

    // Reads what the program wrote until `needle` appears or the time is up; true if it did.
    bool ReadUntil(const QByteArray& needle, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_output.contains(needle)) {
            const int left = timeoutMs - int(timer.elapsed());
            if (left <= 0 || !ReadSome(left))
                return false;
        }
        return true;
    }

    void Write(const QByteArray& bytes) { (void)!::write(m_master, bytes.constData(), std::size_t(bytes.size())); }

    // Waits for the program to end, reading its output; its exit status, or -1.
    int Wait(int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (ReadSome(std::max(1, timeoutMs - int(timer.elapsed()))) && timer.elapsed() < timeoutMs) {
        }
        int status = 0;
        for (;;) {
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid)
                break;
            if (timer.elapsed() > timeoutMs)
                return -1;
            ::usleep(10000);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QByteArray Output() const { return m_output; }

private:
    // False at the end of the output (the program closed the terminal) or on time-out.
    bool ReadSome(int timeoutMs)
    {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, timeoutMs) <= 0)
            return false;
        char buffer[4096];
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        m_output.append(buffer, got);
        return true;
    }

    pid_t m_pid = -1;
    int m_master = -1;
    QByteArray m_output;
};
