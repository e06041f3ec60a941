#pragma once
// Root of the program documents: the modified flag and the file operations.

#include "ModelTypes.h"

#include <QString>
#include <cstdint>

class QIODevice;

class CDocBase {
public:
    virtual ~CDocBase() = default;

    virtual int GetDataSize() const { return 0; }
    virtual std::uint8_t* GetData() { return nullptr; }
    virtual const std::uint8_t* GetData() const { return nullptr; }
    virtual void ResetProgram(int modified) { m_nModified = modified ? 1 : 0; }
    virtual ModelCode GetModelCode() const { return 0; }
    // Program files; both return a result code (0, 21..25) and leave the document unchanged
    // on failure.
    virtual int Load(const QString& path);
    virtual int Save(const QString& path);
    // The same for a program file held in memory (read from a pipe, say): LoadBytes makes
    // the checks of Load; FileBytes gives the bytes Save writes (0, 21 or 22).
    int LoadBytes(const QByteArray& bytes);
    int FileBytes(QByteArray* bytes) const;
    // Plain-text description of the program; 0 or 22.
    virtual int WriteReport(const QString& /*path*/) { return 0; }

    int IsModified() const { return m_nModified; }
    void SetModified() { m_nModified = 1; }
    void ClearModified() { m_nModified = 0; }

protected:
    int m_nModified = 0;

private:
    int LoadFrom(QIODevice& file);
};

// Reads only the header of a program file and tells which model it is for (the model byte
// as stored; 0x10 for a version 1 file). Returns 0, 23 or 24.
int IdentifyProgramFile(const QString& path, ModelCode* code);
// The same for a program file held in memory.
int IdentifyProgramBytes(const QByteArray& bytes, ModelCode* code);

// CRC-16 of program files: polynomial 0x1021, MSB first, initial value 0x43D5, no reflection,
// no final XOR.
std::uint16_t ProgramChecksum(const std::uint8_t* data, std::size_t size);
