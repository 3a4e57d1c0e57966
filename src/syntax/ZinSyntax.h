#pragma once
// A syntax definition loaded from a ".syn" file, and the catalogue that
// chooses definitions by file extension and shares them by reference count.
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "syntax/SyntaxColors.h"

namespace zin {

// Hashing and equality of NUL-free UTF-16 words for the keyword sets.
struct hash_cs {
    size_t operator()(const std::u16string& s) const noexcept;
};
struct eq_wcstr_cs {
    bool operator()(const std::u16string& a, const std::u16string& b) const noexcept;
};
struct hash_cis {
    size_t operator()(const std::u16string& s) const noexcept;
};
struct eq_wcstr_cis {
    bool operator()(const std::u16string& a, const std::u16string& b) const noexcept;
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

    TSyntaxStyle* FindStyle(const std::string& name);
    TSyntaxKeyword& FindOrAddKeyword(const std::string& name);
    static void ParseRangeList(std::string_view value, std::vector<int32_t>& list);

    // The first range with this id, or null.
    const TSyntaxRange* FindRange(int32_t id) const;

    std::vector<std::string> Lines;
    TSyntaxStyle Styles[SyntaxStyleCount];
    int32_t RefCount = 0;
    std::string Title;
    bool CaseSensitive = false;
    std::string Delimiters;
    std::vector<std::string> LineComments;
    std::vector<std::string> BlockCommentBegins;
    std::vector<std::string> BlockCommentEnds;
    std::string EscapeCharText;
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
    std::vector<TSyntaxKeyword> Keywords;
    bool HasLineState = false;
    int32_t EscapeChar = -1;

    // The file the catalogue loaded this definition from, and its cache key
    // (empty for the "Plain Text" fallback).
    std::string FileName;
    std::string CacheKey;
};

// ---- The catalogue -------------------------------------------------------

// The directory holding the definitions, with a trailing '/': "syntax/" next
// to the executable unless a caller (a test) set another.
const std::string& SyntaxDir();
void SetSyntaxDir(const std::string& dir);

// The "Plain Text" fallback, with one reference taken for the caller.
TZinSyntax* GetPlainTextSyntax();
// Releases the caller's reference to `current` and returns the definition
// for the extension (".cpp", "cpp", ".CPP" alike) with one reference taken.
TZinSyntax* SelectSyntaxByExtension(TZinSyntax* current, const std::string& extension);
// Gives back one reference; the last one destroys the definition.
void ReleaseSyntax(TZinSyntax* syntax);

}  // namespace zin
