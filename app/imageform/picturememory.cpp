#include "picturememory.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace {

// Below this a picture's memory comes from the ordinary allocator.
constexpr qsizetype MappedFrom = qsizetype(4) << 20;
constexpr std::uintptr_t HugePage = std::uintptr_t(2) << 20;

qsizetype limitForTests = 0;

struct Mapping
{
    void *start;
    size_t length;
};

void unmap(void *info)
{
    auto *mapping = static_cast<Mapping *>(info);
    ::munmap(mapping->start, mapping->length);
    delete mapping;
}

} // namespace

namespace PictureMemory {

QImage allocate(int width, int height, QImage::Format format)
{
    // QImage's own row length: whole 32-bit words.
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = ((qsizetype(width) * depth + 31) / 32) * 4;
    const qsizetype bytes = bytesPerLine * height;
    if (limitForTests > 0 && bytes > limitForTests)
        throw std::bad_alloc();
    if (bytes < MappedFrom) {
        QImage image(width, height, format);
        if (image.isNull())
            throw std::bad_alloc();
        return image;
    }

    // Mapped with room to start the picture on a huge-page boundary; the
    // slack before and after is given back at once.
    const size_t length = size_t(bytes) + HugePage;
    void *mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (base + HugePage - 1) & ~(HugePage - 1);
    const size_t used = (size_t(bytes) + 4095) & ~size_t(4095);
    if (aligned > base)
        ::munmap(mapped, aligned - base);
    const std::uintptr_t end = aligned + used;
    if (base + length > end)
        ::munmap(reinterpret_cast<void *>(end), base + length - end);
    preferHugePages(reinterpret_cast<void *>(aligned), used);

    auto *mapping = new Mapping{reinterpret_cast<void *>(aligned), used};
    QImage image(static_cast<uchar *>(mapping->start), width, height, bytesPerLine, format, unmap, mapping);
    if (image.isNull()) {
        unmap(mapping);
        throw std::bad_alloc();
    }
    return image;
}

void setLimitForTests(qsizetype bytes)
{
    limitForTests = bytes;
}

void preferHugePages(void *start, size_t length)
{
#ifdef MADV_HUGEPAGE
    const auto begin = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t first = (begin + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t last = (begin + length) & ~(HugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE); // fine to fail
#else
    Q_UNUSED(start);
    Q_UNUSED(length);
#endif
}

} // namespace PictureMemory
