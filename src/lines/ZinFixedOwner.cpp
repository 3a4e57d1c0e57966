#include "lines/ZinFixedOwner.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>

#include "encoding/CodePage.h"
#include "lines/ZinLoadSteps.h"
#include "syntax/ZinSyntax.h"

namespace zin {

TFixedMetricsOwner::TFixedMetricsOwner(int32_t charWidth, int32_t codePage)
    : CharWidth(charWidth), FCodePage(codePage), FCache(std::make_unique<int32_t[]>(65536))
{
    Lines = std::make_unique<TZinLines>(this);
    Lines->SetCodePage(FCodePage);
}

TFixedMetricsOwner::~TFixedMetricsOwner()
{
    Lines.reset();
}

void TFixedMetricsOwner::SetCodePage(int32_t codePage)
{
    // Like the control's setter: the current value and numbers outside the
    // table change nothing.
    if (codePage == FCodePage || !FindCodePage(codePage))
        return;
    FCodePage = codePage;
    Lines->SetCodePage(codePage);
    FontName = FontOfCodePage(codePage);
    // Outside a load every line is decoded and split again.
    if (!FLoading && !Lines->Rescan(Lines->Lines().begin(), std::prev(Lines->Lines().end())))
        ResetView();
}

std::string TFixedMetricsOwner::FontOfCodePage(int32_t codePage) const
{
    return FindCodePage(codePage) || Lines->Decoder().Valid() ? "Courier New" : "";
}

bool TFixedMetricsOwner::Load(const std::string& path)
{
    return LoadFileInto(*Lines, path, *this, TLoadChoices::Decide);
}

int32_t TFixedMetricsOwner::GetWrapWidth()
{
    int32_t w;
    switch (WrapMode) {
    case wwmNoWrap: return INT32_MAX;
    case wwmWrapByWindow: w = WindowWidth; break;
    default: w = MaxColumns * CharWidth; break;
    }
    return std::max(w, 5 * CharWidth);
}

int32_t TFixedMetricsOwner::GetCharWidth(char16_t c)
{
    const int32_t w = (WideCJK && IsWide(c)) ? 2 * CharWidth : CharWidth;
    FCache[c] = w;
    return w;
}

void TFixedMetricsOwner::ClearWidths()
{
    std::memset(FCache.get(), 0, 65536 * sizeof(int32_t));
}

bool TFixedMetricsOwner::IsWide(char16_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

}  // namespace zin
