#include "bytesource.h"
#include "picturememory.h"
#include "platformerror.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

qint64 MemorySource::read(qint64 offset, void *dest, qint64 length)
{
    if (offset < 0 || length <= 0 || offset >= m_data.size())
        return 0;
    const qint64 count = qMin(length, m_data.size() - offset);
    std::memcpy(dest, m_data.constData() + offset, size_t(count));
    return count;
}

FileSource::FileSource(const QByteArray &path)
{
    // O_NONBLOCK: opening a FIFO that happens to carry a picture's name must
    // not wait for a writer. It has no effect on the reads of a regular file.
    m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0)
        throw PlatformError::fileOpen(path);
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        throw PlatformError::fileOpen(path);
    }
    m_size = st.st_size;
}

FileSource::~FileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 FileSource::read(qint64 offset, void *dest, qint64 length)
{
    if (offset < 0 || length <= 0)
        return 0;
    auto *out = static_cast<char *>(dest);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, out + done, size_t(length - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw PlatformError::streamRead();
        }
        if (n == 0)
            break; // end of file (it may have shrunk since it was opened)
        done += n;
    }
    return done;
}

QByteArray FileSource::readAll()
{
    QByteArray data;
    data.resize(m_size);
    if (data.size() != m_size)
        throw std::bad_alloc();
    PictureMemory::preferHugePages(data.data(), size_t(m_size));
    const qint64 count = read(0, data.data(), m_size);
    data.truncate(count);
    return data;
}
