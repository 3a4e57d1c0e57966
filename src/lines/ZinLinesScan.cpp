// The line scan: splitting lines at their newlines, cutting rows by byte
// limit and wrap width, and tracking the syntax state at each line's start.
//
// Two routes give the same lines, rows and states. The reference route reads
// one character at a time through the reader (BeginRead/NextChar/IsLFNext).
// The fast route, taken where the syntax state cannot change (no strings,
// block comments or ranges in the definition), decodes straight from the
// data source's contiguous spans. Lines of printable ASCII of one width go
// through one tight loop (SimplePieces). Otherwise a row is measured in one
// go up to the next newline or up to the character that does not fit the
// byte limit or the wrap width; only then is the word/delimiter run that
// decides a carry worked out, and that one character is placed as the
// reference route places it. A randomised test compares both routes.
//
// This file holds the set-up, the rows, the tracker and the reference
// route; ZinLinesScanFast.cpp the fast route; ZinLinesScanParts.h what they
// share. The rules both routes apply per character (tab widths, newlines, the
// byte-order mark, word and delimiter runs) live in ZinCharRules.h.
#include <algorithm>
#include <climits>

#include "encoding/CodePage.h"
#include "lines/ZinCharRules.h"
#include "lines/ZinLines.h"
#include "lines/ZinLinesDecode.h"
#include "lines/ZinLinesScanParts.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

const TZinSyntax& DefaultSyntax()
{
    static const TZinSyntax syntax;
    return syntax;
}

// The line state keeps a block comment's pair and a quote's position in one
// byte each: pairs and quote characters past the 255th are not recognised.
constexpr size_t MaxStateIndex = 255;

bool InList(const std::vector<int32_t>& list, int32_t id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

}  // namespace

// ---- Set-up ----------------------------------------------------------------

void TZinLines::PrepareScan(TScanSetup& s)
{
    // Select the code page and the decoder exactly as BeginRead does, so
    // that both routes decode alike.
    SelectDecoder();
    s.Kind = FDecoder.Valid() ? FDecoder.Kind() : int(cpkSingleByte);

    s.Decoder = FDecoder;
    s.Edit = FEdit;
    s.Total = FFileSize;
    s.Syntax = FSyntax ? FSyntax.get() : &DefaultSyntax();
    s.Nlt = &FNewLineType;
    s.Cache = FEdit->CharWidthCache();
    s.MaxLen = FEdit->GetMaxLineLength();
    s.WrapW = FEdit->GetWrapWidth();
    s.TabW = std::max(1, FEdit->GetTabSize() * FEdit->GetAvgCharWidth());

    const TZinSyntax& syn = *s.Syntax;
    s.InertSyntax = syn.StringChars.empty() &&
                    std::min(syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size()) == 0 &&
                    syn.RangeBegins.empty();

    for (int c = 0; c < 256; ++c) {
        s.Cls[c] = CharClass(c, syn.Delimiters);
        s.Lead[c] = IsLeadByte(static_cast<uint8_t>(c));
        const uint16_t u =
            (s.Kind == cpkSingleByte) ? FDecoder.SingleByte(static_cast<uint8_t>(c)) : static_cast<uint16_t>(c);
        s.ByteU[c] = u;
        s.ByteW[c] = 0;
        if (s.Kind == cpkUTF8 && c >= 0x80)
            s.ByteKind[c] = TByteKind::Multi;
        else if (u == 9)
            s.ByteKind[c] = TByteKind::Tab;
        else if (IsNewLine(u))
            s.ByteKind[c] = TByteKind::NewLine;
        else {
            s.ByteKind[c] = TByteKind::Plain;
            s.ByteW[c] = std::max(s.Cache[u], 0);
        }
    }
    s.Uniform = 0;
    if (s.Kind != cpkDoubleByte) {
        int32_t common = -1;
        for (int c = 0x20; c < 0x7F && common != 0; ++c) {
            if (s.ByteKind[c] != TByteKind::Plain) {
                common = 0;
                break;
            }
            if (s.ByteW[c] == 0)
                s.ByteW[c] = std::max(s.Width(s.ByteU[c]), 0);
            const int32_t w = s.ByteW[c];
            common = (w > 0 && (common < 0 || common == w)) ? w : 0;
        }
        s.Uniform = common > 0 ? common : 0;
    }
}

// ---- Rows ------------------------------------------------------------------

void TZinLines::CloseRow(TRowBuilder& rb, bool carry)
{
    if (carry)
        rb.RowWidth -= rb.Run.Width;
    (*rb.Rows)[rb.Closed] = TRowIndex{rb.RowStart, rb.RowWidth};
    rb.Rows->push_back(TRowIndex{});
    ++rb.Closed;
    CountRow();
    FMaxRowWidth = std::max(FMaxRowWidth, rb.RowWidth);
    if (carry) {
        rb.RowStart += rb.RowBytes - rb.Run.Bytes;
        rb.RowWidth = rb.Run.Width;
        rb.RowBytes = rb.Run.Bytes;
    } else {
        rb.RowStart += rb.RowBytes;
        rb.RowWidth = rb.RowBytes = 0;
        rb.Run.Clear();
    }
    if (rb.Progress)
        rb.Progress->Within(rb.RowStart);
}

void TZinLines::CloseLine(TRowBuilder& rb)
{
    FMaxRowWidth = std::max(FMaxRowWidth, rb.RowWidth);
    (*rb.Rows)[rb.Closed] = TRowIndex{rb.RowStart, rb.RowWidth};
    (*rb.Rows)[rb.Closed + 1] = TRowIndex{rb.RowStart + rb.RowBytes, 0};
}

bool TZinLines::Reformat()
{
    const int32_t wrap = FEdit->GetWrapWidth();
    try {
        ReformatWith(wrap);
        FRowsWrapWidth = wrap;
        return true;
    } catch (const TLoadStop&) {
        // Too many rows: the rows are built again as they were, with the
        // wrap width they had (or none, should that not fit either).
    }
    try {
        ReformatWith(FRowsWrapWidth);
    } catch (const TLoadStop&) {
        FRowsWrapWidth = INT32_MAX;
        ReformatWith(INT32_MAX);
    }
    return false;
}

void TZinLines::ReformatWith(int32_t wrapWidth)
{
    FRowCount = 0;
    FMaxRowWidth = 0;
    TScanSetup s;
    PrepareScan(s);
    s.WrapW = wrapWidth;
    TRowBuilder rb;
    rb.Rows = &FRowScratch;
    rb.Progress = &s;
    TSpanCursor cursor;
    for (TLineIterator it = FLines.begin(); it != FLines.end(); ++it) {
        const TLine& line = *it;
        rb.Reset(line.Spilled() || line.PooledRows() ? line.Rows()[0].Pos : line.FPos0);
        CountRow();
        uint64_t end;
        if (!ScanPieceFast(s, cursor, it, rb, false, false, end)) {
            ScanPieceSlow(s, it, rb, nullptr, false, false);
            cursor.Reset();
        }
        CommitRows(*it, FRowScratch);
        s.Advance(line.Length());
    }
}

// ---- The syntax-state tracker ----------------------------------------------

int32_t TZinLines::MatchStrings(twc_queue& q, const std::string* strings, size_t count, int32_t& length)
{
    if (q.empty())
        return 0;
    const int32_t c = q.front().first;
    for (size_t i = 0; i < count; ++i) {
        const std::string& s = strings[i];
        const size_t n = s.size();
        if (n == 0 || c != static_cast<uint8_t>(s[0]))
            continue;
        if (n == 1) {
            length = 1;
            return static_cast<int32_t>(i + 1);
        }
        // Decode ahead, but never past a newline: also not past one an
        // earlier look-ahead left in the queue, or a CR LF pair would be
        // seen apart.
        bool stop = false;
        for (size_t k = 1; k < q.size(); ++k)
            if (q[k].first == 13 || q[k].first == 10) {
                stop = true;
                break;
            }
        while (!stop && q.size() < n) {
            if (!NextChar(q))
                break;
            const int32_t v = q.back().first;
            if (v == 13 || v == 10 || v != static_cast<uint8_t>(s[q.size() - 1]))
                break;
        }
        if (q.size() < n)
            continue;
        bool equal = true;
        for (size_t k = 0; k < n && equal; ++k) {
            const int32_t v = q[k].first;
            if (v == 13 || v == 10 || (k > 0 && v != static_cast<uint8_t>(s[k])))
                equal = false;
        }
        if (equal) {
            length = static_cast<int32_t>(n);
            return static_cast<int32_t>(i + 1);
        }
    }
    return 0;
}

void TZinLines::Track(const TScanSetup& s, TTracker& t, twc_queue& q, TLine& line)
{
    if (t.Skip != 0) {
        --t.Skip;
        return;
    }
    const TZinSyntax& syn = *s.Syntax;
    const int32_t u = q.front().first;
    t.Skip = 1;
    auto quotePos = [&](int32_t v) -> uint8_t {
        if (v < 0 || v >= 256)
            return 0;
        // The state holds a quote's position in one byte: characters past
        // the 255th are no quotes.
        const size_t p = syn.StringChars.find(static_cast<char>(v));
        return p < MaxStateIndex ? static_cast<uint8_t>(p + 1) : 0;
    };
    int32_t len = 0;
    if (u >= 256 || u == 32 || u == 9) {
        // No token starts here.
    } else if (t.State[lsBlockComment] != 0) {
        // Inside a block comment: only its end token counts.
        const size_t idx = t.State[lsBlockComment] - 1u;
        if (idx < syn.BlockCommentEnds.size()) {
            if (MatchStrings(q, &syn.BlockCommentEnds[idx], 1, len)) {
                t.State[lsBlockComment] = 0;
                t.Skip = len;
                line.State[lsCommentClosed] = 1;
            }
        }
    } else if (t.State[lsString] != 0) {
        // Inside a string: an escape passes over an escaped quote or escape.
        if (u == syn.EscapeChar) {
            if (q.size() == 1)
                NextChar(q);
            if (q.size() >= 2) {
                const int32_t v = q[1].first;
                if (v == syn.EscapeChar || quotePos(v) == t.State[lsString])
                    t.Skip += 1;
            }
        } else if (quotePos(u) == t.State[lsString]) {
            t.State[lsString] = 0;
        }
    } else {
        const int32_t range = t.State[lsRange];
        int32_t g;
        if (!syn.StringChars.empty() && InList(syn.StringInRange, range) && quotePos(u) != 0) {
            t.State[lsString] = quotePos(u);
        } else if ((g = MatchStrings(q, syn.BlockCommentBegins, len,
                                     std::min({syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size(),
                                               MaxStateIndex}))) != 0 &&
                   static_cast<size_t>(g - 1) < syn.BlockCommentInRange.size() &&
                   InList(syn.BlockCommentInRange[g - 1], range)) {
            // A begin without an end token is never matched: it opens nothing.
            t.State[lsBlockComment] = static_cast<uint8_t>(g);
            t.Skip = len;
        } else if (MatchStrings(q, syn.LineComments, len) != 0 && InList(syn.LineCommentInRange, range)) {
            t.Skip = INT32_MAX;
        } else if (range != 0 && t.Range) {
            if (MatchStrings(q, &t.Range->End, 1, len)) {
                t.Skip = len;
                t.State[lsRange] = 0;
                t.Range = nullptr;
            }
        } else if (range == 0 && !syn.RangeBegins.empty()) {
            g = MatchStrings(q, syn.RangeBegins, len);
            if (g != 0 && static_cast<size_t>(g - 1) < syn.Ranges.size()) {
                t.Skip = len;
                const int32_t id = syn.Ranges[g - 1].Id;
                t.State[lsRange] = static_cast<uint8_t>(id & 0xFF);
                t.Range = syn.FindRange(id);
            }
        }
    }
    --t.Skip;
}

// ---- Rescan ----------------------------------------------------------------

bool TZinLines::Rescan(TLineIterator first, TLineIterator last)
{
    // A stop leaves the lines half split: they give way to one blank line,
    // as after a load that stopped. (A load splits its lines through
    // CompleteLoad, which catches a stop itself.)
    try {
        RescanLines(first, last);
        return true;
    } catch (const TLoadStop& stop) {
        FailLoad(stop.Reason);
    }
    return false;
}

void TZinLines::RescanLines(TLineIterator first, TLineIterator last)
{
    if (first == FLines.begin())
        FUnsplit = false;
    SelectDecoder();
    TScanSetup setup;
    PrepareScan(setup);
    TLineIterator cur = first;
    TLineState state{};
    bool inRange = true;
    bool more = true;
    bool unchanged = false;
    for (;;) {
        if (inRange && cur == last)
            inRange = false;
        TLineIterator nxt = std::next(cur);
        if (nxt == FLines.end()) {
            more = false;
        } else {
            // Join where the current decoding sees no newline at the line's
            // end, and where a CR ends a line whose successor starts with LF.
            for (;;) {
                const int32_t endChar = LineEndChar(cur);
                if (!(endChar == 0 || (endChar == 13 && StartsWithLF(nxt))))
                    break;
                if (inRange && nxt == last)
                    inRange = false;
                JoinNext(cur, nxt);
                --FLineCount;
                FRowCount -= nxt->RowCount();
                FLines.erase(nxt);
                nxt = std::next(cur);
                if (nxt == FLines.end()) {
                    more = false;
                    break;
                }
            }
        }
        state = ScanLineWith(setup, cur);
        if (!more)
            break;
        cur = nxt;
        if (cur->State == state)
            unchanged = true;
        else
            cur->State = state;
        if (!inRange && unchanged)
            return;
    }
    if (LineEndChar(std::prev(FLines.end())) != 0) {
        CountRow();
        TLineIterator blank = FLines.insert(FLines.end());
        blank->State = state;
        ++FLineCount;
    }
    FEndState = state;
}

// ---- Line scan -------------------------------------------------------------

TLineState TZinLines::ScanLine(TLineIterator line)
{
    if (line->Length() == 0)
        return line->State;
    TScanSetup s;
    PrepareScan(s);
    return ScanLineWith(s, line);
}

void TZinLines::SplitAfter(TLineIterator it, uint64_t p, const TLineState& state)
{
    TLine& line = *it;
    TLineIterator nIt = FLines.insert(std::next(it));
    TLine& n = *nIt;
    n.State = state;
    if (!line.Spilled()) {
        // The block splits in two: the line keeps its start, the new line
        // takes the rest.
        n.FOffset = line.FOffset + p;
        n.SetCompactLength(line.CompactLength() - p);
        n.FFlags = line.FFlags & TLine::flSourceMask;
        line.SetCompactLength(p);
    } else {
        std::vector<TBlock> head = line.FSpill->Blocks;
        uint64_t r = p;
        size_t i = 0;
        while (i < head.size() && r >= head[i].Size) {
            r -= head[i].Size;
            ++i;
        }
        if (i < head.size() && r != 0) {
            TBlock second{head[i].Source, head[i].Offset + r, head[i].Size - r};
            head[i].Size = r;
            head.insert(head.begin() + static_cast<std::ptrdiff_t>(i) + 1, second);
            ++i;
        }
        std::vector<TBlock> tail(head.begin() + static_cast<std::ptrdiff_t>(i), head.end());
        head.resize(i);
        SetBlocks(n, tail);
        SetBlocks(line, head);
    }
    CountRow();
    ++FLineCount;
}

TLineState TZinLines::ScanLineWith(TScanSetup& s, TLineIterator lineIt)
{
    if (lineIt->Length() == 0)
        return lineIt->State;
    TLineState state = lineIt->State;
    lineIt->NewLineBytes = 0;
    FRowCount -= lineIt->RowCount() - 1;
    bool firstOfList = lineIt == FLines.begin();
    TLineIterator cur = lineIt;
    TRowBuilder rb;
    rb.Rows = &FRowScratch;
    rb.Progress = &s;
    TTracker t;
    TSpanCursor cursor;
    const bool simple = FUseFastScan && s.Uniform > 0 && (s.Kind == cpkSingleByte || s.Kind == cpkUTF8);
    for (;;) {
        const bool inert = s.InertSyntax && state[lsRange] == 0 && state[lsBlockComment] == 0 && state[lsString] == 0;
        if (inert && simple && SimplePieces(s, cursor, cur, state, firstOfList))
            break;
        rb.Reset(0);
        t.State = state;
        t.Skip = 0;
        t.Range = state[lsRange] ? s.Syntax->FindRange(state[lsRange]) : nullptr;
        uint64_t p;
        if (!(inert && ScanPieceFast(s, cursor, cur, rb, true, firstOfList, p))) {
            p = ScanPieceSlow(s, cur, rb, &t, true, firstOfList);
            cursor.Reset();
        }
        state = t.State;
        if (p >= cur->Length()) {
            CommitRows(*cur, FRowScratch);
            s.Advance(cur->Length());
            break;
        }
        // The line ends after its newline (its rows describe it as it is
        // then); the rest of its bytes go to a new line.
        SplitAfter(cur, p, state);
        CommitRows(*cur, FRowScratch);
        s.Advance(p);
        ++cur;
        firstOfList = false;
    }
    return state;
}

uint64_t TZinLines::ScanPieceSlow(TScanSetup& s, TLineIterator lineIt, TRowBuilder& rb, TTracker* t,
                                  bool scanMode, bool firstOfList)
{
    twc_queue& q = FScanQueue;
    q.clear();
    TLine& line = *lineIt;
    BeginRead(lineIt, TRowIndex{rb.RowStart, 0});
    NextChar(q);
    if (scanMode && firstOfList && !q.empty()) {
        const uint64_t start = FirstRowStart(FDecoder.Kind(), q.front().first, q.front().second);
        if (start != 0) {
            rb.RowStart = start;
            q.pop_front();
            NextChar(q);
        }
    }
    if (q.empty()) {
        CloseLine(rb);
        return FReader.Pos();
    }
    for (;;) {
        const auto [u, n] = q.front();
        if (IsNewLine(u)) {
            int32_t lfBytes = 0;
            if (u == 13 && IsLFNext()) {
                NextChar(q);
                lfBytes = q.back().second;
            }
            if (scanMode)
                line.NewLineBytes = NoteNewLine(*s.Nlt, u, n, lfBytes);
            q.clear();
            break;
        }
        if (t)
            Track(s, *t, q, line);
        q.pop_front();
        PlaceChar(s, rb, u, n, u == 9 ? 0 : s.Width(u));
        if (q.empty() && !NextChar(q))
            break;
    }
    CloseLine(rb);
    return FReader.Pos();
}

}  // namespace zin
