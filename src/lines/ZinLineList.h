#pragma once
// The line list: the facts of every line of the opened file in contiguous,
// indexed arrays, with views of a line's blocks and rows, its iterator and a
// line's place (index, first row, file offset).
//
// Memory: a line costs 8 bytes: its length (4 bytes) and a word of facts
// (the newline's bytes, the width of its first row or, for a wrapped line,
// its extra rows' count and first width, and flags). Where a line starts in
// the file and which global row it begins are sums: a checkpoint every
// Stride lines records them, so they are a walk of fewer than Stride
// entries away. The extra rows of wrapped lines are 4-byte units in an
// array of their own, in line order. The syntax state at a line's start is
// kept only where it is not the empty state, in a side table sorted by line.
// Lines the compact form cannot hold (several blocks, bytes elsewhere than
// at their file position, 4 GiB or longer, rows beyond the units' ranges)
// have a spill in another side table.
//
// The list is built by appending lines in order (a load, a rescan) and its
// rows are rebuilt in order (a reformat); lines are never inserted in the
// middle in place: a change of a range of lines builds the list anew from
// the unchanged lines before and after it and the new ones.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
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

class TLineList;
class TZinLines;

// Whether a state is the empty one (no call, unlike comparing the arrays).
inline bool IsEmptyState(const TLineState& s)
{
    return (s[0] | s[1] | s[2] | s[3]) == 0;
}

// Watches the growth of the line index: every Step bytes of new chunks it
// calls Check, which may throw TLoadStop. Never per line.
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

// Out-of-line facts of a line the compact form cannot hold.
struct TLineSpill {
    uint64_t Length = 0;
    // Empty when the line's bytes are the list's source at the line's file
    // position (the line spilled for its length or its rows only).
    std::vector<TBlock> Blocks;
    std::vector<TRowIndex> Rows;
};

// Where a line's bytes are: one run of a source (Blocks null), or blocks.
struct TLineBytes {
    TInData* Source = nullptr;
    uint64_t Offset = 0;
    uint64_t Length = 0;
    const std::vector<TBlock>* Blocks = nullptr;
};

// An array of plain values in chunks of 2^Shift values: it grows without
// moving what it holds, and emptying it keeps its chunks for the next fill.
template <class T, unsigned Shift>
class TChunkArray {
public:
    static constexpr size_t ChunkValues = size_t{1} << Shift;
    static constexpr size_t Mask = ChunkValues - 1;

    TChunkArray() = default;
    ~TChunkArray() { Release(); }
    TChunkArray(const TChunkArray&) = delete;
    TChunkArray& operator=(const TChunkArray&) = delete;
    void swap(TChunkArray& o) noexcept
    {
        FChunks.swap(o.FChunks);
        std::swap(FSize, o.FSize);
    }

    size_t size() const { return FSize; }
    T& operator[](size_t i) { return FChunks[i >> Shift][i & Mask]; }
    const T& operator[](size_t i) const { return FChunks[i >> Shift][i & Mask]; }
    void push_back(const T& v, TGrowthWatch* watch)
    {
        if ((FSize >> Shift) >= FChunks.size())
            AddChunk(watch);
        (*this)[FSize++] = v;
    }
    // Empties the array; its chunks stay for the next values.
    void clear() { FSize = 0; }
    // Drops the values from `n` on.
    void truncate(size_t n)
    {
        if (n < FSize)
            FSize = n;
    }
    // Returns every chunk.
    void Release()
    {
        for (T* c : FChunks)
            if (c)
                FreeChunk(c);
        FChunks.clear();
        FSize = 0;
    }
    // Returns the chunks that hold no values.
    void Trim()
    {
        const size_t keep = (FSize + Mask) >> Shift;
        while (FChunks.size() > keep) {
            FreeChunk(FChunks.back());
            FChunks.pop_back();
        }
    }
    // Returns chunk k, whose values are no longer read (only Release may
    // follow).
    void DropChunk(size_t k)
    {
        FreeChunk(FChunks[k]);
        FChunks[k] = nullptr;
    }
    size_t CapacityBytes() const { return FChunks.size() * ChunkBytes; }
    // Whether chunks after the first are to be huge pages (see AddChunk).
    bool Huge = false;

private:
    static constexpr size_t ChunkBytes = ChunkValues * sizeof(T);
    void AddChunk(TGrowthWatch* watch);
    static void FreeChunk(T* chunk);
    std::vector<T*> FChunks;
    size_t FSize = 0;
};

// An extra row of a wrapped line: the bytes from the row before it to this
// row's start, and its width (4 bytes).
struct TRowUnit {
    uint16_t Bytes;
    uint16_t Width;
};
static_assert(sizeof(TRowUnit) == 4, "a row unit takes 4 bytes");

class TBlockList;
class TRowList;

// A view of one line of a list: its index, and the newline's bytes and
// syntax state read when the view was made. A value; it stays valid while
// the list keeps its lines (Generation()).
class TLine {
public:
    // Bytes of the line, its newline included.
    uint64_t Length() const;
    // The line's bytes, in order; their sizes add up to Length.
    TBlockList Blocks() const;
    // The row entries (rows and the end entry).
    TRowList Rows() const;
    // The number of rows (entries less the end entry).
    int32_t RowCount() const;
    // Where the line's bytes are.
    TLineBytes Bytes() const;
    uint32_t Index() const { return FIndex; }
    const TLineList* List() const { return FList; }
    // Whether the line's facts are out of line.
    bool Spilled() const;

    uint8_t NewLineBytes = 0;  // bytes of the newline ending the line, 0 when none
    TLineState State{};        // syntax state at the line's start

private:
    friend class TLineList;
    friend class TLineIterator;
    friend class TRowList;
    friend class TBlockList;
    const TLineList* FList = nullptr;
    uint32_t FIndex = 0;
};

// Read-only views of a line's blocks and row entries (values, not references).
class TBlockList {
public:
    explicit TBlockList(const TLine& line);
    size_t size() const { return FBlocks ? FBlocks->size() : 1; }
    bool empty() const { return size() == 0; }
    TBlock operator[](size_t i) const { return FBlocks ? (*FBlocks)[i] : FOne; }
    TBlock front() const { return (*this)[0]; }
    TBlock back() const { return (*this)[size() - 1]; }

private:
    const std::vector<TBlock>* FBlocks = nullptr;
    TBlock FOne;
};

class TRowList {
public:
    explicit TRowList(const TLine& line);
    size_t size() const { return FSpill ? FSpill->size() : FRows + 1; }
    TRowIndex operator[](size_t i) const;
    TRowIndex front() const { return (*this)[0]; }
    TRowIndex back() const { return (*this)[size() - 1]; }

private:
    const TLineList* FList;
    const std::vector<TRowIndex>* FSpill = nullptr;
    uint32_t FRows = 1;   // compact: rows
    uint32_t FUnit = 0;   // compact: index of the first extra row's unit
    uint64_t FPos0 = 0;   // compact: the first row's offset
    int32_t FWidth0 = 0;  // compact: the first row's width
    uint64_t FEnd = 0;    // compact: the end entry's offset
};

// Iterator over the list's lines by index. Valid while the list keeps its
// lines; a change of lines or rows (Generation()) makes it stale.
class TLineIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = TLine;
    using difference_type = std::ptrdiff_t;
    using pointer = const TLine*;
    using reference = const TLine&;

    TLineIterator() = default;
    TLineIterator(const TLineList* list, uint32_t index) { FLine.FList = list; FLine.FIndex = index; Load(); }
    const TLine& operator*() const { return FLine; }
    const TLine* operator->() const { return &FLine; }
    TLineIterator& operator++() { ++FLine.FIndex; Load(); return *this; }
    TLineIterator operator++(int) { TLineIterator t = *this; ++*this; return t; }
    TLineIterator& operator--() { --FLine.FIndex; Load(); return *this; }
    TLineIterator operator--(int) { TLineIterator t = *this; --*this; return t; }
    friend bool operator==(const TLineIterator& a, const TLineIterator& b)
    {
        return a.FLine.Index() == b.FLine.Index() && a.FLine.List() == b.FLine.List();
    }
    uint32_t Index() const { return FLine.FIndex; }

private:
    inline void Load();
    TLine FLine;
};

// The list of lines (see the head of this file).
class TLineList {
public:
    using iterator = TLineIterator;
    // Lines between two checkpoints.
    static constexpr uint32_t Stride = 256;

    TLineList() = default;
    ~TLineList() = default;
    TLineList(const TLineList&) = delete;
    TLineList& operator=(const TLineList&) = delete;
    // Exchanges the lines of two lists (their sources and watches stay).
    void swap(TLineList& o) noexcept;

    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, static_cast<uint32_t>(size())); }
    iterator At(size_t index) const { return iterator(this, static_cast<uint32_t>(index)); }
    bool empty() const { return FLen.size() == 0; }
    size_t size() const { return FLen.size(); }
    TLine front() const { return *begin(); }
    TLine back() const { return *At(size() - 1); }

    // ---- Facts of line i (i < size()).
    uint64_t LengthAt(size_t i) const
    {
        const uint32_t n = FLen[i];
        return n != LongLength ? n : SpillAt(i)->Length;
    }
    uint8_t NewLineBytesAt(size_t i) const { return static_cast<uint8_t>(FInfo[i] & NlMask); }
    TLineState StateAt(size_t i) const { return (FInfo[i] & HasState) ? StateLookup(i) : TLineState{}; }
    int32_t RowCountAt(size_t i) const
    {
        const uint32_t info = FInfo[i];
        if (info & Multi)
            return static_cast<int32_t>(((info >> PayloadShift) & ExtraMask) + 1);
        if (info & Spilled)
            return static_cast<int32_t>(SpillAt(i)->Rows.size()) - 1;
        return 1;
    }
    bool SpilledAt(size_t i) const { return FInfo[i] & Spilled; }
    // The file offset of line i's first byte, and of its end (i may be size()).
    uint64_t StartOf(size_t i) const;
    // The global index of line i's first row (i may be size()).
    int32_t FirstRowOf(size_t i) const;
    // Where line i's bytes are, given its file offset.
    TLineBytes BytesAt(size_t i, uint64_t start) const;
    // The first row's offset in line i (a byte-order mark on the first line).
    uint64_t FirstRowPos(size_t i) const;

    // Totals.
    uint64_t TotalBytes() const { return FTotalBytes; }
    int64_t TotalRows() const { return FTotalRows; }

    // ---- Building, in order.
    // Appends a line of `length` bytes: its newline's bytes, its state, its
    // row entries (rows and the end entry) and, when its bytes are not the
    // source's run at its file offset, its blocks.
    void Append(uint64_t length, uint8_t newLineBytes, const TLineState& state, const TRowIndex* rows,
                size_t entries, const std::vector<TBlock>* blocks = nullptr);
    // The common case: one row from the line's start, of `width` pixels.
    void AppendOneRow(uint64_t length, uint8_t newLineBytes, const TLineState& state, int32_t width)
    {
        if (length < LongLength && width >= 0 && width <= OneRowWidthMax && newLineBytes <= NlMask &&
            IsEmptyState(state) && newLineBytes <= length) {
            if (FLen.size() % Stride == 0)
                AddCheckpoint();
            if (FLen.size() == 0)
                FPos0 = 0;
            FLen.push_back(static_cast<uint32_t>(length), Watch);
            FInfo.push_back(newLineBytes | (static_cast<uint32_t>(width) << PayloadShift), Watch);
            FTotalBytes += length;
            ++FTotalRows;
            ++FChanges;
            return;
        }
        const TRowIndex rows[2] = {TRowIndex{0, width}, TRowIndex{length - newLineBytes, 0}};
        Append(length, newLineBytes, state, rows, 2);
    }
    // Appends the lines of another list (whose bytes follow this list's)
    // and empties it, returning its memory as its lines are taken, so that
    // the two never hold all of it twice.
    void TakeList(TLineList& other);
    // Appends line i of another list as it is (with `state` in place of its own).
    void AppendFrom(const TLineList& other, size_t i, uint64_t start, const TLineState& state);
    // Drops the lines from n on.
    void Truncate(size_t n);
    // The widest row of all lines.
    int32_t MaxRowWidth() const;
    // Empties the list; its memory stays for the next lines.
    void clear();
    // Empties the list and returns its memory.
    void Release();

    // ---- Rebuilding the rows of every line, in order: BeginRows, then
    // SetRows for line 0, 1, ... up to the last.
    void BeginRows();
    void SetRows(size_t i, const TRowIndex* rows, size_t entries);

    // Counts changes of lines and rows.
    uint64_t FChanges = 0;
    // The source whose bytes compact lines are (at their file offsets).
    TInData* Source = nullptr;
    // Told of every chunk allocated (may be null).
    TGrowthWatch* Watch = nullptr;
    // New chunks after the first in huge pages: for the list a load fills
    // (a list built beside another, by a rescan, stays in small pages, which
    // the system finds without compacting memory).
    void SetHugePages(bool on) { FLen.Huge = FInfo.Huge = FUnits.Huge = on; }
    // Lines holding a spill.
    size_t SpilledLines() const { return FSpills.size(); }
    // Bytes of the checkpoints.
    size_t CheckpointBytes() const { return FCheckpoints.capacity() * sizeof(TCheckpoint); }

private:
    friend class TLine;
    friend class TRowList;
    friend class TBlockList;
    friend class TLineIterator;

    // The word of facts: the newline's bytes, flags and a payload.
    enum : uint32_t {
        NlMask = 7,
        HasState = 8,     // the state is in FStates
        Spilled = 16,     // the facts are in FSpills
        Multi = 32,       // several rows: extra rows in the payload's low byte, units in FUnits
        PayloadShift = 6,
        ExtraMask = 0xFF,
        MultiWidthShift = PayloadShift + 8,
    };
    static constexpr int32_t OneRowWidthMax = (1 << (32 - PayloadShift)) - 1;
    static constexpr int32_t MultiWidthMax = (1 << (32 - MultiWidthShift)) - 1;
    static constexpr uint32_t LongLength = UINT32_MAX;

    struct TCheckpoint {
        uint64_t Start;     // file offset of the checkpoint's line
        uint32_t FirstRow;  // its first global row
        uint32_t Unit;      // index of its first unit in FUnits
        uint32_t State;     // index in FStates of the first entry at or after it
        uint32_t Spill;     // index in FSpills of the first entry at or after it
    };
    struct TStateEntry {
        uint32_t Index;
        TLineState State;
    };
    struct TSpillEntry {
        uint32_t Index;
        std::unique_ptr<TLineSpill> Spill;
    };

    void AddCheckpoint();
    TLineState StateLookup(size_t i) const;
    const TLineSpill* SpillAt(size_t i) const;
    // Index in FUnits of line i's first extra row.
    uint32_t UnitOf(size_t i) const;
    // The facts word and units for rows; false when they need a spill.
    bool EncodeRows(size_t i, uint64_t length, uint8_t nl, const TRowIndex* rows, size_t entries, uint32_t& info);
    void PushUnits(const TRowIndex* rows, size_t entries);
    void PushSpill(size_t i, std::unique_ptr<TLineSpill> spill);

    TChunkArray<uint32_t, 19> FLen;
    TChunkArray<uint32_t, 19> FInfo;
    TChunkArray<TRowUnit, 19> FUnits;
    std::vector<TCheckpoint> FCheckpoints;
    std::vector<TStateEntry> FStates;
    std::vector<TSpillEntry> FSpills;
    uint64_t FTotalBytes = 0;
    int64_t FTotalRows = 0;
    uint64_t FPos0 = 0;  // the first line's first row offset

    // While rows are rebuilt: spills of lines that need one now, merged
    // with the others when the last line's rows are set.
    std::vector<TSpillEntry> FNewSpills;
    // Whether spills were dropped (left empty in FSpills) by the rebuild.
    bool FDroppedSpills = false;
    // Merges the new spills, removes the dropped ones and points the
    // checkpoints at the table anew.
    void SettleSpills();
};

inline void TLineIterator::Load()
{
    const TLineList* l = FLine.FList;
    if (l && FLine.FIndex < l->size()) {
        FLine.NewLineBytes = l->NewLineBytesAt(FLine.FIndex);
        FLine.State = l->StateAt(FLine.FIndex);
    }
}

inline uint64_t TLine::Length() const { return FList->LengthAt(FIndex); }
inline int32_t TLine::RowCount() const { return FList->RowCountAt(FIndex); }
inline bool TLine::Spilled() const { return FList->SpilledAt(FIndex); }
inline TBlockList TLine::Blocks() const { return TBlockList(*this); }
inline TRowList TLine::Rows() const { return TRowList(*this); }
inline TLineBytes TLine::Bytes() const { return FList->BytesAt(FIndex, FList->StartOf(FIndex)); }

// Where a line stands: the line, its index, the global index of its first
// row and the file offset of its first byte.
struct TLinePlace {
    TLineIterator Line;
    int32_t Index = 0;
    int32_t FirstRow = 0;
    uint64_t Start = 0;
};

}  // namespace zin
