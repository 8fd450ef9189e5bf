#pragma once
#include <QByteArray>
#include <vector>

// Saving a list of names as a text file, one line each.
namespace TextReport {

// Creates the file anew (an existing one is truncated, never appended to; a
// read-only one is left alone and counts as a file that cannot be created) and
// writes every line's bytes as they are, each followed by CR LF; no byte-order
// mark, no header. Throws PlatformError::fileCreate(path) when the file cannot
// be created and PlatformError::streamWrite() when it cannot be written whole.
void save(const QByteArray &path, const std::vector<QByteArray> &lines);

} // namespace TextReport
