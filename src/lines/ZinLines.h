#pragma once
// The line store: the opened file's bytes in data sources, split into lines
// whatever the newline convention, each line cut into display rows, with the
// syntax state at each line's start, and the decoder of the file's code page
// that every reader of its lines decodes with.
//
// The lines' facts themselves are ZinLineList.h's, the character reader
// ZinLineReader.h's.
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
#include "lines/ZinData.h"
#include "lines/ZinLineList.h"
#include "lines/ZinLineReader.h"
#include "lines/ZinEditTypes.h"
#include "lines/ZinLinesOwner.h"
#include "syntax/ZinSyntax.h"

namespace zin {

class TZinSyntax;
struct TSyntaxRange;
namespace detail {
struct TSpanCursor;
}

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


// What a look at the opened file found (CheckFile).
enum class TFileChange : uint8_t {
    None,      // as it was
    Grown,     // bytes were added at its end: they are lines of the store now
    Replaced,  // it shrank, another file has its name, or its bytes changed: to be loaded anew
    Deleted,   // its name is gone: the store keeps what it has
};

// What the first steps of a load decided, for the owner to apply.
struct TLoadPlan {
    TContentTest Content = TContentTest::None;
    // The file holds no bytes: nothing to split; it is shown in CodePage.
    bool Empty = false;
    // Binary: shown in hex mode, one unsplit line.
    bool HexMode = false;
    // The code page to show the file in; 0 keeps the owner's.
    int32_t CodePage = 0;
};

// Whether a load applies what the store decides about the file (its code
// page, its font, hex mode for a binary file) or keeps the owner's choices
// (a reload). See ZinLoadSteps.h.
enum class TLoadChoices : uint8_t { Decide, Keep };

class TZinLines {
public:
    explicit TZinLines(TZinLinesOwner* edit);
    ~TZinLines();
    TZinLines(const TZinLines&) = delete;
    TZinLines& operator=(const TZinLines&) = delete;

    // ---- Loading a file, in three steps. The store decides (the content
    // test, the code page, hex mode, the definition) and reports; its owner
    // applies the decisions between the steps, in the order the control's
    // behaviour needs: its code page and font before the lines are split
    // with their widths. See TZinEdit::LoadFromFile and TFixedMetricsOwner.
    //
    // Opens the file and empties the store for it. False when it cannot be
    // opened: nothing changes (LoadError() says why), or, when the load had
    // to stop (LoadStopped()), the store holds one blank line.
    bool OpenFile(const std::string& path);
    // Reads the opened file: into memory up to the owner's limit, else it
    // stays on disk; a file whose size reads 0 but which has content (/proc)
    // is read to its end into memory, up to that limit (LoadError() is then
    // Truncated when more was left). Picks the definition by the file's
    // extension and runs the content test on the first 5000 bytes; `current`
    // is the code page the owner shows files in now. The file is then one
    // line with one row. False when the load had to stop.
    bool ReadFile(int32_t current, TLoadPlan& plan);
    // Ends the load: splits the one line into lines and rows in the store's
    // code page (set by the owner meanwhile) unless `split` is false (hex
    // mode). False when the load had to stop (more lines or rows than a
    // 32-bit count holds, an allocation that fails, an index that would
    // outgrow the machine's available memory): one blank line is left.
    bool CompleteLoad(bool split);
    // Whether the last load stopped (rather than not opening its file).
    bool LoadStopped() const;
    // Looks at the file loaded last, by its name: whether it grew (the new
    // bytes are then scanned as the continuation of the file: its last line
    // again from its start, then the lines after it, exactly as a load of
    // the whole file would scan them; a file held in memory that grows past
    // the in-memory limit goes on from disk), was replaced (it shrank,
    // another file has its name, or a sample of its bytes before the old
    // end changed), or was deleted. Nothing changes but for growth. A file
    // without a size (/proc) is never looked at again (None).
    TFileChange CheckFile();
    // A cheap look for a watcher that asks often: whether the file's name
    // now names another file, none, or one of another size or modification
    // time than at the last look (the first look compares with the load).
    // When it says no, CheckFile would find no change but for a rewrite in
    // place that kept the size and the time.
    bool FileLooksChanged();
    // The path of the file loaded last.
    const std::string& LoadPath() const { return FLoadPath; }
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
    // The code page the store decodes in: the owner sets it whenever its
    // own changes (a number outside the table keeps the decoder it had).
    void SetCodePage(int32_t codePage) { FCodePage = codePage; }
    int32_t CodePage() const { return FCodePage; }
    // The file's newline convention, as the last scan found it.
    TNewLineType NewLineType() const { return FNewLineType; }
    // Re-splits the inclusive range of lines in the store's code page. A
    // split that would make more lines or rows than the count limit leaves
    // one blank line and returns false (LoadError() says why).
    bool Rescan(TLineIterator first, TLineIterator last);
    // Rebuilds the rows of every line with the current limits and widths.
    // False when they would be more than the count limit: the rows are then
    // rebuilt with the wrap width of the rows before (as they were).
    bool Reformat();

    // 13, 10 or 0: the line's last character in the current code page.
    int32_t LineEndChar(TLineIterator line) { return LineEndCharOf(line->Bytes()); }
    bool StartsWithLF(TLineIterator line) { return StartsWithLFOf(line->Bytes()); }

    // Readers. A reader begins at a row entry's position of a line, with
    // the decoder of the owner's code page (selected anew when it changed;
    // false when the owner's number is not in the table, and the previous
    // decoder stays). On the window's thread only; a reader that is to run
    // on another thread takes Decoder() and begins by itself.
    bool BeginRead(TLineReader& reader, TLineIterator line, const TRowIndex& entry);
    // The store's own reader, which its scans use (and tools and tests).
    bool BeginRead(TLineIterator line, const TRowIndex& entry) { return BeginRead(FReader, line, entry); }

    bool NextChar(twc_queue& queue) { return FReader.Next(queue); }
    bool IsLFNext() { return FReader.IsLFNext(); }
    const TLineReader& Reader() const { return FReader; }
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

    // Replaces a line's blocks; the line's Length becomes their total and
    // its rows one row up to its end. For tools and tests that assemble
    // lines from pieces (the lines are built anew: not for a loop).
    void SetLineBlocks(TLineIterator line, const std::vector<TBlock>& blocks);
    // Appends a blank line (for tests that assemble lines).
    void AppendBlankLine();

    // Figures for the status bar and for tools (the newline convention is
    // the owner's field, which the scan writes).
    int32_t LineCount() const { return FLineCount; }
    int32_t RowCount() const { return FRowCount; }
    uint64_t FileSize() const { return FFileSize; }
    int32_t MaxRowWidth() const { return FMaxRowWidth; }
    // The definition that colours the file (never null: "Plain Text" at
    // least), chosen by the file's extension at each load.
    const TZinSyntax* Syntax() const { return FSyntax.get(); }
    const TSyntaxRef& SyntaxRef() const { return FSyntax; }
    // The control that owns the store (widths, tab size, code page).
    TZinLinesOwner* Owner() const { return FEdit; }
    // The reader's position in the line it reads.
    uint64_t ReadPos() const { return FReader.Pos(); }

    // ---- Finding lines. Each answers from the list's checkpoints (every
    // IndexStride-th line's file offset and first row, kept as the lines
    // are built) and a walk of fewer than IndexStride lines, so no lookup
    // walks millions of lines.
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
    static constexpr int32_t IndexStride = TLineList::Stride;
    // Bytes the index takes.
    size_t IndexBytes() const { return FLines.CheckpointBytes(); }

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
    // A load of a file of at least this many bytes whose lines need no
    // syntax state scans its second half on another thread (32 MiB; tests
    // lower it).
    void SetTwoThreadMinimum(uint64_t bytes) { FTwoThreadMinimum = bytes; }

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
    TSyntaxRef FSyntax;
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
    // Told of the growth of the lists' memory during a load.
    TGrowthWatch FWatch;
    // The list a rescan of lines builds before it takes the place of FLines.
    TLineList FSpare;
    // The wrap width the rows were last built with (Reformat falls back to it).
    int32_t FRowsWrapWidth = INT32_MAX;
    uint64_t (*FMemoryProbe)() = &TZinLines::SystemAvailableMemory;
    // During a load: the memory that must stay available (0 = no watch).
    uint64_t FMemoryReserve = 0;

    int32_t FCodePage = 0;
    TDecoder FDecoder;
    TLineReader FReader;
    TNewLineType FNewLineType = nltDefaultDOS;
    std::string FLoadPath;
    // The loaded file's identity, and a sample of its bytes before its end
    // (at FSamplePos), for CheckFile.
    bool FWatchable = false;
    TFileIdentity FLoadedId;
    TFileIdentity FLastLook;  // for FileLooksChanged; Device 0: no file

    uint64_t FSamplePos = 0;
    std::string FSample;
    void TakeSample();
    bool AppendGrowth(uint64_t newSize);

    // The scan decodes through direct span access where it can and gives the
    // same lines, rows and states as the character reader; false forces the
    // reader everywhere (for comparison in tests).
    bool FUseFastScan = true;
    uint64_t FTwoThreadMinimum = uint64_t{32} << 20;

    struct TScanSetup;
    struct TRowBuilder;
    struct TTracker;

    // The steps of a load under the memory watch: a stop or a failed
    // allocation ends the load (FailLoad) and gives false.
    template <class TStep>
    bool Guarded(TStep&& step);
    bool Open(const std::string& path);
    bool Read(int32_t current, TLoadPlan& plan);
    // Reads a file whose size reads 0 into memory, up to the in-memory limit;
    // returns the bytes read.
    uint64_t ReadUnsized();
    // Copies a file of the given size into memory; returns the bytes read,
    // fewer where the file ends before its size.
    uint64_t ReadSized(uint64_t size);
    // Ends a load that had to stop: one blank line, no file.
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
    void RescanLines(size_t first, size_t last);
    // Ends a scan that reached the last line: a blank line follows a last
    // line that ends in a newline; `state` is the state after the lines.
    void EndLines(const TLineState& state);
    // A line being scanned: the rest of its bytes (a split moves its start
    // on), its newline and its state at the start.
    struct TWork {
        TWork() = default;
        TWork(const TWork&) = delete;
        TWork& operator=(const TWork&) = delete;
        TLineBytes Bytes;
        std::vector<TBlock> Blocks;  // Bytes.Blocks points here when there are several
        uint8_t NewLineBytes = 0;
        TLineState State{};
    };
    // Appends line k of `in` (at file offset `start`) to the work's bytes.
    static void JoinInto(TWork& w, const TLineBytes& next);
    // Drops the work's first n bytes.
    static void AdvanceWork(TWork& w, uint64_t n);
    int32_t LineEndCharOf(const TLineBytes& bytes) const;
    bool StartsWithLFOf(const TLineBytes& bytes) const;
    static uint8_t ByteOf(const TLineBytes& bytes, uint64_t i);
    // The store's reader over a line being scanned.
    void BeginReadWork(const TWork& w, uint64_t pos);

    void PrepareScan(TScanSetup& s);
    // Selects the owner's code page and the decoder of its kind; false when
    // the number is not in the table (the previous decoder stays).
    bool SelectDecoder();
    // Scans the work's bytes into lines appended to `out`; returns the
    // state after the last one.
    TLineState ScanLineWith(TScanSetup& s, TWork& w, TLineList& out);
    // A load's one line scanned in two halves, the second on another
    // thread; false (nothing done) where that does not apply.
    bool ScanLoadInTwo(TScanSetup& s, TWork& w, TLineList& out, TLineState& state);
    // The piece of the work up to byte p becomes a line of `out`; the work
    // goes on after it with `state`.
    void EmitPiece(TWork& w, TLineList& out, uint64_t p, const TLineState& state);
    void PlaceChar(const TScanSetup& s, TRowBuilder& rb, int32_t u, int32_t n, int32_t w);
    void CloseRow(TRowBuilder& rb, bool carry);
    void CloseLine(TRowBuilder& rb);
    void Track(const TScanSetup& s, TTracker& t, twc_queue& q, TWork& w);
    // One line piece through the reader: from the row builder's start to
    // the first newline or the line's end. Returns the read position after
    // the newline. scanMode: a scan (newlines counted, states tracked)
    // rather than a reformat.
    uint64_t ScanPieceSlow(TScanSetup& s, TWork& w, TRowBuilder& rb, TTracker* t, bool scanMode,
                           bool firstOfList);
    // The same through direct span access; false when this piece cannot take
    // the fast route (then nothing was changed).
    bool ScanPieceFast(TScanSetup& s, detail::TSpanCursor& c, TWork& w, TRowBuilder& rb, bool scanMode,
                       bool firstOfList, uint64_t& endPos);
    bool SimplePieces(TScanSetup& s, detail::TSpanCursor& c, TWork& w, TLineList& out, const TLineState& state,
                      bool& firstOfList);
    template <int Kind>
    uint64_t FastPiece(TScanSetup& s, detail::TSpanCursor& c, TWork& w, TRowBuilder& rb, bool scanMode,
                       bool firstOfList);
    // The place of line `index` from the nearest checkpoint.
    TLinePlace PlaceOf(size_t index) const;

    std::vector<TRowIndex> FRowScratch;
    twc_queue FScanQueue;
};

}  // namespace zin
