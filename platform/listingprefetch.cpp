#include "listingprefetch.h"
#include "collation.h"

#include <future>
#include <mutex>

namespace ListingPrefetch {

namespace {

struct Pending
{
    QByteArray patternPath;
    std::uint32_t attributeWord = 0;
    std::future<std::vector<DirEntry>> entries;
};

std::mutex g_mutex;
std::optional<Pending> g_pending;

std::vector<DirEntry> readSorted(const QByteArray &patternPath, std::uint32_t attributeWord)
{
    std::vector<DirEntry> entries = FindFile::list(patternPath, attributeWord);
    std::vector<QByteArray> names;
    names.reserve(entries.size());
    for (const DirEntry &e : entries)
        names.push_back(e.name);
    std::vector<uint32_t> order = NameCollation::instance().sortedOrder(names);
    NameCollation::permute(entries, order);
    return entries;
}

} // namespace

void start(const QByteArray &patternPath, std::uint32_t attributeWord)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_pending = Pending{patternPath, attributeWord,
                        std::async(std::launch::async, readSorted, patternPath, attributeWord)};
}

std::optional<std::vector<DirEntry>> take(const QByteArray &patternPath, std::uint32_t attributeWord)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_pending)
        return std::nullopt;
    Pending pending = std::move(*g_pending);
    g_pending.reset();
    std::vector<DirEntry> entries = pending.entries.get();
    if (pending.patternPath != patternPath || pending.attributeWord != attributeWord)
        return std::nullopt;
    return entries;
}

} // namespace ListingPrefetch
