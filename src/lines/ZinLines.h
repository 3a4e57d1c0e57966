#pragma once
// The line store: the opened file's bytes in data sources, split into lines
// whatever the newline convention, each line cut into display rows, with the
// syntax state at each line's start, and the one character reader through
// which everybody decodes text.
//
// Memory: a loaded file of many millions of lines is held as one compact
// 40-byte record per line. A line with one block and one row keeps both in
// the record itself. A line with one block and several rows (a wrapped line)
// keeps its block in the record and its row entries in the list's row pool,
// 8 bytes an entry; only a line with several blocks, more rows than a pool
// run holds or row positions beyond 4 GiB gets an out-of-line spill with two
// vectors. Records come from a slab pool and pooled rows from large chunks,
// so neither costs a heap allocation of its own.
#include <algorithm>
#include <array>
#include <cstddef>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "encoding/CodePage.h"
#include "encoding/Decoder.h"
#include "lines/RingDeque.h"
#include "lines/ZinData.h"
#include "lines/ZinEditTypes.h"
#include "lines/ZinLinesOwner.h"

namespace zin {

class TZinSyntax;
struct TSyntaxRange;
namespace detail {
struct TSpanCursor;
}

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

class TLine;
class TZinLines;

// Why the last load failed, or what it left out (None when it read the
// whole file).
enum class TLoadError : uint8_t {
    None,
    CannotOpen,    // missing, unreadable, a folder
    NotAFile,      // a named pipe, a device or a socket
    TooManyLines,  // more lines or rows than a 32-bit count holds
    NoMemory,      // the index would not fit the memory the machine has
    Truncated,     // (the load succeeded) a file without a size, read only up to the in-memory limit
};
// The message the window shows for it: "Cannot read this file!" for the
// first three, "Not enough memory to open this file." for NoMemory, a note
// for Truncated, empty for None.
const char* LoadErrorMessage(TLoadError error);
// The reason in a few words for the stops a load makes of its own (too many
// lines, too little memory); empty for the others.
const char* LoadStopReason(TLoadError error);

// Thrown inside the store when a scan must stop: a count would overflow, or
// the index would outgrow the machine's memory. Loads catch it.
struct TLoadStop {
    TLoadError Reason;
};

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
    // The sources compact lines may refer to (slot 0 is none).
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

class TZinLines {
public:
    explicit TZinLines(TZinLinesOwner* edit);
    ~TZinLines();
    TZinLines(const TZinLines&) = delete;
    TZinLines& operator=(const TZinLines&) = delete;

    // Opens the file, places its bytes (memory up to the control's limit,
    // disk beyond), picks the syntax, guesses the encoding and builds the
    // lines. False when the file cannot be opened; nothing changes then.
    // A file whose size reads 0 but which has content (/proc) is read to its
    // end into memory, up to the control's in-memory limit (LoadError() is
    // then Truncated when more was left). A load that must stop (more lines
    // or rows than a 32-bit count holds, an allocation that fails, an index
    // that would outgrow the machine's available memory) leaves one blank
    // line and returns false; LoadError() says why.
    bool LoadFromFile(const std::string& path);
    TLoadError LoadError() const { return FLoadError; }
    // Why the last load failed, in words a user reads under "Cannot read
    // this file!": the system's reason for a file that would not open
    // ("Permission denied", "No such file or directory"), "It is a pipe or
    // a device", "Not enough memory to open this file.", ... Empty after a
    // load that succeeded (a truncated one included).
    const std::string& LoadErrorReason() const { return FLoadErrorReason; }
    // Whether the lines are still the one line a load in hex mode leaves (no
    // scan has split it). A rescan of the lines from the first splits it.
    bool Unsplit() const { return FUnsplit; }
    // Drops every line (dropAll) or returns to one blank line.
    void Clear(bool dropAll);
    // Re-splits the inclusive range of lines in the control's code page.
    // Outside a load, a split that would make more lines or rows than the
    // count limit leaves one blank line (LoadError() says why).
    void Rescan(TLineIterator first, TLineIterator last);
    // Rebuilds the rows of every line with the current limits and widths.
    // False when they would be more than the count limit: the rows are then
    // rebuilt with the wrap width of the rows before (as they were).
    bool Reformat();

    // Splits one line at its newlines; returns the state after its last piece.
    TLineState ScanLine(TLineIterator line);
    // Appends the next line's bytes to the line.
    void JoinNext(TLineIterator line, TLineIterator next);
    // 13, 10 or 0: the line's last character in the current code page.
    int32_t LineEndChar(TLineIterator line);
    bool StartsWithLF(TLineIterator line);

    // The character reader.
    bool BeginRead(TLineIterator line, const TRowIndex& entry);
    bool NextChar(twc_queue& queue) { return (this->*FNextChar)(queue); }
    bool IsLFNext();
    bool IsLeadByte(uint8_t b) const { return FDecoder.IsLeadByte(b); }

    // The 1-based index of the first string that the text at the queue's
    // front begins with (0 for none), and its length in bytes.
    int32_t MatchStrings(twc_queue& queue, const std::vector<std::string>& strings, int32_t& length,
                         size_t count = SIZE_MAX)
    {
        return MatchStrings(queue, strings.data(), std::min(count, strings.size()), length);
    }
    // The same over `count` strings in a row (one end token needs no list).
    int32_t MatchStrings(twc_queue& queue, const std::string* strings, size_t count, int32_t& length);

    // Replaces a line's blocks; the line's Length becomes their total. For
    // tools and tests that assemble lines from pieces.
    void SetLineBlocks(TLineIterator line, const std::vector<TBlock>& blocks) { SetBlocks(*line, blocks); }

    // Figures for the status bar and for tools (the newline convention is
    // the owner's field, which the scan writes).
    int32_t LineCount() const { return FLineCount; }
    int32_t RowCount() const { return FRowCount; }
    uint64_t FileSize() const { return FFileSize; }
    int32_t MaxRowWidth() const { return FMaxRowWidth; }
    TZinSyntax* Syntax() const { return FSyntax; }
    // The control that owns the store (widths, tab size, code page).
    TZinLinesOwner* Owner() const { return FEdit; }
    // The reader's position in the line it reads.
    uint64_t ReadPos() const { return FReadPos; }

    // ---- Finding lines. Each answers from a checkpoint index (every
    // IndexStride-th line with its place) and a walk of fewer than
    // IndexStride lines, so no lookup walks millions of lines. The index
    // is built as far as the lookups reach (the first look at the top of a
    // file just opened walks no further than that), and begun anew on the
    // first lookup after the lines or rows changed.
    //
    // The line holding global row `row` (clamped to the rows there are).
    TLinePlace FindRow(int32_t row);
    // The line with index `index` (clamped to the lines there are).
    TLinePlace FindLine(int32_t index);
    // A line for file offset `pos`: in the first half of the file (pos at
    // most half the size) the first line that ends at or after pos, so an
    // offset on a line boundary gives the earlier line; beyond it the last
    // line that starts at or before pos, so a boundary gives the later one.
    TLinePlace FindFilePos(uint64_t pos);
    // Changes whenever lines are added, removed or resized or rows are
    // rebuilt; a place found earlier is valid while it stays the same.
    uint64_t Generation() const { return FLines.FChanges; }
    static constexpr int32_t IndexStride = 256;
    // Bytes the index takes.
    size_t IndexBytes() const { return FCheckpoints.capacity() * sizeof(TLinePlace); }

    // The lines, for reading (the store alone changes them).
    const TLineList& Lines() const { return FLines; }
    // The syntax state after the last line.
    TLineState EndState() const { return FEndState; }
    // Which content test decided the encoding at the last load.
    TContentTest ContentTest() const { return FContentTest; }
    // Whether the file is read from disk (larger than the in-memory limit)
    // rather than held in memory.
    bool OnDisk() const { return FFileData != nullptr; }
    // The decoder of the owner's code page as the store last selected it
    // (a read or a scan selects it anew when the owner's code page changed).
    const TDecoder& Decoder() const { return FDecoder; }
    // The scan decodes through direct span access where it can and gives the
    // same lines, rows and states as the character reader; false forces the
    // reader everywhere (for comparison in tests).
    void SetUseFastScan(bool on) { FUseFastScan = on; }

    // ---- Limits, lowered by tests. The most lines and rows (both counted
    // in 32 bits).
    void SetCountLimit(int32_t limit) { FCountLimit = limit; }
    // Where a load learns the memory the machine has available (bytes; 0 =
    // unknown, no limit), and how many bytes the index grows between two
    // looks. By default /proc/meminfo's MemAvailable every 32 MiB.
    void SetMemoryProbe(uint64_t (*probe)(), uint64_t step);
    static uint64_t SystemAvailableMemory();

private:
    // Tests reach the fields through this (tests/support/LinesAccess.h).
    friend struct TZinLinesAccess;

    TZinLinesOwner* FEdit;
    TZinSyntax* FSyntax = nullptr;
    TLineList FLines;
    int32_t FLineCount = 0;
    int32_t FRowCount = 0;
    uint64_t FFileSize = 0;
    TFileData* FFileData = nullptr;
    TMemData* FMemData = nullptr;
    int32_t FMaxRowWidth = 0;
    TLineState FEndState{};
    // Which content test decided the encoding at the last load.
    TContentTest FContentTest = TContentTest::None;
    TLoadError FLoadError = TLoadError::None;
    std::string FLoadErrorReason;
    bool FUnsplit = false;
    int32_t FCountLimit = INT32_MAX;
    // The wrap width the rows were last built with (Reformat falls back to it).
    int32_t FRowsWrapWidth = INT32_MAX;
    uint64_t (*FMemoryProbe)() = &TZinLines::SystemAvailableMemory;
    // During a load: the memory that must stay available (0 = no watch).
    uint64_t FMemoryReserve = 0;

    // Reader state.
    TLineIterator FReadLine;
    uint64_t FReadLength = 0;
    uint64_t FReadPos = 0;
    TRingDeque<int32_t> FPendingBytes;
    TDecoder FDecoder;

    // The scan decodes through direct span access where it can and gives the
    // same lines, rows and states as the character reader; false forces the
    // reader everywhere (for comparison in tests).
    bool FUseFastScan = true;

    struct TScanSetup;
    struct TRowBuilder;
    struct TTracker;

    // Decoders; each appends one character or returns false.
    bool NextSingleByte(twc_queue& q);
    bool NextDoubleByte(twc_queue& q);
    bool NextUTF16LE(twc_queue& q);
    bool NextUTF16BE(twc_queue& q);
    bool NextUTF8(twc_queue& q);
    uint8_t FetchByte(uint64_t pos) const;

    bool LoadFile(const std::string& path);
    // Reads a file whose size reads 0 into memory, up to the in-memory limit;
    // returns the bytes read.
    uint64_t ReadUnsized();
    // Copies a file of the given size into memory; returns the bytes read,
    // fewer where the file ends before its size.
    uint64_t ReadSized(uint64_t size);
    // Ends a load that had to stop: one blank line, no file, the owner's view
    // reset and its loading flag cleared.
    void FailLoad(TLoadError reason);
    static void CheckMemory(void* store);
    // Stops the scan when one more row would pass the count limit.
    void CountRow()
    {
        if (FRowCount >= FCountLimit)
            throw TLoadStop{TLoadError::TooManyLines};
        ++FRowCount;
    }
    void ReformatWith(int32_t wrapWidth);
    void RescanLines(TLineIterator first, TLineIterator last);

    void PrepareScan(TScanSetup& s);
    // Selects the owner's code page and the decoder of its kind; false when
    // the number is not in the table (the previous decoder stays).
    bool SelectDecoder();
    TLineState ScanLineWith(TScanSetup& s, TLineIterator line);
    void PlaceChar(const TScanSetup& s, TRowBuilder& rb, int32_t u, int32_t n, int32_t w);
    void CloseRow(TRowBuilder& rb, bool carry);
    void CloseLine(TRowBuilder& rb);
    void CommitRows(TLine& line, const std::vector<TRowIndex>& rows);
    // Gives a compact line the rows in the row pool; false when they do not
    // fit there (the line then has no pooled rows).
    bool PoolRows(TLine& line, const std::vector<TRowIndex>& rows);
    // A compact line's rows become the one row in the record.
    void SetOneRow(TLine& line, uint8_t pos0, int32_t width);
    void Track(const TScanSetup& s, TTracker& t, twc_queue& q, TLine& line);
    // One line piece through the reader: from the row builder's start to
    // the first newline or the line's end. Returns the read position after
    // the newline. scanMode: a scan (newlines counted, states tracked)
    // rather than a reformat.
    uint64_t ScanPieceSlow(TScanSetup& s, TLineIterator line, TRowBuilder& rb, TTracker* t,
                           bool scanMode, bool firstOfList);
    // The same through direct span access; false when this piece cannot take
    // the fast route (then nothing was changed).
    bool ScanPieceFast(TScanSetup& s, detail::TSpanCursor& c, TLineIterator line, TRowBuilder& rb,
                       bool scanMode, bool firstOfList, uint64_t& endPos);
    bool SimplePieces(TScanSetup& s, detail::TSpanCursor& c, TLineIterator& cur, const TLineState& state,
                      bool& firstOfList);
    template <int Kind>
    uint64_t FastPiece(TScanSetup& s, detail::TSpanCursor& c, TLine& line, TRowBuilder& rb, bool scanMode,
                       bool firstOfList);
    void SplitAfter(TLineIterator line, uint64_t p, const TLineState& state);
    void ResetBlank(TLine& line);
    // Line records: a compact line turned into a spilled one and back.
    TLineSpill& Materialize(TLine& line);
    void TryCompact(TLine& line);
    void SetSingleBlock(TLine& line, TInData* source, uint64_t offset, uint64_t length);
    void GetBlocks(const TLine& line, std::vector<TBlock>& blocks) const;
    // Sets the blocks and makes Length their total.
    void SetBlocks(TLine& line, const std::vector<TBlock>& blocks);
    static uint8_t ByteOfLine(const TLine& line, uint64_t i);

    bool (TZinLines::*FNextChar)(twc_queue&) = &TZinLines::NextSingleByte;
    // Read-line block access bound by BeginRead.
    TInData* FReadSource = nullptr;   // single-block line
    uint64_t FReadOffset = 0;
    const std::vector<TBlock>* FReadBlocks = nullptr;  // spilled line

    // Marks the lines or rows as changed (the index and places go stale).
    void Changed() { ++FLines.FChanges; }
    // Records the next checkpoint and walks to the one after it; false
    // when every line is indexed.
    bool ExtendIndex();
    // The checkpoint at or before the line a lookup wants: the last one for
    // which `before` holds (the index is extended until `before` fails on
    // its last checkpoint or the lines end).
    template <class Pred>
    const TLinePlace& Checkpoint(Pred before);

    uint64_t FIndexGeneration = UINT64_MAX;
    std::vector<TLinePlace> FCheckpoints;
    // The place of the line the next checkpoint records.
    TLinePlace FIndexNext;

    std::vector<TRowIndex> FRowScratch;
    std::vector<TBlock> FBlockScratch;
    twc_queue FScanQueue;
};

}  // namespace zin
