#pragma once
// The line list: one compact record per line of the opened file, holding
// where its bytes lie in the data sources, its rows and its syntax state at
// the start; with its row pool, its views of blocks and rows, its iterator
// and a line's place (index, first row, file offset).
//
// Memory: a loaded file of many millions of lines is held as one compact
// 40-byte record per line. A line with one block and one row keeps both in
// the record itself. A line with one block and several rows (a wrapped line)
// keeps its block in the record and its row entries in the list's row pool,
// 8 bytes an entry; only a line with several blocks, more rows than a pool
// run holds or row positions beyond 4 GiB gets an out-of-line spill with two
// vectors. Records come from a slab pool and pooled rows from large chunks,
// so neither costs a heap allocation of its own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "lines/RingDeque.h"
#include "lines/ZinData.h"

namespace zin {

// One entry of a line's row index: the byte offset (within the line) of the
// row's first character and the row's width in pixels. A line with k rows
// has k + 1 entries; the last one is the end entry (width 0) whose Pos is
// where the line's newline begins.
struct TRowIndex {
    uint64_t Pos = 0;
    int32_t Width = 0;
    friend bool operator==(const TRowIndex&, const TRowIndex&) = default;
};

// One decoded character: its code (a UTF-16 code unit, or a raw byte value)
// and the number of bytes it took (1, 2 or 3).
using twc_pair = std::pair<int32_t, int32_t>;
using twc_queue = TRingDeque<twc_pair>;

// The syntax state at a line's start: open range id, open block comment
// (1-based), comment-closed flag, open string (1-based quote position).
using TLineState = std::array<uint8_t, 4>;
// The bytes of a TLineState.
enum TLineStateByte : size_t {
    lsRange = 0,          // id of the open range (its low byte), 0 for none
    lsBlockComment = 1,   // 1-based index of the open block comment's pair, 0 for none
    lsCommentClosed = 2,  // 1 when a block comment closed on the line before
    lsString = 3,         // 1-based position of the open string's quote character, 0 for none
};

class TLine;
class TZinLines;
// Watches the growth of the line index: every Step bytes of new slabs and
// pool chunks it calls Check, which may throw TLoadStop. Never per line.
struct TGrowthWatch {
    uint64_t Grown = 0;
    uint64_t Step = uint64_t{32} << 20;
    void (*Check)(void* context) = nullptr;
    void* Context = nullptr;
    void Add(uint64_t bytes)
    {
        Grown += bytes;
        if (Check && Grown >= Step) {
            Grown = 0;
            Check(Context);
        }
    }
};

// Out-of-line storage of a line with several blocks, a length of 1 TiB or
// more, or rows the compact record and the row pool cannot hold.
struct TLineSpill {
    uint64_t Length = 0;
    std::vector<TBlock> Blocks;
    std::vector<TRowIndex> Rows;
};

// Row entries of compact lines with several rows, 8 bytes each (a 32-bit
// Pos and the Width), carved from 2 MiB chunks (each one huge page where
// the system allows). A line's run is its
// entries in a row; the line's record keeps the count. Freed runs wait on a
// free list per entry count (the first entry's Pos links them); rebuilding
// rows of the same count reuses the run in place. Dropped as a whole when
// the list is emptied.
class TRowPool {
public:
    struct TUnit {
        uint32_t Pos;
        int32_t Width;
        friend bool operator==(const TUnit&, const TUnit&) = default;
    };
    // The most entries a run holds; lines with more rows spill.
    static constexpr uint32_t MaxEntries = 255;
    static constexpr uint32_t None = UINT32_MAX;

    TRowPool() { FFree.fill(None); }
    ~TRowPool() { Clear(); }
    TRowPool(const TRowPool&) = delete;
    TRowPool& operator=(const TRowPool&) = delete;

    // A run for 1 to MaxEntries entries (its first entry's index), or None
    // when the pool cannot grow.
    uint32_t Allocate(uint32_t entries);
    void Free(uint32_t run, uint32_t entries);
    // Told of every chunk the pool allocates (may be null).
    TGrowthWatch* Watch = nullptr;
    TUnit* At(uint32_t index) { return FChunks[index >> ChunkShift] + (index & ChunkMask); }
    const TUnit* At(uint32_t index) const { return FChunks[index >> ChunkShift] + (index & ChunkMask); }
    void Clear();

private:
    static constexpr uint32_t ChunkShift = 18;
    static constexpr uint32_t ChunkUnits = uint32_t{1} << ChunkShift;
    static constexpr size_t ChunkBytes = size_t{ChunkUnits} * sizeof(TUnit);
    static constexpr uint32_t ChunkMask = ChunkUnits - 1;
    std::vector<TUnit*> FChunks;
    uint32_t FUsed = ChunkUnits;  // units handed out from the last chunk
    std::array<uint32_t, MaxEntries + 1> FFree;
};

// Read-only views of a line's blocks and row entries (values, not references).
class TBlockList {
public:
    explicit TBlockList(const TLine* line) : FLine(line) {}
    size_t size() const;
    bool empty() const { return size() == 0; }
    TBlock operator[](size_t i) const;
    TBlock front() const { return (*this)[0]; }
    TBlock back() const { return (*this)[size() - 1]; }

private:
    const TLine* FLine;
};

class TRowList {
public:
    explicit TRowList(const TLine* line) : FLine(line) {}
    size_t size() const;
    TRowIndex operator[](size_t i) const;
    TRowIndex front() const { return (*this)[0]; }
    TRowIndex back() const { return (*this)[size() - 1]; }

private:
    const TLine* FLine;
};

// One line of the file. Owned by the list; no owner pointers.
//
// The compact form (40 bytes) holds a line with one block and one row: the
// block's offset, the line's length (below 1 TiB), the row's start and width;
// the end entry is where the newline begins (Length - NewLineBytes), and the
// block's source is one of the few sources registered with the list, found
// through the header of the 2 MiB slab the record lives in. A compact line
// with pooled rows keeps the same block fields; the row fields give way to
// the entry count and the index of its run in the list's row pool, which
// holds every entry.
class TLine {
public:
    ~TLine();
    TLine(const TLine&) = delete;
    TLine& operator=(const TLine&) = delete;

    // Bytes of the line, its newline included.
    uint64_t Length() const { return (FFlags & flSpilled) ? FSpill->Length : CompactLength(); }
    // The line's bytes, in order; their sizes add up to Length.
    TBlockList Blocks() const { return TBlockList(this); }
    // The row entries (rows and the end entry).
    TRowList Rows() const { return TRowList(this); }
    // The number of rows (entries less the end entry).
    int32_t RowCount() const;

private:
    friend class TLineList;
    friend class TLineIterator;
    friend class TBlockList;
    friend class TRowList;
    friend class TZinLines;
    friend class TLineReader;

    // Only the list creates lines: a record finds its list (its sources
    // and row pool) through the slab it lives in.
    TLine() : FOffset(0) {}

    enum : uint8_t { flSpilled = 1, flSourceShift = 1, flSourceMask = 6, flPooledRows = 8 };
    // The longest line the compact record holds (40 bits, 1 TiB).
    static constexpr uint64_t CompactMax = (uint64_t{1} << 40) - 1;
    uint64_t CompactLength() const { return FLengthLo | (uint64_t{FLengthHi} << 32); }
    void SetCompactLength(uint64_t n)
    {
        FLengthLo = static_cast<uint32_t>(n);
        FLengthHi = static_cast<uint8_t>(n >> 32);
    }
    bool Spilled() const { return FFlags & flSpilled; }
    // A compact line whose rows live in the list's row pool (FWidth0 holds
    // the run's index, FPos0 the number of entries).
    bool PooledRows() const { return FFlags & flPooledRows; }
    uint32_t RowRun() const { return static_cast<uint32_t>(FWidth0); }
    uint32_t RowEntries() const { return FPos0; }
    const TRowPool& Pool() const;
    // The compact block's source.
    TInData* Source() const;
    int SourceSlot() const { return (FFlags & flSourceMask) >> flSourceShift; }

    TLine* FPrev = nullptr;
    TLine* FNext = nullptr;
    union {
        uint64_t FOffset;    // compact: the single block's offset
        TLineSpill* FSpill;  // spilled
    };
    uint32_t FLengthLo = 0;  // compact: Length, low 32 bits
    int32_t FWidth0 = 0;     // compact: width of the one row, or the pooled rows' run

public:
    TLineState State{};         // syntax state at the line's start
    uint8_t NewLineBytes = 0;   // bytes of the newline ending the line, 0 when none

private:
    uint8_t FPos0 = 0;      // compact: Pos of the first row (a byte-order mark), or the pooled entries
    uint8_t FFlags = 0;     // spilled flag, the compact block's source slot, pooled rows
    uint8_t FLengthHi = 0;  // compact: Length, bits 32-39
};

// Iterator into the line list; stays valid while other lines are inserted or
// removed.
class TLineIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = TLine;
    using difference_type = std::ptrdiff_t;
    using pointer = TLine*;
    using reference = TLine&;

    TLineIterator() = default;
    explicit TLineIterator(TLine* node) : FNode(node) {}
    TLine& operator*() const { return *FNode; }
    TLine* operator->() const { return FNode; }
    TLineIterator& operator++() { FNode = FNode->FNext; return *this; }
    TLineIterator operator++(int) { TLineIterator t = *this; ++*this; return t; }
    TLineIterator& operator--() { FNode = FNode->FPrev; return *this; }
    TLineIterator operator--(int) { TLineIterator t = *this; --*this; return t; }
    friend bool operator==(const TLineIterator&, const TLineIterator&) = default;
    TLine* Node() const { return FNode; }

private:
    TLine* FNode = nullptr;
};

// The doubly linked list of lines. Line records come from slabs of raw
// memory (constructed on use) and a free list.
class TLineList {
public:
    using iterator = TLineIterator;
    TLineList();
    ~TLineList();
    TLineList(const TLineList&) = delete;
    TLineList& operator=(const TLineList&) = delete;

    iterator begin() const { return iterator(FHead.FNext); }
    iterator end() const { return iterator(const_cast<TLine*>(&FHead)); }
    bool empty() const { return FHead.FNext == &FHead; }
    TLine& front() const { return *FHead.FNext; }
    TLine& back() const { return *FHead.FPrev; }
    // Number of lines, counted as they are inserted and removed.
    size_t size() const { return FSize; }

    // Inserts a blank line (State zero) before `pos` and returns it.
    iterator insert(iterator pos);
    // Removes the line and returns the one after it.
    iterator erase(iterator pos);
    // Removes every line but the first one and returns its memory to the
    // pool (slabs no longer needed are freed).
    void TrimToFirst();
    void clear();

    // Counts insertions and removals of lines, and (through the store)
    // changes of their lengths and rows.
    uint64_t FChanges = 0;
    // Lines holding an out-of-line spill; kept by the store, so that
    // dropping millions of compact lines needs no walk over them.
    size_t FSpilledLines = 0;
    // Row entries of compact lines with several rows.
    TRowPool FRowPool;
    // The sources compact lines may refer to, by slot.
    enum TSourceSlot : int { SourceNone = 0, SourceMemory = 1, SourceFile = 2 };
    TInData* FSources[4] = {};
    // Told of every slab and row-pool chunk allocated.
    TGrowthWatch FWatch;
    // The slot of a registered source (0 for null), or -1.
    int SlotOf(const TInData* source) const
    {
        for (int i = 0; i < 4; ++i)
            if (FSources[i] == source)
                return i;
        return -1;
    }

private:
    TLine* Allocate();
    void Release(TLine* node);
    void FreeSlabs(size_t keep);

    TLine FHead;  // sentinel
    size_t FSize = 0;
    std::vector<void*> FSlabs;
    size_t FSlabUsed = 0;   // records handed out from the last slab
    TLine* FFree = nullptr; // free list through FNext
};

// Where a line stands: the line, its index, the global index of its first
// row and the file offset of its first byte.
struct TLinePlace {
    TLineIterator Line;
    int32_t Index = 0;
    int32_t FirstRow = 0;
    uint64_t Start = 0;
};

}  // namespace zin
