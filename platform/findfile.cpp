#include "findfile.h"

#include "namecase.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t ExclusionMask = FileAttr::Hidden | FileAttr::System
        | FileAttr::VolumeLabel | FileAttr::Directory;

// The kind bits of a followed (stat) result.
std::uint32_t kindBits(const struct stat &st)
{
    if (S_ISDIR(st.st_mode))
        return FileAttr::Directory;
    if (S_ISREG(st.st_mode))
        return 0;
    return FileAttr::System;
}

} // namespace

class FindFile::Reader
{
public:
    DIR *dir = nullptr;
    QByteArray pattern;
    std::uint32_t exclusion = 0;
    bool wantReadOnly = false;
};

void FindFile::splitPattern(const QByteArray &patternPath, QByteArray &folder, QByteArray &pattern)
{
    const qsizetype slash = patternPath.lastIndexOf('/');
    if (slash < 0) {
        folder = ".";
        pattern = patternPath;
    } else {
        folder = slash == 0 ? QByteArray("/") : patternPath.left(slash);
        pattern = patternPath.mid(slash + 1);
    }
}

bool FindFile::matches(const QByteArray &name, const QByteArray &pattern)
{
    if (pattern.endsWith("*.*"))
        return NameCase::startsWith(name, pattern.left(pattern.size() - 3));
    return NameCase::equals(name, pattern);
}

FindFile::Reader *FindFile::open(const QByteArray &patternPath, std::uint32_t attributeWord)
{
    QByteArray folder, pattern;
    splitPattern(patternPath, folder, pattern);
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return nullptr;
    auto *reader = new Reader;
    reader->dir = dir;
    reader->pattern = pattern;
    reader->exclusion = ~attributeWord & ExclusionMask;
    // Only a listing that admits folders compares whole attribute words (the
    // theme list); a files-only listing never looks at the read-only bit, so
    // it is spared a stat per entry.
    reader->wantReadOnly = (attributeWord & FileAttr::Directory) != 0;
    return reader;
}

void FindFile::close(Reader *reader)
{
    if (reader) {
        ::closedir(reader->dir);
        delete reader;
    }
}

bool FindFile::next(Reader &reader, DirEntry &entry)
{
    const int dirFd = ::dirfd(reader.dir);
    while (const dirent *d = ::readdir(reader.dir)) {
        const QByteArray name(d->d_name);
        std::uint32_t attributes = name.startsWith('.') ? std::uint32_t(FileAttr::Hidden) : 0u;
        if (attributes & reader.exclusion)
            continue;
        if (!matches(name, reader.pattern))
            continue;

        struct stat st;
        bool haveStat = false;
        switch (d->d_type) {
        case DT_DIR:
            attributes |= FileAttr::Directory;
            break;
        case DT_REG:
            break;
        case DT_LNK:
            attributes |= FileAttr::ReparsePoint;
            haveStat = ::fstatat(dirFd, d->d_name, &st, 0) == 0;
            attributes |= haveStat ? kindBits(st) : FileAttr::System;
            break;
        case DT_UNKNOWN:
            if (::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // vanished while listing
            if (S_ISLNK(st.st_mode)) {
                attributes |= FileAttr::ReparsePoint;
                haveStat = ::fstatat(dirFd, d->d_name, &st, 0) == 0;
                attributes |= haveStat ? kindBits(st) : FileAttr::System;
            } else {
                haveStat = true;
                attributes |= kindBits(st);
            }
            break;
        default: // FIFO, socket, device
            attributes |= FileAttr::System;
            break;
        }
        if (attributes & reader.exclusion)
            continue;
        if (reader.wantReadOnly) {
            if (!haveStat)
                haveStat = ::fstatat(dirFd, d->d_name, &st, 0) == 0;
            if (haveStat && !(st.st_mode & S_IWUSR))
                attributes |= FileAttr::ReadOnly;
        }
        entry.name = name;
        entry.attributes = attributes;
        return true;
    }
    return false;
}

std::vector<DirEntry> FindFile::list(const QByteArray &patternPath, std::uint32_t attributeWord)
{
    std::vector<DirEntry> entries;
    forEach(patternPath, attributeWord, [&](const DirEntry &e) { entries.push_back(e); });
    return entries;
}
