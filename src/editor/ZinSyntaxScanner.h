#pragma once
// The highlighting scanner: cuts the rows of a line into tokens for the
// painter, measures every character and selects each token's colours.
//
// It reads the line through the line store's character reader into one
// queue of decoded characters. For every run of characters that share one
// syntactic state (plain text, comment, string, range) it looks ahead in the
// queue to find where the state changes, then hands out one token per call,
// placed in the painter's buffers. The state a line inherits from the lines
// above it comes from the line's State record, so a line can be painted
// without looking at any other.
//
// The look-ahead stays within the row being emitted: a run that would go on
// past the row's end pauses there and resumes on the next row. It reaches
// into the next row only to finish a token match, an escape pair or a
// closing quote that begins within the row, so painting one row of a line of
// any length decodes that row and a few characters more.
//
// Lines of definitions with line state (comments, strings, ranges,
// directives) must be scanned from their first row for the state at a later
// row to be exact. SeekRow does that and keeps snapshots of the scanner at
// every SnapshotStride-th row start of the line it last sought in, so a
// later seek into the same line resumes from the nearest snapshot.
#include <bitset>
#include <cstdint>
#include <vector>

#include "lines/ZinLines.h"
#include "platform/DrawSurface.h"
#include "syntax/ZinSyntax.h"

namespace zin {

// The class a token was coloured as.
enum class TTokenStyle : uint8_t { Space, Comment, Directive, String, Text, Number, SpecialWord, Delimiter, Keyword };

// The element name of a token class ("keyword" for every keyword set).
constexpr const char* TokenStyleName(TTokenStyle s)
{
    constexpr const char* names[] = {"space", "comment", "directive", "string", "text",
                                     "number", "specialword", "delimiter", "keyword"};
    return names[static_cast<int>(s)];
}

// The syntactic state of the characters being emitted.
struct TScanState {
    uint8_t RangeId = 0;       // current range, 0 = none
    uint8_t BlockComment = 0;  // open block comment, 1-based pair index
    uint8_t LineComment = 0;   // open line comment, 1-based token index
    uint8_t StringIndex = 0;   // open string, 1-based position of its quote in StringChars
    friend bool operator==(const TScanState&, const TScanState&) = default;
};

class TZinScanner {
public:
    // Rows between two snapshots of a line scanned with line state.
    static constexpr int32_t SnapshotStride = 128;

    TZinScanner() = default;
    TZinScanner(const TZinScanner&) = delete;
    TZinScanner& operator=(const TZinScanner&) = delete;

    // Binds a store (its Owner() gives widths, tab size, average width; its
    // Syntax() the definition), a canvas (may be null: colours are then only
    // remembered), and the token buffers (textBuf holds maxLineLength + 1
    // units, widthBuf maxLineLength).
    void BindPainter(TZinLines& store, TDrawSurface* canvas, int32_t* widthBuf, char16_t* textBuf);
    // Starts the scan of `line` at row `row` (clamped to the line's end
    // entry), from the line's saved state.
    void BeginRow(TLineIterator line, int32_t row);
    // Positions at row `row` of the line exactly as BeginRow(line, 0)
    // followed by NextToken until RowHasMore() is false, `row` times, would
    // (for definitions with line state), or as BeginRow(line, row) otherwise.
    // Resumes from the nearest snapshot of the line when it has one.
    void SeekRow(TLineIterator line, int32_t row);
    // Emits the next token of the current row: the number of characters put
    // into the buffers (0 when nothing was left, or for an empty row, which
    // it passes over) and their width in pixels.
    int32_t NextToken(int32_t& width);
    // Whether the current row has tokens left (the row was begun and is not
    // complete).
    bool RowHasMore() const { return FRowBegun; }
    // Whether the scan reached the line's end entry.
    bool LineEnded() const { return FLineEnded; }
    // The scanner's own reader (for checks that it never reads past a line).
    const TLineReader& Reader() const { return FReader; }
    // The range of the characters being emitted.
    int32_t RangeId() const { return FCur.RangeId; }

    // Selects the style's colours (with the fallbacks) on the canvas and
    // returns them.
    TSelectedStyle SelectStyle(int32_t rangeId, const TSyntaxStyle& style);
    // The background right of a row's text, for the current range.
    TColor CurrentBackground() const;

    // What the last token was coloured as: its class, for Keyword the
    // 1-based keyword set (0 otherwise), and the colours selected.
    TTokenStyle LastStyle() const { return FLastStyle; }
    int32_t LastKeywordSet() const { return FLastKeywordSet; }
    const TSelectedStyle& LastColors() const { return FLastColors; }

    // Characters the reader delivered since BindPainter.
    uint64_t CharsRead() const { return FCharsRead; }
    // Whether SeekRow may use and record snapshots (on by default; tests
    // compare both ways).
    void SetSnapshots(bool on);
    // Snapshots held for the line last sought in.
    size_t SnapshotCount() const { return FSnaps.size(); }

private:
    // Per-character flags of the definition, for codes 0-255.
    enum : uint8_t {
        cfWhite = 1,
        cfDelimiter = 2,
        cfSpecialPrefix = 4,
        cfKeywordPrefix = 8,
        cfDirective = 16,
        cfDigit = 32,
    };
    // Which token lists may match at a character, for codes 0-255.
    enum : uint8_t { csLineComment = 1, csBlockComment = 2, csRange = 4 };
    using TRangeSet = std::bitset<256>;

    // Everything that decides the tokens still to come, at a row start.
    struct TSnapshot {
        TScanState Cur, Pending;
        int32_t NonBlankCount;
        int32_t QuoteChar;
        const TSyntaxRange* CurRange;
        int32_t Lookahead, RunLeft;
        uint64_t FrontPos, LookPos;
        uint32_t Queued;
        bool Directive, StopScan, Paused;
    };

    // Derives the character flags and range sets from the store's definition.
    void Prepare();
    // Starts the scan of a line at a row from the line's saved state.
    void Start(TLineIterator line, int32_t row);
    void SetRow(int32_t row);
    // Moves on to the next row (and takes a snapshot where one is due).
    void CompleteRow();
    // Decodes the next character of the line's text into the queue; false
    // at the text's end.
    bool ReadChar();
    // Makes the queue hold `count` characters; false when the text ends first.
    bool Ensure(size_t count);
    // Moves the lookahead over k queued characters.
    void MoveLook(int32_t k);
    // The 1-based index of the first token that matches at the lookahead
    // (0 for none) and its length.
    int32_t MatchToken(const std::string* tokens, size_t count, int32_t& length);
    // Phase 1: finds how far the run goes; false when nothing is left to emit.
    bool FindRun();
    // The width of character u at pixel x of the row.
    int32_t CharWidth(int32_t u, int32_t x) const;
    // Moves the queue's front character into entry n of the buffers.
    void Take(int32_t n);
    // The 1-based keyword set holding the first n characters of the text
    // buffer, or 0.
    int32_t LookupKeyword(int32_t n) const;
    void ApplyStyle(TTokenStyle style, int32_t keywordSet);
    void Apply(const TSelectedStyle& s);
    void TakeSnapshot();
    void Restore(const TSnapshot& s, int32_t row);
    bool SnapshotsValid(TLineIterator line) const;

    // Bound by BindPainter.
    TZinLines* FStore = nullptr;
    TLineReader FReader;  // the scanner's own: nobody else moves it
    TZinLinesOwner* FOwner = nullptr;
    TDrawSurface* FCanvas = nullptr;
    int32_t* FWidthBuf = nullptr;
    char16_t* FTextBuf = nullptr;
    int32_t* FWidthCache = nullptr;
    int32_t FTabW = 1;
    int32_t FMaxToken = 0;
    uint64_t FCharsRead = 0;

    // The definition and what was derived from it.
    const TZinSyntax* FSyntaxSource = nullptr;  // the store's, may be null
    const TZinSyntax* FSyntax = nullptr;
    uint8_t FFlags[256] = {};
    uint8_t FStarts[256] = {};
    uint8_t FQuotePos[256] = {};
    size_t FBlockPairs = 0;
    TRangeSet FStringIn, FLineCommentIn;
    std::vector<TRangeSet> FBlockIn;
    std::vector<TRangeSet> FKeywordIn;
    std::vector<const TSyntaxKeyword*> FKeywords;

    // The line and row being scanned.
    TLineIterator FLine;
    int32_t FRow = 0;        // index of the current row entry
    int32_t FRowCount = 0;   // rows of the line (the end entry's index)
    uint64_t FRowEnd = 0;    // byte position where the current row ends
    int32_t FRowWidth = 0;
    uint64_t FTextEnd = 0;   // where the line's newline begins
    bool FLineEnded = true;
    bool FRowBegun = false;  // a token of the current row was emitted

    // Scanner state.
    TScanState FCur, FPending;
    int32_t FNonBlankCount = 0;
    bool FDirective = false;
    bool FBlockEndHint = false;
    bool FStopScan = false;
    bool FPaused = false;  // the run stopped at the row's end, not at a boundary
    const TSyntaxRange* FCurRange = nullptr;
    int32_t FQuoteChar = -1;
    int32_t FRowX = 0;
    int32_t FLookahead = 0;
    int32_t FRunLeft = 0;
    uint64_t FFrontPos = 0;  // byte position of the queue's front character
    uint64_t FLookPos = 0;   // byte position of the character at FLookahead
    uint64_t FReadAt = 0;    // byte position after the last character read
    bool FQuiet = false;     // rows are passed over: no colours, no word look-ups
    twc_queue FQueue;

    // Colours of the elements and keyword sets in range FStyleRange.
    int32_t FStyleRange = -1;
    uint32_t FStyleKnown = 0;
    TSelectedStyle FElementColors[8];
    std::vector<TSelectedStyle> FKeywordColors;
    std::vector<uint8_t> FKeywordKnown;

    TTokenStyle FLastStyle = TTokenStyle::Text;
    int32_t FLastKeywordSet = 0;
    TSelectedStyle FLastColors;

    // Snapshots of the line last sought in: entry k holds row k * SnapshotStride.
    bool FUseSnapshots = true;
    bool FRecording = false;  // the scan is exact and belongs to FSnapLine
    uint32_t FSnapLine = UINT32_MAX;  // the index of the line the snapshots belong to
    uint64_t FSnapGeneration = 0;
    const TZinSyntax* FSnapSyntax = nullptr;
    const TZinLines* FSnapStore = nullptr;
    std::vector<TSnapshot> FSnaps;
};

}  // namespace zin
