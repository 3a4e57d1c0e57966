// Writes the golden page images of the editor control anew:
//   paint_golden [DIR]   (default: tests/data/paint/ of the source tree)
// Run through scripts/update-golden.sh, on purpose, after checking that the
// changed pictures are right; the tests only ever read these files.
#include <cstdio>
#include <fstream>

#include "../PaintScenes.h"
#include "support/TempDir.h"

int main(int argc, char** argv)
{
    using namespace zin::test;
    const std::string dir = argc > 1 ? std::string(argv[1]) + "/" : GoldenDir();
    TempDir temp;
    for (const TPaintScene& scene : PaintScenes()) {
        const auto image = RenderScene(scene, temp.Path());
        const std::string path = dir + scene.Name + ".ppm";
        std::ofstream out(path, std::ios::binary);
        out << image->ToPPM();
        if (!out) {
            std::fprintf(stderr, "paint_golden: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
