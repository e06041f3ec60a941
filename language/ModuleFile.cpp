#include "ModuleFile.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstdint>
#include <cstring>

namespace Language {

namespace {

#if defined(__ELF__)
// ELF identification and header fields used here (the layouts of the 32-bit and 64-bit
// forms differ only in where and how wide the fields are).
constexpr unsigned char ELF_MAGIC[4] = {0x7F, 'E', 'L', 'F'};
constexpr int EI_CLASS = 4;
constexpr int EI_DATA = 5;
constexpr int EI_VERSION = 6;
constexpr unsigned char ELFCLASS32 = 1;
constexpr unsigned char ELFCLASS64 = 2;
constexpr unsigned char ELFDATA2LSB = 1;
constexpr unsigned char ELFDATA2MSB = 2;
constexpr std::uint16_t ET_DYN = 3;
constexpr std::uint32_t PT_LOAD = 1;
constexpr std::uint32_t SHT_NOBITS = 8;
constexpr std::uint16_t PN_XNUM = 0xFFFF;

struct ElfLayout {
    int headerSize;
    // Header fields.
    int phoff, shoff, phentsizeAt, phnumAt, shentsizeAt, shnumAt;
    int offsetWidth; // width of offsets and sizes: 4 or 8
    // Program header entry.
    int phentsize, pOffset, pFilesz, pMemsz;
    // Section header entry.
    int shentsize, shType, shOffset, shSize;
};

constexpr ElfLayout ELF32 = {52, 28, 32, 42, 44, 46, 48, 4, 32, 4, 16, 20, 40, 4, 16, 20};
constexpr ElfLayout ELF64 = {64, 32, 40, 54, 56, 58, 60, 8, 56, 8, 32, 40, 64, 4, 24, 32};

// Reads little- or big-endian integers out of a header buffer.
class FieldReader {
public:
    FieldReader(const QByteArray& bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    std::uint64_t Read(std::uint64_t offset, int width) const
    {
        const uchar* p = reinterpret_cast<const uchar*>(m_bytes.constData()) + qsizetype(offset);
        switch (width) {
        case 2: return m_bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
        case 4: return m_bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
        default: return m_bigEndian ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p);
        }
    }

private:
    const QByteArray& m_bytes;
    bool m_bigEndian;
};

// Whether [offset, offset + size) lies inside a file of fileSize bytes, without overflow.
bool InsideFile(std::uint64_t offset, std::uint64_t size, std::uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

// Exactly `size` bytes from `offset`, or false.
bool ReadAt(QFile& file, std::uint64_t offset, std::uint64_t size, QByteArray* bytes)
{
    if (!file.seek(qint64(offset)))
        return false;
    *bytes = file.read(qint64(size));
    return std::uint64_t(bytes->size()) == size;
}

// Reads a table of `count` entries of `entrySize` bytes at `offset`, all inside the file.
bool ReadTable(QFile& file, std::uint64_t offset, std::uint64_t count, int entrySize, std::uint64_t fileSize,
               QByteArray* table)
{
    // Callers keep count below the file size, so the product cannot overflow.
    const std::uint64_t bytes = count * std::uint64_t(entrySize);
    return InsideFile(offset, bytes, fileSize) && ReadAt(file, offset, bytes, table);
}

bool CheckElf(QFile& file, std::uint64_t fileSize)
{
    QByteArray ident;
    if (!ReadAt(file, 0, 16, &ident) || std::memcmp(ident.constData(), ELF_MAGIC, sizeof ELF_MAGIC) != 0)
        return false;
    // Only a library of this process's word size and byte order can be loaded at all.
    const unsigned char wantedClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    const unsigned char wantedData = QSysInfo::ByteOrder == QSysInfo::BigEndian ? ELFDATA2MSB : ELFDATA2LSB;
    if (uchar(ident[EI_CLASS]) != wantedClass || uchar(ident[EI_DATA]) != wantedData || ident[EI_VERSION] != 1)
        return false;
    const ElfLayout& layout = wantedClass == ELFCLASS64 ? ELF64 : ELF32;
    const bool bigEndian = wantedData == ELFDATA2MSB;

    QByteArray header;
    if (!ReadAt(file, 0, std::uint64_t(layout.headerSize), &header))
        return false;
    const FieldReader h(header, bigEndian);
    if (h.Read(16, 2) != ET_DYN)
        return false;

    // Program headers: every segment, the loadable ones above all, must be backed by the file.
    const std::uint64_t phoff = h.Read(layout.phoff, layout.offsetWidth);
    const std::uint64_t phnum = h.Read(layout.phnumAt, 2);
    if (h.Read(layout.phentsizeAt, 2) != std::uint64_t(layout.phentsize) || phnum == 0 || phnum == PN_XNUM)
        return false;
    QByteArray programHeaders;
    if (!ReadTable(file, phoff, phnum, layout.phentsize, fileSize, &programHeaders))
        return false;
    const FieldReader ph(programHeaders, bigEndian);
    bool loadable = false;
    for (std::uint64_t i = 0; i < phnum; ++i) {
        const std::uint64_t at = i * std::uint64_t(layout.phentsize);
        const std::uint64_t type = ph.Read(at, 4);
        const std::uint64_t offset = ph.Read(at + layout.pOffset, layout.offsetWidth);
        const std::uint64_t filesz = ph.Read(at + layout.pFilesz, layout.offsetWidth);
        const std::uint64_t memsz = ph.Read(at + layout.pMemsz, layout.offsetWidth);
        if (!InsideFile(offset, filesz, fileSize))
            return false;
        if (type == PT_LOAD) {
            if (filesz > memsz)
                return false;
            loadable = true;
        }
    }
    if (!loadable)
        return false;

    // Section headers: optional, but when present the table and every section with contents
    // must be inside the file too (a file cut short loses them first).
    const std::uint64_t shoff = h.Read(layout.shoff, layout.offsetWidth);
    if (shoff == 0)
        return true;
    if (h.Read(layout.shentsizeAt, 2) != std::uint64_t(layout.shentsize))
        return false;
    std::uint64_t shnum = h.Read(layout.shnumAt, 2);
    QByteArray sectionHeaders;
    if (shnum == 0) {
        // More sections than the header field holds: the count is in section 0's size.
        if (!ReadTable(file, shoff, 1, layout.shentsize, fileSize, &sectionHeaders))
            return false;
        shnum = FieldReader(sectionHeaders, bigEndian).Read(layout.shSize, layout.offsetWidth);
        if (shnum == 0 || shnum > fileSize / std::uint64_t(layout.shentsize))
            return false;
    }
    if (!ReadTable(file, shoff, shnum, layout.shentsize, fileSize, &sectionHeaders))
        return false;
    const FieldReader sh(sectionHeaders, bigEndian);
    for (std::uint64_t i = 0; i < shnum; ++i) {
        const std::uint64_t at = i * std::uint64_t(layout.shentsize);
        if (sh.Read(at + layout.shType, 4) == SHT_NOBITS)
            continue;
        if (!InsideFile(sh.Read(at + layout.shOffset, layout.offsetWidth), sh.Read(at + layout.shSize, layout.offsetWidth),
                        fileSize))
            return false;
    }
    return true;
}
#endif

} // namespace

bool IsLoadableModuleFile(const QString& path)
{
    // A named pipe or device under a module's name would block or mislead the loader.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
#if defined(__ELF__)
    return CheckElf(file, std::uint64_t(file.size()));
#else
    return true;
#endif
}

} // namespace Language
