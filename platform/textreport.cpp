#include "textreport.h"
#include "platformerror.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TextReport {

namespace {

// Opens the report for writing, empty. A new file is created; a file that is
// there already is emptied, unless it is read-only (its owner's write bit
// clear): the user protected it, and a process that may write to it all the
// same (root) must not overwrite it. Opening does not wait: a FIFO of the
// report's name that no program reads from is refused, not waited on.
// Returns -1 when the report cannot be created.
int openReport(const QByteArray &path)
{
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = -1;
    // Twice: the file may vanish between the two opens.
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        fd = ::open(path.constData(), flags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST)
            break;
        fd = ::open(path.constData(), flags);
        if (fd < 0) {
            if (errno == ENOENT)
                continue;
            return -1;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || !(st.st_mode & S_IWUSR)
            || (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
            ::close(fd);
            return -1;
        }
    }
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

void save(const QByteArray &path, const std::vector<QByteArray> &lines)
{
    QByteArray text;
    qsizetype size = 0;
    for (const QByteArray &line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const QByteArray &line : lines) {
        text += line;
        text += "\r\n";
    }

    const int fd = openReport(path);
    if (fd < 0)
        throw PlatformError::fileCreate(path);
    const char *data = text.constData();
    size_t left = size_t(text.size());
    bool written = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            written = false;
            break;
        }
        data += n;
        left -= size_t(n);
    }
    if (::close(fd) != 0)
        written = false;
    if (!written)
        throw PlatformError::streamWrite();
}

} // namespace TextReport
