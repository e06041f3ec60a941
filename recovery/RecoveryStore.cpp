#include "RecoveryStore.h"

#include "ProcessIdentity.h"
#include "QuorvexDoc.h"
#include "ResultCodes.h"
#include "TextIds.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QLatin1String FORMAT("quorvex-recovery");
constexpr int VERSION = 1;
const QLatin1String SUFFIX(".recovery");
// A copy is a few hundred bytes; anything much larger is not one and is not read whole.
constexpr qint64 MAX_COPY_SIZE = 1 << 20;

bool IsTokenChar(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || c == u'.';
}

bool IsDigits(QStringView text)
{
    return !text.isEmpty() && text.size() <= 18
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The length of the copy name that begins fileName (up to and with ".recovery"), or 0.
qsizetype CopyNameLength(const QString& fileName)
{
    const qsizetype end = fileName.indexOf(SUFFIX);
    return end > 0 ? end + SUFFIX.size() : 0;
}

} // namespace

QString DefaultRecoveryFolder()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The XDG base directories: a relative value is invalid and ignored.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/quorvex/recovery"));
#else
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/quorvex/recovery"));
#endif
}

int RecoverySkipTextId(RecoverySkip reason)
{
    switch (reason) {
    case RecoverySkip::Damaged: return Language::TEXT_RECOVERY_DAMAGED;
    case RecoverySkip::NotRecoveryCopy: return Language::TEXT_RECOVERY_NOT_A_COPY;
    case RecoverySkip::Unreadable: return Language::TEXT_RECOVERY_UNREADABLE;
    }
    return Language::TEXT_RECOVERY_DAMAGED;
}

QByteArray EncodeRecoveryCopy(const QString& programPath, const QByteArray& programFile, const QDateTime& written)
{
    ModelCode model = 0;
    IdentifyProgramBytes(programFile, &model);
    QJsonObject object;
    object.insert(QStringLiteral("format"), FORMAT);
    object.insert(QStringLiteral("version"), VERSION);
    object.insert(QStringLiteral("path"), programPath);
    object.insert(QStringLiteral("model"), int(model));
    object.insert(QStringLiteral("written"), written.toUTC().toString(Qt::ISODateWithMs));
    object.insert(QStringLiteral("program"), QString::fromLatin1(programFile.toBase64()));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

bool DecodeRecoveryCopy(const QByteArray& contents, RecoveryCopy* copy, QByteArray* programFile, RecoverySkip* reason)
{
    auto fail = [reason](RecoverySkip why) {
        if (reason)
            *reason = why;
        return false;
    };
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return fail(RecoverySkip::Damaged);
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")) != FORMAT)
        return fail(RecoverySkip::NotRecoveryCopy);
    const QJsonValue version = object.value(QStringLiteral("version"));
    if (!version.isDouble())
        return fail(RecoverySkip::Damaged);
    if (version.toDouble() != VERSION)
        return fail(RecoverySkip::NotRecoveryCopy);

    const QJsonValue path = object.value(QStringLiteral("path"));
    const QJsonValue model = object.value(QStringLiteral("model"));
    const QJsonValue written = object.value(QStringLiteral("written"));
    const QJsonValue program = object.value(QStringLiteral("program"));
    if (!path.isString() || !model.isDouble() || !written.isString() || !program.isString())
        return fail(RecoverySkip::Damaged);
    const QDateTime time = QDateTime::fromString(written.toString(), Qt::ISODateWithMs);
    const auto decoded = QByteArray::fromBase64Encoding(program.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!time.isValid() || !decoded)
        return fail(RecoverySkip::Damaged);

    // The program must be a whole program file of the model the copy names.
    ModelCode code = 0;
    if (IdentifyProgramBytes(*decoded, &code) != RESULT_OK || model.toDouble() != double(code))
        return fail(RecoverySkip::Damaged);
    const std::unique_ptr<CQuorvexDoc> document2 = CreateDocument(code);
    if (!document2 || document2->LoadBytes(*decoded) != RESULT_OK)
        return fail(RecoverySkip::Damaged);

    if (copy) {
        copy->programPath = path.toString();
        copy->model = code;
        copy->written = time.toUTC();
    }
    if (programFile)
        *programFile = *decoded;
    return true;
}

QString RecoveryFileName(const ProcessIdentity& process, int window)
{
    return QString::number(process.pid) + QLatin1Char('-') + process.start + QLatin1Char('-')
        + QString::number(window) + SUFFIX;
}

bool RecoveryFileOwner(const QString& fileName, ProcessIdentity* process)
{
    if (!fileName.endsWith(SUFFIX))
        return false;
    const QStringView stem = QStringView(fileName).chopped(SUFFIX.size());
    const qsizetype first = stem.indexOf(u'-');
    const qsizetype last = stem.lastIndexOf(u'-');
    if (first <= 0 || last <= first + 1)
        return false;
    const QStringView pid = stem.left(first);
    const QStringView token = stem.mid(first + 1, last - first - 1);
    const QStringView window = stem.mid(last + 1);
    if (!IsDigits(pid) || !IsDigits(window) || !std::all_of(token.begin(), token.end(), IsTokenChar))
        return false;
    if (process)
        *process = {pid.toLongLong(), token.toString()};
    return true;
}

CRecoveryStore::CRecoveryStore(QString folder)
    : m_folder(std::move(folder))
{
}

QString CRecoveryStore::FilePath(const QString& fileName) const
{
    return m_folder + QLatin1Char('/') + fileName;
}

namespace {

// The copy file's contents: false with the reason when it cannot be read whole.
bool ReadCopyFile(const QString& path, QByteArray* contents, RecoverySkip* reason)
{
    // Only a regular file is opened: a named pipe would block the reader.
    const QFileInfo info(path);
    if (!info.isFile()) {
        *reason = RecoverySkip::NotRecoveryCopy;
        return false;
    }
    if (info.size() > MAX_COPY_SIZE) {
        *reason = RecoverySkip::Damaged;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = RecoverySkip::Unreadable;
        return false;
    }
    *contents = file.read(MAX_COPY_SIZE + 1);
    if (file.error() != QFileDevice::NoError) {
        *reason = RecoverySkip::Unreadable;
        return false;
    }
    if (contents->size() > MAX_COPY_SIZE) {
        *reason = RecoverySkip::Damaged;
        return false;
    }
    return true;
}

} // namespace

RecoveryListing CRecoveryStore::List() const
{
    RecoveryListing listing;
    const QDir folder(m_folder);
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        ProcessIdentity owner;
        const qsizetype copyName = CopyNameLength(name);
        if (copyName > 0 && copyName < name.size() && name.at(copyName) == u'.'
            && RecoveryFileOwner(name.left(copyName), &owner)) {
            // A temporary file of the atomic writer, left when its process ended mid-write.
            if (!IsProcessRunning(owner))
                QFile::remove(FilePath(name));
            continue;
        }
        if (!RecoveryFileOwner(name, &owner)) {
            listing.skipped.push_back({name, RecoverySkip::NotRecoveryCopy});
            continue;
        }
        if (IsProcessRunning(owner))
            continue;
        QByteArray contents;
        RecoverySkip reason = RecoverySkip::Damaged;
        RecoveryCopy copy;
        if (!ReadCopyFile(FilePath(name), &contents, &reason) || !DecodeRecoveryCopy(contents, &copy, nullptr, &reason)) {
            listing.skipped.push_back({name, reason});
            continue;
        }
        copy.fileName = name;
        listing.copies.push_back(std::move(copy));
    }
    std::stable_sort(listing.copies.begin(), listing.copies.end(),
                     [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.written > b.written; });
    return listing;
}

int CRecoveryStore::Load(const RecoveryCopy& copy, std::unique_ptr<CQuorvexDoc>* document, QByteArray* programFile) const
{
    QByteArray contents;
    RecoverySkip reason = RecoverySkip::Damaged;
    if (!ReadCopyFile(FilePath(copy.fileName), &contents, &reason))
        return reason == RecoverySkip::Damaged ? RESULT_NOT_PROGRAM_FILE : RESULT_CANNOT_READ;
    RecoveryCopy found;
    QByteArray bytes;
    if (!DecodeRecoveryCopy(contents, &found, &bytes, &reason))
        return RESULT_NOT_PROGRAM_FILE;
    std::unique_ptr<CQuorvexDoc> loaded = CreateDocument(found.model);
    if (!loaded)
        return RESULT_NOT_PROGRAM_FILE;
    const int result = loaded->LoadBytes(bytes);
    if (result != RESULT_OK)
        return result;
    // Restored work is not saved anywhere yet.
    loaded->SetModified();
    *document = std::move(loaded);
    if (programFile)
        *programFile = bytes;
    return RESULT_OK;
}

bool CRecoveryStore::Remove(const QString& fileName) const
{
    const QString path = FilePath(fileName);
    return QFile::remove(path) || !QFileInfo::exists(path);
}
