// A load that the owner's calls make throw: the exception reaches the
// caller (a failed allocation ends the load instead), the owner's loading
// flag is cleared all the same, and the store loads the next file as if
// nothing had happened.
#include <new>
#include <stdexcept>

#include "LinesTestUtil.h"

namespace zin::test {
namespace {

// Throws from SetCodePage while a load runs, or from GetCharWidth when it
// measures one chosen code unit.
class TThrowingOwner : public TTestLinesOwner {
public:
    using TTestLinesOwner::TTestLinesOwner;
    void SetCodePage(int32_t codePage) override
    {
        if (ThrowOnSetCodePage && FLoading)
            throw std::runtime_error("code page");
        TTestLinesOwner::SetCodePage(codePage);
    }
    int32_t GetCharWidth(char16_t c) override
    {
        if (c == ThrowOnWidthOf)
            throw std::bad_alloc();
        return TTestLinesOwner::GetCharWidth(c);
    }
    bool ThrowOnSetCodePage = false;
    char16_t ThrowOnWidthOf = 0;
};

TEST(LoadThrowTest, LoadingFlagIsClearedWhenTheLoadThrowsAndTheNextLoadWorks)
{
    SetSystemCodePage(1252);
    TempDir dir;
    // Many lines before the character whose width throws, so that the scan
    // has split lines and built rows when it stops.
    std::string withCjk = "caf\xC3\xA9\n";  // UTF-8 by content
    for (int i = 0; i < 300; ++i)
        withCjk += "line " + std::to_string(i) + "\twith words\r\n";
    withCjk += "\xE4\xB8\x80 and more\n";  // U+4E00 in UTF-8
    const std::string utf8Path = dir.Write("u.txt", withCjk);
    const std::string plainPath = dir.Write("p.txt", "one\ntwo\r\nthree");

    for (int failure = 0; failure < 3; ++failure) {
        SCOPED_TRACE(failure);
        TThrowingOwner owner(8);
        owner.MaxMemFileSize = failure == 2 ? 0 : 1 << 20;  // from memory, then from disk
        owner.ThrowOnSetCodePage = failure == 0;
        owner.ThrowOnWidthOf = failure == 0 ? 0 : 0x4E00;
        if (failure == 0) {
            EXPECT_THROW(owner.Load(utf8Path), std::runtime_error);
        } else {
            // A failed allocation ends the load: one blank line, no file.
            EXPECT_FALSE(owner.Load(utf8Path));
            EXPECT_EQ(owner.Lines->LoadError(), TLoadError::NoMemory);
            EXPECT_EQ(owner.Lines->LineCount(), 1);
            EXPECT_EQ(owner.Lines->FileSize(), 0u);
            EXPECT_FALSE(owner.Lines->OnDisk());
        }
        EXPECT_FALSE(owner.FLoading);

        owner.ThrowOnSetCodePage = false;
        owner.ThrowOnWidthOf = 0;
        owner.SetCodePage(1252);
        ASSERT_TRUE(owner.Load(plainPath));
        EXPECT_FALSE(owner.FLoading);
        EXPECT_EQ(owner.Lines->LineCount(), 3);
        EXPECT_EQ(owner.GetCodePage(), 1252);
        EXPECT_EQ(owner.Lines->NewLineType(), nltDOS);
        ExpectInvariants(*owner.Lines, owner);
    }
    SetSystemCodePage(0);
}

}  // namespace
}  // namespace zin::test
