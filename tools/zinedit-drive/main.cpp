// zinedit-drive: an editor control without a window, for tests and
// diagnosis. The control runs on the deterministic test surface (a font of
// size N is N pixels high, every code unit N / 2 wide) and a host that
// records what the control asks of its window. After loading FILE it prints
// one JSON state line, then reads one command per line from standard input
// and prints one state line after each.
//
//   zinedit-drive [--size WxH] [--fontsize N] [--widecjk] [--acp N] [--ini FILE]
//                 [--short-memory] FILE
//
// Commands: load PATH | set NAME VALUE | resize W H | vscroll CODE [TRACK] |
// hscroll CODE [TRACK] | wheel DELTA | key NAME [shift] [ctrl] [alt] |
// char TEXT | down X Y [shift] [ctrl] [alt] [double] | move X Y | up X Y | focus | blur |
// paint | copy (the state line then ends with "copied", the selected text or
// null when it is too large; in hex mode the bytes in hexadecimal) | copytext
// (the same, the selection as text in the code page: hex mode's bytes
// decoded) | refresh (the file is looked at now: growth
// becomes lines, a replaced file is loaded again). The state line goes on
// with "error", why the last load failed (null when it did not), and ends
// with "change": what the refresh just before it found ("grown",
// "replaced", "deleted"; null when nothing changed or for other commands),
// and in hex mode only with "hexarea": the area the caret is in ("hex" or
// "chars"). In hex mode the caret, anchor and end are bytes:
// "filepos" the byte, "row" and "subrow" its row of 16 bytes, "linepos" the
// byte again (the file is one line there), "x" the caret's pixel offset in
// its area; "toprow" the first row shown. With --short-memory every load
// finds the machine's memory running out once it has begun. Whenever the control asked to be repainted
// after the load or a command, it is painted (onto a window surface that
// records nothing) before the state line is printed, as a window would
// paint before the next input. An unknown command or a bad argument: one
// line on standard error, exit status 2.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/IniFile.h"
#include "platform/SystemCodePage.h"
#include "support/doubles/TestHost.h"
#include "support/doubles/TestSurface.h"
#include "common/DumpLoad.h"

using namespace zin;
using zin::tools::AppendJsonText;

namespace {

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "zinedit-drive: %s\n", message.c_str());
    std::exit(2);
}

bool ParseInt(const std::string& s, long long lo, long long hi, int32_t& out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

int32_t IntArg(const std::string& s, long long lo, long long hi, const std::string& what)
{
    int32_t v;
    if (!ParseInt(s, lo, hi, v))
        Fail("bad " + what + ": '" + s + "'");
    return v;
}

bool BoolArg(const std::string& s, const std::string& what)
{
    if (s == "0")
        return false;
    if (s == "1")
        return true;
    Fail("bad " + what + ": '" + s + "' (0 or 1)");
}

std::string PosJson(const TCaretPos& p)
{
    char b[256];
    std::snprintf(b, sizeof b,
                  "{\"filepos\":%llu,\"row\":%d,\"linepos\":%llu,\"line\":%d,\"subrow\":%d,\"x\":%d,\"vcols\":%d}",
                  static_cast<unsigned long long>(p.FilePos), p.Row, static_cast<unsigned long long>(p.LinePos),
                  p.LineIndex, p.SubRow, p.X, p.VirtualCols);
    return b;
}

// A byte of hex mode as a position: the byte, its row of 16 bytes, its
// column in the row; the file is one line there, whose rows these are; x is
// the caret's pixel offset in its area (for the caret only, 0 otherwise).
std::string HexPosJson(uint64_t byte, int32_t x)
{
    char b[256];
    std::snprintf(b, sizeof b,
                  "{\"filepos\":%llu,\"row\":%llu,\"linepos\":%llu,\"line\":0,\"subrow\":%llu,\"x\":%d,\"vcols\":0}",
                  static_cast<unsigned long long>(byte), static_cast<unsigned long long>(byte / 16),
                  static_cast<unsigned long long>(byte), static_cast<unsigned long long>(byte / 16), x);
    return b;
}

std::string BarJson(const TZinScrollBar& bar)
{
    char b[160];
    std::snprintf(b, sizeof b, "{\"min\":%d,\"max\":%d,\"page\":%d,\"pos\":%d,\"large\":%d}", bar.Min, bar.Max,
                  bar.PageSize, bar.Position, bar.LargeChange);
    return b;
}

const char* EditModeName(TEditMode m)
{
    switch (m) {
    case emColumnMode: return "column";
    case emHexMode: return "hex";
    default: return "text";
    }
}

// The virtual-key code of a key name of the command language, or 0.
uint16_t KeyCode(const std::string& name)
{
    static const struct {
        const char* Name;
        uint16_t Code;
    } keys[] = {{"Left", VK_LEFT}, {"Right", VK_RIGHT}, {"Up", VK_UP},       {"Down", VK_DOWN},     {"Home", VK_HOME},
                {"End", VK_END},   {"PageUp", VK_PRIOR}, {"PageDown", VK_NEXT}, {"Tab", VK_TAB}};
    for (const auto& k : keys)
        if (name == k.Name)
            return k.Code;
    if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
        return static_cast<uint16_t>(name[0]);
    return 0;
}

// Modifier words after a command's fixed arguments ("double" only for a
// press: the second press of a double click).
TShiftState Modifiers(const std::vector<std::string>& a, size_t from, bool press)
{
    TShiftState shift{};
    for (size_t i = from; i < a.size(); ++i) {
        if (a[i] == "shift")
            shift |= ssShift;
        else if (a[i] == "ctrl")
            shift |= ssCtrl;
        else if (a[i] == "alt")
            shift |= ssAlt;
        else if (press && a[i] == "double")
            shift |= ssDouble;
        else
            Fail("bad modifier '" + a[i] + "'");
    }
    return shift;
}

struct TDrive {
    test::TTestHost Host;
    std::unique_ptr<TZinEdit> Edit;
    std::vector<const char*> Events;
    bool Ok = false;
    bool ShortMemory = false;
    // What the last refresh found, for the state line after it.
    TFileChange Change = TFileChange::None;
    bool ButtonDown = false;
    // After a copy: the text, or null when it was refused.
    bool Copied = false;
    bool CopyOk = false;
    std::u16string CopyText;
    test::TTestSurface Window;
    int32_t PaintedAt = -1;  // the host's invalidation count at the last paint

    void Paint()
    {
        Window.Record = false;
        if (Window.Width() != Host.Client.Width() || Window.Height() != Host.Client.Height())
            Window.Resize(Host.Client.Width(), Host.Client.Height());
        Edit->Paint(Window);
        PaintedAt = Host.Invalidates;
    }
    // Paints when the control was invalidated since the last paint.
    void PaintIfInvalid()
    {
        if (Host.Invalidates != PaintedAt)
            Paint();
    }

    void PrintState()
    {
        TZinEdit& e = *Edit;
        const TZinLines& store = e.LineStore();
        std::ostringstream o;
        // In hex mode the positions are bytes (HexPosJson) and the top row
        // is a row of 16 bytes.
        const bool hex = e.EditMode() == emHexMode;
        o << "{\"ok\":" << (Ok ? "true" : "false")
          << ",\"caret\":" << (hex ? HexPosJson(e.HexCaret(), e.HexCaretX()) : PosJson(e.Caret()))
          << ",\"charindex\":" << (hex ? static_cast<int32_t>(e.HexCaret() % 16) : e.CaretCharIndex())
          << ",\"desiredx\":" << e.DesiredX()
          << ",\"selecting\":" << ((hex ? e.HexSelecting() : e.Selecting()) ? "true" : "false")
          << ",\"anchor\":" << (hex ? HexPosJson(e.HexAnchor(), 0) : PosJson(e.SelAnchor()))
          << ",\"end\":" << (hex ? HexPosJson(e.HexCaret(), 0) : PosJson(e.SelEnd())) << ",\"colsel\":["
          << e.ColSelLeft() << "," << e.ColSelRight() << "],\"toprow\":";
        if (hex)
            o << e.HexTopRow();
        else
            o << e.TopRow();
        o << ",\"horzoffset\":" << e.HorzOffset()
          << ",\"gutter\":" << e.GutterWidth() << ",\"visiblerows\":" << e.VisibleRows()
          << ",\"horzextent\":" << e.HorzExtent() << ",\"wrapwidth\":" << e.GetWrapWidth()
          << ",\"vbar\":" << BarJson(e.VertScrollBar()) << ",\"hbar\":" << BarJson(e.HorzScrollBar())
          << ",\"caretat\":";
        if (Host.CaretVisible)
            o << "[" << Host.CaretX << "," << Host.CaretY << "]";
        else
            o << "null";
        o << ",\"events\":[";
        for (size_t i = 0; i < Events.size(); ++i)
            o << (i ? "," : "") << "\"" << Events[i] << "\"";
        char spacing[32];
        std::snprintf(spacing, sizeof spacing, "%g", static_cast<double>(e.LineSpacing()));
        o << "],\"codepage\":" << e.CodePage() << ",\"editmode\":\"" << EditModeName(e.EditMode())
          << "\",\"newline\":\"" << NewLineName(e.NewLineType()) << "\",\"lines\":" << store.LineCount()
          << ",\"rows\":" << store.RowCount() << ",\"maxrowwidth\":" << store.MaxRowWidth()
          << ",\"fontsize\":" << e.Font().Size() << ",\"linespacing\":" << spacing;
        if (Copied)
            {
            std::string copied;
            if (CopyOk)
                AppendJsonText(CopyText, copied);
            o << ",\"copied\":" << (CopyOk ? copied : "null");
        }
        o << ",\"error\":";
        if (Ok) {
            o << "null";
        } else {
            // The system's words are ASCII in the locales the tests run in;
            // other bytes come out one unit each.
            const std::string& bytes = store.LoadErrorReason();
            std::string reason;
            AppendJsonText(std::u16string(bytes.begin(), bytes.end()), reason);
            o << reason;
        }
        o << ",\"change\":";
        switch (Change) {
        case TFileChange::Grown: o << "\"grown\""; break;
        case TFileChange::Replaced: o << "\"replaced\""; break;
        case TFileChange::Deleted: o << "\"deleted\""; break;
        default: o << "null"; break;
        }
        if (hex)
            o << ",\"hexarea\":" << (e.HexInChars() ? "\"chars\"" : "\"hex\"");
        o << "}";
        std::cout << o.str() << '\n' << std::flush;
        Events.clear();
        Copied = false;
        Change = TFileChange::None;
    }

    void Load(const std::string& path)
    {
        if (ShortMemory)
            tools::TShortMemory::Arm(Edit->LineStore());
        Ok = Edit->LoadFromFile(path);
    }

    void Set(const std::string& name, const std::string& value)
    {
        TZinEdit& e = *Edit;
        if (name == "CodePage") {
            e.SetCodePage(IntArg(value, INT32_MIN, INT32_MAX, "code page"));
        } else if (name == "LineSpacing") {
            char* end = nullptr;
            const float f = std::strtof(value.c_str(), &end);
            if (value.empty() || *end != '\0')
                Fail("bad line spacing: '" + value + "'");
            e.SetLineSpacing(f);
        } else if (name == "WordWrapMode") {
            e.SetWordWrapMode(static_cast<TWordWrapMode>(IntArg(value, 0, 2, "wrap mode")));
        } else if (name == "MaxColumns") {
            e.SetMaxColumns(IntArg(value, INT32_MIN, INT32_MAX, "column count"));
        } else if (name == "DisplayLineNumber") {
            e.SetDisplayLineNumber(BoolArg(value, name));
        } else if (name == "EditMode") {
            e.SetEditMode(static_cast<TEditMode>(IntArg(value, 0, 2, "edit mode")));
        } else if (name == "ShowEndOfLine") {
            e.SetShowEndOfLine(BoolArg(value, name));
        } else if (name == "ShowSpaceChar") {
            e.SetShowSpaceChar(BoolArg(value, name));
        } else if (name == "ShowTabChar") {
            e.SetShowTabChar(BoolArg(value, name));
        } else if (name == "MarkActiveLine") {
            e.SetMarkActiveLine(BoolArg(value, name));
        } else if (name == "FontSize") {
            TFont font = e.Font();
            font.OnChange = nullptr;
            font.SetSize(IntArg(value, 1, 999, "font size"));
            e.SetFont(font);
        } else if (name == "FontName") {
            TFont font = e.Font();
            font.OnChange = nullptr;
            font.SetName(value);
            e.SetFont(font);
        } else {
            Fail("unknown property '" + name + "'");
        }
    }

    void Scroll(bool vertical, const std::vector<std::string>& a)
    {
        if (a.size() < 2 || a.size() > 3)
            Fail(a[0] + ": CODE [TRACK]");
        const int32_t code = IntArg(a[1], 0, 8, "scroll code");
        const TScrollBarKind bar = vertical ? sbVertical : sbHorizontal;
        const TZinScrollBar& b = vertical ? Edit->VertScrollBar() : Edit->HorzScrollBar();
        Host.TrackPosition[bar] = a.size() == 3 ? IntArg(a[2], INT32_MIN, INT32_MAX, "track position") : b.Position;
        if (vertical)
            Edit->VScroll(code);
        else
            Edit->HScroll(code);
    }

    void Command(const std::string& line)
    {
        std::istringstream in(line);
        std::vector<std::string> a;
        for (std::string w; in >> w;)
            a.push_back(w);
        if (a.empty())
            Fail("empty command");
        const std::string& c = a[0];
        // The rest of the line after the command and one blank (a path or a
        // font name may hold blanks).
        auto rest = [&](size_t words) {
            size_t p = line.find_first_not_of(" \t");
            for (size_t i = 0; i < words; ++i) {
                p = line.find_first_of(" \t", p);
                p = p == std::string::npos ? p : line.find_first_not_of(" \t", p);
            }
            return p == std::string::npos ? std::string() : line.substr(p);
        };
        if (c == "load") {
            if (a.size() < 2)
                Fail("load: PATH");
            Load(rest(1));
        } else if (c == "refresh") {
            if (a.size() != 1)
                Fail("refresh takes no argument");
            Change = Edit->RefreshFile();
            if (Change == TFileChange::Replaced)
                Ok = Edit->LineStore().LoadError() == TLoadError::None ||
                     Edit->LineStore().LoadError() == TLoadError::Truncated;
        } else if (c == "set") {
            if (a.size() < 3)
                Fail("set: NAME VALUE");
            Set(a[1], a[1] == "FontName" ? rest(2) : a[2]);
        } else if (c == "resize") {
            if (a.size() != 3)
                Fail("resize: W H");
            Host.Client = TRect{0, 0, IntArg(a[1], 0, 100000, "width"), IntArg(a[2], 0, 100000, "height")};
            Edit->Resize();
        } else if (c == "vscroll" || c == "hscroll") {
            Scroll(c == "vscroll", a);
        } else if (c == "wheel") {
            if (a.size() != 2)
                Fail("wheel: DELTA");
            Edit->WheelScroll(IntArg(a[1], INT32_MIN, INT32_MAX, "wheel delta"));
        } else if (c == "key") {
            if (a.size() < 2)
                Fail("key: NAME [shift] [ctrl] [alt]");
            const uint16_t key = KeyCode(a[1]);
            if (!key)
                Fail("unknown key '" + a[1] + "'");
            Edit->KeyDown(key, Modifiers(a, 2, false));
        } else if (c == "char") {
            if (a.size() < 2)
                Fail("char: TEXT");
            for (char ch : rest(1))
                Edit->KeyPress(static_cast<char16_t>(static_cast<unsigned char>(ch)));
        } else if (c == "down") {
            if (a.size() < 3)
                Fail("down: X Y [shift] [ctrl] [alt] [double]");
            const int32_t x = IntArg(a[1], INT32_MIN, INT32_MAX, "x"), y = IntArg(a[2], INT32_MIN, INT32_MAX, "y");
            const TShiftState shift = Modifiers(a, 3, true) | ssLeft;
            ButtonDown = true;
            Edit->MouseDown(mbLeft, shift, x, y);
        } else if (c == "move" || c == "up") {
            if (a.size() != 3)
                Fail(c + ": X Y");
            const int32_t x = IntArg(a[1], INT32_MIN, INT32_MAX, "x"), y = IntArg(a[2], INT32_MIN, INT32_MAX, "y");
            if (c == "move") {
                Edit->MouseMove(ButtonDown ? ssLeft : TShiftState{}, x, y);
            } else {
                ButtonDown = false;
                Edit->MouseUp(mbLeft, TShiftState{}, x, y);
            }
        } else if (c == "paint") {
            Paint();
        } else if (c == "copy") {
            Copied = true;
            CopyOk = Edit->SelectedText(CopyText);
        } else if (c == "copytext") {
            Copied = true;
            CopyOk = Edit->SelectedTextDecoded(CopyText);
        } else if (c == "focus") {
            Host.HasFocus = true;
            Edit->FocusIn();
        } else if (c == "blur") {
            Host.HasFocus = false;
            Edit->FocusOut();
        } else {
            Fail("unknown command '" + c + "'");
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    int32_t width = 800, height = 600, fontSize = 0, acp = 1252;
    bool wide = false, shortMemory = false;
    std::string ini, file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Fail(a + " needs a value");
            return argv[++i];
        };
        if (a == "--size") {
            const std::string v = value();
            const size_t x = v.find('x');
            if (x == std::string::npos)
                Fail("bad size '" + v + "' (WxH)");
            width = IntArg(v.substr(0, x), 0, 100000, "width");
            height = IntArg(v.substr(x + 1), 0, 100000, "height");
        } else if (a == "--fontsize") {
            fontSize = IntArg(value(), 1, 999, "font size");
        } else if (a == "--widecjk") {
            wide = true;
        } else if (a == "--acp") {
            acp = IntArg(value(), 1, INT32_MAX, "code page");
        } else if (a == "--ini") {
            ini = value();
        } else if (a == "--short-memory") {
            shortMemory = true;
        } else if (!a.empty() && a[0] == '-') {
            Fail("unknown option " + a);
        } else if (file.empty()) {
            file = a;
        } else {
            Fail("one FILE only");
        }
    }
    if (file.empty())
        Fail("usage: zinedit-drive [--size WxH] [--fontsize N] [--widecjk] [--acp N] [--ini FILE] [--short-memory] "
             "FILE");

    LoadCodePageNames();
    SetSystemCodePage(acp);
    TEditSettings settings;
    if (!ini.empty()) {
        TIniFile file(ini);
        LoadEditSettings(file, "ZinEdit", "ZinEdit Keys", settings);
    }
    if (fontSize > 0)
        settings.FontSize = fontSize;

    TDrive d;
    d.Host.WideCJK = wide;
    d.Edit = std::make_unique<TZinEdit>(&d.Host, settings);
    d.Edit->OnStateChange = [&d](TZinEdit&) { d.Events.push_back("state"); };
    d.Edit->OnSelectionChange = [&d](TZinEdit&) { d.Events.push_back("selection"); };
    d.Edit->CreateWnd();
    d.Host.Client = TRect{0, 0, width, height};
    d.Edit->Resize();
    d.Host.HasFocus = true;
    d.Edit->FocusIn();
    d.Events.clear();
    d.ShortMemory = shortMemory;
    d.Load(file);
    d.PaintIfInvalid();
    d.PrintState();
    for (std::string line; std::getline(std::cin, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        d.Command(line);
        d.PaintIfInvalid();
        d.PrintState();
    }
    return 0;
}
