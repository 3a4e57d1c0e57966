#include "PaintScenes.h"

#include <cstdlib>
#include <fstream>

#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"

namespace zin::test {

namespace {

const char* const CppSource =
    "#include <cstdio>\n"
    "// Counts to three.\n"
    "int main(int argc, char** argv)\n"
    "{\n"
    "\tfor (int i = 0; i < 3; ++i)\n"
    "\t\tstd::printf(\"%d\\n\", i); /* one\n"
    "\t\tper line */\n"
    "    return 0;\n"
    "}\n";

void Click(TZinEdit& e, int32_t x, int32_t y, TShiftState shift = TShiftState{})
{
    e.MouseDown(mbLeft, shift | ssLeft, x, y);
    e.MouseUp(mbLeft, shift, x, y);
}

}  // namespace

std::vector<TPaintScene> PaintScenes()
{
    std::vector<TPaintScene> s;
    s.push_back({"cpp-numbers-marks", "main.cpp", CppSource, 240, 112, [](TZinEdit&) {}});
    s.push_back({"text-selection-three-rows", "main.cpp", CppSource, 240, 112, [](TZinEdit& e) {
                     Click(e, 60, 20);
                     Click(e, 90, 52, ssShift);
                 }});
    s.push_back({"column-selection-beyond-short-rows", "cols.txt",
                 "a long first row\nab\n\nanother long row\nx\n", 240, 112, [](TZinEdit& e) {
                     e.SetEditMode(emColumnMode);
                     // From column 12 on the first row to the same column
                     // four rows down: an empty column range, a sliver on
                     // every row but the caret's; then a wider one.
                     Click(e, 120, 4);
                     Click(e, 120, 52, ssShift);
                     e.KeyDown(VK_RIGHT, ssShift);
                     e.KeyDown(VK_RIGHT, ssShift);
                 }});
    s.push_back({"column-sliver", "cols.txt", "a long first row\nab\n\nanother long row\nx\n", 240, 112,
                 [](TZinEdit& e) {
                     e.SetEditMode(emColumnMode);
                     Click(e, 120, 4);
                     e.KeyDown(VK_DOWN, ssShift);
                     e.KeyDown(VK_DOWN, ssShift);
                 }});
    s.push_back({"wrapped-rows-blank-gutter", "wrap.txt",
                 "short\nthis line is long enough to wrap twice at twelve\nend\n", 240, 112, [](TZinEdit& e) {
                     e.SetMaxColumns(12);
                     e.SetWordWrapMode(wwmWrapByColumn);
                 }});
    std::string hundred;
    for (int i = 1; i <= 104; ++i)
        hundred += "row " + std::to_string(i) + "\n";
    s.push_back({"gutter-widens-at-line-100", "rows.txt", hundred, 240, 112, [](TZinEdit& e) {
                     e.ScrollView(true, 94);  // lines 95 to 101 on screen
                 }});
    // Hex mode: rows of 16 bytes with their offsets, the characters of the
    // code page (1252) and dots for the rest; the caret's byte outlined in
    // the other area, a selection inverted in both.
    std::string bytes;
    for (int i = 0; i < 45; ++i)
        bytes.push_back(static_cast<char>(i < 3 ? i + 1 : (i * 37 + 11) % 256));
    const std::string hexBin("\x01\x02\x03\xFF binary\n", 13);
    s.push_back({"hex-short-file", "data.bin", hexBin, 620, 48, [](TZinEdit&) {}});
    s.push_back({"hex-partial-last-row", "data.bin", bytes, 620, 64, [](TZinEdit& e) {
                     e.ExecuteCommand(ecTextEnd);
                 }});
    s.push_back({"hex-selection-in-hex-area", "data.bin", bytes, 620, 64, [](TZinEdit& e) {
                     // From byte 3 (x = gutter + margin + 3 * 24) to byte 20.
                     e.MouseDown(mbLeft, ssLeft, e.GutterWidth() + e.LeftMargin() + 3 * 24 + 4, 4);
                     e.MouseMove(ssLeft, e.GutterWidth() + e.LeftMargin() + 4 * 24 + 4, 20);
                     e.MouseUp(mbLeft, TShiftState{}, 0, 0);
                 }});
    s.push_back({"hex-selection-in-char-area", "data.bin", bytes, 620, 64, [](TZinEdit& e) {
                     e.KeyDown(VK_TAB, TShiftState{});
                     for (int i = 0; i < 5; ++i)
                         e.KeyDown(VK_RIGHT, TShiftState{});
                     e.KeyDown(VK_DOWN, ssShift);
                     e.KeyDown(VK_RIGHT, ssShift);
                 }});
    TPaintScene far{"hex-offsets-past-4gib", "far.bin", bytes, 620, 64, [](TZinEdit& e) {
                        e.ExecuteCommand(ecTextEnd);
                        e.ExecuteCommand(ecSelUp);
                    }};
    far.Hole = (uint64_t{1} << 32) - 8;
    s.push_back(far);
    s.push_back({"token-under-gutter", "main.cpp", CppSource, 240, 112, [](TZinEdit& e) {
                     e.ScrollView(false, 13);
                 }});
    s.push_back({"line-spacing-1-5", "main.cpp", CppSource, 240, 112, [](TZinEdit& e) { e.SetLineSpacing(1.5f); }});
    s.push_back({"empty-line-end-mark", "empty.txt", "one\n\nthree\n", 240, 80, [](TZinEdit& e) {
                     e.KeyDown(VK_DOWN, TShiftState{});
                 }});
    s.push_back({"empty-line-selected-no-mark", "empty.txt", "one\n\nthree\n", 240, 80, [](TZinEdit& e) {
                     e.SetShowEndOfLine(false);
                     e.KeyDown(VK_RIGHT, TShiftState{});
                     e.KeyDown(VK_DOWN, ssShift);
                     e.KeyDown(VK_DOWN, ssShift);
                 }});
    return s;
}

std::unique_ptr<TRasterSurface> RenderScene(const TPaintScene& scene, const std::string& dir)
{
    SetSystemCodePage(1252);
    LoadCodePageNames();
    TTestHost host;
    host.Raster = true;
    host.Client = TRect{0, 0, scene.Width, scene.Height};
    auto edit = std::make_unique<TZinEdit>(&host);
    edit->CreateWnd();
    edit->Resize();
    host.HasFocus = true;
    edit->FocusIn();
    const std::string path = dir + scene.FileName;
    {
        std::ofstream out(path, std::ios::binary);
        if (scene.Hole > 0)
            out.seekp(static_cast<std::streamoff>(scene.Hole));
        out << scene.Bytes;
    }
    edit->LoadFromFile(path);
    // A first paint, as the window paints after the load, so that the
    // scene's clicks land on a laid-out page.
    auto window = std::make_unique<TRasterSurface>();
    window->Resize(scene.Width, scene.Height);
    edit->Paint(*window);
    if (scene.Setup)
        scene.Setup(*edit);
    edit->Paint(*window);
    edit.reset();
    SetSystemCodePage(0);
    return window;
}

std::string GoldenDir()
{
    const char* src = std::getenv("ZIN_SOURCE_DIR");
    return std::string(src ? src : ".") + "/tests/data/paint/";
}

}  // namespace zin::test
