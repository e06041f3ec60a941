// Program files: a checksummed header followed by the program image.
//
// Version 2 (written and read): checksum u16, version u32 = 2, body length u32, model byte,
// body. Version 1 (read only): checksum, version = 1, body length, body; always model 0x10.
// Integers are little-endian; the checksum covers everything after itself.

#include "AtomicFile.h"
#include "DocBase.h"
#include "ResultCodes.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <new>
#include <vector>

namespace {

constexpr int CHECKSUM_OFFSET = 0;
constexpr int VERSION_OFFSET = 2;
constexpr int LENGTH_OFFSET = 6;
constexpr int MODEL_OFFSET = 10;
constexpr qint64 HEADER_V1 = 10;
constexpr qint64 HEADER_V2 = 11;
constexpr std::uint32_t VERSION_WRITTEN = 2;

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void WriteU32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(value >> (8 * i));
}

// Opens an existing regular file for reading. Anything else (a folder, a named pipe, a
// device) is refused before it is opened: opening a named pipe would block until some
// other program writes to it.
bool OpenProgramFile(QFile& file)
{
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

// Reads exactly count bytes from the start of the file.
bool ReadHeader(QIODevice& file, std::uint8_t* buffer, qint64 count)
{
    return file.seek(0) && file.read(reinterpret_cast<char*>(buffer), count) == count;
}

// IdentifyProgramFile on an open file or buffer.
int IdentifyProgram(QIODevice& file, ModelCode* code)
{
    if (file.size() < HEADER_V1)
        return RESULT_NOT_PROGRAM_FILE;
    std::uint8_t header[HEADER_V2] = {};
    if (!ReadHeader(file, header, HEADER_V1))
        return RESULT_CANNOT_READ;
    const std::uint32_t version = ReadU32(header + VERSION_OFFSET);
    if (version == 0 || version > 2)
        return RESULT_NOT_PROGRAM_FILE;
    ModelCode found = MODEL_QVR_K115_ZQX;
    if (version == 2) {
        if (!ReadHeader(file, header, HEADER_V2))
            return RESULT_NOT_PROGRAM_FILE;
        found = header[MODEL_OFFSET];
    }
    if (code)
        *code = found;
    return RESULT_OK;
}

} // namespace

std::uint16_t ProgramChecksum(const std::uint8_t* data, std::size_t size)
{
    std::uint16_t crc = 0x43D5;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= std::uint16_t(data[i]) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

int IdentifyProgramFile(const QString& path, ModelCode* code)
{
    QFile file(path);
    if (!OpenProgramFile(file))
        return RESULT_CANNOT_READ;
    return IdentifyProgram(file, code);
}

int IdentifyProgramBytes(const QByteArray& bytes, ModelCode* code)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return IdentifyProgram(buffer, code);
}

int CDocBase::Load(const QString& path)
{
    if (!GetData() || GetDataSize() <= 0)
        return RESULT_NOT_PROGRAM_FILE;
    QFile file(path);
    if (!OpenProgramFile(file))
        return RESULT_CANNOT_READ;
    return LoadFrom(file);
}

int CDocBase::LoadBytes(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadFrom(buffer);
}

int CDocBase::LoadFrom(QIODevice& file)
{
    const qint64 n = GetDataSize();
    const ModelCode model = GetModelCode() & MODEL_NUMBER_MASK;
    std::uint8_t* image = GetData();
    if (!image || n <= 0)
        return RESULT_NOT_PROGRAM_FILE;

    const qint64 size = file.size();
    if (size < HEADER_V1)
        return RESULT_NOT_PROGRAM_FILE;
    std::uint8_t header[HEADER_V2] = {};
    if (!ReadHeader(file, header, HEADER_V1))
        return RESULT_CANNOT_READ;
    const std::uint32_t version = ReadU32(header + VERSION_OFFSET);
    const std::uint32_t length = ReadU32(header + LENGTH_OFFSET);
    qint64 bodyOffset = 0;
    if (version == 1) {
        if (model != MODEL_QVR_K115_ZQX || length != std::uint32_t(n) || size != n + HEADER_V1)
            return RESULT_NOT_PROGRAM_FILE;
        bodyOffset = HEADER_V1;
    } else if (version == 2) {
        if (!ReadHeader(file, header, HEADER_V2))
            return RESULT_NOT_PROGRAM_FILE;
        if (header[MODEL_OFFSET] != model || length != std::uint32_t(n) || size != n + HEADER_V2)
            return RESULT_NOT_PROGRAM_FILE;
        bodyOffset = HEADER_V2;
    } else {
        return RESULT_NOT_PROGRAM_FILE;
    }

    std::vector<std::uint8_t> buffer;
    try {
        buffer.resize(std::size_t(size));
    } catch (const std::bad_alloc&) {
        return RESULT_OUT_OF_MEMORY;
    }
    if (!ReadHeader(file, buffer.data(), size))
        return RESULT_CANNOT_READ;
    // The file may have grown after its size was taken: only a file of exactly that size counts.
    if (!file.atEnd())
        return RESULT_NOT_PROGRAM_FILE;
    const std::uint16_t stored = std::uint16_t(buffer[CHECKSUM_OFFSET] | buffer[CHECKSUM_OFFSET + 1] << 8);
    if (ProgramChecksum(buffer.data() + VERSION_OFFSET, buffer.size() - VERSION_OFFSET) != stored)
        return RESULT_BAD_CHECKSUM;
    std::copy(buffer.begin() + bodyOffset, buffer.begin() + bodyOffset + n, image);
    ClearModified();
    return RESULT_OK;
}

int CDocBase::Save(const QString& path)
{
    QByteArray bytes;
    const int result = FileBytes(&bytes);
    if (result != RESULT_OK)
        return result;
    if (!WriteFileAtomically(path, bytes))
        return RESULT_CANNOT_WRITE;
    ClearModified();
    return RESULT_OK;
}

int CDocBase::FileBytes(QByteArray* bytes) const
{
    const qint64 n = GetDataSize();
    const std::uint8_t* image = GetData();
    if (!image || n <= 0)
        return RESULT_CANNOT_WRITE;

    std::vector<std::uint8_t> buffer;
    try {
        buffer.assign(std::size_t(n + HEADER_V2), 0);
    } catch (const std::bad_alloc&) {
        return RESULT_OUT_OF_MEMORY;
    }
    WriteU32(buffer.data() + VERSION_OFFSET, VERSION_WRITTEN);
    WriteU32(buffer.data() + LENGTH_OFFSET, std::uint32_t(n));
    buffer[MODEL_OFFSET] = GetModelCode();
    std::copy(image, image + n, buffer.begin() + HEADER_V2);
    const std::uint16_t sum = ProgramChecksum(buffer.data() + VERSION_OFFSET, buffer.size() - VERSION_OFFSET);
    buffer[CHECKSUM_OFFSET] = std::uint8_t(sum);
    buffer[CHECKSUM_OFFSET + 1] = std::uint8_t(sum >> 8);

    *bytes = QByteArray(reinterpret_cast<const char*>(buffer.data()), qsizetype(buffer.size()));
    return RESULT_OK;
}
