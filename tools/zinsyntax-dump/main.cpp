// zinsyntax-dump FILE.syn
//
// Loads a syntax definition file and prints what the loader made of it as one
// JSON object. Byte strings are JSON strings in which byte b stands for the
// character U+00bb; colours, styles and numbers are plain numbers. Exit code
// 0 on success, 1 when the file cannot be read, 2 on wrong usage.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "syntax/ZinSyntax.h"

namespace {

using namespace zin;

std::string Out;

void PutCodeUnit(uint32_t u)
{
    switch (u) {
    case '"': Out += "\\\""; return;
    case '\\': Out += "\\\\"; return;
    case '\n': Out += "\\n"; return;
    case '\r': Out += "\\r"; return;
    case '\t': Out += "\\t"; return;
    default: break;
    }
    if (u < 0x20 || u == 0x7F || (u >= 0xD800 && u <= 0xDFFF)) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
        Out += buf;
    } else if (u < 0x80) {
        Out += static_cast<char>(u);
    } else if (u < 0x800) {
        Out += static_cast<char>(0xC0 | (u >> 6));
        Out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        Out += static_cast<char>(0xE0 | (u >> 12));
        Out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

void PutBytes(const std::string& s)
{
    Out += '"';
    for (unsigned char b : s)
        PutCodeUnit(b);
    Out += '"';
}

void PutWide(const std::u16string& s)
{
    Out += '"';
    for (char16_t u : s)
        PutCodeUnit(u);
    Out += '"';
}

void PutNumber(int64_t n)
{
    Out += std::to_string(n);
}

void PutKey(const char* key)
{
    Out += '"';
    Out += key;
    Out += "\":";
}

void PutStringList(const std::vector<std::string>& list)
{
    Out += '[';
    for (size_t k = 0; k < list.size(); ++k) {
        if (k)
            Out += ',';
        PutBytes(list[k]);
    }
    Out += ']';
}

void PutIntList(const std::vector<int32_t>& list)
{
    Out += '[';
    for (size_t k = 0; k < list.size(); ++k) {
        if (k)
            Out += ',';
        PutNumber(list[k]);
    }
    Out += ']';
}

void Dump(const TZinSyntax& s)
{
    Out += "{\n";
    auto field = [](const char* key) {
        if (Out.size() > 2)
            Out += ",\n";
        Out += ' ';
        PutKey(key);
    };
    field("title"); PutBytes(s.Title);
    field("casesensitive"); Out += s.CaseSensitive ? "true" : "false";
    field("delimiters"); PutBytes(s.Delimiters);
    field("linecomments"); PutStringList(s.LineComments);
    field("blockcommentbegins"); PutStringList(s.BlockCommentBegins);
    field("blockcommentends"); PutStringList(s.BlockCommentEnds);
    field("escapechar"); PutNumber(s.EscapeChar);
    field("stringchars"); PutBytes(s.StringChars);
    field("directiveleading"); PutBytes(s.DirectiveLeading);
    field("keywordprefixes"); PutBytes(s.KeywordPrefixes);
    field("specialwordprefixes"); PutBytes(s.SpecialWordPrefixes);
    field("indentstrings"); PutStringList(s.IndentStrings);
    field("unindentstrings"); PutStringList(s.UnindentStrings);
    field("pairopens"); PutStringList(s.PairOpens);
    field("paircloses"); PutStringList(s.PairCloses);
    field("codepage"); PutNumber(s.CodePage);

    field("ranges");
    Out += '[';
    for (size_t k = 0; k < s.Ranges.size(); ++k) {
        const TSyntaxRange& r = s.Ranges[k];
        if (k)
            Out += ',';
        Out += '[';
        PutNumber(r.Id);
        Out += ',';
        PutBytes(r.Begin);
        Out += ',';
        PutBytes(r.End);
        Out += ',';
        PutNumber(r.BgColor);
        Out += ']';
    }
    Out += ']';

    field("stringinrange"); PutIntList(s.StringInRange);
    field("linecommentinrange"); PutIntList(s.LineCommentInRange);
    field("blockcommentinrange");
    Out += '[';
    for (size_t k = 0; k < s.BlockCommentInRange.size(); ++k) {
        if (k)
            Out += ',';
        PutIntList(s.BlockCommentInRange[k]);
    }
    Out += ']';

    field("styles");
    Out += '{';
    for (int k = 0; k < SyntaxStyleCount; ++k) {
        if (k)
            Out += ',';
        PutKey(SyntaxStyleNames[k]);
        Out += '[';
        PutNumber(s.Styles[k].Color);
        Out += ',';
        PutNumber(s.Styles[k].BgColor);
        Out += ',';
        PutNumber(s.Styles[k].Style);
        Out += ']';
    }
    Out += '}';

    field("keywords");
    Out += '[';
    for (size_t k = 0; k < s.Keywords.size(); ++k) {
        const TSyntaxKeyword& kw = s.Keywords[k];
        if (k)
            Out += ',';
        Out += "\n  {";
        PutKey("name"); PutBytes(kw.Name);
        Out += ',';
        PutKey("color"); PutNumber(kw.Color);
        Out += ',';
        PutKey("bgcolor"); PutNumber(kw.BgColor);
        Out += ',';
        PutKey("style"); PutNumber(kw.Style);
        Out += ',';
        PutKey("inrange"); PutIntList(kw.InRange);
        Out += ',';
        std::vector<std::u16string> words(kw.WordsCS.begin(), kw.WordsCS.end());
        words.insert(words.end(), kw.WordsCIS.begin(), kw.WordsCIS.end());
        std::sort(words.begin(), words.end());
        PutKey("words");
        Out += '[';
        for (size_t w = 0; w < words.size(); ++w) {
            if (w)
                Out += ',';
            PutWide(words[w]);
        }
        Out += "]}";
    }
    Out += ']';

    field("haslinestate"); Out += s.HasLineState ? "true" : "false";
    Out += "\n}\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zinsyntax-dump FILE.syn\n");
        return 2;
    }
    zin::TZinSyntax syntax;
    if (!syntax.Load(argv[1])) {
        std::fprintf(stderr, "zinsyntax-dump: cannot read %s\n", argv[1]);
        return 1;
    }
    Dump(syntax);
    std::fwrite(Out.data(), 1, Out.size(), stdout);
    return 0;
}
