#pragma once
#include <QByteArray>
#include <cstdint>
#include <vector>

// The attribute word of a directory entry, in the bits the listings test.
namespace FileAttr {
enum : std::uint32_t {
    ReadOnly = 1,
    Hidden = 2,
    System = 4,
    VolumeLabel = 8,
    Directory = 16,
    ReparsePoint = 1024,
};
}

struct DirEntry
{
    QByteArray name;            // the bare name, bytes as the file system gives them
    std::uint32_t attributes = 0;
};

// Reads one folder like the find operation: "folder/pattern" where the pattern is
// "*.*" (every name) or a prefix followed by "*.*" (names beginning with the prefix,
// letter case ignored); any other pattern matches that one name, case ignored.
//
// Entries that carry any of the bits hidden, system, volume label or directory that
// the requested attribute word does not contain are skipped. A folder that is missing
// or unreadable gives no entries.
class FindFile
{
public:
    // Calls visit(const DirEntry&) for every delivered entry, in the file system's order.
    template<typename Visit>
    static void forEach(const QByteArray &patternPath, std::uint32_t attributeWord, Visit &&visit);

    static std::vector<DirEntry> list(const QByteArray &patternPath, std::uint32_t attributeWord);

    // Splits "folder/pattern" at its last "/". Without a "/" the folder is the
    // current directory "."; "/pattern" has the folder "/".
    static void splitPattern(const QByteArray &patternPath, QByteArray &folder, QByteArray &pattern);

    // True when the name matches the pattern as described above.
    static bool matches(const QByteArray &name, const QByteArray &pattern);

private:
    class Reader;
    static bool next(Reader &reader, DirEntry &entry);
    static Reader *open(const QByteArray &patternPath, std::uint32_t attributeWord);
    static void close(Reader *reader);
};

template<typename Visit>
void FindFile::forEach(const QByteArray &patternPath, std::uint32_t attributeWord, Visit &&visit)
{
    Reader *reader = open(patternPath, attributeWord);
    if (!reader)
        return;
    struct Closer { Reader *r; ~Closer() { FindFile::close(r); } } closer{reader};
    DirEntry entry;
    while (next(*reader, entry))
        visit(static_cast<const DirEntry &>(entry));
}
