// The highlighting scanner on any definition (loaded from the input's first
// part) over any text (the rest), in rows of any width and byte limit. Every
// row's tokens hold the row's characters exactly once and in order, their
// widths add up to each token's width and the tokens' widths to the row's
// Width, the reader never goes past the line, and a seek to a row gives the
// tokens that scanning from the line's start gives there.
#include <iterator>
#include <memory>

#include "FuzzSupport.h"
#include "editor/ZinSyntaxScanner.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "support/LinesAccess.h"
#include "support/TestLinesOwner.h"
#include "syntax/ZinSyntax.h"

using namespace zin;

namespace {

class TOwner : public test::TTestLinesOwner {
public:
    using TTestLinesOwner::TTestLinesOwner;
    // Any wrap width, with no lower limit (a character may be wider).
    int32_t GetWrapWidth() override { return Wrap > 0 ? Wrap : INT32_MAX; }
    int32_t GetCharWidth(char16_t c) override
    {
        const int32_t w = TTestLinesOwner::GetCharWidth(c);
        if (!Proportional)
            return w;
        FCache[c] = w / CharWidth * (3 + (c * 7) % 11);
        return FCache[c];
    }
    int32_t Wrap = 0;
    bool Proportional = false;
};

struct TRowText {
    std::u16string Text;
    int64_t Width = 0;
};

// The row's tokens, checked one by one.
TRowText ScanRow(TZinScanner& s, TLineIterator line, const std::vector<char16_t>& text,
                 const std::vector<int32_t>& widths)
{
    TRowText out;
    int guard = 0;
    do {
        int32_t w = 0;
        const int32_t n = s.NextToken(w);
        FUZZ_CHECK(n >= 0 && static_cast<size_t>(n) <= widths.size());
        int64_t sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum += widths[static_cast<size_t>(i)];
        FUZZ_CHECK(sum == w);
        out.Text.append(text.data(), static_cast<size_t>(n));
        out.Width += w;
        FUZZ_CHECK(s.Reader().Pos() <= line->Length());
        FUZZ_CHECK(++guard < 1000000);
    } while (s.RowHasMore());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::StartUp(fuzz::TempDirPath());

    FuzzedDataProvider in(data, size);
    static const int32_t codePages[] = {65001, 1252, 932, 1200, 936};
    const int32_t codePage = codePages[in.ConsumeIntegralInRange<int>(0, 4)];
    static const int32_t wraps[] = {0, 1, 7, 10, 24, 40, 57, 96, 200};
    const int32_t wrap = wraps[in.ConsumeIntegralInRange<int>(0, 8)];
    const int32_t maxLen = in.ConsumeBool() ? 32768 : in.ConsumeIntegralInRange<int32_t>(1, 40);
    const bool proportional = in.ConsumeBool();
    const bool wide = in.ConsumeBool();
    const int32_t tabSize = in.ConsumeIntegralInRange<int32_t>(0, 9);
    const uint32_t seekSeed = in.ConsumeIntegral<uint32_t>();
    const std::string definition = in.ConsumeRandomLengthString(4000);
    const std::string text = in.ConsumeRemainingBytesAsString();

    TZinSyntax syn;
    syn.Load(fuzz::WriteTemp("s.syn", definition));
    TOwner owner(8, codePage);
    owner.Wrap = wrap;
    owner.MaxLineLength = maxLen;
    owner.Proportional = proportional;
    owner.WideCJK = wide;
    owner.TabSize = tabSize;
    TZinLines& store = *owner.Lines;
    FUZZ_CHECK(owner.Load(fuzz::WriteTemp("t.txt", text)));
    owner.FEditMode = emTextMode;
    owner.SetCodePage(codePage);
    // A load leaves the first line in the empty state.
    FUZZ_CHECK(store.Lines().front().State == TLineState{});
    TZinLinesAccess::UseSyntax(store, syn);
    store.Rescan(store.Lines().begin(), std::prev(store.Lines().end()));
    fuzz::CheckStore(store, maxLen);

    std::vector<char16_t> textBuf(static_cast<size_t>(maxLen) + 1);
    std::vector<int32_t> widthBuf(static_cast<size_t>(maxLen));
    TZinScanner s;
    s.BindPainter(store, nullptr, widthBuf.data(), textBuf.data());
    TZinScanner seeker;
    seeker.BindPainter(store, nullptr, widthBuf.data(), textBuf.data());
    int lines = 0;
    for (TLineIterator line = store.Lines().begin(); line != store.Lines().end() && lines < 400; ++line, ++lines) {
        const TRowList rows = line->Rows();
        const int32_t rowCount = line->RowCount();
        // Seek into one row of the line, chosen by the seed, and keep its text.
        const int32_t seekRow = static_cast<int32_t>((seekSeed + static_cast<uint32_t>(lines)) %
                                                     static_cast<uint32_t>(rowCount));
        seeker.SeekRow(line, seekRow);
        const TRowText sought = ScanRow(seeker, line, textBuf, widthBuf);

        s.BeginRow(line, 0);
        for (int32_t r = 0; r < rowCount; ++r) {
            const TRowText got = ScanRow(s, line, textBuf, widthBuf);
            // The row's characters as the reader gives them.
            std::u16string want;
            twc_queue q;
            store.BeginRead(line, rows[static_cast<size_t>(r)]);
            while (store.ReadPos() < rows[static_cast<size_t>(r) + 1].Pos && store.NextChar(q))
                want.push_back(static_cast<char16_t>(q.back().first));
            FUZZ_CHECK(got.Text == want);
            FUZZ_CHECK(got.Width == rows[static_cast<size_t>(r)].Width);
            if (r == seekRow)
                FUZZ_CHECK(sought.Text == got.Text && sought.Width == got.Width);
            if (s.LineEnded())
                break;
        }
        FUZZ_CHECK(s.LineEnded());
        int32_t w;
        FUZZ_CHECK(s.NextToken(w) == 0);
    }
    TZinLinesAccess::Syntax(store) = nullptr;
    return 0;
}
