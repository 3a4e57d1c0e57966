#pragma once
// The text-view control: it owns the line store holding the opened file,
// lays its rows out for a font and a client size, drives the two scroll bars
// and keeps a caret and a selection. It draws and measures through an
// abstract surface and reaches its window through a host, so it runs without
// any toolkit; the Qt window and the test doubles provide both.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/ZinEditCaretMoves.h"
#include "editor/ZinEditSelection.h"
#include "editor/ZinEditSettings.h"
#include "editor/ZinHexLayout.h"
#include "editor/ZinScrollBar.h"
#include "editor/ZinSyntaxScanner.h"
#include "lines/ZinLines.h"
#include "lines/ZinLinesOwner.h"
#include "platform/ControlHost.h"
#include "platform/DrawSurface.h"
#include "search/ZinSearch.h"
#include "syntax/SyntaxColors.h"

namespace zin {

class TZinEdit;
class TZinSyntax;
class TRowPainter;

// A font as the control keeps it: family, size in points and style, with a
// notification raised by every change.
class TFont {
public:
    const std::string& Name() const { return FName; }
    int32_t Size() const { return FSize; }
    TFontStyles Style() const { return FStyle; }
    void SetName(const std::string& name);
    void SetSize(int32_t size);
    void SetStyle(TFontStyles style);
    // Takes all three from another font (or itself) and notifies once.
    void Assign(const TFont& font);

    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }
    std::string FName;
    int32_t FSize = 0;
    TFontStyles FStyle = 0;
};

using TNotifyEvent = std::function<void(TZinEdit& sender)>;

enum TMouseButton : uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

class TZinEdit : public TZinLinesOwner {
public:
    // Builds the control for a window that the host stands for, with the
    // settings the user chose. The host must outlive the control.
    explicit TZinEdit(TControlHost* host, const TEditSettings& settings = TEditSettings());
    ~TZinEdit() override;
    TZinEdit(const TZinEdit&) = delete;
    TZinEdit& operator=(const TZinEdit&) = delete;

    // ---- Window life and events from the host
    // The window exists (again): the frame and the bars ScrollBars asks for
    // are shown and attached, then the bars take their values.
    void CreateWnd();
    // The client area changed size.
    void Resize();
    // A scroll message of the horizontal or vertical bar with a scroll code.
    void HScroll(int32_t code) { FHorzScrollBar.HandleScrollMessage(code); }
    void VScroll(int32_t code)
    {
        const TUserMove userMove(*this);
        FVertScrollBar.HandleScrollMessage(code);
    }
    // The mouse wheel turned by `delta` (any size is one notch).
    bool WheelScroll(int32_t delta);
    // The focus came to or left the control.
    void FocusIn();
    void FocusOut();

    // Paints the control onto the window's surface: rows the repaint flags
    // ask for into the page bitmap, then the page with the active-line
    // frame onto the window.
    void Paint(TDrawSurface& window);

    // ---- Keyboard and mouse. Nothing here changes the file: keys move the
    // caret and the selection, typed characters are dropped.
    // Carries out a command number (see ZinEditCommand.h); -1 and numbers
    // that move nothing do nothing. In hex mode the commands move the caret
    // over bytes (ZinEditHex.cpp).
    void ExecuteCommand(int32_t command);
    void KeyDown(uint16_t key, TShiftState shift);
    void KeyPress(char16_t) {}
    // Whether the control takes a key that the window would otherwise use
    // for itself (arrows, Tab): every key but Tab, and Tab too while
    // WantTabs.
    bool WantsKey(uint16_t key) const { return FWantTabs || key != VK_TAB; }
    // A finished input-method composition: fetched by the window, dropped.
    void InputMethodResult(const std::u16string&) {}
    void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    void MouseMove(TShiftState shift, int32_t x, int32_t y);
    void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);

    // ---- Selection
    void BeginSelection();
    // With `extend`, the caret becomes the moving end (the selection drops
    // when the caret is back on the anchor); without, the selection drops.
    void UpdateSelection(bool extend);
    void ClearSelection();
    // The selected text as the reader decodes it in the current code page:
    // in text mode every character from the first end to the last, newlines
    // as in the file; in column mode each row's characters between the
    // column bounds, rows joined by line feeds. Empty without a selection.
    // False (and `text` empty) when it would take more than limitBytes.
    // In hex mode the selected bytes as hexadecimal text, "48 65 6C".
    bool SelectedText(std::u16string& text, size_t limitBytes = MaxCopyBytes);
    // The selection as text in the current code page: in hex mode the
    // selected bytes decoded, otherwise SelectedText.
    bool SelectedTextDecoded(std::u16string& text, size_t limitBytes = MaxCopyBytes);
    static constexpr size_t MaxCopyBytes = size_t{256} << 20;

    // ---- A file that changes while shown
    // Looks at the file shown (TZinLines::CheckFile). Grown: the new lines
    // are there, the caret and the selection stay on their bytes and the
    // view where it was. Replaced: the file is loaded again, the caret on
    // its line where the file still has it, the top row on the line it
    // showed. Deleted: everything stays as it is. Returns what it found.
    TFileChange RefreshFile();
    // Loads the file shown again as it is now, with the code page, the font
    // and the edit mode as they are (nothing is guessed again) and the wrap
    // settings as they are: the caret goes back to its line and the top row
    // to the line it showed, where the file still has them; while
    // following, the caret goes to the end. False when the file cannot be
    // read (what is shown stays) or none is shown.
    bool Reload();
    // Follow mode: while on, the caret sits at the end of the file and the
    // view keeps the last row in sight as lines arrive (RefreshFile,
    // Reload). A move of the user's that takes the view or the caret up (a
    // key, a click, a drag, the wheel, the scroll bar) turns it off, and so
    // does loading a file; each change raises OnStateChange.
    bool Following() const { return FFollowing; }
    void SetFollowing(bool on);

    // ---- Find and go to
    // Makes the bytes [pos, pos + length) the selection, as a found match:
    // the caret at its end, the view scrolled so that its first row shows
    // with a few rows of context above it (unless it is already in view so),
    // and both notifications raised. Offsets past the file's end are brought
    // back to it; an empty range only moves the caret. A match that begins at
    // a line's start begins on that line, not at the end of the one before.
    void SelectMatch(uint64_t pos, uint64_t length);
    // Puts the caret on line `line` (0-based), `column` characters from its
    // start (no further than the end of its text), scrolled into view as a
    // match is; the selection drops. The line is clamped to the file's.
    void GoToLine(int32_t line, int32_t column = 0);
    // Puts the caret at a file offset (clamped to the file, moved back to a
    // character's start and out of a newline), the same way.
    void GoToFilePos(uint64_t pos);
    // Where a search goes on from: forward from the end of the selection,
    // backward from its start; from the caret without a selection. In hex
    // mode the selection's bytes count (after its last, at its first).
    uint64_t SearchFrom(bool forward) const;
    // Every match of the pattern on the rows being painted gets a background
    // of its own (MatchBackground, with MatchForeground text) behind its
    // characters. Only the painted rows' lines are searched, when they are
    // painted; without a pattern painting searches nothing. An invalid
    // pattern clears the marks.
    void SetMarkPattern(const TSearchPattern& pattern);
    void ClearMarkPattern();
    bool HasMarkPattern() const { return FMarkPattern.Valid(); }
    static constexpr TColor MatchBackground = 0x0064E1FF;  // amber (0x00BBGGRR)
    static constexpr TColor MatchForeground = 0x00000000;
    // Bytes the marks' searches have looked at so far, and the matches they
    // marked (tools and tests).
    uint64_t MarkBytesSearched() const { return FMarkBytesSearched; }
    uint64_t MarksPainted() const { return FMarksPainted; }

    // ---- Hex mode (ZinEditHex.cpp). The caret sits on a byte and a
    // selection is the bytes from the anchor to the caret, both included;
    // rows are 16 bytes, row r starting at byte 16r, counted in 64 bits.
    uint64_t HexCaret() const { return FHex.Caret; }
    uint64_t HexAnchor() const { return FHex.Anchor; }
    bool HexSelecting() const { return FHex.Selecting; }
    // Whether the caret is in the character area (Tab switches).
    bool HexInChars() const { return FHex.InChars; }
    uint64_t HexTopRow() const { return FHex.Top; }
    // The largest top row: the last row at the bottom of the full rows.
    uint64_t HexMaxTop() const;
    // The byte at pos, -1 past the file's end.
    int32_t ByteAt(uint64_t pos) const;
    // The caret's pixel x from the row's left edge in the area it is in.
    int32_t HexCaretX();

    // ---- Opening a file
    // False when the file cannot be opened (the previous file stays); the
    // selection is dropped and both notifications are raised either way.
    bool LoadFromFile(const std::string& path);

    // ---- Published properties
    int32_t CodePage() const { return FCodePage; }
    void SetCodePage(int32_t codePage);
    float LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(float spacing);
    int32_t MaxLineLength() const { return FMaxLineLength; }
    bool DisplayLineNumber() const { return FDisplayLineNumber; }
    void SetDisplayLineNumber(bool value);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);
    TEditMode EditMode() const { return FEditMode; }
    void SetEditMode(TEditMode mode);
    TNewLineType NewLineType() const { return FLineStore->NewLineType(); }
    bool ShowEndOfLine() const { return FShowEndOfLine; }
    void SetShowEndOfLine(bool value);
    bool ShowSpaceChar() const { return FShowSpaceChar; }
    void SetShowSpaceChar(bool value);
    bool ShowTabChar() const { return FShowTabChar; }
    void SetShowTabChar(bool value);
    bool MarkActiveLine() const { return FMarkActiveLine; }
    void SetMarkActiveLine(bool value);
    TWordWrapMode WordWrapMode() const { return FWordWrapMode; }
    void SetWordWrapMode(TWordWrapMode mode);
    int32_t MaxColumns() const { return FMaxColumns; }
    void SetMaxColumns(int32_t columns);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle style);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle bars);

    TNotifyEvent OnStateChange;
    TNotifyEvent OnSelectionChange;
    // Called every few MiB while the line store loads, re-splits or
    // rebuilds rows: bytes done of the total. Working() is true meanwhile,
    // and the control must then be neither painted nor asked anything.
    std::function<void(uint64_t done, uint64_t total)> OnProgress;
    bool Working() const { return FWorking; }

    // ---- What the owner reads (status bar, tools, tests)
    // The settings as the user chose them last (each setter updates them),
    // for the window to save.
    const TEditSettings& Settings() const { return FSettings; }
    // The font a file is shown in for a code page: its own from the
    // settings; for a number outside the table, that of the code page the
    // store decodes in.
    std::string FontOfCodePage(int32_t codePage) const;
    const TZinLines& LineStore() const { return *FLineStore; }
    TZinLines& LineStore() { return *FLineStore; }
    const TCaretPos& Caret() const { return FCaret; }
    int32_t CaretCharIndex() const { return FCaret.CharIndex(); }
    int32_t DesiredX() const { return FDesiredX; }
    bool Selecting() const { return FSelection.Active(); }
    const TCaretPos& SelAnchor() const { return FSelection.Anchor(); }
    const TCaretPos& SelEnd() const { return FSelection.End(); }
    int32_t ColSelLeft() const { return FSelection.ColLeft(); }
    int32_t ColSelRight() const { return FSelection.ColRight(); }
    // The caret's column in bytes from its row's start (plus virtual columns).
    uint64_t CaretColumn() const;
    int32_t TopRow() const { return FTopRow; }
    int32_t HorzOffset() const { return FHorzOffset; }
    int32_t GutterWidth() const { return FGutterWidth; }
    int32_t VisibleRows() const { return FVisibleRows; }
    int32_t HorzExtent() const { return FHorzExtent; }
    int32_t CharHeight() const { return FCharHeight; }
    int32_t CharWidth() const { return FCharWidth; }
    int32_t DigitWidth() const { return FDigitWidth; }
    int32_t LeftMargin() const { return FLeftMargin; }
    int32_t ExtraSpacing() const { return FExtraSpacing; }
    int32_t RowHeight() const { return FCharHeight + FExtraSpacing; }
    const TRect& ClientRect() const { return FClientRect; }
    const TZinScrollBar& HorzScrollBar() const { return FHorzScrollBar; }
    const TZinScrollBar& VertScrollBar() const { return FVertScrollBar; }
    const TDrawSurface& PageBitmap() const { return *FPageBitmap; }
    bool RepaintAll() const { return FRepaintAll; }
    bool Loading() const { return FLoading; }
    // Times the rows of every line were rebuilt by a layout change.
    int32_t RowRebuilds() const { return FRowRebuilds; }
    // Paints so far, and rows painted into the page by them.
    int32_t Paints() const { return FPaints; }
    int64_t RowsPainted() const { return FRowsPainted; }
    bool RepaintSelection() const { return FRepaintSelection; }

    // ---- Metrics and layout
    int32_t GetCharWidth(char16_t c) override;
    int32_t GetWrapWidth() override;
    int32_t GetGutterWidth(int64_t n) const;
    int32_t GetRightMargin() const;
    int32_t CalcExtraSpacing() const;
    // Rows that fit the client height whole (may be 0).
    int32_t FullRows() const;
    void ScrollToCaret();
    void UpdateScrollBars();
    // Scrolls the view to row or pixel offset p; the caret stays.
    void ScrollView(bool vertical, int32_t p);

    // ---- Row lookup. Each gives the line, its index, the global index of
    // its first row and its file offset; FindRow also the row within it.
    TLinePlace FindRow(int32_t row, int32_t& subRow);
    // The same answer, from the line cached for the top of the window when
    // it holds the row (painting, clicks and page moves ask near the top).
    TLinePlace FindRowFromTop(int32_t row, int32_t& subRow);
    // Caches the line of the top row.
    void RefreshTopLine();
    TLinePlace FindLineFirstRow(int32_t index) { return FLineStore->FindLine(index); }
    TLinePlace FindFilePos(uint64_t pos) { return FLineStore->FindFilePos(pos); }

    // ---- Caret placement after a load, a rebuild of rows or a re-decode;
    // the caret (TCaret) carries each out.
    void LoadCaretRow();
    void MoveCaretToX(int32_t x);
    void RelocateCaretByLine();
    void RelocateCaretByPos();
    void RelocatePos(TCaretPos& p);
    void CreateEditCaret(int32_t type);
    void PlaceCaret();
    void UpdateCaret(bool show);

private:
    // ---- What a load applies (ZinLoadSteps.h)
    template <class TOwner>
    friend bool LoadFileInto(TZinLines& store, const std::string& path, TOwner& owner, TLoadChoices choices);
    bool& LoadingFlag() { return FLoading; }
    TEditMode LoadEditMode() const { return FEditMode; }
    int32_t GetCodePage() const { return FCodePage; }
    void SetFontName(const std::string& name) { FFont.SetName(name); }
    void ResetView();
    // ---- The line store's owner interface
    int32_t GetMaxMemFileSize() const override { return FMaxMemFileSize; }
    int32_t GetMaxLineLength() const override { return FMaxLineLength; }
    int32_t* CharWidthCache() override { return FCharWidthCache.get(); }
    int32_t GetTabSize() const override { return FTabSize; }
    int32_t GetAvgCharWidth() const override { return FCharWidth; }
    void Progress(uint64_t done, uint64_t total) override
    {
        if (OnProgress)
            OnProgress(done, total);
    }
    // Sets FWorking for a store operation and restores it however it ends.
    struct TWorkingScope {
        explicit TWorkingScope(bool& flag) : Flag(flag), Old(flag) { flag = true; }
        ~TWorkingScope() { Flag = Old; }
        TWorkingScope(const TWorkingScope&) = delete;
        TWorkingScope& operator=(const TWorkingScope&) = delete;
        bool& Flag;
        bool Old;
    };

    // The caret's steps read rows and find rows through the control.
    friend class TCaret;
    // The syntax's delimiters, which word moves and double clicks go by.
    std::string_view Delimiters() const;
    // A double click at pixel x of the caret's row: the run of word
    // characters, delimiters or blanks under it becomes the selection.
    void SelectRunAt(int32_t x);

    // ---- Hex mode
    struct THexState {
        uint64_t Caret = 0;
        uint64_t Anchor = 0;
        bool Selecting = false;
        bool InChars = false;
        uint64_t Top = 0;
        // A code-page change while the view showed bytes: the text lines are
        // decoded anew when it shows text again.
        bool RedecodeOnLeave = false;
        // A rebuild of the rows asked for meanwhile (a font or wrap change),
        // and whether it was forced: carried out when text shows again.
        bool ReformatOnLeave = false;
        bool ForceReformat = false;
        // The characters the character area shows for each byte, for the
        // code page HexGlyphsOf.
        int32_t GlyphsOf = 0;
        char16_t Glyphs[256] = {};
    };
    // Entering and leaving hex mode: the caret keeps its byte.
    void EnterHexMode();
    void LeaveHexMode();
    void HexPaint(TDrawSurface& window);
    void HexCommand(int32_t command);
    void HexMouse(bool press, bool extend, int32_t x, int32_t y);
    void HexScrollToCaret();
    void HexUpdateScrollBars();
    void HexScrollBar(int32_t code, int32_t& position);
    void HexWheel(int32_t delta);
    void HexPlaceCaret();
    void HexSelectMatch(uint64_t pos, uint64_t length);
    void HexGoTo(uint64_t pos);
    bool HexSelectedText(std::u16string& text, size_t limitBytes, bool decoded);
    // The columns of a row in the current font; the offset gutter's width.
    hex::TColumns HexColumns();
    int32_t HexGutterWidth() const;
    // Puts the caret on byte pos (clamped to the file), the selection from
    // the anchor when `extend`, dropped otherwise, scrolled into view.
    void HexMoveTo(uint64_t pos, bool extend);
    void HexBuildGlyphs();
    // The marks' matches that touch the bytes [from, to) (FMarkMatches), for
    // the hex view's page.
    void FindMarksInBytes(uint64_t from, uint64_t to);
    // Reads n bytes at pos (within the file) into out.
    void ReadBytes(uint64_t pos, uint8_t* out, size_t n) const;
    uint64_t HexLastByte() const;
    // The text mode's copy of the characters from (line, from) to
    // (lastIndex, to), across lines.
    template <class TCopy>
    bool CopyLines(TCopy& copy, TLineIterator line, int32_t index, uint64_t from, int32_t lastIndex, uint64_t to);

    // Paints `count` rows from global row `firstRow` into rectangle r.
    void PaintRows(TDrawSurface& canvas, const TRect& r, int32_t count, int32_t firstRow);
    // The page background: the "text" background.
    TColor TextBackground() const;
    void FontChanged();
    void UpdateClientMetrics();
    void ReformatRows(bool force);
    void Redecode();
    // UpdateClientMetrics, ReformatRows(force), UpdateScrollBars, a full
    // repaint.
    void Relayout(bool force);
    void Invalidate() { FHost->Invalidate(); }
    void DoStateChange();
    void DoSelectionChange();
    void ScrollBarScroll(TZinScrollBar& bar, int32_t code, int32_t& position);
    // The start of the first line, as a caret position.
    TCaretPos FirstLineStart() const;
    // Reads row `subRow` of a line into `chars` and `widths` (tabs measured
    // against the row's width); a CR or LF ends it and is dropped.
    void ReadRow(TLineIterator line, int32_t subRow, twc_queue& chars, std::vector<int32_t>& widths);
    // Puts p on the row of its line that holds LinePos (the earlier one on a
    // wrap boundary), reading that row into the buffers, with index and X
    // of the characters that start before LinePos. With `snap`, a LinePos
    // beyond the text or inside a character moves back to a boundary.
    void PlaceInLine(TCaretPos& p, twc_queue& chars, std::vector<int32_t>& widths, int32_t& index, bool snap);
    int32_t SpaceWidth() { return GetCharWidth(u' '); }
    // The rows the selection marked are repainted by the next paint.
    void RepaintSelectionRows();
    // Puts the caret on `row` nearest client x, as a click does, and scrolls
    // it into view.
    void PlaceCaretAt(int32_t row, int32_t x);
    // Puts the caret at file offset pos (RelocateByPos).
    void PlaceCaretAtFilePos(uint64_t pos);
    // Scrolls rows [first, last] into view with a few rows of context above
    // (and below, where the file goes on), then the caret's column.
    void ScrollToFound(int32_t first, int32_t last);
    // The marks' matches on the painted rows [firstRow, firstRow + count):
    // file offsets, in order (FMarkMatches).
    void FindMarks(int32_t firstRow, int32_t count);
    // The marked pixel spans (FMarkSpans) of row `sub` of a line starting at
    // file offset lineStart; `next` walks FMarkMatches along the rows.
    void MarkSpansOfRow(TLineIterator line, int32_t sub, uint64_t lineStart,
                        std::vector<TSearchMatch>::const_iterator& next);
    // A token painted in runs: marked characters on the match background.
    void PaintMarkedToken(TRowPainter& painter, int32_t x, int32_t rx, const char16_t* text,
                          const int32_t* widths, int32_t n, const TSelectedStyle& colors);

    TControlHost* FHost;
    std::unique_ptr<TZinLines> FLineStore;
    // The definition colouring the file: the line store's.
    const TZinSyntax& Syntax() const { return *FLineStore->Syntax(); }
    TFont FFont;
    TBorderStyle FBorderStyle = bsSingle;
    TScrollStyle FScrollBars = ssBoth;
    TZinScrollBar FHorzScrollBar;
    TZinScrollBar FVertScrollBar;
    int32_t FCodePage = 1252;
    std::unique_ptr<TDrawSurface> FPageBitmap;
    std::unique_ptr<TDrawSurface> FMarkBitmap;
    // The control's own canvas: measures characters in FFont.
    std::unique_ptr<TDrawSurface> FCanvas;
    bool FRepaintAll = true;
    bool FRepaintSelection = false;
    TZinScanner FScanner;
    int32_t FPaints = 0;
    int64_t FRowsPainted = 0;

    // Layout.
    TRect FClientRect;
    int32_t FTopRow = 0;
    // The line of the top row as last found, valid while the line store's
    // generation is the one recorded with it.
    TLinePlace FTopLine;
    int32_t FTopSubRow = 0;
    uint64_t FTopLineGeneration = UINT64_MAX;
    int32_t FVisibleRows = 1;
    int32_t FHorzOffset = 0;
    int32_t FLeftMargin = 1;
    int32_t FGutterWidth = 0;
    float FLineSpacing = 1.0f;
    int32_t FExtraSpacing = 1;
    int32_t FCharHeight = 1;
    int32_t FCharWidth = 1;
    int32_t FDigitWidth = 1;
    int32_t FHorzExtent = 0;
    int32_t FTabSize = 8;
    int32_t FMaxLineLength = 32768;
    TWordWrapMode FWordWrapMode = wwmNoWrap;
    int32_t FMaxColumns = 80;

    // Font bookkeeping.
    int32_t FLastFontSize = 0;
    std::string FLastFontName;
    bool FLastFontBold = false;
    std::unique_ptr<int32_t[]> FCharWidthCache;

    // Paint buffers: one token's characters and widths.
    std::unique_ptr<char16_t[]> FTokenText;
    std::unique_ptr<int32_t[]> FTokenWidths;

    // Caret.
    TCaret FCaret{*this};
    // The pixel column that row and page moves keep to.
    int32_t FDesiredX = 0;
    int32_t FCaretType = 0;
    bool FCaretShown = false;
    // Scratch for relocating the selection's ends.
    TLineReader FRowReader;  // reads rows for ReadRow
    twc_queue FPosChars;
    std::vector<int32_t> FPosWidths;

    // The marked pattern and the matches found for the rows of the paint
    // under way; scratch for a row's characters.
    TSearchPattern FMarkPattern;
    std::vector<TSearchMatch> FMarkMatches;
    twc_queue FMarkChars;
    std::vector<int32_t> FMarkWidths;
    std::vector<std::pair<int32_t, int32_t>> FMarkSpans;  // a row's marked pixels
    uint64_t FMarkBytesSearched = 0;
    uint64_t FMarksPainted = 0;

    THexState FHex;
    std::vector<uint8_t> FHexPage;  // the bytes of the page being painted

    // Selection; a drag of the mouse is selecting while the button is down.
    TSelection FSelection;
    bool FMouseSelecting = false;

    // Follow mode, and the user's moves that end it: each entry point of a
    // move (keys, mouse, wheel, scroll bar) holds a TUserMove, which on its
    // end turns following off when the top row or the caret's row went up.
    bool FFollowing = false;
    // The rows compared are the text rows, or in hex mode the rows of 16
    // bytes.
    class TUserMove {
    public:
        explicit TUserMove(TZinEdit& edit) : FEdit(edit), FTop(edit.ViewTopRow()), FRow(edit.CaretViewRow()) {}
        ~TUserMove() { FEdit.EndUserMove(FTop, FRow); }
        TUserMove(const TUserMove&) = delete;
        TUserMove& operator=(const TUserMove&) = delete;

    private:
        TZinEdit& FEdit;
        int64_t FTop;
        int64_t FRow;
    };
    int64_t ViewTopRow() const { return FEditMode == emHexMode ? static_cast<int64_t>(FHex.Top) : FTopRow; }
    int64_t CaretViewRow() const
    {
        return FEditMode == emHexMode ? static_cast<int64_t>(FHex.Caret / hex::RowBytes) : FCaret.Row;
    }
    void EndUserMove(int64_t top, int64_t row);
    // The caret placed by a go-to: the selection collapsed on it, the view
    // scrolled as to a match, both notifications raised.
    void ShowWentTo();
    // Following: the caret to the end, the last row in sight.
    void FollowEnd();
    // A load's aftermath: caret, scroll bars, notifications, a full repaint.
    void LoadDone();

    bool FDisplayLineNumber = true;
    TEditMode FEditMode = emTextMode;
    bool FShowEndOfLine = true;
    bool FShowSpaceChar = true;
    bool FShowTabChar = true;
    bool FMarkActiveLine = true;

    TKeyBinding* FKeyBindings = nullptr;

    TEditSettings FSettings;
    bool FWantTabs = true;
    int32_t FMaxMemFileSize = 8 * 1024 * 1024;
    bool FLoading = false;
    bool FWorking = false;
    // The wrap mode and column count the rows were last built with: a
    // rebuild that would make more rows than the store can count goes back
    // to them (the store keeps its rows as they were).
    TWordWrapMode FRowsWrapMode = wwmNoWrap;
    int32_t FRowsMaxColumns = 80;
    int32_t FRowRebuilds = 0;
};

}  // namespace zin
