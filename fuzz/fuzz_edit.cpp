// The editor control on any file and any stream of the drive tool's
// commands (keys, mouse, scrolling, wheel, resizing, property changes,
// painting, copying), on the test host and surface. After every command the
// caret is valid: its row is the global index of its line's row SubRow,
// FilePos - LinePos is its line's first byte, and LinePos lies within that
// row on a character boundary.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "FuzzSupport.h"
#include "commands/ZinEditCommand.h"
#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "support/doubles/TestHost.h"
#include "support/doubles/TestSurface.h"
#include "syntax/ZinSyntax.h"

using namespace zin;

namespace {

void CheckCaret(TZinEdit& e, const TCaretPos& p)
{
    TZinLines& store = e.LineStore();
    if (e.EditMode() == emHexMode) {
        // The caret is on a byte; the text caret waits, as the lines do
        // (a code page changed meanwhile decodes them anew on leaving), and
        // is checked when text shows again.
        const uint64_t last = store.FileSize() > 0 ? store.FileSize() - 1 : 0;
        FUZZ_CHECK(e.HexCaret() <= last);
        FUZZ_CHECK(!e.HexSelecting() || e.HexAnchor() <= last);
        FUZZ_CHECK(e.HexTopRow() <= e.HexMaxTop());
        return;
    }
    const TLinePlace place = store.FindRow(p.Row);
    FUZZ_CHECK(place.Line == p.Line);
    FUZZ_CHECK(place.Index == p.LineIndex);
    FUZZ_CHECK(p.Row - place.FirstRow == p.SubRow);
    FUZZ_CHECK(p.SubRow >= 0 && p.SubRow < p.Line->RowCount());
    FUZZ_CHECK(p.FilePos - p.LinePos == place.Start);
    const TRowList rows = p.Line->Rows();
    const TRowIndex from = rows[static_cast<size_t>(p.SubRow)];
    FUZZ_CHECK(from.Pos <= p.LinePos);
    FUZZ_CHECK(p.LinePos <= rows[static_cast<size_t>(p.SubRow) + 1].Pos);
    twc_queue q;
    store.BeginRead(p.Line, from);
    while (store.ReadPos() < p.LinePos && store.NextChar(q))
        q.clear();
    FUZZ_CHECK(store.ReadPos() == p.LinePos);
}

struct TDrive {
    test::TTestHost Host;
    std::unique_ptr<TZinEdit> Edit;
    test::TTestSurface Window;
    int32_t PaintedAt = -1;
    bool ButtonDown = false;

    void Paint()
    {
        Window.Record = false;
        if (Window.Width() != Host.Client.Width() || Window.Height() != Host.Client.Height())
            Window.Resize(Host.Client.Width(), Host.Client.Height());
        Edit->Paint(Window);
        PaintedAt = Host.Invalidates;
    }
};

int32_t Coordinate(FuzzedDataProvider& in)
{
    return in.ConsumeIntegralInRange<int32_t>(-40, 1200);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::StartUp(fuzz::ShippedSyntaxDir());

    FuzzedDataProvider in(data, size);
    static const char* const names[] = {"f.txt", "f.cpp", "f.html", "f.pas"};
    const char* name = names[in.ConsumeIntegralInRange<int>(0, 3)];
    const std::string file = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 6000));
    const std::string path = fuzz::WriteTemp(name, file);

    TDrive d;
    d.Edit = std::make_unique<TZinEdit>(&d.Host);
    TZinEdit& e = *d.Edit;
    e.CreateWnd();
    d.Host.Client = TRect{0, 0, 400, 300};
    e.Resize();
    d.Host.HasFocus = true;
    e.FocusIn();
    FUZZ_CHECK(e.LoadFromFile(path));
    CheckCaret(e, e.Caret());

    static const uint16_t keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END,
                                    VK_PRIOR, VK_NEXT, VK_TAB, 'A', 'C', 45};
    static const bool verbose = std::getenv("ZIN_FUZZ_VERBOSE") != nullptr;
    if (verbose)
        std::fprintf(stderr, "%s: %zu bytes, %d lines, %d rows, edit mode %d\n", name, file.size(),
                     e.LineStore().LineCount(), e.LineStore().RowCount(), e.EditMode());
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        const int op = in.ConsumeIntegralInRange<int>(0, 19);
        if (verbose) {
            const TCaretPos& c = e.Caret();
            std::fprintf(stderr, "step %d op %d; caret row %d line %d subrow %d linepos %llu; wrap %d edit %d cp %d\n",
                         step, op, c.Row, c.LineIndex, c.SubRow, static_cast<unsigned long long>(c.LinePos),
                         e.WordWrapMode(), e.EditMode(), e.CodePage());
        }
        switch (op) {
        case 0:
        case 1:
        case 2: {
            const uint16_t key = keys[in.ConsumeIntegralInRange<size_t>(0, std::size(keys) - 1)];
            const uint8_t m = in.ConsumeIntegral<uint8_t>();
            TShiftState shift{};
            if (m & 1) shift |= ssShift;
            if (m & 2) shift |= ssCtrl;
            if (m & 4) shift |= ssAlt;
            if (verbose)
                std::fprintf(stderr, "  key %u shift %u\n", key, static_cast<unsigned>(shift));
            e.KeyDown(key, shift);
            break;
        }
        case 3: {
            const int32_t x = Coordinate(in), y = Coordinate(in);
            TShiftState shift = ssLeft;
            if (in.ConsumeBool()) shift |= ssShift;
            d.ButtonDown = true;
            e.MouseDown(mbLeft, shift, x, y);
            break;
        }
        case 4: {
            const int32_t x = Coordinate(in), y = Coordinate(in);
            e.MouseMove(d.ButtonDown ? ssLeft : TShiftState{}, x, y);
            break;
        }
        case 5: {
            const int32_t x = Coordinate(in), y = Coordinate(in);
            d.ButtonDown = false;
            e.MouseUp(mbLeft, TShiftState{}, x, y);
            break;
        }
        case 6:
        case 7: {
            const bool vertical = in.ConsumeBool();
            const int32_t code = in.ConsumeIntegralInRange<int32_t>(0, 8);
            const TScrollBarKind bar = vertical ? sbVertical : sbHorizontal;
            d.Host.TrackPosition[bar] = in.ConsumeIntegralInRange<int32_t>(-10, 100000);
            if (vertical)
                e.VScroll(code);
            else
                e.HScroll(code);
            break;
        }
        case 8: e.WheelScroll(in.ConsumeIntegralInRange<int32_t>(-1000, 1000)); break;
        case 9:
            d.Host.Client = TRect{0, 0, in.ConsumeIntegralInRange<int32_t>(0, 1000),
                                  in.ConsumeIntegralInRange<int32_t>(0, 800)};
            e.Resize();
            break;
        case 10: e.SetCodePage(CodePageTable[in.ConsumeIntegralInRange<int>(0, CodePageCount - 1)].CodePage); break;
        case 11: e.SetWordWrapMode(static_cast<TWordWrapMode>(in.ConsumeIntegralInRange<int>(0, 2))); break;
        case 12: e.SetMaxColumns(in.ConsumeIntegralInRange<int32_t>(-5, 300)); break;
        case 13: e.SetEditMode(static_cast<TEditMode>(in.ConsumeIntegralInRange<int>(0, 2))); break;
        case 14: {
            TFont font = e.Font();
            font.OnChange = nullptr;
            font.SetSize(in.ConsumeIntegralInRange<int32_t>(1, 72));
            e.SetFont(font);
            break;
        }
        case 15: {
            const int which = in.ConsumeIntegralInRange<int>(0, 6);
            const bool on = in.ConsumeBool();
            switch (which) {
            case 0: e.SetDisplayLineNumber(on); break;
            case 1: e.SetShowEndOfLine(on); break;
            case 2: e.SetShowSpaceChar(on); break;
            case 3: e.SetShowTabChar(on); break;
            case 4: e.SetMarkActiveLine(on); break;
            case 5: e.SetLineSpacing(static_cast<float>(in.ConsumeIntegralInRange<int>(50, 400)) / 100.0f); break;
            default: e.SetScrollBars(static_cast<TScrollStyle>(in.ConsumeIntegralInRange<int>(0, 3))); break;
            }
            break;
        }
        case 16: d.Paint(); break;
        case 17: {
            std::u16string text;
            const size_t limit = in.ConsumeBool() ? TZinEdit::MaxCopyBytes : in.ConsumeIntegralInRange<size_t>(0, 64);
            if (!e.SelectedText(text, limit))
                FUZZ_CHECK(text.empty());
            break;
        }
        case 18: {
            // Any command number, the plain and selecting ones among them.
            int32_t command = in.ConsumeIntegralInRange<int32_t>(ecCommandBase, ecCommandBase + 20);
            if (in.ConsumeBool())
                command += ecSelectOffset;
            e.ExecuteCommand(in.ConsumeIntegralInRange<int>(0, 15) == 0 ? in.ConsumeIntegral<int32_t>() : command);
            break;
        }
        default:
            if (in.ConsumeBool()) {
                d.Host.HasFocus = true;
                e.FocusIn();
            } else {
                d.Host.HasFocus = false;
                e.FocusOut();
            }
            break;
        }
        // A window paints before the next input when asked to.
        if (d.Host.Invalidates != d.PaintedAt)
            d.Paint();
        FUZZ_CHECK(!e.Working());
        if (verbose) {
            const TCaretPos& c = e.Caret();
            std::fprintf(stderr, "  -> row %d subrow %d linepos %llu x %d; rows", c.Row, c.SubRow,
                         static_cast<unsigned long long>(c.LinePos), c.X);
            const TRowList rows = c.Line->Rows();
            for (size_t i = 0; i < rows.size(); ++i)
                std::fprintf(stderr, " %llu", static_cast<unsigned long long>(rows[i].Pos));
            std::fprintf(stderr, "\n");
        }
        CheckCaret(e, e.Caret());
    }
    return 0;
}
