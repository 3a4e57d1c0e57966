// Files decode independently of each other: two controls in one process,
// one showing a Shift-JIS file and one a UTF-16 file, paint, move and copy
// side by side; a reader on another thread decodes one of them while its
// control repaints and scrolls.
#include <atomic>
#include <thread>

#include "EditTestUtil.h"
#include "lines/ZinLineReader.h"
#include "support/doubles/TestSurface.h"

namespace zin::test {
namespace {

// `lines` lines of "あいabc" and a number, CR LF after each.
std::u16string Text(int lines)
{
    std::u16string text;
    for (int i = 0; i < lines; ++i) {
        text += u"\u3042\u3044abc";
        for (const char c : std::to_string(i))
            text += static_cast<char16_t>(c);
        text += u"\r\n";
    }
    return text;
}

// The text in Shift-JIS (あ 82 A0, い 82 A2) and in UTF-16LE with its mark.
std::string ShiftJis(const std::u16string& text)
{
    std::string out;
    for (const char16_t c : text)
        out += c == u'\u3042' ? std::string("\x82\xA0") : c == u'\u3044' ? std::string("\x82\xA2") : std::string(1, char(c));
    return out;
}
std::string Utf16(const std::u16string& text)
{
    std::string out = "\xFF\xFE";
    for (const char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

class SideBySideTest : public EditTest {
protected:
    SideBySideTest()
    {
        HostB.Client = TRect{0, 0, 640, 480};
        EditB = MakeEdit(HostB);
        EditB->CreateWnd();
        EditB->Resize();
    }
    ~SideBySideTest() override { EditB.reset(); }

    static std::u16string All(TZinEdit& edit)
    {
        edit.ExecuteCommand(ecTextStart);
        edit.ExecuteCommand(ecSelTextEnd);
        std::u16string text;
        EXPECT_TRUE(edit.SelectedText(text));
        edit.ExecuteCommand(ecTextStart);
        return text;
    }

    TTestHost HostB;
    std::unique_ptr<TZinEdit> EditB;
    TTestSurface WindowA, WindowB;
};

TEST_F(SideBySideTest, TwoControlsInTwoCodePagesPaintMoveAndCopyInTurn)
{
    const std::u16string text = Text(300);
    ASSERT_TRUE(Load(ShiftJis(text), "sjis.txt"));
    Edit->SetCodePage(932);
    ASSERT_TRUE(EditB->LoadFromFile(Dir.Write("utf16.txt", Utf16(text))));
    ASSERT_EQ(EditB->CodePage(), 1200);
    ASSERT_EQ(Edit->LineStore().LineCount(), 301);
    ASSERT_EQ(EditB->LineStore().LineCount(), 301);
    WindowA.Record = WindowB.Record = false;
    WindowA.Resize(800, 600);
    WindowB.Resize(640, 480);

    // In turn: a paint of one, a move in the other. あ and い take two bytes
    // in both files; the caret of each passes them as one character each.
    for (int step = 0; step < 40; ++step) {
        Edit->Paint(WindowA);
        EditB->ExecuteCommand(step % 2 ? ecRight : ecDown);
        EditB->Paint(WindowB);
        Edit->ExecuteCommand(step % 2 ? ecRight : ecDown);
    }
    // Both went the same way in characters: in UTF-16 every character
    // takes two bytes, in Shift-JIS only the first two of a line do.
    ASSERT_GE(Edit->Caret().LineIndex, 20);
    EXPECT_EQ(Edit->Caret().LineIndex, EditB->Caret().LineIndex);
    EXPECT_EQ(Edit->CaretCharIndex(), EditB->CaretCharIndex());
    EXPECT_EQ(Edit->Caret().LinePos, EditB->Caret().LinePos / 2 + std::min(Edit->CaretCharIndex(), 2));
    EXPECT_EQ(Edit->Caret().X, EditB->Caret().X);
    ExpectCaretValid(Edit->Caret());

    // Each copies its own text, whatever the other decoded last.
    EXPECT_EQ(All(*Edit), text);
    EXPECT_EQ(All(*EditB), text);
    EditB->SetCodePage(1201);  // the other one changes its code page
    EXPECT_EQ(All(*Edit), text);
    EditB->SetCodePage(1200);
    Edit->SetCodePage(1252);
    EXPECT_EQ(All(*EditB), text);
}

TEST_F(SideBySideTest, AReaderOnAnotherThreadDecodesWhileTheControlRepaints)
{
    // More than the in-memory limit: read from disk, through the reader's
    // own window, while the painter reads through its own.
    const std::u16string line = Text(1);
    std::u16string text;
    while (text.size() < (size_t{9} << 20))
        text += line;
    ASSERT_TRUE(Load(ShiftJis(text), "big.txt"));
    Edit->SetCodePage(932);
    ASSERT_TRUE(Edit->LineStore().OnDisk());
    const int32_t lines = Edit->LineStore().LineCount();

    // The reader takes the store's decoder here, on the window's thread.
    TLineReader reader(Edit->LineStore().Decoder());
    const TLineIterator first = Edit->LineStore().Lines().begin();
    const TLineIterator end = Edit->LineStore().Lines().end();
    std::atomic<bool> done{false};
    size_t units = 0, wrong = 0;
    std::thread worker([&] {
        twc_queue q;
        for (TLineIterator it = first; it != end; ++it) {
            reader.Begin(it, 0);
            size_t i = 0;
            while (reader.Next(q)) {
                if (i < line.size() && q.back().first != line[i])
                    ++wrong;
                ++i;
                ++units;
                q.clear();
            }
        }
        done = true;
    });
    WindowA.Record = false;
    WindowA.Resize(800, 600);
    int paints = 0;
    while (!done || paints < 3) {
        Edit->VScroll(scPageDown);
        Edit->ExecuteCommand(paints % 3 ? ecDown : ecSelPageDown);
        Edit->Paint(WindowA);
        ++paints;
    }
    worker.join();
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(units, text.size());
    EXPECT_EQ(Edit->LineStore().LineCount(), lines);
    ExpectCaretValid(Edit->Caret());
}

}  // namespace
}  // namespace zin::test
