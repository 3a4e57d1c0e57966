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
#include <string>

#include "lines/ZinLines.h"

namespace zin {

template <class TOwner>
bool LoadFileInto(TZinLines& store, const std::string& path, TOwner& owner)
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
    if (owner.LoadEditMode() == emHexMode)
        owner.SetEditMode(emTextMode);

    TLoadPlan plan;
    if (!store.ReadFile(owner.GetCodePage(), plan)) {
        loading = false;
        owner.ResetView();
        return false;
    }
    if (plan.Empty) {
        loading = false;
        owner.ResetView();
        owner.SetCodePage(plan.CodePage);
        owner.SetFontName(owner.FontOfCodePage(owner.GetCodePage()));
        return true;
    }
    if (plan.HexMode) {
        owner.SetEditMode(emHexMode);
    } else {
        // The code page and its font first: the split measures with them.
        if (plan.CodePage != 0)
            owner.SetCodePage(plan.CodePage);
        if (plan.Content == TContentTest::None)
            owner.SetFontName(owner.FontOfCodePage(owner.GetCodePage()));
    }
    const bool complete = store.CompleteLoad(!plan.HexMode);
    loading = false;
    owner.ResetView();
    return complete;
}

}  // namespace zin
