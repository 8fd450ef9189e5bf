#pragma once
#include <QByteArray>
#include <cstdint>
#include <functional>

// Copying a file to a name that must not exist yet. The destination is
// created exclusively, so an existing file is never replaced, not even one
// that another program creates after we looked; a copy that fails part-way
// leaves nothing behind.
namespace FileCopy {

enum class Result {
    Copied,           // the whole file, with the source's modification time and permission bits
    DestinationTaken, // a file (or link) of the destination's name exists; nothing was changed
    Failed,           // source unreadable or not a plain file, folder missing, write error, disk full
};

// Copies source to destination. On failure the destination this call created
// is removed again; errorCode (when given) receives the errno of the failure.
Result copyNew(const QByteArray &source, const QByteArray &destination, int *errorCode = nullptr);

// Test seams, off by default.
namespace Faults {
// Every copy fails as a full disk would (ENOSPC) once it has written this many
// bytes of a file that has more to give; a negative value turns it off.
void setFailAfterBytes(std::int64_t bytes);
// Turns the in-kernel copy (copy_file_range) off, so the read/write path runs.
void setKernelCopyEnabled(bool enabled);
// Called at the start of every copy with its source and destination, before
// either is opened: stands for another program acting at that moment (taking
// the destination's name, removing a folder). An empty function turns it off.
void setBeforeCopy(std::function<void(const QByteArray &source, const QByteArray &destination)> hook);
} // namespace Faults

} // namespace FileCopy
