#include "editor/ZinSyntaxScanner.h"

#include <algorithm>
#include <string_view>

#include "lines/ZinCharRules.h"

namespace zin {

namespace {

// White space for every test of the scanner: 9-13 and the blank.
constexpr bool IsWhite(int32_t u)
{
    return u == 32 || (u >= 9 && u <= 13);
}

// Whether a token begins with character u.
inline bool StartsWith(const std::string& token, int32_t u)
{
    return !token.empty() && static_cast<uint8_t>(token[0]) == u;
}

// Used when a store has no definition: every default.
const TZinSyntax& EmptySyntax()
{
    static const TZinSyntax syntax;
    return syntax;
}

void FillRangeSet(std::bitset<256>& set, const std::vector<int32_t>& ids)
{
    set.reset();
    // A range id is one byte; a listed id outside 0-255 never equals one.
    for (int32_t id : ids)
        if (id >= 0 && id < 256)
            set.set(static_cast<size_t>(id));
}

void FlagBytes(uint8_t* flags, std::string_view bytes, uint8_t flag)
{
    for (char c : bytes)
        flags[static_cast<uint8_t>(c)] |= flag;
}

}  // namespace

// ---- Binding and the definition's tables ---------------------------------------

void TZinScanner::BindPainter(TZinLines& store, TDrawSurface* canvas, int32_t* widthBuf, char16_t* textBuf)
{
    FStore = &store;
    FOwner = store.Owner();
    FCanvas = canvas;
    FWidthBuf = widthBuf;
    FTextBuf = textBuf;
    FWidthCache = FOwner->CharWidthCache();
    FTabW = std::max(1, FOwner->GetTabSize() * FOwner->GetAvgCharWidth());
    FMaxToken = std::max(1, FOwner->GetMaxLineLength());
    FCharsRead = 0;
    FQueue.clear();
    FLineEnded = true;
    FRowBegun = false;
    FRecording = false;
    Prepare();
}

void TZinScanner::Prepare()
{
    const TZinSyntax* syntax = FStore ? FStore->Syntax() : nullptr;
    FSyntaxSource = syntax;
    FSyntax = syntax ? syntax : &EmptySyntax();
    const TZinSyntax& syn = *FSyntax;

    std::fill(std::begin(FFlags), std::end(FFlags), 0);
    for (int u = 0; u < 256; ++u)
        if (IsWhite(u))
            FFlags[u] |= cfWhite;
    for (int u = '0'; u <= '9'; ++u)
        FFlags[u] |= cfDigit;
    FlagBytes(FFlags, syn.Delimiters, cfDelimiter);
    FlagBytes(FFlags, syn.SpecialWordPrefixes, cfSpecialPrefix);
    FlagBytes(FFlags, syn.KeywordPrefixes, cfKeywordPrefix);
    FlagBytes(FFlags, syn.DirectiveLeading, cfDirective);

    // Characters that may begin a line comment, a block comment or a range:
    // only at those is a token list matched.
    std::fill(std::begin(FStarts), std::end(FStarts), 0);
    for (const std::string& t : syn.LineComments)
        if (!t.empty())
            FStarts[static_cast<uint8_t>(t[0])] |= csLineComment;
    // The line state keeps a block comment's pair and a quote's position in
    // one byte each: pairs and quote characters past the 255th are not
    // recognised (as in the store's line-state tracker).
    constexpr size_t maxStateIndex = 255;
    for (size_t k = 0; k < std::min({syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size(), maxStateIndex}); ++k)
        if (!syn.BlockCommentBegins[k].empty())
            FStarts[static_cast<uint8_t>(syn.BlockCommentBegins[k][0])] |= csBlockComment;
    for (const std::string& t : syn.RangeBegins)
        if (!t.empty())
            FStarts[static_cast<uint8_t>(t[0])] |= csRange;

    // The 1-based position of the first occurrence of each quote character.
    std::fill(std::begin(FQuotePos), std::end(FQuotePos), 0);
    for (size_t i = std::min(syn.StringChars.size(), maxStateIndex); i-- > 0;)
        FQuotePos[static_cast<uint8_t>(syn.StringChars[i])] = static_cast<uint8_t>(i + 1);

    // A block comment begin without an end token opens nothing, as in the
    // store's line-state tracker.
    FBlockPairs = std::min({syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size(), maxStateIndex});
    FillRangeSet(FStringIn, syn.StringInRange);
    FillRangeSet(FLineCommentIn, syn.LineCommentInRange);
    FBlockIn.assign(std::min(FBlockPairs, syn.BlockCommentInRange.size()), TRangeSet{});
    for (size_t k = 0; k < FBlockIn.size(); ++k)
        FillRangeSet(FBlockIn[k], syn.BlockCommentInRange[k]);
    FKeywords.clear();
    FKeywordIn.clear();
    for (const TSyntaxKeyword& kw : syn.Keywords) {
        FKeywords.push_back(&kw);
        FKeywordIn.emplace_back();
        FillRangeSet(FKeywordIn.back(), kw.InRange);
    }
    FKeywordColors.assign(FKeywords.size(), TSelectedStyle{});
    FKeywordKnown.assign(FKeywords.size(), 0);
    FStyleRange = -1;
}

// ---- Lines and rows ----------------------------------------------------------

void TZinScanner::BeginRow(TLineIterator line, int32_t row)
{
    FRecording = false;
    Start(line, row);
}

void TZinScanner::Start(TLineIterator line, int32_t row)
{
    if (!FStore)
        return;
    if (FStore->Syntax() != FSyntaxSource)
        Prepare();
    const TZinSyntax& syn = *FSyntax;
    FLine = line;
    FCur = TScanState{};
    FBlockEndHint = false;
    FCurRange = nullptr;
    FQuoteChar = -1;
    if (syn.HasLineState) {
        const TLineState& st = line->State;
        FCur.RangeId = st[lsRange];
        FCur.BlockComment = st[lsBlockComment];
        FBlockEndHint = st[lsCommentClosed] != 0;
        FCur.StringIndex = st[lsString];
        if (FCur.StringIndex != 0 && FCur.StringIndex <= syn.StringChars.size())
            FQuoteChar = static_cast<uint8_t>(syn.StringChars[FCur.StringIndex - 1u]);
        if (FCur.RangeId != 0)
            FCurRange = syn.FindRange(FCur.RangeId);
    }
    FStopScan = false;
    FDirective = false;
    FNonBlankCount = 0;
    FPending = FCur;

    const TRowList rows = line->Rows();
    FRowCount = static_cast<int32_t>(rows.size()) - 1;
    FTextEnd = rows[static_cast<size_t>(FRowCount)].Pos;
    SetRow(row);
    FFrontPos = FLookPos = rows[static_cast<size_t>(FRow)].Pos;
    FStore->BeginRead(FReader, line, TRowIndex{FFrontPos, 0});
    FReadAt = FFrontPos;
    FRowX = FLookahead = FRunLeft = 0;
    FPaused = false;
    FRowBegun = false;
    FQueue.clear();
}

void TZinScanner::SetRow(int32_t row)
{
    if (row < 0)
        row = 0;
    if (row >= FRowCount) {
        FRow = FRowCount;
        FRowEnd = FTextEnd;
        FRowWidth = 0;
        FLineEnded = true;
        return;
    }
    const TRowList rows = FLine->Rows();
    const TRowIndex here = rows[static_cast<size_t>(row)];
    const TRowIndex next = rows[static_cast<size_t>(row) + 1];
    FRow = row;
    FRowEnd = next.Pos;
    FRowWidth = here.Width;
    // A line ends at its end entry. An empty row before it (the row builder
    // leaves one before a character wider than the wrap width) is passed
    // over; only an empty last row, the row of an empty line, ends the line
    // at once.
    FLineEnded = row == FRowCount - 1 && here.Pos >= next.Pos;
}

void TZinScanner::CompleteRow()
{
    FRowX = 0;
    FRowBegun = false;
    SetRow(FRow + 1);
    if (FRecording && !FLineEnded &&
        FRow == static_cast<int32_t>(FSnaps.size() + 1) * SnapshotStride)
        TakeSnapshot();
}

// ---- Reading -----------------------------------------------------------------

bool TZinScanner::ReadChar()
{
    // The line's text ends where its newline begins; newline characters are
    // never read, so they are never examined or emitted.
    if (FReadAt >= FTextEnd)
        return false;
    if (!FReader.Next(FQueue))
        return false;
    ++FCharsRead;
    const twc_pair& c = FQueue.back();
    if (IsNewLine(c.first)) {
        // Rows that disagree with the decoder: the text ends here.
        FTextEnd = FReadAt;
        FQueue.pop_back();
        return false;
    }
    FReadAt += static_cast<uint64_t>(c.second);
    return true;
}

bool TZinScanner::Ensure(size_t count)
{
    while (FQueue.size() < count)
        if (!ReadChar())
            return false;
    return true;
}

void TZinScanner::MoveLook(int32_t k)
{
    for (int32_t i = 0; i < k; ++i)
        FLookPos += static_cast<uint64_t>(FQueue[static_cast<size_t>(FLookahead + i)].second);
    FLookahead += k;
}

int32_t TZinScanner::MatchToken(const std::string* tokens, size_t count, int32_t& length)
{
    const size_t at = static_cast<size_t>(FLookahead);
    const int32_t c = FQueue[at].first;
    for (size_t i = 0; i < count; ++i) {
        const std::string& t = tokens[i];
        const size_t n = t.size();
        if (n == 0 || c != static_cast<uint8_t>(t[0]))
            continue;
        // Reads on only while the characters agree, and never past the text.
        size_t k = 1;
        while (k < n && Ensure(at + k + 1) && FQueue[at + k].first == static_cast<uint8_t>(t[k]))
            ++k;
        if (k == n) {
            length = static_cast<int32_t>(n);
            return static_cast<int32_t>(i + 1);
        }
    }
    return 0;
}

// ---- Phase 1: the run --------------------------------------------------------

bool TZinScanner::FindRun()
{
    const TZinSyntax& syn = *FSyntax;
    if (FRunLeft == 0)
        FRunLeft = FLookahead;  // characters already examined belong to the run
    FPaused = false;
    auto advance = [this] {
        MoveLook(1);
        ++FRunLeft;
    };
    for (;;) {
        // Nothing beyond the row's end is examined: the run pauses there and
        // resumes when the next row is emitted.
        if (FLookPos >= FRowEnd) {
            FPaused = true;
            break;
        }
        if (static_cast<size_t>(FLookahead) >= FQueue.size() && !ReadChar())
            break;  // the line's text ended
        const int32_t ch = FQueue[static_cast<size_t>(FLookahead)].first;
        if (FStopScan || ch > 0xFF || (FFlags[ch] & cfWhite)) {
            advance();
            continue;
        }
        ++FNonBlankCount;

        if (FCur.StringIndex != 0) {
            if (ch == syn.EscapeChar) {
                // An escaped escape or quote is passed over with it, also
                // when it lies on the next row.
                if (Ensure(static_cast<size_t>(FLookahead) + 2)) {
                    const int32_t next = FQueue[static_cast<size_t>(FLookahead) + 1].first;
                    if (next == syn.EscapeChar || next == FQuoteChar)
                        advance();
                }
                advance();
                continue;
            }
            if (ch == FQuoteChar) {
                FPending.StringIndex = 0;
                advance();  // the closing quote belongs to the string
                break;
            }
            advance();
            continue;
        }

        int32_t len = 0;
        if (FCur.BlockComment != 0) {
            if (!FBlockEndHint) {
                // The comment does not close on this line.
                FStopScan = true;
                advance();
                continue;
            }
            const size_t idx = FCur.BlockComment - 1u;
            if (idx < syn.BlockCommentEnds.size() && StartsWith(syn.BlockCommentEnds[idx], ch) &&
                MatchToken(&syn.BlockCommentEnds[idx], 1, len)) {
                FPending.BlockComment = 0;
                MoveLook(len);
                FRunLeft = FLookahead;  // the end token belongs to the comment
                break;
            }
            advance();
            continue;
        }

        // Plain text, possibly inside a range.
        if (FCur.RangeId != 0 && FCurRange && StartsWith(FCurRange->End, ch) &&
            MatchToken(&FCurRange->End, 1, len)) {
            FPending.RangeId = 0;
            MoveLook(len);
            FRunLeft = FLookahead;  // the end token belongs to the range
            break;
        }
        if (FNonBlankCount == 1 && (FFlags[ch] & cfDirective)) {
            // Takes effect at once, for the current run too.
            FDirective = true;
            advance();
            continue;
        }
        // The token lists, in order; each is matched only where one of its
        // tokens can begin.
        const uint8_t starts = FStarts[ch];
        int32_t g = 0;
        bool boundary = true;
        if ((starts & csLineComment) && FLineCommentIn[FCur.RangeId] &&
            (g = MatchToken(syn.LineComments.data(), syn.LineComments.size(), len)) != 0) {
            FStopScan = true;
            FPending.LineComment = static_cast<uint8_t>(std::min(g, 255));
            MoveLook(len);
        } else if ((starts & csBlockComment) &&
                   (g = MatchToken(syn.BlockCommentBegins.data(), FBlockPairs, len)) != 0 &&
                   static_cast<size_t>(g - 1) < FBlockIn.size() && FBlockIn[static_cast<size_t>(g - 1)][FCur.RangeId]) {
            FPending.BlockComment = static_cast<uint8_t>(std::min(g, 255));
            MoveLook(len);
        } else if (FQuotePos[ch] != 0 && FStringIn[FCur.RangeId]) {
            FPending.StringIndex = FQuotePos[ch];
            FQuoteChar = ch;
            MoveLook(1);
        } else if (FCur.RangeId == 0 && (starts & csRange) &&
                   (g = MatchToken(syn.RangeBegins.data(), syn.RangeBegins.size(), len)) != 0 &&
                   static_cast<size_t>(g - 1) < syn.Ranges.size()) {
            FPending.RangeId = static_cast<uint8_t>(syn.Ranges[static_cast<size_t>(g - 1)].Id & 0xFF);
            FCurRange = syn.FindRange(FPending.RangeId);
            MoveLook(len);
        } else {
            boundary = false;
        }
        if (!boundary) {
            advance();
            continue;
        }
        // The characters before the token go out first, in the current
        // state; a token that starts the run switches the state at once, so
        // it is coloured as part of what it opens.
        if (FRunLeft != 0)
            break;
        FCur = FPending;
        FRunLeft = FLookahead;
    }
    return FRunLeft > 0;
}

// ---- Phase 2: one token ------------------------------------------------------

inline int32_t TZinScanner::CharWidth(int32_t u, int32_t x) const
{
    if (u == 9)
        return std::max(0, TabWidth(x, FTabW, FRowWidth));
    const char16_t c = static_cast<char16_t>(u);
    const int32_t w = FWidthCache[c];
    return w != 0 ? w : FOwner->GetCharWidth(c);
}

inline void TZinScanner::Take(int32_t n)
{
    const twc_pair c = FQueue.front();
    FQueue.pop_front();
    const int32_t w = CharWidth(c.first, FRowX);
    FTextBuf[n] = static_cast<char16_t>(c.first);
    FWidthBuf[n] = w;
    FRowX += w;
    FFrontPos += static_cast<uint64_t>(c.second);
    --FLookahead;
    --FRunLeft;
}

int32_t TZinScanner::LookupKeyword(int32_t n) const
{
    const std::u16string_view word(FTextBuf, static_cast<size_t>(n));
    const bool cs = FSyntax->CaseSensitive;
    for (size_t k = 0; k < FKeywords.size(); ++k) {
        if (!FKeywordIn[k][FCur.RangeId])
            continue;
        const TSyntaxKeyword& kw = *FKeywords[k];
        if (cs ? kw.WordsCS.find(word) != kw.WordsCS.end() : kw.WordsCIS.find(word) != kw.WordsCIS.end())
            return static_cast<int32_t>(k + 1);
    }
    return 0;
}

int32_t TZinScanner::NextToken(int32_t& width)
{
    width = 0;
    if (!FStore || FLineEnded)
        return 0;
    if (FFrontPos >= FRowEnd) {
        // An empty row: nothing to emit; the scan goes on with the next row.
        CompleteRow();
        return 0;
    }
    if ((FRunLeft == 0 || FPaused) && !FindRun()) {
        // The row holds bytes the reader does not give: end the line.
        FRowX = 0;
        FRowBegun = false;
        SetRow(FRowCount);
        return 0;
    }

    const int32_t x0 = FRowX;
    const int32_t ch = FQueue.front().first;
    const uint8_t f = ch <= 0xFF ? FFlags[ch] : 0;
    // How a token goes on: while the next character is ...
    enum class TRule : uint8_t { White, NotWhite, Wide, Word, Prefixed, Delimiters };
    TRule rule;
    TTokenStyle style;
    if (f & cfWhite) {
        style = TTokenStyle::Space, rule = TRule::White;
    } else if (FCur.BlockComment != 0 || FCur.LineComment != 0) {
        style = TTokenStyle::Comment, rule = TRule::NotWhite;
    } else if (FDirective) {
        style = TTokenStyle::Directive, rule = TRule::NotWhite;
    } else if (FCur.StringIndex != 0) {
        style = TTokenStyle::String, rule = TRule::NotWhite;
    } else if (ch > 0xFF) {
        style = TTokenStyle::Text, rule = TRule::Wide;
    } else if (f & cfDigit) {
        style = TTokenStyle::Number, rule = TRule::Word;
    } else if (f & cfSpecialPrefix) {
        style = TTokenStyle::SpecialWord, rule = TRule::Word;
    } else if (f & cfKeywordPrefix) {
        style = TTokenStyle::Keyword, rule = TRule::Prefixed;
    } else if (f & cfDelimiter) {
        style = TTokenStyle::Delimiter, rule = TRule::Delimiters;
    } else {
        style = TTokenStyle::Text, rule = TRule::Word;  // a word: looked up below
    }
    auto goesOn = [rule, this](int32_t u) {
        const uint8_t g = u <= 0xFF ? FFlags[u] : 0;
        switch (rule) {
        case TRule::White: return (g & cfWhite) != 0;
        case TRule::NotWhite: return (g & cfWhite) == 0;
        case TRule::Wide: return u > 0xFF;
        case TRule::Word: return u <= 0xFF && (g & (cfWhite | cfDelimiter)) == 0;
        case TRule::Prefixed: return u <= 0xFF && (g & cfWhite) == 0;
        case TRule::Delimiters: return (g & cfDelimiter) != 0 && (g & cfSpecialPrefix) == 0;
        }
        return false;
    };

    int32_t n = 0;
    int32_t keywordSet = 0;
    if (rule == TRule::Prefixed) {
        // The prefix and what follows are looked at in place; only a word
        // that a keyword set holds is taken as a whole.
        int32_t x = FRowX;
        uint64_t pos = FFrontPos;
        int32_t left = FRunLeft;
        do {
            const twc_pair c = FQueue[static_cast<size_t>(n)];
            const int32_t w = CharWidth(c.first, x);
            FTextBuf[n] = static_cast<char16_t>(c.first);
            FWidthBuf[n] = w;
            x += w;
            pos += static_cast<uint64_t>(c.second);
            --left;
            ++n;
        } while (n < FMaxToken && left > 0 && pos < FRowEnd && goesOn(FQueue[static_cast<size_t>(n)].first));
        FTextBuf[n] = 0;
        keywordSet = LookupKeyword(n);
        if (keywordSet != 0) {
            for (int32_t i = 0; i < n; ++i)
                FFrontPos += static_cast<uint64_t>(FQueue[static_cast<size_t>(i)].second);
            for (int32_t i = 0; i < n; ++i)
                FQueue.pop_front();
            FRowX = x;
            FLookahead -= n;
            FRunLeft -= n;
        } else {
            // No keyword: the prefix alone, as a delimiter; the rest is
            // scanned again by the next call.
            n = 1;
            FTextBuf[1] = 0;
            FFrontPos += static_cast<uint64_t>(FQueue.front().second);
            FQueue.pop_front();
            FRowX += FWidthBuf[0];
            --FLookahead;
            --FRunLeft;
            style = TTokenStyle::Delimiter;
        }
    } else {
        Take(n++);
        while (n < FMaxToken && FRunLeft > 0 && FFrontPos < FRowEnd && goesOn(FQueue.front().first))
            Take(n++);
        if (style == TTokenStyle::Text && ch <= 0xFF) {
            FTextBuf[n] = 0;
            if (!FQuiet) {
                keywordSet = LookupKeyword(n);
                if (keywordSet != 0)
                    style = TTokenStyle::Keyword;
            }
        }
    }
    if (!FQuiet)
        ApplyStyle(style, keywordSet);

    width = FRowX - x0;
    if (FRunLeft == 0)
        FCur = FPending;
    FRowBegun = true;
    if (FFrontPos >= FRowEnd)
        CompleteRow();
    return n;
}

// ---- Colours -----------------------------------------------------------------

void TZinScanner::Apply(const TSelectedStyle& s)
{
    if (!FCanvas)
        return;
    FCanvas->SetBrushColor(s.Background);
    FCanvas->SetTextColor(s.Foreground);
    FCanvas->SetFontStyle(s.Style);
}

void TZinScanner::ApplyStyle(TTokenStyle style, int32_t keywordSet)
{
    // The colours of the current range's elements are worked out once per
    // range and paint, not per token.
    if (FStyleRange != FCur.RangeId) {
        FStyleRange = FCur.RangeId;
        FStyleKnown = 0;
        std::fill(FKeywordKnown.begin(), FKeywordKnown.end(), 0);
    }
    const TSelectedStyle* s;
    if (style == TTokenStyle::Keyword) {
        const size_t k = static_cast<size_t>(keywordSet - 1);
        if (!FKeywordKnown[k]) {
            FKeywordColors[k] = FSyntax->SelectStyle(FStyleRange, *FKeywords[k]);
            FKeywordKnown[k] = 1;
        }
        s = &FKeywordColors[k];
    } else {
        static constexpr TSyntaxElement elements[] = {seSpace, seComment, seDirective, seString,
                                                      seText,  seNumber,  seSpecialWord, seDelimiter};
        const size_t e = static_cast<size_t>(style);
        if (!(FStyleKnown & (1u << e))) {
            FElementColors[e] = FSyntax->SelectStyle(FStyleRange, FSyntax->Styles[elements[e]]);
            FStyleKnown |= 1u << e;
        }
        s = &FElementColors[e];
    }
    FLastStyle = style;
    FLastKeywordSet = style == TTokenStyle::Keyword ? keywordSet : 0;
    FLastColors = *s;
    Apply(*s);
}

TSelectedStyle TZinScanner::SelectStyle(int32_t rangeId, const TSyntaxStyle& style)
{
    const TSelectedStyle s = FSyntax ? FSyntax->SelectStyle(rangeId, style) : TSelectedStyle{};
    Apply(s);
    return s;
}

TColor TZinScanner::CurrentBackground() const
{
    return (FSyntax ? *FSyntax : EmptySyntax()).CurrentBackground(FCur.RangeId);
}

// ---- Seeking and snapshots ---------------------------------------------------

void TZinScanner::SetSnapshots(bool on)
{
    FUseSnapshots = on;
    FSnaps.clear();
    FSnapLine = UINT32_MAX;
    FRecording = false;
}

bool TZinScanner::SnapshotsValid(TLineIterator line) const
{
    return FSnapLine == line.Index() && FSnapGeneration == FStore->Generation() && FSnapSyntax == FSyntax &&
           FSnapStore == FStore;
}

void TZinScanner::TakeSnapshot()
{
    FSnaps.push_back(TSnapshot{FCur, FPending, FNonBlankCount, FQuoteChar, FCurRange, FLookahead, FRunLeft,
                               FFrontPos, FLookPos, static_cast<uint32_t>(FQueue.size()), FDirective, FStopScan,
                               FPaused});
}

void TZinScanner::Restore(const TSnapshot& s, int32_t row)
{
    Start(FLine, row);
    FCur = s.Cur;
    FPending = s.Pending;
    FNonBlankCount = s.NonBlankCount;
    FQuoteChar = s.QuoteChar;
    FCurRange = s.CurRange;
    FLookahead = s.Lookahead;
    FRunLeft = s.RunLeft;
    FDirective = s.Directive;
    FStopScan = s.StopScan;
    FPaused = s.Paused;
    FLookPos = s.LookPos;
    // The queue held the characters from the row's start on; decoding them
    // again from there gives the same characters and reader position.
    FFrontPos = s.FrontPos;
    for (uint32_t i = 0; i < s.Queued; ++i)
        if (!ReadChar())
            break;
}

void TZinScanner::SeekRow(TLineIterator line, int32_t row)
{
    if (!FStore)
        return;
    if (FStore->Syntax() != FSyntaxSource)
        Prepare();
    if (!FSyntax->HasLineState) {
        BeginRow(line, row);
        return;
    }
    row = std::clamp(row, 0, line->RowCount());
    int32_t from = 0;
    if (FUseSnapshots) {
        if (!SnapshotsValid(line)) {
            FSnaps.clear();
            FSnapLine = line.Index();
            FSnapGeneration = FStore->Generation();
            FSnapSyntax = FSyntax;
            FSnapStore = FStore;
        }
        const size_t k = std::min(static_cast<size_t>(row / SnapshotStride), FSnaps.size());
        from = static_cast<int32_t>(k) * SnapshotStride;
        FLine = line;
        if (k > 0)
            Restore(FSnaps[k - 1], from);
        else
            Start(line, 0);
        FRecording = true;
    } else {
        BeginRow(line, 0);
    }
    // Rows before the wanted one are scanned for their state only: no
    // colours and no word look-ups.
    FQuiet = true;
    int32_t width;
    for (int32_t r = from; r < row && !FLineEnded; ++r) {
        do {
            if (NextToken(width) == 0 && FLineEnded)
                break;
        } while (RowHasMore());
    }
    FQuiet = false;
}

}  // namespace zin
