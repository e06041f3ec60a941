#pragma once
// Programs and process identities for the recovery tests.

#include "ProcessIdentity.h"
#include "QuorvexDoc.h"

#include <QByteArray>
#include <QFile>

#include <memory>

namespace RecoveryFixtures {

// A program of the model with one edit: byte `offset` of the image set to `value`, marked
// modified as an edit in the window leaves it.
inline std::unique_ptr<CQuorvexDoc> EditedProgram(ModelCode model, int offset, std::uint8_t value)
{
    std::unique_ptr<CQuorvexDoc> document = CreateDocument(model);
    document->ResetProgram(0);
    document->GetData()[offset] = value;
    document->SetModified();
    return document;
}

inline QByteArray FileBytes(const CDocBase& document)
{
    QByteArray bytes;
    document.FileBytes(&bytes);
    return bytes;
}

// This process under another start: what a process of the same ID that ended looks like.
inline ProcessIdentity EndedProcess()
{
    ProcessIdentity identity = CurrentProcessIdentity();
    identity.start += QLatin1Char('7');
    return identity;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace RecoveryFixtures
