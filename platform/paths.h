#pragma once
#include <QByteArray>

// Paths are the bytes the file system uses; "/" is the only separator.
namespace Paths {

// folder + "/" + name, always exactly one separator inserted.
QByteArray join(const QByteArray &folder, const QByteArray &name);

// Removes one trailing "/" from a chosen or typed folder; the root "/" stays "/".
QByteArray stripTrailingSeparator(const QByteArray &folder);

// True when the path names a directory (or a symbolic link to one).
bool isDirectory(const QByteArray &path);

// The process's current directory, as the system reports it.
QByteArray currentDirectory();

} // namespace Paths
