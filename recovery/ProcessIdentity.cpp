#include "ProcessIdentity.h"

#include <QCoreApplication>
#include <QDateTime>

#include <limits>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

#if defined(Q_OS_LINUX)

// The whole of a small /proc file; false with errno set when it cannot be opened or read.
bool ReadProcFile(const char* path, QByteArray* text)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[4096];
    text->clear();
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        if (n == 0)
            break;
        text->append(buffer, qsizetype(n));
        if (text->size() > 65536)
            break;
    }
    ::close(fd);
    return true;
}

// The first 16 hex digits of this boot's ID; empty when the kernel does not tell.
QString BootId()
{
    static const QString id = [] {
        QByteArray text;
        if (!ReadProcFile("/proc/sys/kernel/random/boot_id", &text))
            return QString();
        QString digits;
        for (char c : text)
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))
                digits += QLatin1Char(c);
        return digits.size() >= 16 ? digits.left(16) : QString();
    }();
    return id;
}

enum class StatResult { Found, NoProcess, Unknown };

// The state letter and the start time (clock ticks since boot) of a process from
// /proc/<pid>/stat. The command name in parentheses may hold spaces and parentheses, so the
// fields are counted from the last ')'.
StatResult ReadStat(qint64 pid, char* state, QByteArray* startTicks)
{
    QByteArray text;
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/stat";
    if (!ReadProcFile(path.constData(), &text))
        return errno == ENOENT || errno == ESRCH ? StatResult::NoProcess : StatResult::Unknown;
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return StatResult::Unknown;
    const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
    // After the name: field 3 (state) is the first, field 22 (start time) the twentieth.
    if (fields.size() < 20 || fields[0].size() != 1)
        return StatResult::Unknown;
    bool ok = false;
    fields[19].toULongLong(&ok);
    if (!ok)
        return StatResult::Unknown;
    *state = fields[0][0];
    *startTicks = fields[19];
    return StatResult::Found;
}

#endif

// The token of a process that cannot be told by /proc: the time this process first asked.
QString FallbackToken()
{
    static const QString token = QLatin1Char('t') + QString::number(QDateTime::currentMSecsSinceEpoch());
    return token;
}

// Whether a process of this ID exists at all (PID reuse cannot be told apart here).
bool ProcessIdExists(qint64 pid)
{
#if defined(Q_OS_WIN)
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
#else
    if (pid > qint64(std::numeric_limits<pid_t>::max()))
        return false;
    // Signal 0 checks existence and permission without sending anything; a process of
    // another user exists too.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}

} // namespace

QString ProcessStartToken(qint64 pid)
{
#if defined(Q_OS_LINUX)
    const QString boot = BootId();
    char state = 0;
    QByteArray ticks;
    if (!boot.isEmpty() && pid > 0 && ReadStat(pid, &state, &ticks) == StatResult::Found)
        return boot + QLatin1Char('.') + QString::fromLatin1(ticks);
#else
    Q_UNUSED(pid);
#endif
    return QString();
}

ProcessIdentity CurrentProcessIdentity()
{
    const qint64 pid = QCoreApplication::applicationPid();
    static const QString token = [pid] {
        const QString fromProc = ProcessStartToken(pid);
        return fromProc.isEmpty() ? FallbackToken() : fromProc;
    }();
    return {pid, token};
}

bool IsProcessRunning(const ProcessIdentity& identity)
{
    if (identity.pid <= 0)
        return false;
#if defined(Q_OS_LINUX)
    const qsizetype dot = identity.start.indexOf(QLatin1Char('.'));
    const QString boot = BootId();
    if (dot > 0 && !boot.isEmpty()) {
        // Written during another boot: every process of that boot has ended.
        if (identity.start.left(dot) != boot)
            return false;
        char state = 0;
        QByteArray ticks;
        switch (ReadStat(identity.pid, &state, &ticks)) {
        case StatResult::NoProcess:
            return false;
        case StatResult::Found:
            // 'Z' ended but not reaped, 'X' dying: neither will write again.
            return state != 'Z' && state != 'X' && QStringView(identity.start).mid(dot + 1) == QLatin1String(ticks);
        case StatResult::Unknown:
            break;
        }
    }
#endif
    return ProcessIdExists(identity.pid);
}
