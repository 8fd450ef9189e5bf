#pragma once
#include <QImage>

#include <cstddef>

namespace PictureMemory {

// A new image for a decoder to write every pixel of (the contents start
// undefined). Large pictures get memory mapped on their own, in huge pages
// where the system offers them: a 6000 x 4000 picture otherwise costs some
// 24,000 page faults on its first writing, more than the decoding itself on
// some machines. Throws std::bad_alloc when the memory cannot be had.
QImage allocate(int width, int height, QImage::Format format);

// Test seam: while greater than 0, a picture needing more bytes than this is
// refused as if memory had run out.
void setLimitForTests(qsizetype bytes);

// Advises the system to back the whole 2 MiB pages inside a large block of
// memory the program is about to fill (a file read whole) with huge pages:
// far fewer page faults on its first writing. Only a hint.
void preferHugePages(void *start, size_t length);

} // namespace PictureMemory
