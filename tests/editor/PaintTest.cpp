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
