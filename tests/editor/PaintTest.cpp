// Painting: page images compared with golden files, and what a paint
// touches.
#include "EditTestUtil.h"
#include "PaintScenes.h"

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

TEST_F(PaintTest, HexModeShowsOnlyTheNotice)
{
    ASSERT_TRUE(Load("\x01\x02\xFF data", "d.bin"));
    Window.Resize(800, 600);
    Window.Calls.clear();
    Edit->Paint(Window);
    ASSERT_EQ(Window.Calls.size(), 2u);
    EXPECT_EQ(Window.Calls[0], "fill 0,0,800,600 FFFFFF");
    EXPECT_EQ(Window.Calls[1].rfind("text 0,0 [0,0,192,16] H/8 e/8 x/8", 0), 0u) << Window.Calls[1];
    EXPECT_EQ(Edit->RowsPainted(), 0);
}

}  // namespace
}  // namespace zin::test
