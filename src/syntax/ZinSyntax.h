#pragma once
// A syntax definition loaded from a ".syn" file, and the catalogue that
// chooses definitions by file extension and shares them by reference count.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "syntax/SyntaxColors.h"

namespace zin {

// Hashing and equality of NUL-free UTF-16 words for the keyword sets. They
// are transparent, so a word can be looked up as a std::u16string_view over
// the painter's text buffer without building a string.
//   hash_cs:  h = 5 * h + u over the code units (unsigned 32-bit).
//   hash_cis: the same with u | 0x20, so both letter cases hash alike.
//   eq_wcstr_cis: equal after WideLower of every code unit.
struct hash_cs {
    using is_transparent = void;
    size_t operator()(std::u16string_view s) const noexcept;
};
struct eq_wcstr_cs {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
};
struct hash_cis {
    using is_transparent = void;
    size_t operator()(std::u16string_view s) const noexcept;
};
struct eq_wcstr_cis {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
};

// The lower-case mapping of the case-insensitive keyword comparison: ASCII
// A-Z and the Latin-1 capitals U+00C0-U+00DE (but U+00D7) map to their small
// letters; everything else, and every code unit above U+00FF (which never
// forms part of a word), stays as it is. It agrees with hash_cis: a code unit
// and its lower-case form have the same value after OR 0x20.
inline char16_t WideLower(char16_t u) noexcept
{
    if ((u >= u'A' && u <= u'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<char16_t>(u + 0x20);
    return u;
}

// The colours a painter applies to one token: brush, font colour and font
// style, after the fallbacks to the range's and the "text" colours.
struct TSelectedStyle {
    TColor Background = clNone;
    TColor Foreground = clNone;
    TFontStyles Style = 0;
};

struct TSyntaxRange {
    int32_t Id = 0;         // only the low byte is used: 1-255, 0 = outside every range
    std::string Begin;
    std::string End;
    TColor BgColor = clNone;
};

struct TSyntaxKeyword {
    TSyntaxKeyword();
    std::string Name;
    TColor Color = clNone;
    TColor BgColor = clNone;
    TFontStyles Style = 0;
    std::vector<int32_t> InRange;
    // Both sets start with at least 100 buckets; only the one matching the
    // definition's case sensitivity is filled.
    std::unordered_set<std::u16string, hash_cs, eq_wcstr_cs> WordsCS;
    std::unordered_set<std::u16string, hash_cis, eq_wcstr_cis> WordsCIS;
    int32_t FirstLine = -1;
    int32_t LastLine = -1;
};

class TZinSyntax {
public:
    // An empty definition with every default (title "Plain Text").
    TZinSyntax();
    // Creates the definition and loads the file at once.
    explicit TZinSyntax(const std::string& fileName);

    // Loads a file: Reset, read its lines, Parse. Returns false when the file
    // cannot be read; the definition then keeps every default.
    bool Load(const std::string& fileName);
    void Reset();
    void Parse();

    // The style whose element name equals `name` exactly, or null.
    TSyntaxStyle* FindStyle(const std::string& name);
    // The keyword set named `name` (case-sensitive), appended with its
    // defaults when there is none. The reference stays valid while further
    // sets are added (Keywords is a deque), until Reset or Load.
    TSyntaxKeyword& FindOrAddKeyword(const std::string& name);
    // The keyword set named `name`, or null.
    const TSyntaxKeyword* FindKeyword(const std::string& name) const;
    // Appends the decimal numbers of `value` to `list`: every character that
    // is not a decimal digit separates numbers, also before the first one
    // (so "x1" gives 1 and "abc" gives nothing); a number beyond 32 bits is
    // dropped.
    static void ParseRangeList(std::string_view value, std::vector<int32_t>& list);

    // The first range with this id, or null (a walk over the few ranges a
    // definition holds; nothing is cached, so definitions stay immutable).
    const TSyntaxRange* FindRange(int32_t id) const;

    // The colours of an element inside range `rangeId` (looked up as passed,
    // 0 included): the element's background, else the range's, else the
    // "text" background; the element's colour, else the "text" colour. For
    // Styles[seText] itself only a range background replaces its own.
    TSelectedStyle SelectStyle(int32_t rangeId, const TSyntaxStyle& style) const;
    // The same for the colours of a keyword set.
    TSelectedStyle SelectStyle(int32_t rangeId, const TSyntaxKeyword& keyword) const;
    // The background right of a row's text inside range `rangeId`: the
    // range's background when it has one, else the "text" background.
    TColor CurrentBackground(int32_t rangeId) const;

    std::vector<std::string> Lines;
    TSyntaxStyle Styles[SyntaxStyleCount];
    std::string Title;
    bool CaseSensitive = false;
    std::string Delimiters;
    std::vector<std::string> LineComments;
    // Parallel lists; with an odd token count the last begin has no end and
    // opens no comment: readers skip a begin whose index has no end. The
    // per-line state keeps an open comment's pair number in one byte, so
    // only the first 255 pairs are recognised (by the line store's tracker
    // and the scanner alike); later pairs are loaded but open nothing.
    std::vector<std::string> BlockCommentBegins;
    std::vector<std::string> BlockCommentEnds;
    std::string EscapeCharText;
    // Quote characters. The per-line state keeps an open string's quote
    // position in one byte: characters past the 255th open no string.
    std::string StringChars;
    std::string DirectiveLeading;
    std::string KeywordPrefixes;
    std::string SpecialWordPrefixes;
    std::vector<std::string> IndentStrings;
    std::vector<std::string> UnindentStrings;
    std::vector<std::string> PairOpens;
    std::vector<std::string> PairCloses;
    int32_t CodePage = -1;
    std::vector<int32_t> StringInRange;
    std::vector<int32_t> LineCommentInRange;
    std::vector<std::vector<int32_t>> BlockCommentInRange;
    std::vector<TSyntaxRange> Ranges;
    std::vector<std::string> RangeBegins;
    std::deque<TSyntaxKeyword> Keywords;
    bool HasLineState = false;
    int32_t EscapeChar = -1;

    // The file the catalogue loaded this definition from, and its cache key
    // (empty for the "Plain Text" fallback).
    std::string FileName;
    std::string CacheKey;

private:
    TSelectedStyle Select(int32_t rangeId, TColor color, TColor bgColor, TFontStyles style,
                          bool isText) const;
    void AddBlockCommentInRange(std::string_view value);
    void ParseAttributeLine(const std::string& line, size_t dot, size_t eq);
    size_t ParseKeyLine(size_t i, size_t eq);
    void PostProcess();

    // Keyword set names to their index in Keywords.
    std::unordered_map<std::string, size_t> FKeywordIndex;
};

// ---- The catalogue -------------------------------------------------------

// The directory holding the definitions, with a trailing '/': "syntax/" next
// to the executable unless a caller (a test) set another.
const std::string& SyntaxDir();
void SetSyntaxDir(const std::string& dir);

// A definition as the catalogue hands it out: shared by every holder,
// never changed after it was loaded, so any thread may read it. When its
// last holder lets it go it is destroyed, and the next request reads its
// file afresh.
using TSyntaxRef = std::shared_ptr<const TZinSyntax>;

// The "Plain Text" fallback.
TSyntaxRef GetPlainTextSyntax();
// The definition for the extension (".cpp", "cpp", ".CPP" alike). The
// caller's `current` is let go first, so that a definition it alone held
// is read afresh.
TSyntaxRef SelectSyntaxByExtension(TSyntaxRef current, const std::string& extension);

// The live definitions other than "Plain Text", by the definition file name
// written in the extension files (compared byte by byte).
std::map<std::string, const TZinSyntax*> SyntaxCache();

}  // namespace zin
