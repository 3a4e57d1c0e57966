// Painting: page images compared with golden files, and what a paint
// touches.
#include <random>

#include "EditTestUtil.h"
#include "PaintScenes.h"
#include "editor/ZinEditRowPainter.h"

namespace zin::test {
namespace {

TEST(PaintImageTest, PagesMatchTheirGoldenImages)
{
    TempDir dir;
    for (const TPaintScene& scene : PaintScenes()) {
        SCOPED_TRACE(scene.Name);
        const auto image = RenderScene(scene, dir.Path());
        TRasterSurface golden;
        const std::string path = GoldenDir() + scene.Name + ".ppm";
        ASSERT_TRUE(golden.FromPPM(ReadFileBytes(path)))
            << path << " is missing or unreadable; scripts/update-golden.sh writes it";
        const int64_t differences = image->Differences(golden);
        if (differences != 0) {
            const std::string actual = dir.Write(scene.Name + ".actual.ppm", image->ToPPM());
            ADD_FAILURE() << differences << " pixels differ from " << path << "; this paint: " << actual;
        }
    }
}

}  // namespace
}  // namespace zin::test

namespace zin::test {
namespace {

class PaintTest : public EditTest {
protected:
    int64_t PaintedRows()
    {
        const int64_t before = Edit->RowsPainted();
        Edit->Paint(Window);
        return Edit->RowsPainted() - before;
    }
    TTestSurface Window;
};

TEST_F(PaintTest, ASelectionChangeRepaintsOnlyTheRowsBetweenItsOldAndNewBounds)
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(text));
    Window.Resize(800, 600);
    EXPECT_EQ(PaintedRows(), Edit->VisibleRows());  // the first paint is whole
    for (int i = 0; i < 3; ++i)
        Edit->KeyDown(VK_DOWN, TShiftState{});
    EXPECT_EQ(PaintedRows(), 0);  // a caret move only moves the frame
    Edit->KeyDown(VK_DOWN, ssShift);  // rows 3 and 4
    EXPECT_EQ(PaintedRows(), 2);
    Edit->KeyDown(VK_DOWN, ssShift);  // the selection's rows and the new one
    EXPECT_EQ(PaintedRows(), 3);
    Edit->KeyDown(VK_UP, ssShift);
    EXPECT_EQ(PaintedRows(), 3);
    Edit->KeyDown(VK_END, TShiftState{});  // dropping it repaints its rows
    EXPECT_EQ(PaintedRows(), 2);
    EXPECT_EQ(PaintedRows(), 0);
    // Scrolling repaints the page.
    Edit->WheelScroll(-120);
    EXPECT_EQ(PaintedRows(), Edit->VisibleRows());
}

TEST_F(PaintTest, HexModeShowsTheBytesOfTheRowsOnScreenOnly)
{
    // 40 rows of bytes in a client of 35 full rows: the page holds the
    // rows on screen, the notice of old is gone.
    ASSERT_TRUE(Load(std::string(16 * 40, '\x01'), "d.bin"));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    Window.Resize(800, 600);
    EXPECT_EQ(PaintedRows(), Edit->VisibleRows());
    const TTestSurface& page = static_cast<const TTestSurface&>(Edit->PageBitmap());
    for (const std::string& call : page.Calls)
        EXPECT_EQ(call.find("H/8 e/8 x/8"), std::string::npos) << call;
    Edit->ExecuteCommand(ecTextEnd);
    EXPECT_EQ(PaintedRows(), Edit->FullRows());  // the last row at the bottom
}

// The row painter's steps draw in the colours they are given, whatever an
// earlier step or anything else left selected on the canvas: random steps,
// each after random colour and style changes, paint the same image as on a
// canvas nothing else touched.
TEST(RowPainterTest, StepsDrawInTheirOwnColoursWhateverTheCanvasHeld)
{
    std::mt19937 rng(4242);
    auto colour = [&rng] { return static_cast<TColor>(rng() & 0xFFFFFF); };
    auto colours = [&] { return TSelectedStyle{colour(), colour(), static_cast<TFontStyles>(rng() % 16)}; };
    for (int round = 0; round < 40; ++round) {
        const TRowLayout layout{24, 300, 16, 16 + 2 * (round % 5), 2 * (round % 5), 8, round % 2 == 0, round % 3 != 0};
        TRasterSurface clean, stale, untouched;
        for (TRasterSurface* s : {&clean, &stale, &untouched})
            s->Resize(320, 2 * layout.RowHeight);
        TRowPainter a(clean, layout), b(stale, layout);
        for (int step = 0; step < 30; ++step) {
            stale.SetBrushColor(colour());
            stale.SetPenColor(colour());
            stale.SetTextColor(colour());
            stale.SetFontStyle(static_cast<TSurfaceFontStyle>(rng() % 16));
            const int32_t x = static_cast<int32_t>(rng() % 320) - 20;
            char16_t text[8];
            int32_t widths[8];
            const int32_t n = 1 + static_cast<int32_t>(rng() % 8);
            int32_t width = 0;
            const bool blanks = rng() % 2 == 0;
            for (int32_t i = 0; i < n; ++i) {
                text[i] = blanks ? (rng() % 2 ? u' ' : u'\t') : static_cast<char16_t>(u'a' + rng() % 26);
                width += widths[i] = 4 + static_cast<int32_t>(rng() % 13);
            }
            switch (rng() % 7) {
            case 0: {
                const int32_t top = static_cast<int32_t>(rng() % 2) * layout.RowHeight;
                a.BeginRow(top);
                b.BeginRow(top);
                break;
            }
            case 1: {
                const TSelectedStyle c = colours();
                a.Text(x, text, widths, n, width, c);
                b.Text(x, text, widths, n, width, c);
                break;
            }
            case 2: {
                const TColor back = colour(), mark = colour();
                a.Blanks(x, text, widths, n, width, back, mark);
                b.Blanks(x, text, widths, n, width, back, mark);
                break;
            }
            case 3: {
                const TColor back = colour(), mark = colour();
                ASSERT_EQ(a.EndOfLine(x, back, mark), x + layout.SpaceWidth);
                b.EndOfLine(x, back, mark);
                break;
            }
            case 4: {
                const TColor back = colour();
                a.FillRest(x, back);
                b.FillRest(x, back);
                break;
            }
            case 5:
                a.Selection(x, x + width);
                b.Selection(x, x + width);
                break;
            default: {
                const TSelectedStyle c = colours();
                const int64_t number = rng() % 3 ? static_cast<int64_t>(rng() % 100000) : 0;
                a.LineNumber(0, 20, 8, number, c);
                b.LineNumber(0, 20, 8, number, c);
                break;
            }
            }
        }
        ASSERT_GT(clean.Differences(untouched), 0) << "round " << round;
        ASSERT_EQ(stale.Differences(clean), 0) << "round " << round;
    }
}

}  // namespace
}  // namespace zin::test
