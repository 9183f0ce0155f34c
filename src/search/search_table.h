// The modern search's transposition table: buckets of entries that share a cache line, each
// with a key check, the best move, the score and its bound, the static evaluation, the depth
// and the search that wrote it, so that deep and recent entries outlive shallow and old ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "board/board.h"

namespace qorat {

// What an entry's score says of the position, one bit for each side it bounds: an exact
// score bounds from above and from below, so that a test of either bit accepts it.
enum class TableBound : std::uint8_t { None = 0, Upper = 1, Lower = 2, Exact = Upper | Lower };

constexpr bool bounds(TableBound bound, TableBound side) {
    return (static_cast<std::uint8_t>(bound) & static_cast<std::uint8_t>(side)) != 0;
}

struct TableEntry {
    std::uint32_t check = 0;
    std::uint16_t move = 0;
    std::int16_t score = 0;
    std::int16_t eval = 0;
    std::uint8_t depth8 = 0;
    // The search's generation in the high bits, whether it lay on a principal line, the bound.
    std::uint8_t genBound = 0;

    int depth() const;
    TableBound bound() const { return static_cast<TableBound>(genBound & 3); }
    bool onPrincipalLine() const { return (genBound & 4) != 0; }
};
static_assert(sizeof(TableEntry) == 12);

class SearchTable {
public:
    // The depth stored for quiescence entries, below every full-width depth.
    static constexpr int QuiescenceDepth = 0;
    static constexpr int DepthOffset = -2;

    explicit SearchTable(std::size_t megabytes);

    // Takes about the megabytes for an empty table that replaces this one when the next
    // search begins, so that a search under way keeps its table; when that memory cannot be
    // had, keeps the table as it was and returns false.
    bool resize(std::size_t megabytes);
    // The size of the table in use.
    std::size_t megabytes() const { return bucketCount * sizeof(Bucket) >> 20; }
    // Empties the table, giving its memory back to the system until it is written again.
    void clear();
    // A new search begins: a table asked for replaces this one, and older entries give way first.
    void newSearch();

    // The share of a sample of entries written by this search, in thousandths.
    int usage() const;

    // Starts bringing the position's bucket into the cache, to be probed soon.
    void prefetch(const Board& board) const { __builtin_prefetch(&bucketOf(board)); }
    // The entry for the position, or null; found or not, where stores for it go.
    TableEntry* probe(const Board& board, bool& found);
    void save(TableEntry* entry, const Board& board, int score, TableBound bound, int depth, std::uint16_t move, int eval,
              bool principal);

private:
    static constexpr int BucketEntries = 5;
    static constexpr std::uint8_t GenerationStep = 8;
    struct alignas(64) Bucket {
        TableEntry entries[BucketEntries];
    };
    static_assert(sizeof(Bucket) == 64);

    struct FreeMemory {
        void operator()(Bucket* buckets) const { std::free(buckets); }
    };
    using BucketArray = std::unique_ptr<Bucket[], FreeMemory>;
    static BucketArray allocate(std::size_t count);

    void adoptPending();
    Bucket& bucketOf(const Board& board) const;
    static std::uint32_t checkOf(const Board& board) { return static_cast<std::uint32_t>(board.key2()); }

    BucketArray buckets;
    std::size_t bucketCount = 0;
    // The table asked for, taken in use by the next search.
    BucketArray pending;
    std::size_t pendingCount = 0;
    // Empty entries count as a search old from the start.
    std::uint8_t generation8 = GenerationStep;
};

}  // namespace qorat
