// A file larger than the in-memory limit stays on disk and is read as the
// user moves through it. When it changes while open (truncated, emptied,
// deleted, replaced), scrolling, paging, clicking, selecting and copying go
// on without a crash or a read outside a buffer: the bytes shown may be
// stale or zeros. And a binary file opened in hex mode is split into its
// lines when the user leaves hex mode.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "EditTestUtil.h"
#include "commands/ZinEditCommand.h"
#include "support/doubles/TestSurface.h"

namespace zin::test {
namespace {

class FileChangeTest : public EditTest {
protected:
    int32_t TextX(int32_t px) { return Edit->GutterWidth() + Edit->LeftMargin() + px; }
    // Every caret invariant, and a window's paint.
    void Check()
    {
        ExpectCaretValid(Edit->Caret());
        TTestSurface window;
        window.Record = false;
        window.Resize(Host.Client.Width(), Host.Client.Height());
        Edit->Paint(window);
    }
    // Moves, selects and copies across the file; returns the characters copied.
    size_t MoveSelectAndCopy(bool relayout)
    {
        size_t copied = 0;
        std::u16string text;
        Edit->ExecuteCommand(ecTextEnd);
        Check();
        Edit->ExecuteCommand(ecPageUp);
        Edit->ExecuteCommand(ecSelPageUp);
        Check();
        if (Edit->SelectedText(text))
            copied += text.size();
        Edit->VScroll(7);  // the bar to its end
        Edit->MouseDown(mbLeft, ssLeft, 100, 50);
        Edit->MouseMove(ssLeft, 300, 400);
        Edit->MouseUp(mbLeft, TShiftState{}, 300, 400);
        Check();
        if (Edit->SelectedText(text))
            copied += text.size();
        Edit->ExecuteCommand(ecSelTextStart);
        Edit->ExecuteCommand(ecSelPageDown);
        Check();
        if (Edit->SelectedText(text, size_t{1} << 20))
            copied += text.size();
        Edit->ExecuteCommand(ecCtrlA);
        Edit->SelectedText(text, size_t{1} << 16);  // refused: too large
        if (!relayout)
            return copied;
        // Rows rebuilt and lines split again over the changed file.
        Edit->SetWordWrapMode(wwmWrapByWindow);
        Check();
        Edit->SetWordWrapMode(wwmNoWrap);
        Edit->SetCodePage(65001);
        Check();
        Edit->SetCodePage(1252);
        return copied;
    }

    std::string BigText()
    {
        std::string text;
        for (int i = 0; text.size() < (size_t{9} << 20); ++i)
            text += "line " + std::to_string(i) + " with some words to fill the window\n";
        return text;
    }
};

TEST_F(FileChangeTest, AFileOnDiskThatChangesWhileOpenIsReadSafely)
{
    const std::string text = BigText();
    enum { Truncated, Emptied, Deleted, Replaced, RewrittenInPlace };
    for (int change : {Truncated, Emptied, Deleted, Replaced, RewrittenInPlace}) {
        SCOPED_TRACE(change);
        const std::string path = Dir.Write("big.log", text);
        ASSERT_TRUE(Edit->LoadFromFile(path));
        ASSERT_TRUE(Edit->LineStore().OnDisk());
        Edit->ExecuteCommand(ecPageDown);
        Check();
        switch (change) {
        case Truncated: ASSERT_EQ(::truncate(path.c_str(), 3 << 20), 0); break;
        case Emptied: ASSERT_EQ(::truncate(path.c_str(), 0), 0); break;
        case Deleted: ASSERT_EQ(::unlink(path.c_str()), 0); break;
        case Replaced: Dir.Write("new.log", "short\n"); ASSERT_EQ(::rename((Dir.Path() + "new.log").c_str(), path.c_str()), 0); break;
        default: {
            // The same file, shorter and with other bytes (no newlines).
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << std::string(5 << 20, '\x01');
            break;
        }
        }
        MoveSelectAndCopy(change == Truncated || change == RewrittenInPlace);
        // The store still believes the old size; its lines and rows hold.
        EXPECT_EQ(Edit->LineStore().FileSize(), text.size());
    }
}

TEST_F(FileChangeTest, ACopyOfAShrunkFileShowsZerosWhereItsBytesWent)
{
    const std::string text = BigText();
    const std::string path = Dir.Write("big.log", text);
    ASSERT_TRUE(Edit->LoadFromFile(path));
    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    // Far from the window the load left: every byte read now is a zero.
    Edit->ExecuteCommand(ecTextEnd);
    Edit->ExecuteCommand(ecSelPageUp);
    std::u16string copied;
    ASSERT_TRUE(Edit->SelectedText(copied));
    ASSERT_FALSE(copied.empty());
    for (char16_t c : copied)
        EXPECT_TRUE(c == 0 || c == '\n') << static_cast<int>(c);
}

TEST_F(FileChangeTest, LeavingHexModeSplitsABinaryFileIntoItsLines)
{
    ASSERT_TRUE(Load("\x01\x02 one\r\ntwo\nthree", "x.bin"));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    EXPECT_EQ(Edit->LineStore().LineCount(), 1);
    Edit->SetEditMode(emTextMode);
    EXPECT_EQ(Edit->LineStore().LineCount(), 3);
    Check();
    // A click on the last line, then a change of wrap: the caret stays on
    // its row (it used to lie past the rows of the one line).
    Edit->MouseDown(mbLeft, ssLeft, TextX(24), 2 * Edit->RowHeight() + 2);
    Edit->MouseUp(mbLeft, TShiftState{}, TextX(24), 2 * Edit->RowHeight() + 2);
    EXPECT_EQ(Edit->Caret().LineIndex, 2);
    Edit->SetWordWrapMode(wwmWrapByColumn);
    Check();
    EXPECT_EQ(Edit->Caret().LineIndex, 2);
}

}  // namespace
}  // namespace zin::test
