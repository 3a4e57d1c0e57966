// The control when the store must stop: a wrap that would make more rows
// than the store can count keeps the previous wrap mode and rows; a load
// that stops leaves one blank line with a valid caret and says why.
#include "EditTestUtil.h"
#include "commands/ZinEditCommand.h"

namespace zin::test {
namespace {

class LimitsEditTest : public EditTest {};

TEST_F(LimitsEditTest, AWrapPastTheRowLimitKeepsThePreviousModeAndRows)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "abcdefghij abcdefghij abcdefghij\n";
    ASSERT_TRUE(Load(text));
    Edit->SetMaxColumns(40);
    Edit->SetWordWrapMode(wwmWrapByColumn);
    ASSERT_EQ(Edit->LineStore().RowCount(), 21);
    Edit->ExecuteCommand(ecDown);
    Edit->LineStore().SetCountLimit(60);
    Edit->SetMaxColumns(5);  // some 140 rows
    EXPECT_EQ(Edit->MaxColumns(), 40);
    EXPECT_EQ(Edit->Settings().MaxColumns, 40);
    EXPECT_EQ(Edit->LineStore().RowCount(), 21);
    Edit->SetWordWrapMode(wwmNoWrap);
    Edit->SetMaxColumns(5);
    Edit->SetWordWrapMode(wwmWrapByColumn);
    EXPECT_EQ(Edit->WordWrapMode(), wwmNoWrap);
    EXPECT_EQ(Edit->LineStore().RowCount(), 21);
    ExpectCaretValid(Edit->Caret());
    EXPECT_EQ(Edit->Caret().LineIndex, 1);
}

TEST_F(LimitsEditTest, ALoadThatStopsLeavesOneBlankLineAndSaysWhy)
{
    ASSERT_TRUE(Load("first file\nwith lines\n"));
    Edit->ExecuteCommand(ecTextEnd);
    Edit->LineStore().SetCountLimit(50);
    EXPECT_FALSE(Edit->LoadFromFile(Dir.Write("many.txt", std::string(100, '\n'))));
    EXPECT_EQ(Edit->LineStore().LoadError(), TLoadError::TooManyLines);
    EXPECT_EQ(Edit->LineStore().LineCount(), 1);
    EXPECT_FALSE(Edit->Loading());
    EXPECT_FALSE(Edit->Working());
    ExpectCaretValid(Edit->Caret());
    EXPECT_EQ(Edit->Caret().FilePos, 0u);
    for (int32_t command : {ecDown, ecTextEnd, ecSelTextStart})
        Edit->ExecuteCommand(command);
    ExpectCaretValid(Edit->Caret());
}

}  // namespace
}  // namespace zin::test
