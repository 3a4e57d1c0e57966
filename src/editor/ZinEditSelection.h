#pragma once
// The editor control's selection: an anchor where it began and an end that
// follows the caret, both in file order, the pixel columns a column-mode
// block spans, and the rows whose look it changed since the last paint.
#include <cstdint>

#include "editor/ZinEditCaretMoves.h"

namespace zin {

class TSelection {
public:
    TSelection() = default;
    // First and Last point into the object itself.
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

    // Whether there is a selection.
    bool Active() const { return FActive; }
    // The end where it began and the end that moved with the caret. They
    // keep their places after the selection ends, until it begins anew.
    const TCaretPos& Anchor() const { return FAnchor; }
    const TCaretPos& End() const { return FEnd; }
    // The two ends in file order (on equal file positions the moving end
    // first); null until the ends were first placed.
    const TCaretPos* First() const { return FFirst; }
    const TCaretPos* Last() const { return FLast; }
    // Column mode: the block's pixel columns, from the ends' X.
    int32_t ColLeft() const { return FColLeft; }
    int32_t ColRight() const { return FColRight; }
    // The rows whose selection look may have changed.
    int32_t DirtyFirst() const { return FDirtyFirst; }
    int32_t DirtyLast() const { return FDirtyLast; }

    // The changes below return true when the dirty rows must be repainted.
    //
    // Starts a selection anchored at the caret. One that is already on
    // stays as it is, its rows marked dirty.
    bool Begin(const TCaretPos& caret);
    // The caret moved with the selection extended: it becomes the moving
    // end, or the selection drops when it is back on the anchor. The
    // caret's row joins the dirty rows either way.
    bool Extend(const TCaretPos& caret, bool column);
    // Drops the selection, marking its rows dirty.
    bool Clear();
    // Drops the selection without marking anything, for a change after
    // which the whole page is painted anew.
    void Drop() { FActive = false; }
    // No selection, both ends at the caret.
    void Collapse(const TCaretPos& caret);
    // The column bounds taken anew from the ends.
    void SetColumnBounds();
    // Leaving column mode: neither end keeps virtual columns.
    void DropVirtualCols(int32_t spaceWidth)
    {
        FAnchor.DropVirtualCols(spaceWidth);
        FEnd.DropVirtualCols(spaceWidth);
    }
    // Puts both ends back on their rows after the rows were rebuilt,
    // through place(TCaretPos&), and takes the column bounds anew in column
    // mode.
    template <class TPlace>
    void Relocate(TPlace&& place, bool column)
    {
        place(FAnchor);
        place(FEnd);
        if (column)
            SetColumnBounds();
    }

private:
    void MarkRows();

    bool FActive = false;
    TCaretPos FAnchor;
    TCaretPos FEnd;
    TCaretPos* FFirst = nullptr;
    TCaretPos* FLast = nullptr;
    int32_t FColLeft = 0;
    int32_t FColRight = 0;
    int32_t FDirtyFirst = 0;
    int32_t FDirtyLast = 0;
};

}  // namespace zin
