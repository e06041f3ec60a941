#include "RecoveryWriter.h"

#include "AtomicFile.h"
#include "DocBase.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

namespace {

// Numbers the windows of this process, so that their copies have names of their own.
std::atomic<int> g_nextWindow{1};

// Renames a file over another, replacing it (the C library does on POSIX systems; elsewhere
// the target is removed first).
bool RenameReplacing(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (std::rename(source.constData(), target.constData()) == 0)
        return true;
    if (!QFileInfo::exists(from) || !QFileInfo::exists(to) || !QFile::remove(to))
        return false;
    return std::rename(source.constData(), target.constData()) == 0;
}

} // namespace

CRecoveryWriter::CRecoveryWriter(QString folder, QObject* parent)
    : CRecoveryWriter(std::move(folder), CurrentProcessIdentity(), parent)
{
}

CRecoveryWriter::CRecoveryWriter(QString folder, const ProcessIdentity& process, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(folder))
    , m_fileName(RecoveryFileName(process, g_nextWindow.fetch_add(1)))
{
    m_thread = QThread::create([this] { Run(); });
    m_thread->setObjectName(QStringLiteral("recovery writer"));
    m_thread->start();
}

CRecoveryWriter::~CRecoveryWriter()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_changed.wakeAll();
    }
    m_thread->wait();
    delete m_thread;
}

QString CRecoveryWriter::FilePath() const
{
    return m_folder + QLatin1Char('/') + m_fileName;
}

void CRecoveryWriter::Update(const CDocBase& document, const QString& programPath)
{
    if (!document.IsModified()) {
        Discard();
        return;
    }
    auto pending = std::make_unique<Pending>();
    if (document.FileBytes(&pending->programFile) != RESULT_OK)
        return;
    pending->programPath = programPath;
    pending->written = QDateTime::currentDateTimeUtc();
    QMutexLocker lock(&m_mutex);
    m_pending = std::move(pending);
    m_changed.wakeAll();
}

bool CRecoveryWriter::Discard()
{
    {
        QMutexLocker lock(&m_mutex);
        m_pending.reset();
        while (m_busy)
            m_changed.wait(&m_mutex);
    }
    const QString path = FilePath();
    const bool gone = QFile::remove(path) || !QFileInfo(path).exists();
    // Nothing is left to protect: a message about failed copies no longer applies. Queued
    // like the writing thread's reports, so that the window gets them in order.
    if (m_failing.exchange(false))
        QMetaObject::invokeMethod(this, [this] { Q_EMIT writeRecovered(); }, Qt::QueuedConnection);
    return gone;
}

int CRecoveryWriter::Adopt(const RecoveryCopy& copy, std::unique_ptr<CQuorvexDoc>* document)
{
    const CRecoveryStore store(m_folder);
    std::unique_ptr<CQuorvexDoc> loaded;
    const int result = store.Load(copy, &loaded);
    if (result != RESULT_OK)
        return result;
    {
        QMutexLocker lock(&m_mutex);
        m_pending.reset();
        while (m_busy)
            m_changed.wait(&m_mutex);
    }
    // The rename is the claim: of two windows restoring the same copy, one finds it gone.
    if (!RenameReplacing(store.FilePath(copy.fileName), FilePath()))
        return RESULT_CANNOT_READ;
    *document = std::move(loaded);
    return RESULT_OK;
}

void CRecoveryWriter::Flush()
{
    QMutexLocker lock(&m_mutex);
    while (m_pending || m_busy)
        m_changed.wait(&m_mutex);
}

void CRecoveryWriter::Run()
{
    for (;;) {
        std::unique_ptr<Pending> job;
        {
            QMutexLocker lock(&m_mutex);
            while (!m_pending && !m_stop)
                m_changed.wait(&m_mutex);
            if (!m_pending)
                return;
            job = std::move(m_pending);
            m_busy = true;
        }
        const bool written = WriteCopy(*job);
        QMutexLocker lock(&m_mutex);
        if (written)
            ++m_writeCount;
        // Reported on the owner's thread, in order with Discard's report (hence under the
        // lock, before Discard can go on); a writer deleted meanwhile drops the report.
        if (!written && !m_failing.exchange(true))
            QMetaObject::invokeMethod(this, [this, folder = m_folder] { Q_EMIT writeFailed(folder); }, Qt::QueuedConnection);
        else if (written && m_failing.exchange(false))
            QMetaObject::invokeMethod(this, [this] { Q_EMIT writeRecovered(); }, Qt::QueuedConnection);
        m_busy = false;
        m_changed.wakeAll();
    }
}

bool CRecoveryWriter::WriteCopy(const Pending& pending)
{
    const QString path = FilePath();
    // The folder holds unsaved programs: the user's alone. It is made again when it vanished.
    if (!m_folderReady || !QFileInfo(m_folder).isDir()) {
        const bool made = !QFileInfo::exists(m_folder);
        if (!QDir().mkpath(m_folder))
            return false;
        if (made)
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_folderReady = true;
    }
    // Never written through a link or over the program's own file, whatever the folder holds.
    const QFileInfo target(path);
    if (target.isSymLink() || (!pending.programPath.isEmpty() && QFileInfo(pending.programPath).absoluteFilePath() == target.absoluteFilePath()))
        return false;
    return WriteFileAtomically(path, EncodeRecoveryCopy(pending.programPath, pending.programFile, pending.written));
}
