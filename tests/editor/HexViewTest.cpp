// Hex mode: the caret on a byte at the file's edges and under random input,
// files far larger than 4 GiB and with more rows than a 32-bit scroll
// position holds, switching modes on every byte, copying, find and go to.
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <regex>

#include "EditTestUtil.h"
#include "editor/ZinHexLayout.h"
#include "search/ZinSearch.h"
#include "support/doubles/TestSurface.h"

namespace zin::test {
namespace {

class HexViewTest : public EditTest {
protected:
    void Key(uint16_t key, TShiftState shift = TShiftState{}) { Edit->KeyDown(key, shift); }
    uint64_t Caret() const { return Edit->HexCaret(); }
    // A sparse file of `size` bytes: zeros (a hole) and then `tail`.
    std::string Sparse(const std::string& name, uint64_t size, const std::string& tail)
    {
        const std::string path = Dir.Write(name, "");
        const int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        EXPECT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(size - tail.size())),
                  static_cast<ssize_t>(tail.size()));
        ::close(fd);
        return path;
    }
    // What must hold after anything: the caret on a byte of the file (0 in
    // an empty one), the top row within range and the bar at its position,
    // no selection in an empty file.
    void ExpectValid()
    {
        const uint64_t size = Edit->LineStore().FileSize();
        const uint64_t last = size ? size - 1 : 0;
        ASSERT_LE(Caret(), last);
        ASSERT_LE(Edit->HexTopRow(), Edit->HexMaxTop());
        ASSERT_EQ(Edit->VertScrollBar().Position, hex::BarPosOfRow(Edit->HexTopRow(), Edit->HexMaxTop()));
        if (Edit->HexSelecting()) {
            ASSERT_GT(size, 0u);
            ASSERT_LE(Edit->HexAnchor(), last);
        }
    }
    // The caret's row is on screen.
    void ExpectCaretInView()
    {
        const uint64_t row = Caret() / 16;
        ASSERT_GE(row, Edit->HexTopRow());
        ASSERT_LT(row, Edit->HexTopRow() + static_cast<uint64_t>(std::max(Edit->FullRows(), 1)));
    }
    // The texts a paint wrote, without positions and advances.
    std::vector<std::string> PaintedTexts()
    {
        TTestSurface window;
        window.Resize(Host.Client.Width(), Host.Client.Height());
        auto& page = const_cast<TTestSurface&>(static_cast<const TTestSurface&>(Edit->PageBitmap()));
        page.Calls.clear();
        Edit->Paint(window);
        std::vector<std::string> out;
        for (const std::string& call : page.Calls) {
            if (call.rfind("text ", 0) != 0)
                continue;
            std::string s;
            const size_t from = call.find("] ") + 2;
            for (size_t i = from; i < call.size();) {
                const size_t slash = call.find('/', i + 1);
                s += call.substr(i, slash - i);
                i = call.find(' ', slash) + 1;
            }
            out.push_back(s);
        }
        return out;
    }
};

TEST_F(HexViewTest, CaretMovesStopAtTheFilesEdges)
{
    for (const size_t size : {size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{45}}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\x01');
        ASSERT_TRUE(Load(bytes, "e.bin"));
        ASSERT_EQ(Edit->EditMode(), emHexMode);
        const uint64_t last = size - 1;
        for (const uint16_t k : {VK_LEFT, VK_UP, VK_HOME, VK_PRIOR}) {
            Key(k);
            EXPECT_EQ(Caret(), 0u) << k;
        }
        Key(VK_LEFT, ssCtrl);
        EXPECT_EQ(Caret(), 0u);
        Key(VK_END, ssCtrl);
        EXPECT_EQ(Caret(), last);
        for (const uint16_t k : {VK_RIGHT, VK_DOWN, VK_END, VK_NEXT}) {
            Key(k);
            EXPECT_EQ(Caret(), last) << k;
        }
        Key(VK_RIGHT, ssCtrl);
        EXPECT_EQ(Caret(), last);
        Key(VK_HOME);
        EXPECT_EQ(Caret(), last / 16 * 16);
        Key(VK_HOME, ssCtrl);
        EXPECT_EQ(Caret(), 0u);
    }
    // A short last row: Down from the row above it goes to the last byte,
    // Up from there to the same column above.
    ASSERT_TRUE(Load(std::string(45, '\x02'), "e.bin"));
    Edit->GoToFilePos(30);
    Key(VK_DOWN);
    EXPECT_EQ(Caret(), 44u);
    Key(VK_UP);
    EXPECT_EQ(Caret(), 28u);
    Key(VK_END);
    EXPECT_EQ(Caret(), 31u);
    Key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(Caret(), 32u);
    // Shift with a move selects from where the caret was; a plain move drops it.
    Key(VK_RIGHT, ssShift);
    Key(VK_RIGHT, ssShift);
    EXPECT_TRUE(Edit->HexSelecting());
    EXPECT_EQ(Edit->HexAnchor(), 32u);
    std::u16string text;
    ASSERT_TRUE(Edit->SelectedText(text));
    EXPECT_EQ(text, u"02 02 02");
    Key(VK_LEFT);
    EXPECT_FALSE(Edit->HexSelecting());

    // An empty file: nothing moves and nothing can be selected.
    ASSERT_TRUE(Load("", "empty.bin"));
    Edit->SetEditMode(emHexMode);
    for (const uint16_t k : {VK_RIGHT, VK_DOWN, VK_END, VK_NEXT, VK_LEFT}) {
        Key(k, ssShift);
        EXPECT_EQ(Caret(), 0u);
        EXPECT_FALSE(Edit->HexSelecting());
    }
    ASSERT_TRUE(Edit->SelectedText(text));
    EXPECT_EQ(text, u"");
    const std::vector<std::string> painted = PaintedTexts();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0], "00000000");  // the offset of the one empty row
}

// Random keys, clicks, drags, wheel and bar scrolling, Tab and resizes on
// files of several sizes: the caret stays on a byte, the view and the bar
// agree, a key or a click brings the caret into view, and a copy holds the
// selected bytes.
TEST_F(HexViewTest, RandomInputKeepsTheCaretOnAByteAndTheBarOnTheView)
{
    std::mt19937 rng(1919);
    const uint16_t keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_TAB};
    for (const size_t size : {size_t{0}, size_t{1}, size_t{16}, size_t{17}, size_t{1000}, size_t{100003}}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (char& b : bytes)
            b = static_cast<char>(rng());
        ASSERT_TRUE(Load(bytes, "r.bin"));
        Edit->SetEditMode(emHexMode);
        for (int step = 0; step < 600; ++step) {
            const int what = static_cast<int>(rng() % 10);
            bool caretMoved = false;
            if (what < 5) {
                TShiftState shift{};
                if (rng() % 3 == 0)
                    shift |= ssShift;
                if (rng() % 4 == 0)
                    shift |= ssCtrl;
                const uint16_t key = keys[rng() % std::size(keys)];
                Key(key, shift);
                // Keys without a command (Ctrl+Tab, ...) leave the view.
                caretMoved = (key == VK_TAB && !(shift & ssCtrl)) ||
                             Edit->Settings().KeyBindings.FindCommand(key, shift) != ecNone;
            } else if (what < 7) {
                const int32_t x = static_cast<int32_t>(rng() % 900) - 50, y = static_cast<int32_t>(rng() % 700) - 50;
                Edit->MouseDown(mbLeft, ssLeft | (rng() % 4 == 0 ? ssShift : TShiftState{}), x, y);
                if (rng() % 2)
                    Edit->MouseMove(ssLeft, static_cast<int32_t>(rng() % 900), static_cast<int32_t>(rng() % 700) - 100);
                Edit->MouseUp(mbLeft, TShiftState{}, x, y);
                caretMoved = true;
            } else if (what == 7) {
                Edit->WheelScroll(rng() % 2 ? 120 : -120);
            } else if (what == 8) {
                Host.TrackPosition[sbVertical] = static_cast<int32_t>(rng() % 10000);
                Edit->VScroll(static_cast<int32_t>(rng() % 9));
            } else {
                Host.Client = TRect{0, 0, 100 + static_cast<int32_t>(rng() % 800), 20 + static_cast<int32_t>(rng() % 600)};
                Edit->Resize();
            }
            ASSERT_NO_FATAL_FAILURE(ExpectValid()) << "step " << step;
            if (caretMoved) {
                ASSERT_NO_FATAL_FAILURE(ExpectCaretInView()) << "step " << step << " op " << what;
            }
            if (Edit->HexSelecting() && rng() % 8 == 0) {
                const uint64_t a = std::min(Edit->HexAnchor(), Caret()), b = std::max(Edit->HexAnchor(), Caret());
                std::u16string text;
                ASSERT_TRUE(Edit->SelectedText(text));
                ASSERT_EQ(text.size(), (b - a + 1) * 3 - 1);
                for (uint64_t i = a; i <= b; ++i) {
                    const auto v = static_cast<uint8_t>(bytes[i]);
                    ASSERT_EQ(text[(i - a) * 3], hex::HexDigit(v >> 4));
                    ASSERT_EQ(text[(i - a) * 3 + 1], hex::HexDigit(v & 15));
                }
            }
        }
        Host.Client = TRect{0, 0, 800, 600};
        Edit->Resize();
    }
}

// A 5 GiB file on disk: it opens in hex mode without a scan, Ctrl+End goes
// to its last byte at once and the page shows the offsets past 4 GiB and
// the last bytes; Ctrl+Home goes back.
TEST_F(HexViewTest, AFileOfSeveralGigabytesShowsItsLastBytesAtCtrlEnd)
{
    const uint64_t size = uint64_t{5} << 30;
    ASSERT_TRUE(Edit->LoadFromFile(Sparse("big.bin", size, "Hello")));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    EXPECT_EQ(Edit->LineStore().LineCount(), 1);
    Key(VK_END, ssCtrl);
    EXPECT_EQ(Caret(), size - 1);
    EXPECT_EQ(Edit->HexTopRow(), Edit->HexMaxTop());
    EXPECT_EQ(Edit->VertScrollBar().Position, hex::BarMax(Edit->HexMaxTop()));
    std::vector<std::string> painted = PaintedTexts();
    ASSERT_GE(painted.size(), 3u);
    // The last three texts: the last row's digits, characters and offset.
    const size_t n = painted.size();
    EXPECT_EQ(painted[n - 3], "00 00 00 00 00 00 00 00 00 00 00 48 65 6C 6C 6F");
    EXPECT_EQ(painted[n - 2], "...........Hello");
    EXPECT_EQ(painted[n - 1], "13FFFFFF0");
    Key(VK_LEFT, ssShift);
    std::u16string text;
    ASSERT_TRUE(Edit->SelectedTextDecoded(text));
    EXPECT_EQ(text, u"lo");
    Key(VK_HOME, ssCtrl);
    EXPECT_EQ(Caret(), 0u);
    EXPECT_EQ(Edit->HexTopRow(), 0u);
    EXPECT_EQ(PaintedTexts()[2], "000000000");
}

// More rows than a 32-bit scroll position holds (a 48 GiB file of three
// billion rows): the bar's ends are the file's ends, a line step is one row
// anywhere, and a dragged thumb lands on the row its position stands for.
TEST_F(HexViewTest, TheScrollBarReachesEveryRowOfMoreThanTwoBillion)
{
    const uint64_t size = uint64_t{48} << 30;
    ASSERT_TRUE(Edit->LoadFromFile(Sparse("huge.bin", size, "END")));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    const uint64_t maxTop = Edit->HexMaxTop();
    ASSERT_GT(maxTop, uint64_t{1} << 31);
    const int32_t barMax = hex::BarMax(maxTop);
    const TZinScrollBar& bar = Edit->VertScrollBar();
    EXPECT_EQ(bar.Max - bar.LargeChange, barMax);  // the bar's last position
    Host.TrackPosition[sbVertical] = barMax;
    Edit->VScroll(scTrack);
    EXPECT_EQ(Edit->HexTopRow(), maxTop);
    EXPECT_EQ(bar.Position, barMax);
    EXPECT_EQ(PaintedTexts().back(), "BFFFFFFF0");  // the last row's offset, at the bottom
    Edit->VScroll(scLineUp);
    EXPECT_EQ(Edit->HexTopRow(), maxTop - 1);
    EXPECT_LT(bar.Position, barMax);
    Edit->VScroll(scLineDown);
    Edit->VScroll(scLineDown);
    EXPECT_EQ(Edit->HexTopRow(), maxTop);
    Host.TrackPosition[sbVertical] = 0;
    Edit->VScroll(scTrack);
    EXPECT_EQ(Edit->HexTopRow(), 0u);
    Edit->VScroll(scLineDown);
    EXPECT_EQ(Edit->HexTopRow(), 1u);
    Edit->VScroll(scPageDown);
    EXPECT_EQ(Edit->HexTopRow(), 1u + bar.LargeChange);
    // A thumb in the middle: the row its position stands for.
    Host.TrackPosition[sbVertical] = barMax / 3;
    Edit->VScroll(scTrack);
    EXPECT_EQ(Edit->HexTopRow(), hex::RowOfBarPos(barMax / 3, maxTop));
    EXPECT_EQ(bar.Position, barMax / 3);
    Edit->VScroll(scBottom);
    EXPECT_EQ(Edit->HexTopRow(), maxTop);
    // Ctrl+End: the last byte, shown.
    Key(VK_END, ssCtrl);
    EXPECT_EQ(Caret(), size - 1);
    ASSERT_NO_FATAL_FAILURE(ExpectCaretInView());
    ASSERT_NO_FATAL_FAILURE(ExpectValid());
}

// Switching modes keeps the caret on its byte: from hex on byte p, text
// mode puts it where go to offset p puts it (the start of the character
// that holds p); from text back to hex on that byte; a round trip from
// text comes back to the same place. The lines are not scanned again.
TEST_F(HexViewTest, SwitchingModesKeepsTheCaretOnItsByte)
{
    std::mt19937 rng(7);
    const char* const pieces[] = {"a", "\xC3\xA9", "\xE2\x82\xAC", "\n", " ", "\t", "xyz"};
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += pieces[rng() % std::size(pieces)];
    ASSERT_TRUE(Load(text, "u.txt"));
    ASSERT_EQ(Edit->CodePage(), 65001);
    const uint64_t generation = Edit->LineStore().Generation();
    for (uint64_t p = 0; p < text.size(); ++p) {
        Edit->GoToFilePos(p);
        const uint64_t start = Edit->Caret().FilePos;
        const int32_t line = Edit->Caret().LineIndex;
        Edit->SetEditMode(emHexMode);
        ASSERT_EQ(Caret(), std::min<uint64_t>(start, text.size() - 1)) << p;
        Edit->GoToFilePos(p);
        ASSERT_EQ(Caret(), p);
        Edit->SetEditMode(emTextMode);
        ASSERT_EQ(Edit->Caret().FilePos, start) << p;
        ASSERT_EQ(Edit->Caret().LineIndex, line) << p;
        ExpectCaretValid(Edit->Caret());
    }
    EXPECT_EQ(Edit->LineStore().Generation(), generation);
}

// Ctrl+Shift+C in hex mode gives what a copy of the same bytes in text mode
// gives, whether the lines were split or the file opened in hex mode as one
// line; Ctrl+C the bytes in hexadecimal.
TEST_F(HexViewTest, ACopyAsTextEqualsTheTextModesCopyOfTheSameBytes)
{
    std::mt19937 rng(11);
    std::string bytes;
    for (int i = 0; i < 700; ++i) {
        const uint32_t r = rng() % 10;
        bytes.push_back(r == 0 ? '\n' : r == 1 ? '\x01' : static_cast<char>(0x20 + rng() % 224));
    }
    for (const bool split : {false, true}) {
        SCOPED_TRACE(split);
        ASSERT_TRUE(Load(bytes, "c.bin"));
        ASSERT_EQ(Edit->EditMode(), emHexMode);
        if (split) {
            Edit->SetEditMode(emTextMode);
            Edit->SetEditMode(emHexMode);
        }
        ASSERT_EQ(Edit->LineStore().Unsplit(), !split);
        std::vector<std::pair<uint64_t, uint64_t>> ranges;
        for (int i = 0; i < 60; ++i) {
            const uint64_t a = rng() % bytes.size(), b = rng() % bytes.size();
            ranges.emplace_back(std::min(a, b), std::max(a, b) - std::min(a, b) + 1);
        }
        std::vector<std::u16string> decoded;
        for (const auto& [pos, length] : ranges) {
            Edit->SelectMatch(pos, length);
            std::u16string text;
            ASSERT_TRUE(Edit->SelectedText(text));
            std::u16string expected;
            hex::AppendHexText(reinterpret_cast<const uint8_t*>(bytes.data()) + pos, length, false, expected);
            ASSERT_EQ(text, expected);
            ASSERT_TRUE(Edit->SelectedTextDecoded(text));
            decoded.push_back(text);
        }
        Edit->SetEditMode(emTextMode);
        for (size_t i = 0; i < ranges.size(); ++i) {
            Edit->SelectMatch(ranges[i].first, ranges[i].second);
            std::u16string text;
            ASSERT_TRUE(Edit->SelectedText(text));
            ASSERT_EQ(decoded[i], text) << ranges[i].first << "+" << ranges[i].second;
        }
    }
}

// Find and go to in hex mode: a match becomes the selected bytes with the
// caret on its last, searches go on after it (or before it backwards), go
// to offset goes to the byte, past the end to the last one, and a line to
// the byte it starts at.
TEST_F(HexViewTest, FindAndGoToSelectAndGoToBytes)
{
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "line " + std::to_string(i) + "\n";
    ASSERT_TRUE(Load(text, "f.txt"));
    Edit->SetEditMode(emHexMode);
    const uint64_t pos = text.find("line 150");
    Edit->SelectMatch(pos, 8);
    EXPECT_TRUE(Edit->HexSelecting());
    EXPECT_EQ(Edit->HexAnchor(), pos);
    EXPECT_EQ(Caret(), pos + 7);
    EXPECT_EQ(Edit->SearchFrom(true), pos + 8);
    EXPECT_EQ(Edit->SearchFrom(false), pos);
    // The match's row three rows below the top.
    EXPECT_EQ(Edit->HexTopRow(), pos / 16 - 3);
    std::u16string copied;
    ASSERT_TRUE(Edit->SelectedTextDecoded(copied));
    EXPECT_EQ(copied, u"line 150");
    // The marks of the pattern: a match on the page is a run of its own in
    // both areas.
    TSearchOptions options;
    options.Pattern = "ine 15";
    options.Bytes = true;
    TSearchPattern pattern;
    ASSERT_TRUE(pattern.Compile(options, Edit->CodePage()));
    Edit->SetMarkPattern(pattern);
    std::string marked;
    for (const std::string& t : PaintedTexts())
        marked += "|" + t;
    EXPECT_NE(marked.find("|ine 15|"), std::string::npos) << marked;
    EXPECT_NE(marked.find("|69 6E 65 20 31 35|"), std::string::npos) << marked;
    Edit->ClearMarkPattern();
    Edit->GoToFilePos(0x10);
    EXPECT_FALSE(Edit->HexSelecting());
    EXPECT_EQ(Caret(), 0x10u);
    EXPECT_EQ(Edit->SearchFrom(true), 0x10u);
    Edit->GoToFilePos(text.size() + 100);
    EXPECT_EQ(Caret(), text.size() - 1);
    ASSERT_NO_FATAL_FAILURE(ExpectCaretInView());
    Edit->GoToLine(100);
    EXPECT_EQ(Caret(), text.find("line 100"));
    EXPECT_EQ(Edit->ByteAt(Caret()), 'l');
    EXPECT_EQ(Edit->ByteAt(text.size()), -1);
}

// A code-page change in hex mode changes the characters shown but scans
// nothing: a file opened in hex mode stays one line until text mode; the
// lines of a text file are decoded anew when it shows text again.
TEST_F(HexViewTest, ACodePageChangeInHexModeWaitsForTextMode)
{
    ASSERT_TRUE(Load(std::string("\x01\xC0\xE9\nabc\n", 7), "p.bin"));
    ASSERT_TRUE(Edit->LineStore().Unsplit());
    const auto row0 = [this] { return PaintedTexts()[1]; };
    EXPECT_EQ(row0(), ".\\u192\\u233.abc");  // U+00C0 and U+00E9 in 1252, as the test surface logs them
    Edit->SetCodePage(1251);
    EXPECT_TRUE(Edit->LineStore().Unsplit());
    EXPECT_EQ(row0(), ".\\u1040\\u1081.abc");  // U+0410 and U+0439 in 1251
    Edit->SetCodePage(65001);
    EXPECT_EQ(row0(), "....abc");  // a multi-byte code page shows ASCII only
    Edit->SetEditMode(emTextMode);
    EXPECT_EQ(Edit->LineStore().LineCount(), 2);

    std::string utf8 = "\xD0\x96\n\xD0\x96\n";
    ASSERT_TRUE(Load(utf8, "t.txt"));
    ASSERT_EQ(Edit->CodePage(), 65001);
    Edit->SetEditMode(emHexMode);
    const uint64_t generation = Edit->LineStore().Generation();
    Edit->SetCodePage(1251);
    EXPECT_EQ(Edit->LineStore().Generation(), generation);
    Edit->SetEditMode(emTextMode);
    EXPECT_NE(Edit->LineStore().Generation(), generation);
    // Each byte of the letter is a character of 1251 now: End passes two.
    Edit->KeyDown(VK_END, TShiftState{});
    EXPECT_EQ(Edit->CaretCharIndex(), 2);
}

}  // namespace
}  // namespace zin::test
