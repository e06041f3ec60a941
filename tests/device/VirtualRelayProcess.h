#pragma once
// Starts quorvex-virtual-relay as a child process and reads the pseudo-terminal path it
// prints. The relay is terminated when the object goes away.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class CVirtualRelayProcess {
public:
    CVirtualRelayProcess() = default;
    CVirtualRelayProcess(const CVirtualRelayProcess&) = delete;
    CVirtualRelayProcess& operator=(const CVirtualRelayProcess&) = delete;
    ~CVirtualRelayProcess() { Stop(); }

    // Starts the relay; empty path (and a message in *error) on failure.
    QString Start(const QString& program, const QStringList& arguments, QString* error = nullptr)
    {
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process->start(program, arguments);
        if (!m_process->waitForStarted(5000)) {
            if (error)
                *error = m_process->errorString();
            return {};
        }
        while (!m_process->canReadLine()) {
            if (!m_process->waitForReadyRead(5000)) {
                if (error)
                    *error = QStringLiteral("the relay printed no path");
                return {};
            }
        }
        m_path = QString::fromLocal8Bit(m_process->readLine()).trimmed();
        return m_path;
    }

    // Ends the relay as if it were unplugged.
    void Stop()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(3000)) {
                m_process->kill();
                m_process->waitForFinished(3000);
            }
        }
        m_process.reset();
    }

    // Waits for the relay to end by itself; its exit status, or -1 when it did not end in time
    // or crashed.
    int WaitForExit(int timeoutMs)
    {
        if (!m_process)
            return -1;
        // waitForFinished reports false for a process that has already ended.
        if (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(timeoutMs))
            return -1;
        if (m_process->exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process->exitCode();
    }

    bool Running() const { return m_process && m_process->state() != QProcess::NotRunning; }
    QString Path() const { return m_path; }

private:
    std::unique_ptr<QProcess> m_process;
    QString m_path;
};
