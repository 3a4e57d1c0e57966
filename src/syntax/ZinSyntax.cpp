#include "syntax/ZinSyntax.h"

#include "platform/Files.h"
#include "platform/TextUtil.h"

namespace zin {

// ---- Keyword hashing ------------------------------------------------------

size_t hash_cs::operator()(std::u16string_view s) const noexcept
{
    uint32_t h = 0;
    for (char16_t u : s)
        h = 5 * h + u;
    return h;
}

bool eq_wcstr_cs::operator()(std::u16string_view a, std::u16string_view b) const noexcept
{
    return a == b;
}

size_t hash_cis::operator()(std::u16string_view s) const noexcept
{
    uint32_t h = 0;
    for (char16_t u : s)
        h = 5 * h + (u | 0x20u);
    return h;
}

bool eq_wcstr_cis::operator()(std::u16string_view a, std::u16string_view b) const noexcept
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (WideLower(a[i]) != WideLower(b[i]))
            return false;
    return true;
}

namespace {

constexpr size_t KeywordBuckets = 101;

// The default delimiters: the ASCII punctuation characters but the underscore.
constexpr std::string_view DefaultDelimiters = "~`!@#$%^&*()-+=|\\{}[]:;\"',.<>/?";

void AppendTokens(std::string_view value, std::vector<std::string>& list)
{
    for (std::string& t : SplitTokens(value))
        list.push_back(std::move(t));
}

// Tokens taken in pairs (first, second, first, second ...); a last token
// without partner goes to `firsts` only.
void AppendPairs(std::string_view value, std::vector<std::string>& firsts,
                 std::vector<std::string>& seconds)
{
    std::vector<std::string> tokens = SplitTokens(value);
    for (size_t k = 0; k < tokens.size(); ++k)
        (k % 2 == 0 ? firsts : seconds).push_back(std::move(tokens[k]));
}

void LowerAll(std::vector<std::string>& list)
{
    for (std::string& s : list)
        for (char& c : s)
            c = LowerByte(c);
}

}  // namespace

TSyntaxKeyword::TSyntaxKeyword() : WordsCS(KeywordBuckets), WordsCIS(KeywordBuckets) {}

// ---- The definition -------------------------------------------------------

TZinSyntax::TZinSyntax()
{
    Reset();
    Parse();
}

TZinSyntax::TZinSyntax(const std::string& fileName)
{
    Load(fileName);
}

bool TZinSyntax::Load(const std::string& fileName)
{
    Reset();
    FileName = fileName;
    Lines.clear();
    // A file that cannot be read leaves no lines: the definition then holds
    // every default, so a caller is never left without a usable definition.
    const bool ok = ReadTextLines(fileName, Lines);
    Parse();
    return ok;
}

// Restores every default; Lines is left to Load, so that Parse can be run
// on lines set by hand after a Reset.
void TZinSyntax::Reset()
{
    for (int k = 0; k < SyntaxStyleCount; ++k)
        Styles[k] = DefaultSyntaxStyles[k];
    Title = "Plain Text";
    CaseSensitive = false;
    Delimiters = DefaultDelimiters;
    LineComments.clear();
    BlockCommentBegins.clear();
    BlockCommentEnds.clear();
    EscapeCharText.clear();
    StringChars.clear();
    DirectiveLeading.clear();
    KeywordPrefixes.clear();
    SpecialWordPrefixes.clear();
    IndentStrings.clear();
    UnindentStrings.clear();
    PairOpens.clear();
    PairCloses.clear();
    CodePage = -1;
    StringInRange.clear();
    LineCommentInRange.clear();
    BlockCommentInRange.clear();
    Ranges.clear();
    RangeBegins.clear();
    Keywords.clear();
    FKeywordIndex.clear();
    HasLineState = false;
    EscapeChar = -1;
}

TSyntaxStyle* TZinSyntax::FindStyle(const std::string& name)
{
    for (int k = 0; k < SyntaxStyleCount; ++k)
        if (name == SyntaxStyleNames[k])
            return &Styles[k];
    return nullptr;
}

TSyntaxKeyword& TZinSyntax::FindOrAddKeyword(const std::string& name)
{
    auto [it, added] = FKeywordIndex.try_emplace(name, Keywords.size());
    if (added) {
        Keywords.emplace_back();
        Keywords.back().Name = name;
    }
    return Keywords[it->second];
}

const TSyntaxKeyword* TZinSyntax::FindKeyword(const std::string& name) const
{
    auto it = FKeywordIndex.find(name);
    return it == FKeywordIndex.end() ? nullptr : &Keywords[it->second];
}

void TZinSyntax::ParseRangeList(std::string_view value, std::vector<int32_t>& list)
{
    size_t i = 0;
    while (i < value.size()) {
        // Anything but a digit separates numbers, leading characters included.
        while (i < value.size() && !(value[i] >= '0' && value[i] <= '9'))
            ++i;
        if (i >= value.size())
            break;
        int64_t n = 0;
        bool overflow = false;
        while (i < value.size() && value[i] >= '0' && value[i] <= '9') {
            if (!overflow) {
                n = n * 10 + (value[i] - '0');
                overflow = n > INT32_MAX;
            }
            ++i;
        }
        if (!overflow)
            list.push_back(static_cast<int32_t>(n));
    }
}

const TSyntaxRange* TZinSyntax::FindRange(int32_t id) const
{
    // Definitions hold a handful of ranges: a walk is as quick as a table
    // and never stale.
    for (const TSyntaxRange& r : Ranges)
        if (r.Id == id)
            return &r;
    return nullptr;
}

TSelectedStyle TZinSyntax::Select(int32_t rangeId, TColor color, TColor bgColor,
                                  TFontStyles style, bool isText) const
{
    const TSyntaxRange* range = FindRange(rangeId);
    TSelectedStyle s;
    s.Background = bgColor;
    if (isText) {
        if (range && range->BgColor != clNone)
            s.Background = range->BgColor;
    } else if (s.Background == clNone) {
        if (range)
            s.Background = range->BgColor;
        if (s.Background == clNone)
            s.Background = Styles[seText].BgColor;
    }
    s.Foreground = color != clNone ? color : Styles[seText].Color;
    s.Style = style;
    return s;
}

TSelectedStyle TZinSyntax::SelectStyle(int32_t rangeId, const TSyntaxStyle& style) const
{
    return Select(rangeId, style.Color, style.BgColor, style.Style, &style == &Styles[seText]);
}

TSelectedStyle TZinSyntax::SelectStyle(int32_t rangeId, const TSyntaxKeyword& keyword) const
{
    return Select(rangeId, keyword.Color, keyword.BgColor, keyword.Style, false);
}

TColor TZinSyntax::CurrentBackground(int32_t rangeId) const
{
    const TSyntaxRange* range = FindRange(rangeId);
    if (range && range->BgColor != clNone)
        return range->BgColor;
    return Styles[seText].BgColor;
}

// ---- Parsing --------------------------------------------------------------

void TZinSyntax::Parse()
{
    size_t i = 0;
    while (i < Lines.size()) {
        const std::string& line = Lines[i];
        // Lines that do not start with "." and hold at least one more
        // character are comments or blank lines.
        if (line.size() < 2 || line[0] != '.') {
            ++i;
            continue;
        }
        const size_t eq = line.find('=', 1);
        if (eq == std::string::npos) {
            ++i;
            continue;
        }
        const size_t dot = line.find('.', 1);
        if (dot != std::string::npos && dot < eq) {
            ParseAttributeLine(line, dot, eq);
            ++i;
        } else {
            i = ParseKeyLine(i, eq);
        }
    }
    PostProcess();
}

// ".name.attribute=value". Name and attribute keep every blank; the value is
// lower-cased and trimmed.
void TZinSyntax::ParseAttributeLine(const std::string& line, size_t dot, size_t eq)
{
    const std::string name(line, 1, dot - 1);
    const std::string lowerName = LowerCase(name);
    const std::string attribute = LowerCase(std::string_view(line).substr(dot + 1, eq - dot - 1));
    const std::string value = Trim(LowerCase(std::string_view(line).substr(eq + 1)));

    enum { aNone, aColor, aBgColor, aStyle, aInRange } action = aNone;
    if (attribute == "color")
        action = aColor;
    else if (attribute == "bgcolor")
        action = aBgColor;
    else if (attribute == "style")
        action = aStyle;
    else if (attribute == "inrange")
        action = aInRange;

    if (TSyntaxStyle* style = FindStyle(lowerName)) {
        switch (action) {
        case aColor: ParseColor(value, style->Color); break;
        case aBgColor: ParseColor(value, style->BgColor); break;
        case aStyle: ParseStyle(value, style->Style); break;
        case aInRange:
            // Of the styles only strings can be limited to ranges.
            if (lowerName == "string")
                ParseRangeList(value, StringInRange);
            break;
        case aNone: break;
        }
        return;
    }
    if (lowerName == "linecomment") {
        if (action == aInRange)
            ParseRangeList(value, LineCommentInRange);
        return;
    }
    if (lowerName == "blockcomment") {
        if (action == aInRange)
            AddBlockCommentInRange(value);
        return;
    }
    // Any other name is a keyword set, created even when the attribute is
    // not one we know.
    TSyntaxKeyword& kw = FindOrAddKeyword(name);
    switch (action) {
    case aColor: ParseColor(value, kw.Color); break;
    case aBgColor: ParseColor(value, kw.BgColor); break;
    case aStyle: ParseStyle(value, kw.Style); break;
    case aInRange: ParseRangeList(value, kw.InRange); break;
    case aNone: break;
    }
}

// The value is cut at every ","; group k belongs to block comment pair k.
void TZinSyntax::AddBlockCommentInRange(std::string_view value)
{
    size_t k = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = value.find(',', start);
        const std::string_view group =
            value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (BlockCommentInRange.size() <= k)
            BlockCommentInRange.resize(k + 1);
        ParseRangeList(Trim(group), BlockCommentInRange[k]);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
        ++k;
    }
}

// ".key=value" at line i. Returns the index of the next line to classify.
size_t TZinSyntax::ParseKeyLine(size_t i, size_t eq)
{
    const std::string& line = Lines[i];
    const std::string key(line, 1, eq - 1);
    const std::string lowerKey = LowerCase(key);
    const std::string value = Trim(std::string_view(line).substr(eq + 1));

    if (lowerKey == "title") {
        Title = value;
    } else if (lowerKey == "casesensitive") {
        if (LowerCase(value) == "yes")
            CaseSensitive = true;
    } else if (lowerKey == "delimiter") {
        Delimiters = value;
    } else if (lowerKey == "linecomment") {
        AppendTokens(value, LineComments);
    } else if (lowerKey == "blockcomment") {
        // An odd token count leaves the last begin without an end. It is
        // kept in BlockCommentBegins (so its index stays what the file says)
        // but opens no comment: the line-state tracker and the scanner skip
        // every begin whose index has no entry in BlockCommentEnds.
        AppendPairs(value, BlockCommentBegins, BlockCommentEnds);
    } else if (lowerKey == "escapechar") {
        EscapeCharText = value;
        EscapeChar = value.empty() ? -1 : static_cast<int32_t>(static_cast<int8_t>(value[0]));
    } else if (lowerKey == "stringchar") {
        StringChars = value;
    } else if (lowerKey == "directiveleading") {
        DirectiveLeading = value;
    } else if (lowerKey == "keywordprefix") {
        KeywordPrefixes = value;
    } else if (lowerKey == "specialwordprefix") {
        SpecialWordPrefixes = value;
    } else if (lowerKey == "indentstring") {
        AppendTokens(value, IndentStrings);
    } else if (lowerKey == "unindentstring") {
        AppendTokens(value, UnindentStrings);
    } else if (lowerKey == "pair") {
        AppendPairs(value, PairOpens, PairCloses);
    } else if (lowerKey == "codepage") {
        int cp = 0;
        if (StrToInt(value, cp))
            CodePage = cp;
    } else if (lowerKey == "range") {
        const std::vector<std::string> tokens = SplitTokens(value);
        TSyntaxRange range;
        int id = 0;
        if (!tokens.empty() && StrToInt(tokens[0], id))
            range.Id = id;
        if (tokens.size() > 1)
            range.Begin = tokens[1];
        if (tokens.size() > 2)
            range.End = tokens[2];
        if (tokens.size() > 3)
            ParseColor(LowerCase(tokens[3]), range.BgColor);
        RangeBegins.push_back(range.Begin);
        Ranges.push_back(std::move(range));
    } else {
        // Any other key heads a keyword section: the lines up to the next
        // one that starts with "." hold its words, gathered after reading.
        TSyntaxKeyword& kw = FindOrAddKeyword(key);
        size_t j = i + 1;
        while (j < Lines.size() && !(!Lines[j].empty() && Lines[j][0] == '.'))
            ++j;
        kw.FirstLine = static_cast<int32_t>(i + 1);
        kw.LastLine = static_cast<int32_t>(j) - 1;
        return j;
    }
    return i + 1;
}

void TZinSyntax::PostProcess()
{
    if (StringInRange.empty())
        StringInRange.push_back(0);
    if (!LineComments.empty() && LineCommentInRange.empty())
        LineCommentInRange.push_back(0);
    if (BlockCommentInRange.size() < BlockCommentBegins.size())
        BlockCommentInRange.resize(BlockCommentBegins.size());
    for (size_t k = 0; k < BlockCommentBegins.size(); ++k)
        if (BlockCommentInRange[k].empty())
            BlockCommentInRange[k].push_back(0);

    if (!CaseSensitive) {
        LowerAll(LineComments);
        LowerAll(BlockCommentBegins);
        LowerAll(BlockCommentEnds);
        LowerAll(IndentStrings);
        LowerAll(UnindentStrings);
        LowerAll(PairOpens);
        LowerAll(PairCloses);
    }

    std::u16string word;
    for (TSyntaxKeyword& kw : Keywords) {
        if (kw.InRange.empty())
            kw.InRange.push_back(0);
        if (kw.FirstLine < 0)
            continue;
        // Splitting every line of the section at white space gives the same
        // words as joining the trimmed lines with blanks and splitting that.
        for (int32_t n = kw.FirstLine; n <= kw.LastLine && n < static_cast<int32_t>(Lines.size()); ++n) {
            const std::string& line = Lines[n];
            size_t p = 0;
            while (p < line.size()) {
                while (p < line.size() && IsWhiteByte(static_cast<unsigned char>(line[p])))
                    ++p;
                word.clear();
                while (p < line.size() && !IsWhiteByte(static_cast<unsigned char>(line[p]))) {
                    char c = CaseSensitive ? line[p] : LowerByte(line[p]);
                    // Each byte becomes the code unit of the same value.
                    word.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
                    ++p;
                }
                // A word ends at a NUL byte, as a NUL-terminated word would;
                // a word that is empty then adds nothing.
                const size_t nul = word.find(u'\0');
                if (nul != std::u16string::npos)
                    word.resize(nul);
                if (word.empty())
                    continue;
                if (CaseSensitive)
                    kw.WordsCS.insert(word);
                else
                    kw.WordsCIS.insert(word);
            }
        }
    }

    HasLineState = !LineComments.empty() || !BlockCommentBegins.empty() || !StringChars.empty() ||
                   !DirectiveLeading.empty() || !Ranges.empty();
}

}  // namespace zin
