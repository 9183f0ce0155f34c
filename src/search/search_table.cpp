// The modern search's transposition table: an array of cache-line buckets taken zeroed from
// the system (an all-zero entry is empty), replaced by depth and age.
#include "search/search_table.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace qorat {

namespace {

constexpr std::size_t BytesPerMegabyte = std::size_t{1} << 20;
constexpr int AgeWeight = 8;

}  // namespace

int TableEntry::depth() const { return depth8 + SearchTable::DepthOffset; }

SearchTable::SearchTable(std::size_t megabytes) {
    if (!resize(megabytes)) throw std::bad_alloc();
    adoptPending();
}

SearchTable::BucketArray SearchTable::allocate(std::size_t count) {
    // Zeroed pages come from the system untouched, so even a large table is had at once and
    // costs nothing until the search writes to it.
    return BucketArray(static_cast<Bucket*>(std::calloc(count, sizeof(Bucket))));
}

bool SearchTable::resize(std::size_t megabytes) {
    const std::size_t count = std::max<std::size_t>(1, megabytes * BytesPerMegabyte / sizeof(Bucket));
    BucketArray fresh = allocate(count);
    if (!fresh) return false;
    pending = std::move(fresh);
    pendingCount = count;
    return true;
}

void SearchTable::adoptPending() {
    if (!pending) return;
    buckets = std::move(pending);
    bucketCount = pendingCount;
}

void SearchTable::newSearch() {
    adoptPending();
    generation8 = static_cast<std::uint8_t>(generation8 + GenerationStep);
}

void SearchTable::clear() {
    adoptPending();
    // The whole pages inside the table are handed back to the system, which gives them again
    // as zeros when next touched: a clear of any size takes a moment and leaves the memory
    // free. Only the partial pages at the ends are written.
    auto* const begin = reinterpret_cast<std::byte*>(buckets.get());
    auto* const end = begin + bucketCount * sizeof(Bucket);
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    auto* firstPage = reinterpret_cast<std::byte*>((reinterpret_cast<std::uintptr_t>(begin) + pageSize - 1) / pageSize * pageSize);
    auto* lastPage = reinterpret_cast<std::byte*>(reinterpret_cast<std::uintptr_t>(end) / pageSize * pageSize);
    if (lastPage <= firstPage || madvise(firstPage, static_cast<std::size_t>(lastPage - firstPage), MADV_DONTNEED) != 0) {
        std::memset(begin, 0, static_cast<std::size_t>(end - begin));
        return;
    }
    std::memset(begin, 0, static_cast<std::size_t>(firstPage - begin));
    std::memset(lastPage, 0, static_cast<std::size_t>(end - lastPage));
}

int SearchTable::usage() const {
    constexpr std::size_t SampleBuckets = 200;
    const std::size_t sample = std::min(SampleBuckets, bucketCount);
    int used = 0;
    for (std::size_t i = 0; i < sample; ++i)
        for (const TableEntry& entry : buckets[i].entries)
            if (entry.bound() != TableBound::None && (entry.genBound & ~7) == generation8) ++used;
    return static_cast<int>(used * 1000 / static_cast<int>(sample * BucketEntries));
}

SearchTable::Bucket& SearchTable::bucketOf(const Board& board) const {
    // Both keys spread over the index: key1 holds the side to move in its top bit.
    const std::uint64_t key = (board.key1() << 32 | board.key2()) * 0x9E3779B97F4A7C15ull;
    return buckets[static_cast<std::size_t>((static_cast<unsigned __int128>(key) * bucketCount) >> 64)];
}

TableEntry* SearchTable::probe(const Board& board, bool& found) {
    Bucket& bucket = bucketOf(board);
    const std::uint32_t check = checkOf(board);
    for (TableEntry& entry : bucket.entries) {
        if (entry.check == check && entry.bound() != TableBound::None) {
            found = true;
            return &entry;
        }
    }
    found = false;
    // The entry to give up: the shallowest, counting each search of age as some depth.
    TableEntry* victim = &bucket.entries[0];
    auto worth = [this](const TableEntry& e) {
        const int age = static_cast<std::uint8_t>(generation8 - (e.genBound & ~7)) / GenerationStep;
        return e.depth8 - AgeWeight * age;
    };
    for (TableEntry& entry : bucket.entries)
        if (worth(entry) < worth(*victim)) victim = &entry;
    return victim;
}

void SearchTable::save(TableEntry* entry, const Board& board, int score, TableBound bound, int depth, std::uint16_t move,
                       int eval, bool principal) {
    const std::uint32_t check = checkOf(board);
    // A new search of the same position keeps the move it knew when it finds none.
    if (move != 0 || check != entry->check) entry->move = move;
    // A shallower result for the same position replaces a deeper one only when exact.
    if (check != entry->check || bound == TableBound::Exact || depth - DepthOffset + 2 > entry->depth8) {
        entry->check = check;
        entry->score = static_cast<std::int16_t>(score);
        entry->eval = static_cast<std::int16_t>(eval);
        entry->depth8 = static_cast<std::uint8_t>(depth - DepthOffset);
        entry->genBound = static_cast<std::uint8_t>(generation8 | (principal ? 4 : 0) | static_cast<std::uint8_t>(bound));
    }
}

}  // namespace qorat
