// The per-character rules as others use them: reading a row back character
// by character, with tabs measured by TabWidth against the row's own Width
// (as the highlighting scanner and the caret measure), gives exactly the
// Width the row builder recorded. Random files in several code-page kinds,
// wrap modes, byte limits, tab sizes and fonts, through both scan routes.
#include <random>

#include "LinesTestUtil.h"
#include "lines/ZinCharRules.h"

namespace zin::test {
namespace {

// A proportional font: code units of several widths.
class TUnevenOwner : public TTestLinesOwner {
public:
    using TTestLinesOwner::TTestLinesOwner;
    int32_t GetCharWidth(char16_t c) override
    {
        TTestLinesOwner::GetCharWidth(c);
        const int32_t w = 2 + (c * 5) % 13;
        FCache[c] = w;
        return w;
    }
};

std::string RandomRowText(std::mt19937& rng, int32_t codePage, size_t size)
{
    const bool utf16 = codePage == 1200;
    auto ascii = [&](std::string& out, const char* s) {
        for (; *s; ++s) {
            out += *s;
            if (utf16)
                out += '\0';
        }
    };
    std::string out;
    if (rng() % 2)
        out += utf16 ? std::string("\xFF\xFE", 2) : (codePage == 65001 ? "\xEF\xBB\xBF" : "");
    static const char* const pieces[] = {"w", "word", "longerword", " ", "\t", "\t\t", "+-*", "(", ".", "\r\n", "\n"};
    while (out.size() < size) {
        const uint32_t k = rng() % 14;
        if (k < 11) {
            ascii(out, pieces[k]);
        } else if (codePage == 932) {
            out += "\x82\xA0";  // U+3042
        } else if (codePage == 65001) {
            out += "\xE4\xB8\x80";  // U+4E00
        } else if (utf16) {
            out += std::string("\x00\x4E", 2);
        } else {
            out += "\xE9";
        }
    }
    return out;
}

TEST(CharRulesTest, RowWidthIsTheSumOfItsCharactersWithTabsMeasuredByTabWidth)
{
    SetSystemCodePage(1252);
    std::mt19937 rng(20240611);
    TempDir dir;
    int64_t tabsSeen = 0, clippedTabs = 0;
    for (int round = 0; round < 160; ++round) {
        SCOPED_TRACE(round);
        static const int32_t codePages[] = {1252, 932, 1200, 65001};
        const int32_t codePage = codePages[round % 4];
        const std::string path = dir.Write("t.txt", RandomRowText(rng, codePage, 200 + rng() % 1500));
        std::unique_ptr<TTestLinesOwner> owner =
            rng() % 2 ? std::make_unique<TUnevenOwner>(8) : std::make_unique<TTestLinesOwner>(8);
        owner->WideCJK = rng() % 2;
        owner->TabSize = static_cast<int32_t>(1 + rng() % 9);
        owner->WrapMode = static_cast<TWordWrapMode>(rng() % 3);
        owner->MaxColumns = static_cast<int32_t>(5 + rng() % 30);
        owner->WindowWidth = static_cast<int32_t>(40 + rng() % 200);
        owner->MaxLineLength = rng() % 3 == 0 ? static_cast<int32_t>(3 + rng() % 30) : 32768;
        owner->Lines->SetUseFastScan(round % 3 != 0);
        TZinLines& lines = *owner->Lines;
        ASSERT_TRUE(owner->Load(path));
        owner->SetCodePage(codePage);
        if (round % 2)
            lines.Reformat();

        const int32_t tabW = owner->TabSize * owner->CharWidth;
        twc_queue q;
        for (TLineIterator it = lines.Lines().begin(); it != lines.Lines().end(); ++it) {
            const TRowList rows = it->Rows();
            for (size_t i = 0; i + 1 < rows.size(); ++i) {
                const TRowIndex row = rows[i];
                lines.BeginRead(it, row);
                q.clear();
                int32_t p = 0;
                while (lines.ReadPos() < rows[i + 1].Pos && lines.NextChar(q)) {
                    const int32_t u = q.back().first;
                    int32_t w;
                    if (u == 9) {
                        w = TabWidth(p, tabW, row.Width);
                        ++tabsSeen;
                        if (w != tabW - p % tabW)
                            ++clippedTabs;
                    } else {
                        w = owner->GetCharWidth(static_cast<char16_t>(u));
                    }
                    ASSERT_GT(w, 0) << "row " << i << " at " << p;
                    p += w;
                }
                ASSERT_EQ(p, row.Width) << "row " << i;
                // The row ends, and so the next one starts, on a character
                // boundary.
                ASSERT_EQ(lines.ReadPos(), rows[i + 1].Pos) << "row " << i;
            }
        }
    }
    // The rounds met many tabs, and some of them cut short by the wrap width.
    EXPECT_GT(tabsSeen, 1000);
    EXPECT_GT(clippedTabs, 20);
    SetSystemCodePage(0);
}

}  // namespace
}  // namespace zin::test
