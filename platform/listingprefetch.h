#pragma once
#include "findfile.h"

#include <optional>

// Reads one folder listing on a worker thread while the program starts, so
// that the theme list of a large base folder is ready when the main window
// asks for it instead of after the window has been built.
namespace ListingPrefetch {

// Starts reading patternPath with the attribute word; the entries come back
// sorted by NameCollation.
void start(const QByteArray &patternPath, std::uint32_t attributeWord);

// The prefetched entries of exactly this listing (waiting for them if need be),
// once; nothing when no such listing was started.
std::optional<std::vector<DirEntry>> take(const QByteArray &patternPath, std::uint32_t attributeWord);

} // namespace ListingPrefetch
