#include "support/doubles/TestHost.h"

#include "support/doubles/RasterSurface.h"

namespace zin::test {

void TTestHost::CreateCaret(int32_t width, int32_t height)
{
    CaretWidth = width;
    CaretHeight = height;
    CaretVisible = false;
    ++CaretCreates;
}

void TTestHost::SetCaretPos(int32_t x, int32_t y)
{
    CaretX = x;
    CaretY = y;
}

void TTestHost::SetFrame(TBorderStyle border, TScrollStyle bars)
{
    Border = border;
    Bars = bars;
    ++FrameChanges;
}

void TTestHost::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info)
{
    Info[bar] = info;
    ++ScrollInfoCalls[bar];
}

std::unique_ptr<TDrawSurface> TTestHost::CreateSurface()
{
    if (Raster)
        return std::make_unique<TRasterSurface>(WideCJK);
    return std::make_unique<TTestSurface>(WideCJK);
}

}  // namespace zin::test
