#include "fileops.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace FileOps {

bool createFolder(const QByteArray &path)
{
    return ::mkdir(path.constData(), 0777) == 0;
}

bool moveNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    // EINVAL: this file system does not know the flag (some network and FUSE
    // file systems); ENOSYS: the kernel lacks renameat2. Any other error is
    // the move's own failure.
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) ? moveFolderByPlaceholder(from, to) : moveFileByLink(from, to);
}

bool moveFileByLink(const QByteArray &from, const QByteArray &to)
{
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    if (::unlink(from.constData()) == 0)
        return true;
    // The old name stays: drop the new one again so the file keeps one name.
    ::unlink(to.constData());
    return false;
}

bool moveFolderByPlaceholder(const QByteArray &from, const QByteArray &to)
{
    // mkdir claims the name or fails when anything holds it; rename() then
    // replaces nothing but the empty folder made here.
    if (::mkdir(to.constData(), 0700) != 0)
        return false;
    if (::rename(from.constData(), to.constData()) == 0)
        return true;
    ::rmdir(to.constData());
    return false;
}

} // namespace FileOps
