#pragma once
// How an owner of a line store (the editor control, the fixed-metrics owner
// of the tools) loads a file: the store's steps, with what each decided
// applied in between, in the order the control's behaviour needs. The
// owner provides:
//   bool& LoadingFlag()          set for the whole load, cleared however it ends
//   TEditMode LoadEditMode()     and SetEditMode(mode)
//   int32_t GetCodePage()        and SetCodePage(codePage): ignores numbers
//                                outside the table, re-splits outside a load
//   FontOfCodePage(codePage)     the font of a code page (for a number
//                                outside the table, that of the store's
//                                decoder), and SetFontName(name)
//   void ResetView()             the view at the first row
// A reload (TLoadChoices::Keep) takes none of the store's decisions: the
// owner's code page, font and edit mode stay as the user chose them.
#include <string>

#include "lines/ZinLines.h"

namespace zin {

template <class TOwner>
bool LoadFileInto(TZinLines& store, const std::string& path, TOwner& owner, TLoadChoices choices)
{
    if (!store.OpenFile(path)) {
        if (store.LoadStopped())
            owner.ResetView();
        return false;
    }
    bool& loading = owner.LoadingFlag();
    struct TLoadingGuard {
        bool& Flag;
        ~TLoadingGuard() { Flag = false; }
    } const guard{loading};
    loading = true;
    const bool keep = choices == TLoadChoices::Keep;
    const bool keptHex = owner.LoadEditMode() == emHexMode;
    if (keptHex)
        owner.SetEditMode(emTextMode);

    TLoadPlan plan;
    if (!store.ReadFile(owner.GetCodePage(), plan)) {
        loading = false;
        owner.ResetView();
        return false;
    }
    if (keep) {
        plan.CodePage = 0;
        plan.HexMode = keptHex && !plan.Empty;
    }
    if (plan.Empty) {
        loading = false;
        owner.ResetView();
        if (!keep) {
            owner.SetCodePage(plan.CodePage);
            owner.SetFontName(owner.FontOfCodePage(owner.GetCodePage()));
        }
        return true;
    }
    if (plan.HexMode) {
        owner.SetEditMode(emHexMode);
    } else {
        // The code page and its font first: the split measures with them.
        if (plan.CodePage != 0)
            owner.SetCodePage(plan.CodePage);
        if (plan.Content == TContentTest::None && !keep)
            owner.SetFontName(owner.FontOfCodePage(owner.GetCodePage()));
    }
    const bool complete = store.CompleteLoad(!plan.HexMode);
    loading = false;
    owner.ResetView();
    return complete;
}

}  // namespace zin
