#pragma once
#include <QByteArray>

// Creating folders and moving folders and files without ever replacing what is
// already there. Each returns true on success; the callers may ignore it.
// Paths are bytes as the file system uses them.
namespace FileOps {

// Creates one folder (mkdir). False when the name is taken by anything, or the
// folder that should hold it is missing.
bool createFolder(const QByteArray &path);

// Moves a folder or renames a file. The move itself refuses a taken target
// (RENAME_NOREPLACE), so nothing is replaced even if the target appears
// between any test of the caller and the move. Where the file system refuses
// that flag, files go by moveFileByLink and folders by moveFolderByPlaceholder.
bool moveNoReplace(const QByteArray &from, const QByteArray &to);

// Renames a file by giving it the new name as a hard link, which fails when
// the name is taken, then dropping the old name.
bool moveFileByLink(const QByteArray &from, const QByteArray &to);

// Moves a folder by first creating an empty folder at the target, which fails
// when the name is taken, then renaming the folder over that empty placeholder.
bool moveFolderByPlaceholder(const QByteArray &from, const QByteArray &to);

} // namespace FileOps
