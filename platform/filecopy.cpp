#include "filecopy.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileCopy {

namespace {

std::atomic<std::int64_t> failAfterBytes{-1};
std::atomic<bool> kernelCopyEnabled{true};
std::function<void(const QByteArray &, const QByteArray &)> beforeCopy;

constexpr size_t KernelChunk = size_t(1) << 30;
constexpr size_t BufferSize = size_t(1) << 20;

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) { }
    ~Descriptor() { if (m_fd >= 0) ::close(m_fd); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the error close gives (a network file system may
    // report a failed write only here).
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// copy_file_range is refused by some kernels and file-system pairs; the
// read/write loop then carries on from where it stopped (both offsets moved together).
bool kernelCopyRefused(int error)
{
    return error == ENOSYS || error == EXDEV || error == EINVAL || error == EOPNOTSUPP || error == ENOTSUP;
}

int writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

// Copies from the current offsets to the source's end. Returns 0 or an errno.
int copyData(int in, int out, const struct stat &source)
{
    const std::int64_t limit = failAfterBytes.load();
    bool useKernel = kernelCopyEnabled.load();
    std::int64_t copied = 0;
    std::unique_ptr<char[]> buffer;
    for (;;) {
        size_t want = useKernel ? KernelChunk : BufferSize;
        if (limit >= 0) {
            if (copied >= limit) {
                char probe;
                ssize_t n;
                do
                    n = ::read(in, &probe, 1);
                while (n < 0 && errno == EINTR);
                if (n < 0)
                    return errno;
                return n == 0 ? 0 : ENOSPC;
            }
            want = size_t(std::min<std::int64_t>(std::int64_t(want), limit - copied));
        }
        if (useKernel) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, want, 0);
            if (n > 0) {
                copied += n;
                continue;
            }
            if (n == 0) {
                if (copied >= source.st_size)
                    return 0;
                // Nothing from a file that claims more (some special file
                // systems): let plain reads decide where the end is.
                useKernel = false;
                continue;
            }
            if (errno == EINTR)
                continue;
            if (kernelCopyRefused(errno)) {
                useKernel = false;
                continue;
            }
            return errno;
        }
        if (!buffer)
            buffer.reset(new char[BufferSize]);
        const ssize_t n = ::read(in, buffer.get(), want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        if (const int error = writeAll(out, buffer.get(), size_t(n)))
            return error;
        copied += n;
    }
}

} // namespace

Result copyNew(const QByteArray &source, const QByteArray &destination, int *errorCode)
{
    auto failed = [errorCode](int error) {
        if (errorCode)
            *errorCode = error;
        return error == EEXIST ? Result::DestinationTaken : Result::Failed;
    };
    if (beforeCopy)
        beforeCopy(source, destination);

    // O_NONBLOCK: a name swapped for a FIFO since it was listed must not hang
    // the program; it is refused below as not a plain file.
    Descriptor in(::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (in.get() < 0)
        return failed(errno);
    struct stat sourceStat;
    if (::fstat(in.get(), &sourceStat) != 0)
        return failed(errno);
    if (!S_ISREG(sourceStat.st_mode))
        return failed(S_ISDIR(sourceStat.st_mode) ? EISDIR : EINVAL);

    // O_EXCL is what keeps an existing file safe (also a symbolic link, even a
    // dangling one, is never followed). Owner-only while the data arrives.
    Descriptor out(::open(destination.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                          S_IRUSR | S_IWUSR));
    if (out.get() < 0)
        return failed(errno);
    struct stat created;
    const bool knowCreated = ::fstat(out.get(), &created) == 0;

    int error = copyData(in.get(), out.get(), sourceStat);
    if (error == 0) {
        // The permission bits and times are kept where the file system can
        // hold them; FAT and some network file systems refuse a mode, and the
        // copy is complete without it.
        (void)::fchmod(out.get(), sourceStat.st_mode & 0777);
        const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
        (void)::futimens(out.get(), times);
        error = out.close();
    } else {
        out.close();
    }
    if (error == 0)
        return Result::Copied;

    // Remove the partial copy, but only if the name still is the file this
    // call created.
    struct stat now;
    if (!knowCreated
        || (::lstat(destination.constData(), &now) == 0 && now.st_dev == created.st_dev && now.st_ino == created.st_ino))
        ::unlink(destination.constData());
    if (errorCode)
        *errorCode = error;
    return Result::Failed;
}

namespace Faults {

void setFailAfterBytes(std::int64_t bytes)
{
    failAfterBytes = bytes;
}

void setKernelCopyEnabled(bool enabled)
{
    kernelCopyEnabled = enabled;
}

void setBeforeCopy(std::function<void(const QByteArray &, const QByteArray &)> hook)
{
    beforeCopy = std::move(hook);
}

} // namespace Faults

} // namespace FileCopy
