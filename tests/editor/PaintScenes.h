#pragma once
// Page images of the editor control: each scene opens a small file in a
// control on rasterising surfaces, sets it up as a user would and paints it.
// The test compares the images with golden files under tests/data/paint;
// scripts/update-golden.sh writes those files anew (a developer runs it on
// purpose after checking that a change of the pictures is right).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/ZinEdit.h"
#include "support/doubles/RasterSurface.h"
#include "support/doubles/TestHost.h"

namespace zin::test {

struct TPaintScene {
    std::string Name;
    std::string FileName;  // its extension picks the syntax definition
    std::string Bytes;
    int32_t Width = 240;
    int32_t Height = 112;
    // Sets the control up after the file is loaded (settings, caret moves,
    // selections, scrolling).
    std::function<void(TZinEdit&)> Setup;
    // Bytes of zeros before Bytes, left as a hole in the file (a sparse
    // file: offsets past 4 GiB cost no disk).
    uint64_t Hole = 0;
};

std::vector<TPaintScene> PaintScenes();

// Paints a scene into an image of the window. `dir` is a directory for the
// scene's file.
std::unique_ptr<TRasterSurface> RenderScene(const TPaintScene& scene, const std::string& dir);

// The directory of the golden images in the source tree.
std::string GoldenDir();

}  // namespace zin::test
