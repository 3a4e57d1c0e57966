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
    FLines.BeginRows();
    TWork w;
    uint64_t start = 0;
    const size_t n = FLines.size();
    for (size_t i = 0; i < n; ++i) {
        w.Bytes = FLines.BytesAt(i, start);
        rb.Reset(FLines.FirstRowPos(i));
        CountRow();
        uint64_t end;
        if (!ScanPieceFast(s, cursor, w, rb, false, false, end)) {
            ScanPieceSlow(s, w, rb, nullptr, false, false);
            cursor.Reset();
        }
        FLines.SetRows(i, FRowScratch.data(), FRowScratch.size());
        s.Advance(w.Bytes.Length);
        start += w.Bytes.Length;
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

void TZinLines::Track(const TScanSetup& s, TTracker& t, twc_queue& q, TWork& w)
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
                w.State[lsCommentClosed] = 1;
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
        RescanLines(first.Index(), last.Index());
        return true;
    } catch (const TLoadStop& stop) {
        FailLoad(stop.Reason);
    }
    return false;
}

void TZinLines::RescanLines(size_t first, size_t last)
{
    if (first == 0)
        FUnsplit = false;
    SelectDecoder();
    TScanSetup setup;
    PrepareScan(setup);
    // The lines are read from `in` and the new ones appended to `out`: a
    // new list of the lines before the range, the range rescanned and the
    // lines after it. A list of one line (a load) is rebuilt in place: its
    // one line is taken out first.
    TLineList& in = FLines;
    const size_t n = in.size();
    const bool inPlace = n == 1;
    TLineList& out = inPlace ? FLines : FSpare;
    uint64_t pos = in.StartOf(first);
    TWork w;
    w.Bytes = in.BytesAt(first, pos);
    if (w.Bytes.Blocks) {
        w.Blocks = *w.Bytes.Blocks;
        w.Bytes.Blocks = &w.Blocks;
    }
    w.NewLineBytes = in.NewLineBytesAt(first);
    w.State = in.StateAt(first);
    // The rows of the line the work began with, for a line that cannot be
    // scanned (no bytes): it stays as it was.
    std::vector<TRowIndex> keptRows;
    int32_t keptRowCount = in.RowCountAt(first);
    auto keepRows = [&](size_t k) {
        const TRowList rows = in.At(k)->Rows();
        keptRows.clear();
        for (size_t r = 0; r < rows.size(); ++r)
            keptRows.push_back(rows[r]);
    };
    if (inPlace) {
        keepRows(first);
        FLines.clear();
    } else {
        FSpare.clear();
        FSpare.Source = FLines.Source;
        uint64_t at = 0;
        for (size_t i = 0; i < first; ++i) {
            FSpare.AppendFrom(in, i, at, in.StateAt(i));
            at += in.LengthAt(i);
        }
    }
    size_t cur = first;
    pos += w.Bytes.Length;
    TLineState state{};
    bool inRange = true;
    bool more = true;
    bool unchanged = false;
    size_t rest = n;       // the first line copied as it is after the scan
    bool stopped = false;  // the scan stopped where the states agreed again
    for (;;) {
        if (inRange && cur == last)
            inRange = false;
        size_t nxt = cur + 1;
        if (nxt == n) {
            more = false;
        } else {
            // Join where the current decoding sees no newline at the line's
            // end, and where a CR ends a line whose successor starts with LF.
            for (;;) {
                const TLineBytes next = in.BytesAt(nxt, pos);
                const int32_t endChar = LineEndCharOf(w.Bytes);
                if (!(endChar == 0 || (endChar == 13 && StartsWithLFOf(next))))
                    break;
                if (inRange && nxt == last)
                    inRange = false;
                JoinInto(w, next);
                pos += next.Length;
                --FLineCount;
                FRowCount -= in.RowCountAt(nxt);
                ++nxt;
                if (nxt == n) {
                    more = false;
                    break;
                }
            }
        }
        if (w.Bytes.Length == 0) {
            // Nothing to split: the line stays as it was.
            if (!inPlace)
                keepRows(cur);
            out.Append(0, w.NewLineBytes, w.State, keptRows.data(), keptRows.size());
            state = w.State;
        } else {
            // The line's rows are counted again as they are made; its
            // first row stays counted.
            FRowCount -= keptRowCount - 1;
            if (!(inPlace && ScanLoadInTwo(setup, w, out, state)))
                state = ScanLineWith(setup, w, out);
        }
        if (!more)
            break;
        cur = nxt;
        const TLineState old = in.StateAt(cur);
        if (old == state)
            unchanged = true;
        w.Bytes = in.BytesAt(cur, pos);
        w.Blocks.clear();
        if (w.Bytes.Blocks) {
            w.Blocks = *w.Bytes.Blocks;
            w.Bytes.Blocks = &w.Blocks;
        }
        w.NewLineBytes = in.NewLineBytesAt(cur);
        w.State = state;
        if (!inRange && unchanged) {
            // The lines from here on stay as they are, this one with the
            // state the lines before it leave.
            out.AppendFrom(in, cur, pos, state);
            rest = cur + 1;
            stopped = true;
            pos += w.Bytes.Length;
            break;
        }
        keptRowCount = in.RowCountAt(cur);
        pos += w.Bytes.Length;
    }
    if (!inPlace) {
        for (size_t i = rest; i < n; ++i) {
            const uint64_t len = in.LengthAt(i);
            FSpare.AppendFrom(in, i, pos, in.StateAt(i));
            pos += len;
        }
        FLines.swap(FSpare);
        FSpare.Release();
    }
    if (stopped)
        return;
    EndLines(state);
}

void TZinLines::EndLines(const TLineState& state)
{
    if (LineEndChar(std::prev(FLines.end())) != 0) {
        CountRow();
        FLines.AppendOneRow(0, 0, state, 0);
        ++FLineCount;
    }
    FEndState = state;
}

// ---- Line scan -------------------------------------------------------------

void TZinLines::EmitPiece(TWork& w, TLineList& out, uint64_t p, const TLineState& state)
{
    out.Append(p, w.NewLineBytes, w.State, FRowScratch.data(), FRowScratch.size(),
               w.Bytes.Blocks ? &w.Blocks : nullptr);
    AdvanceWork(w, p);
    w.NewLineBytes = 0;
    w.State = state;
}

TLineState TZinLines::ScanLineWith(TScanSetup& s, TWork& w, TLineList& out)
{
    TLineState state = w.State;
    w.NewLineBytes = 0;
    bool firstOfList = out.size() == 0;
    TRowBuilder rb;
    rb.Rows = &FRowScratch;
    rb.Progress = &s;
    TTracker t;
    TSpanCursor cursor;
    const bool simple = FUseFastScan && s.Uniform > 0 && (s.Kind == cpkSingleByte || s.Kind == cpkUTF8);
    for (;;) {
        const bool inert = s.InertSyntax && state[lsRange] == 0 && state[lsBlockComment] == 0 && state[lsString] == 0;
        if (inert && simple && SimplePieces(s, cursor, w, out, state, firstOfList))
            break;
        rb.Reset(0);
        t.State = state;
        t.Skip = 0;
        t.Range = state[lsRange] ? s.Syntax->FindRange(state[lsRange]) : nullptr;
        uint64_t p;
        if (!(inert && ScanPieceFast(s, cursor, w, rb, true, firstOfList, p))) {
            p = ScanPieceSlow(s, w, rb, &t, true, firstOfList);
            cursor.Reset();
        }
        state = t.State;
        if (p >= w.Bytes.Length) {
            const uint64_t len = w.Bytes.Length;
            EmitPiece(w, out, len, state);
            s.Advance(len);
            break;
        }
        // The line ends after its newline (its rows describe it as it is
        // then); the rest of its bytes go to a new line.
        EmitPiece(w, out, p, state);
        CountRow();
        ++FLineCount;
        s.Advance(p);
        firstOfList = false;
    }
    return state;
}

uint64_t TZinLines::ScanPieceSlow(TScanSetup& s, TWork& w, TRowBuilder& rb, TTracker* t, bool scanMode,
                                  bool firstOfList)
{
    twc_queue& q = FScanQueue;
    q.clear();
    BeginReadWork(w, rb.RowStart);
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
                w.NewLineBytes = NoteNewLine(*s.Nlt, u, n, lfBytes);
            q.clear();
            break;
        }
        if (t)
            Track(s, *t, q, w);
        q.pop_front();
        PlaceChar(s, rb, u, n, u == 9 ? 0 : s.Width(u));
        if (q.empty() && !NextChar(q))
            break;
    }
    CloseLine(rb);
    return FReader.Pos();
}

}  // namespace zin
