#pragma once
// The editor control's caret and the steps that move it. A caret position
// names a byte of the file together with its line, its row and its pixel
// column; the caret also holds the characters of its row, so that a step
// by one character is an addition rather than a read of the file. Every
// step keeps the two in agreement, which is what the keys, the word moves,
// double clicks and the mouse rely on.
#include <cstdint>
#include <string_view>
#include <vector>

#include "lines/ZinLines.h"

namespace zin {

class TZinEdit;

// A position in the file as the control tracks it (the caret and the two
// ends of the selection). FilePos - LinePos is the offset of Line's first
// byte; LinePos lies between the Pos of Line's row SubRow and that of the
// entry after it, both included, on a character boundary.
struct TCaretPos {
    uint64_t FilePos = 0;
    int32_t Row = 0;          // global row
    uint64_t LinePos = 0;     // offset within the line
    TLineIterator Line;
    int32_t LineIndex = 0;
    int32_t SubRow = 0;       // row within the line
    int32_t X = 0;            // pixels from the row's first character
    int32_t VirtualCols = 0;  // column mode: space widths beyond the row's end

    // Leaves the virtual columns of column mode: back to the row's end.
    void DropVirtualCols(int32_t spaceWidth)
    {
        X -= VirtualCols * spaceWidth;
        VirtualCols = 0;
    }
};

// The runs that word moves and double clicks go by: blanks (spaces, tabs
// and the other controls from 9 to 13, the ideographic space), the syntax's
// delimiters, and word characters (the rest; every character from 256 up,
// which word wrap breaks anywhere, is a word character here).
enum class TRunClass : uint8_t { Blank, Word, Delimiter };

// The caret of one control. Besides the position it holds its row as the
// control lays it out (characters, their byte counts and widths) and the
// index of the character right of it: CharIndex() characters of the row
// lie left of LinePos, X pixels wide, plus VirtualCols space widths beyond
// the row's end in column mode.
class TCaret : public TCaretPos {
public:
    // The caret of `edit`, whose line store, layout and edit mode its steps
    // follow.
    explicit TCaret(TZinEdit& edit) : FEdit(edit) {}
    TCaret(const TCaret&) = delete;
    TCaret& operator=(const TCaret&) = delete;

    // Puts the caret at p with no row read: LoadRow reads it.
    void SetPos(const TCaretPos& p);
    int32_t CharIndex() const { return FCharIndex; }
    // Characters on the caret's row.
    int32_t RowChars() const { return static_cast<int32_t>(FWidths.size()); }

    // ---- Reading the row
    // Reads the caret's row and finds LinePos on it; no virtual columns.
    void LoadRow();
    // Reads the caret's row and, from its start (where the caret must be),
    // passes every character less than half of which lies right of pixel
    // x. In column mode x goes no further than the horizontal extent, and
    // what lies beyond the text becomes whole virtual columns.
    void MoveToX(int32_t x);

    // ---- Within the row: no reads
    // Passes the character right (left) of the caret on its row.
    void PassCharRight()
    {
        const size_t i = static_cast<size_t>(FCharIndex++);
        const uint64_t n = static_cast<uint64_t>(FChars[i].second);
        X += FWidths[i];
        LinePos += n;
        FilePos += n;
    }
    void PassCharLeft()
    {
        const size_t i = static_cast<size_t>(--FCharIndex);
        const uint64_t n = static_cast<uint64_t>(FChars[i].second);
        X -= FWidths[i];
        LinePos -= n;
        FilePos -= n;
    }
    // The character right (left) of the caret within its line, -1 at the
    // line's end (start). At a row boundary inside a wrapped line the caret
    // first goes onto the row that holds that character.
    int32_t CharRightInLine()
    {
        return FCharIndex < RowChars() ? FChars[static_cast<size_t>(FCharIndex)].first : CharOnNextRows();
    }
    int32_t CharLeftInLine()
    {
        return FCharIndex > 0 ? FChars[static_cast<size_t>(FCharIndex) - 1].first : CharOnPreviousRows();
    }

    // ---- The keys' steps (text and column mode)
    // One character left: a virtual column first; at a row's start, in text
    // mode, onto the end of the row before (of the line before).
    void StepLeft();
    // One character right; at a row's end, in column mode, one virtual
    // column while X is within the horizontal extent, in text mode onto the
    // start of the next row (of the next line).
    void StepRight();
    // To the row above (below) nearest pixel x; nothing on the first (last)
    // row.
    void StepUp(int32_t x);
    void StepDown(int32_t x);
    // Home: to the end of the row's indentation (leading tabs, spaces and
    // ideographic spaces; none when the row holds nothing else), or to the
    // row's start when the caret is already there or within it.
    void ToRowHome();
    // End: out of the virtual columns, or to the row's end.
    void ToRowEnd();
    // To the first line's start; to the end of the last line's text.
    void ToTextStart();
    void ToTextEnd();
    // To global row `row` nearest pixel x.
    void ToRow(int32_t row, int32_t x);
    // From the end of a line's text to the next line's start; from a line's
    // start to the end of the previous line's text.
    void ToNextLineStart();
    void ToPreviousLineEnd();

    // ---- Words
    // Ctrl+Right and Ctrl+Left: over the rest of a run of word characters or
    // of delimiters, then blanks; at a line's end (start) to the next line's
    // start (the previous line's end).
    void StepWord(bool right, std::string_view delimiters);
    // The character under pixel x of the caret's row (the caret lies at the
    // character boundary nearest x on it): the one left of the caret when
    // the caret went past it, or the row's last when x lies beyond. The
    // caret goes to the start of that character's run within the line and
    // `run` is its class; false on an empty row (the caret stays).
    bool ToRunStart(int32_t x, std::string_view delimiters, TRunClass& run);
    // Passes the rest of a run of class `run` within the line.
    void ToRunEnd(TRunClass run, std::string_view delimiters);

    // ---- After the rows were rebuilt or the file re-decoded
    // Puts the caret back on its line (by index) at its line position.
    void RelocateByLine();
    // Puts the caret back at its file position, on a character boundary.
    void RelocateByPos();

private:
    // CharRightInLine and CharLeftInLine at a row's end (start).
    int32_t CharOnNextRows();
    int32_t CharOnPreviousRows();
    // The position only, at the start of global row `row`; MoveToX reads
    // the row.
    void ToRowStart(int32_t row);
    int32_t SpaceWidth() const;

    TZinEdit& FEdit;
    twc_queue FChars;
    std::vector<int32_t> FWidths;
    int32_t FCharIndex = 0;
};

}  // namespace zin
