#include "textreport.h"
#include "platformerror.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace TextReport {

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

    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
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
