// The editor control's keyboard and mouse: the caret commands, word moves
// and double clicks, clicks and drags.
#include <algorithm>
#include <string_view>

#include "editor/ZinEdit.h"

namespace zin {

namespace {

// Mouse coordinates are clamped to this far beyond any screen before any
// arithmetic, so that the ends of the 32-bit range cannot overflow.
constexpr int32_t MouseLimit = 1 << 24;

int32_t ClampMouse(int32_t v)
{
    return std::clamp(v, -MouseLimit, MouseLimit);
}

}  // namespace

// ---- Commands ---------------------------------------------------------------------

std::string_view TZinEdit::Delimiters() const
{
    return std::string_view(Syntax().Delimiters);
}

void TZinEdit::ExecuteCommand(int32_t command)
{
    const TUserMove userMove(*this);
    if (FEditMode == emHexMode) {
        HexCommand(command);
        return;
    }
    const bool plain = command >= ecLeft && command <= ecCtrlRight;
    const bool selecting = command >= ecSelLeft && command <= ecSelCtrlRight;
    if (selecting)
        BeginSelection();
    const int32_t move = plain || selecting ? (command & 0xFF) : 0;
    switch (move) {
    case ecLeft & 0xFF:
        FCaret.StepLeft();
        break;
    case ecRight & 0xFF:
        FCaret.StepRight();
        break;
    case ecUp & 0xFF:
        FCaret.StepUp(FDesiredX);
        break;
    case ecDown & 0xFF:
        FCaret.StepDown(FDesiredX);
        break;
    case ecHome & 0xFF:
        FCaret.ToRowHome();
        FDesiredX = FCaret.X;
        break;
    case ecEnd & 0xFF:
        FCaret.ToRowEnd();
        FDesiredX = FCaret.X;
        break;
    case ecTextStart & 0xFF:
        FCaret.ToTextStart();
        FDesiredX = FCaret.X;
        break;
    case ecTextEnd & 0xFF:
        FCaret.ToTextEnd();
        FDesiredX = FCaret.X;
        break;
    case ecPageUp & 0xFF:
    case ecPageDown & 0xFF: {
        const int32_t k = FVertScrollBar.LargeChange;
        const int32_t row = FCaret.Row;
        const int64_t t = move == (ecPageUp & 0xFF) ? (row < k ? 0 : row - k)
                                                    : std::min<int64_t>(int64_t{row} + k, FLineStore->RowCount() - 1);
        FCaret.ToRow(static_cast<int32_t>(t), FDesiredX);
        break;
    }
    case ecCtrlLeft & 0xFF:
    case ecCtrlRight & 0xFF:
        FCaret.StepWord(move == (ecCtrlRight & 0xFF), Delimiters());
        break;
    default:
        break;  // codes that move nothing
    }
    if (move >= 1 && move <= (ecCtrlRight & 0xFF)) {
        ScrollToCaret();
        UpdateScrollBars();
        DoSelectionChange();
        if (move == (ecLeft & 0xFF) || move == (ecRight & 0xFF) || move >= (ecCtrlLeft & 0xFF))
            FDesiredX = FCaret.X;
    }
    if (selecting)
        UpdateSelection(true);
    else if (plain)
        UpdateSelection(false);
}

void TZinEdit::SelectRunAt(int32_t x)
{
    const std::string_view delimiters = Delimiters();
    TRunClass run;
    if (!FCaret.ToRunStart(x, delimiters, run))
        return;  // an empty row
    ClearSelection();
    BeginSelection();
    FCaret.ToRunEnd(run, delimiters);
    FDesiredX = FCaret.X;
    ScrollToCaret();
    UpdateScrollBars();
    DoSelectionChange();
    UpdateSelection(true);
}

// ---- Keyboard ----------------------------------------------------------------------

void TZinEdit::KeyDown(uint16_t key, TShiftState shift)
{
    // Tab takes the caret between the hex and the character area.
    if (FEditMode == emHexMode && key == VK_TAB && !(shift & (ssCtrl | ssAlt))) {
        FHex.InChars = !FHex.InChars;
        HexScrollToCaret();
        HexUpdateScrollBars();
        DoSelectionChange();
        return;
    }
    ExecuteCommand(FKeyBindings->FindCommand(key, shift));
}

// ---- Mouse ---------------------------------------------------------------------------

void TZinEdit::PlaceCaretAt(int32_t row, int32_t x)
{
    FCaret.ToRow(row, x + FHorzOffset - FGutterWidth - FLeftMargin);
    ScrollToCaret();
    UpdateScrollBars();
    DoSelectionChange();
    FDesiredX = FCaret.X;
}

void TZinEdit::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y)
{
    const TUserMove userMove(*this);
    if (!FHost->Focused()) {
        FHost->SetFocus();
        FocusIn();
    }
    if (button != mbLeft)
        return;
    x = ClampMouse(x);
    y = ClampMouse(y);
    const bool extend = (shift & (ssShift | ssCtrl | ssAlt | ssLeft | ssRight | ssMiddle)) == (ssShift | ssLeft);
    if (FEditMode == emHexMode) {
        HexMouse(true, extend, x, y);
        FMouseSelecting = true;
        return;
    }
    if (extend != FSelection.Active())
        BeginSelection();  // anchor at the old caret, or the old selection's rows marked
    const int64_t row = int64_t{y} / RowHeight() + FTopRow;
    PlaceCaretAt(static_cast<int32_t>(std::clamp<int64_t>(row, 0, FLineStore->RowCount() - 1)), x);
    if (extend) {
        if (FSelection.Active())
            UpdateSelection(true);
        else
            BeginSelection();
    } else {
        ClearSelection();
        if (!FSelection.First())
            FSelection.Collapse(FCaret);
    }
    FMouseSelecting = true;
    if ((shift & ssDouble) && !extend && FEditMode != emHexMode)
        SelectRunAt(x + FHorzOffset - FGutterWidth - FLeftMargin);
}

void TZinEdit::MouseMove(TShiftState, int32_t x, int32_t y)
{
    const TUserMove userMove(*this);
    x = ClampMouse(x);
    y = ClampMouse(y);
    FHost->SetCursor(FGutterWidth > 0 && x >= 0 && x <= FGutterWidth ? crArrow : crIBeam);
    if (!FMouseSelecting)
        return;
    if (FEditMode == emHexMode) {
        HexMouse(false, true, x, y);
        return;
    }
    if (!FSelection.Active())
        BeginSelection();
    const int32_t rowHeight = RowHeight();
    int64_t row;
    if (y < 0)
        row = std::max<int64_t>(int64_t{FTopRow} - (int64_t{-y} / rowHeight + 1), 0);
    else
        row = std::min<int64_t>(int64_t{y} / rowHeight + FTopRow, FLineStore->RowCount() - 1);
    PlaceCaretAt(static_cast<int32_t>(row), x);
    if (FSelection.Active())
        UpdateSelection(true);
}

void TZinEdit::MouseUp(TMouseButton button, TShiftState, int32_t, int32_t)
{
    if (button == mbLeft)
        FMouseSelecting = false;
}

}  // namespace zin
