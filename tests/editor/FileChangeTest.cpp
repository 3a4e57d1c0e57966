// A file larger than the in-memory limit stays on disk and is read as the
// user moves through it. When it changes while open (truncated, emptied,
// deleted, replaced), scrolling, paging, clicking, selecting and copying go
// on without a crash or a read outside a buffer: the bytes shown may be
// stale or zeros. And a binary file opened in hex mode is split into its
// lines when the user leaves hex mode. A file that grows is followed while
// the user asks for it, and a reload keeps what the user chose.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>

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

// What a fresh load of the file gives, in a control of its own with the
// same settings.
void ExpectAsFreshLoad(TZinEdit& edit, const std::string& path)
{
    TTestHost host;
    host.Client = edit.ClientRect();
    TZinEdit fresh(&host, edit.Settings());
    fresh.CreateWnd();
    fresh.Resize();
    ASSERT_TRUE(fresh.LoadFromFile(path));
    fresh.SetCodePage(edit.CodePage());
    EXPECT_EQ(edit.LineStore().FileSize(), fresh.LineStore().FileSize());
    EXPECT_EQ(edit.LineStore().LineCount(), fresh.LineStore().LineCount());
    EXPECT_EQ(edit.LineStore().RowCount(), fresh.LineStore().RowCount());
    EXPECT_EQ(edit.NewLineType(), fresh.NewLineType());
    EXPECT_EQ(edit.LineStore().MaxRowWidth(), fresh.LineStore().MaxRowWidth());
}

TEST_F(FileChangeTest, FollowingKeepsTheEndInSightUntilTheUserMovesUp)
{
    const std::string text = BigText();  // past the in-memory limit
    const std::string path = Dir.Write("grow.log", text);
    auto append = [&](const std::string& more) {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out << more;
    };
    auto atEnd = [&] {
        const int32_t lastRow = Edit->LineStore().RowCount() - 1;
        return Edit->Caret().FilePos == Edit->LineStore().FileSize() && Edit->Caret().Row == lastRow &&
               Edit->TopRow() <= lastRow && lastRow < Edit->TopRow() + Edit->FullRows();
    };
    // Lines written while the load runs wait for the next look, which
    // adds them as a load of the whole file would have read them.
    int during = 0;
    Edit->OnProgress = [&](uint64_t, uint64_t) {
        if (during++ < 3)
            append("written during the load " + std::to_string(during) + (during == 3 ? "" : "\n"));
    };
    ASSERT_TRUE(Edit->LoadFromFile(path));
    Edit->OnProgress = nullptr;
    ASSERT_GT(during, 0);
    EXPECT_EQ(Edit->LineStore().FileSize(), text.size());
    EXPECT_TRUE(Edit->LineStore().FileLooksChanged());
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Grown);
    ExpectAsFreshLoad(*Edit, path);

    Edit->SetFollowing(true);
    EXPECT_TRUE(atEnd());
    append(" ends here\n");  // the last line, cut short, completed
    for (int i = 0; i < 100; ++i)
        append("appended " + std::to_string(i) + "\n");
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Grown);
    EXPECT_TRUE(Edit->Following());
    EXPECT_TRUE(atEnd());
    ExpectCaretValid(Edit->Caret());
    ExpectAsFreshLoad(*Edit, path);
    // Moves that stay at the end keep following.
    Edit->ExecuteCommand(ecDown);
    Edit->ExecuteCommand(ecTextEnd);
    Edit->WheelScroll(-120);
    Edit->VScroll(scBottom);
    EXPECT_TRUE(Edit->Following());
    // Each move up ends it; the caret then stays on its byte as lines come.
    const std::vector<std::function<void()>> movesUp = {
        [&] { Edit->ExecuteCommand(ecUp); },
        [&] { Edit->ExecuteCommand(ecSelPageUp); },
        [&] { Edit->ExecuteCommand(ecTextStart); },
        [&] { Edit->WheelScroll(120); },
        [&] { Edit->VScroll(scLineUp); },
        [&] {
            Edit->MouseDown(mbLeft, ssLeft, TextX(5), 2);
            Edit->MouseUp(mbLeft, TShiftState{}, TextX(5), 2);
        },
    };
    for (size_t i = 0; i < movesUp.size(); ++i) {
        SCOPED_TRACE(i);
        Edit->SetFollowing(true);
        ASSERT_TRUE(atEnd());
        movesUp[i]();
        EXPECT_FALSE(Edit->Following());
        const uint64_t caret = Edit->Caret().FilePos;
        const int32_t top = Edit->TopRow();
        append("more " + std::to_string(i) + "\n");
        EXPECT_EQ(Edit->RefreshFile(), TFileChange::Grown);
        EXPECT_EQ(Edit->Caret().FilePos, caret);
        EXPECT_EQ(Edit->TopRow(), top);
    }
    // Rotated by renaming: the new file at the path is loaded and followed.
    Edit->SetFollowing(true);
    ASSERT_EQ(std::rename(path.c_str(), (path + ".1").c_str()), 0);
    Dir.Write("grow.log", "new 1\nnew 2\n");
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Replaced);
    EXPECT_TRUE(Edit->Following());
    EXPECT_EQ(Edit->LineStore().LineCount(), 3);
    EXPECT_TRUE(atEnd());
    // Deleted: what is shown stays, followed or not; opening a file ends following.
    ASSERT_EQ(std::remove(path.c_str()), 0);
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Deleted);
    EXPECT_EQ(Edit->LineStore().LineCount(), 3);
    ASSERT_TRUE(Load("other\n", "other.txt"));
    EXPECT_FALSE(Edit->Following());
    // In hex mode the caret follows the last byte; a move up ends it.
    ASSERT_TRUE(Load(std::string(1000, '\x01'), "grow.bin"));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    Edit->SetFollowing(true);
    EXPECT_EQ(Edit->HexCaret(), 999u);
    {
        std::ofstream out(Dir.Path() + "grow.bin", std::ios::binary | std::ios::app);
        out << std::string(5000, '\x02');
    }
    EXPECT_EQ(Edit->RefreshFile(), TFileChange::Grown);
    EXPECT_EQ(Edit->HexCaret(), 5999u);
    EXPECT_GE(Edit->HexTopRow() + Edit->FullRows(), 5999u / 16 + 1);
    Edit->ExecuteCommand(ecUp);
    EXPECT_FALSE(Edit->Following());
}

TEST_F(FileChangeTest, AReloadKeepsTheUsersChoicesAndTheCaretsLine)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "l\xC3\xADnea " + std::to_string(i) + " con palabras para envolver en columnas\n";
    ASSERT_TRUE(Load(text, "r.txt"));
    ASSERT_EQ(Edit->CodePage(), 65001);
    // Choices the next load would not make on its own.
    Edit->SetCodePage(1252);
    Edit->SetMaxColumns(20);
    Edit->SetWordWrapMode(wwmWrapByColumn);
    Edit->SetEditMode(emColumnMode);
    Edit->GoToLine(150, 3);
    int32_t sub = 0;
    const int32_t topLine = Edit->FindRow(Edit->TopRow(), sub).Index;
    Dir.Write("r.txt", "changed first line\n" + text.substr(text.find('\n') + 1) + "and more\n");
    ASSERT_TRUE(Edit->Reload());
    EXPECT_EQ(Edit->CodePage(), 1252);
    EXPECT_EQ(Edit->WordWrapMode(), wwmWrapByColumn);
    EXPECT_EQ(Edit->EditMode(), emColumnMode);
    EXPECT_EQ(Edit->Caret().LineIndex, 150);
    EXPECT_EQ(Edit->FindRow(Edit->TopRow(), sub).Index, topLine);
    ExpectCaretValid(Edit->Caret());
    ExpectAsFreshLoad(*Edit, Dir.Path() + "r.txt");
    // Fewer lines than the caret's: it goes to the last one.
    Dir.Write("r.txt", text.substr(0, 200));
    ASSERT_TRUE(Edit->Reload());
    EXPECT_EQ(Edit->Caret().LineIndex, Edit->LineStore().LineCount() - 1);
    ExpectCaretValid(Edit->Caret());
    // A file that cannot be read any more: what is shown stays.
    const int32_t lines = Edit->LineStore().LineCount();
    ASSERT_EQ(std::remove((Dir.Path() + "r.txt").c_str()), 0);
    EXPECT_FALSE(Edit->Reload());
    EXPECT_EQ(Edit->LineStore().LineCount(), lines);
    // A binary file the user turned to text mode stays in text mode, and
    // one left in hex mode in hex mode.
    ASSERT_TRUE(Load("\x01\x02 one\r\ntwo\nthree", "x.bin"));
    ASSERT_EQ(Edit->EditMode(), emHexMode);
    Edit->GoToFilePos(9);
    ASSERT_TRUE(Edit->Reload());
    EXPECT_EQ(Edit->EditMode(), emHexMode);
    EXPECT_EQ(Edit->HexCaret(), 9u);
    Edit->SetEditMode(emTextMode);
    ASSERT_TRUE(Edit->Reload());
    EXPECT_EQ(Edit->EditMode(), emTextMode);
    EXPECT_EQ(Edit->LineStore().LineCount(), 3);
}

}  // namespace
}  // namespace zin::test
