#include "editor/ZinScrollBar.h"

#include <algorithm>

namespace zin {

void TZinScrollBar::SetPosition(int32_t p)
{
    if (p == Position)
        return;
    Position = p;
    Update();
}

void TZinScrollBar::SetParams(int32_t min, int32_t max, int32_t page, int32_t position)
{
    Min = min;
    Max = max;
    Position = position;
    PageSize = page;
    Update();
}

void TZinScrollBar::Update()
{
    if (Max < Min)
        throw EInvalidOperation("Scrollbar property out of range");
    // 64-bit arithmetic: Max - LargeChange cannot overflow for any Max.
    const int64_t top = int64_t{Max} - LargeChange;
    if (Position > std::max<int64_t>(top, 0))
        Position = static_cast<int32_t>(top);
    if (Position < Min)
        Position = Min;
    if (!Handle)
        return;
    TScrollInfo info;
    info.HasRange = Min >= 0 || Max >= 0;
    info.HasPosition = Position >= 0;
    info.HasPage = PageSize >= 0;
    info.Min = Min;
    info.Max = Max;
    info.Page = PageSize;
    info.Position = Position;
    Handle->SetScrollInfo(Kind, info);
}

void TZinScrollBar::HandleScrollMessage(int32_t code)
{
    int64_t a;
    switch (code) {
    case scLineUp: a = int64_t{Position} - SmallChange; break;
    case scLineDown: a = int64_t{Position} + SmallChange; break;
    case scPageUp: a = int64_t{Position} - LargeChange; break;
    case scPageDown: a = int64_t{Position} + LargeChange; break;
    case scTop: a = Min; break;
    case scBottom: a = Max; break;
    case scPosition:
    case scTrack: a = Handle ? Handle->ScrollTrackPosition(Kind) : Position; break;
    default: a = Position; break;
    }
    const int64_t top = int64_t{Max} - LargeChange;
    if (a > std::max<int64_t>(top, 0))
        a = top;
    a = std::max<int64_t>(a, Min);
    int32_t position = static_cast<int32_t>(std::clamp<int64_t>(a, INT32_MIN, INT32_MAX));
    if (OnScroll)
        OnScroll(*this, code, position);
    SetPosition(position);
}

}  // namespace zin
