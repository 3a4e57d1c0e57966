// Random files, patterns and code pages against a plain reference: the
// file decoded character by character with the line reader, split at its
// newlines, and every position of every line compared with the pattern
// after simple case folding (ICU's), whole words checked on the characters
// beside.
#include <unicode/uchar.h>

#include <random>

#include "SearchTestUtil.h"
#include "encoding/CodePage.h"
#include "lines/ZinLineReader.h"

namespace zin::test {
namespace {

struct TChar {
    char32_t U;
    uint64_t Pos, Len;
};

// The file's lines as the reader decodes them (newlines left out).
std::vector<std::vector<TChar>> DecodeLines(const std::string& bytes, int32_t codePage)
{
    TMemData data;
    if (!bytes.empty())
        data.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
    TLineReader reader(TDecoder::For(codePage));
    TLineBytes all{&data, 0, bytes.size(), nullptr};
    reader.Begin(all, 0);
    std::vector<std::vector<TChar>> lines(1);
    twc_queue q;
    uint64_t pos = 0;
    const int kind = reader.Kind();
    bool first = true;
    while (reader.Next(q)) {
        const auto [u, n] = q.front();
        q.pop_front();
        const uint64_t at = pos;
        pos += static_cast<uint64_t>(n);
        if (first && u == 0xFEFF && (kind == cpkUTF8 || kind == cpkUTF16LE || kind == cpkUTF16BE)) {
            first = false;
            continue;
        }
        first = false;
        if (u == 13 || u == 10) {
            if (u == 13 && reader.IsLFNext()) {
                reader.Next(q);
                pos += static_cast<uint64_t>(q.front().second);
                q.pop_front();
            }
            lines.emplace_back();
            continue;
        }
        auto& line = lines.back();
        // A surrogate pair is one character.
        if (u >= 0xDC00 && u <= 0xDFFF && !line.empty() && line.back().U >= 0xD800 && line.back().U <= 0xDBFF &&
            line.back().Pos + line.back().Len == at) {
            line.back().U = 0x10000 + ((line.back().U - 0xD800) << 10) + (u - 0xDC00);
            line.back().Len += static_cast<uint64_t>(n);
            continue;
        }
        line.push_back({static_cast<char32_t>(u), at, static_cast<uint64_t>(n)});
    }
    return lines;
}

bool IsWordChar(char32_t c)
{
    if (c == '_')
        return true;
    const int8_t t = u_charType(static_cast<UChar32>(c));
    return t == U_UPPERCASE_LETTER || t == U_LOWERCASE_LETTER || t == U_TITLECASE_LETTER || t == U_MODIFIER_LETTER ||
           t == U_OTHER_LETTER || t == U_DECIMAL_DIGIT_NUMBER;
}

char32_t Fold(char32_t c, bool matchCase)
{
    return matchCase ? c : static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

std::vector<TFound> Reference(const std::vector<std::vector<TChar>>& lines, const std::u32string& pattern,
                              bool matchCase, bool word)
{
    std::vector<TFound> out;
    for (const auto& line : lines) {
        size_t i = 0;
        while (i + pattern.size() <= line.size()) {
            bool ok = true;
            for (size_t k = 0; k < pattern.size() && ok; ++k)
                ok = line[i + k].U < 0xD800 || line[i + k].U > 0xDFFF
                         ? Fold(line[i + k].U, matchCase) == Fold(pattern[k], matchCase)
                         : false;  // a lone surrogate is no character to match
            if (ok && word)
                ok = (i == 0 || !IsWordChar(line[i - 1].U)) &&
                     (i + pattern.size() == line.size() || !IsWordChar(line[i + pattern.size()].U));
            if (ok) {
                const TChar& a = line[i];
                const TChar& b = line[i + pattern.size() - 1];
                out.push_back({a.Pos, b.Pos + b.Len - a.Pos});
                i += pattern.size();
            } else {
                ++i;
            }
        }
    }
    return out;
}

std::string ToUtf8(const std::u32string& s)
{
    std::string out;
    for (const char32_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

TEST(SearchRandomTest, MatchesTheDecodeAndScanReference)
{
    std::mt19937 rng(20261208);
    // Bytes that make letters of both cases, word and non-word neighbours,
    // every kind of newline, lead and trail bytes and broken sequences.
    const std::string alphabet = std::string("aAbBkK_ 1\r\n\r\n\x00", 15) +
                                 "\x81\x82\x83\x95\xA4\xB1\xC3\xA9\xE2\x84\xAA\xE6\xEF\xF0\xFF\x40\x5C\x41";
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        const int32_t cp = CodePageTable[rng() % CodePageCount].CodePage;
        // Mostly small files; a few of several MiB with long lines, which
        // the search reads in several windows.
        const bool big = round % 60 == 59;
        const size_t size = big ? (2u << 20) + rng() % 100000 : rng() % 200;
        std::string bytes(size, 'a');
        for (auto& b : bytes)
            b = alphabet[rng() % alphabet.size()];
        if (big)
            for (auto& b : bytes)
                if (b == '\n' && rng() % 4096 != 0)
                    b = 'a';
        const auto lines = DecodeLines(bytes, cp);
        for (int k = 0; k < 4; ++k) {
            // A pattern of 1-4 characters from the text itself (else from
            // the alphabet).
            std::u32string pattern;
            const auto& line = lines[rng() % lines.size()];
            const size_t len = 1 + rng() % 4;
            if (line.size() >= len) {
                const size_t at = rng() % (line.size() - len + 1);
                for (size_t i = 0; i < len; ++i)
                    pattern += line[at + i].U;
            } else {
                pattern = U"ab";
            }
            bool usable = true;
            for (const char32_t c : pattern)
                usable = usable && c != 0 && !(c >= 0xD800 && c <= 0xDFFF);
            if (!usable)
                continue;
            const bool matchCase = rng() % 2, word = rng() % 3 == 0;
            const TSearchOptions o = Opts(ToUtf8(pattern), matchCase, word);
            const std::vector<TFound> want = Reference(lines, pattern, matchCase, word);
            SCOPED_TRACE("code page " + std::to_string(cp) + ", size " + std::to_string(size) + ", pattern " + o.Pattern +
                         (matchCase ? " case" : "") + (word ? " word" : ""));
            ASSERT_EQ(FindAll(bytes, cp, o), want);
            ++compared;
            if (big)
                continue;
            // Forward and backward from every few positions.
            for (uint64_t from = 0; from <= size; from += 1 + rng() % 7) {
                TFound next{UINT64_MAX, 0}, prev{UINT64_MAX, 0};
                for (const TFound& f : want) {
                    if (f.Pos + f.Length <= from)
                        prev = f;
                    if (f.Pos >= from && next.Pos == UINT64_MAX)
                        next = f;
                }
                ASSERT_EQ(FindOne(bytes, cp, o, from, true), prev) << "backward from " << from;
                // Forward from inside a match finds later ones only when the
                // caret does not split a character's match region: compare
                // where the caret is not inside a match.
                bool inside = false;
                for (const TFound& f : want)
                    inside = inside || (from > f.Pos && from < f.Pos + f.Length);
                if (!inside)
                    ASSERT_EQ(FindOne(bytes, cp, o, from, false), next) << "forward from " << from;
            }
        }
    }
    EXPECT_GT(compared, 800);
}

}  // namespace
}  // namespace zin::test
