#include "paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace Paths {

QByteArray join(const QByteArray &folder, const QByteArray &name)
{
    QByteArray path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    path += '/';
    path += name;
    return path;
}

QByteArray stripTrailingSeparator(const QByteArray &folder)
{
    if (folder.size() > 1 && folder.endsWith('/'))
        return folder.left(folder.size() - 1);
    return folder;
}

bool isDirectory(const QByteArray &path)
{
    if (path.isEmpty())
        return false;
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QByteArray currentDirectory()
{
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return QByteArray(buffer.data());
        if (errno != ERANGE)
            return QByteArray();
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace Paths
