// The line store: construction, assembling lines, joining the bytes of
// lines for a rescan, readers. Loading is ZinLinesLoad.cpp's, the scan ZinLinesScan.cpp's.
#include "lines/ZinLines.h"

#include "lines/ZinLinesDecode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "syntax/ZinSyntax.h"

namespace zin {

// ---- TZinLines: construction, assembling lines ------------------------------

TZinLines::TZinLines(TZinLinesOwner* edit) : FEdit(edit)
{
    FSyntax = GetPlainTextSyntax();
    FMemData = new TMemData();
    FLines.Source = FMemData;
    FLines.Watch = &FWatch;
    FSpare.Watch = &FWatch;
    FLines.SetHugePages(true);
    Clear(false);
    FMaxRowWidth = 0;
    FFileData = nullptr;
}

TZinLines::~TZinLines()
{
    Clear(true);
    delete FFileData;
    delete FMemData;
}

void TZinLines::SetLineBlocks(TLineIterator line, const std::vector<TBlock>& blocks)
{
    // The list is built anew: the lines before, the line with its new
    // blocks (its rows when its length stays, else one row to its end),
    // the lines after.
    const size_t k = line.Index();
    FSpare.clear();
    FSpare.Source = FLines.Source;
    uint64_t start = 0;
    uint64_t length = 0;
    for (const TBlock& b : blocks)
        length += b.Size;
    for (size_t i = 0; i < FLines.size(); ++i) {
        const uint64_t n = FLines.LengthAt(i);
        if (i != k) {
            FSpare.AppendFrom(FLines, i, start, FLines.StateAt(i));
        } else if (length == n) {
            // The same length: the rows stay.
            std::vector<TRowIndex> rows;
            const TRowList r = FLines.At(i)->Rows();
            for (size_t e = 0; e < r.size(); ++e)
                rows.push_back(r[e]);
            FSpare.Append(length, FLines.NewLineBytesAt(i), FLines.StateAt(i), rows.data(), rows.size(), &blocks);
        } else {
            const uint8_t nl = static_cast<uint8_t>(std::min<uint64_t>(FLines.NewLineBytesAt(i), length));
            const TRowIndex rows[2] = {TRowIndex{0, 0}, TRowIndex{length - nl, 0}};
            FSpare.Append(length, nl, FLines.StateAt(i), rows, 2, &blocks);
        }
        start += n;
    }
    FLines.swap(FSpare);
    FSpare.Release();
    FRowCount = static_cast<int32_t>(FLines.TotalRows());
}

void TZinLines::AppendBlankLine()
{
    FLines.AppendOneRow(0, 0, TLineState{}, 0);
    ++FLineCount;
    ++FRowCount;
}

uint8_t TZinLines::ByteOf(const TLineBytes& bytes, uint64_t i)
{
    if (!bytes.Blocks)
        return bytes.Source->GetByte(bytes.Offset + i);
    for (const TBlock& b : *bytes.Blocks) {
        if (i < b.Size)
            return b.Source->GetByte(b.Offset + i);
        i -= b.Size;
    }
    return 0;
}

// ---- Rescan and joining -----------------------------------------------------

int32_t TZinLines::LineEndCharOf(const TLineBytes& line) const
{
    const uint64_t len = line.Length;
    if (len == 0)
        return 0;
    const uint8_t last = ByteOf(line, len - 1);
    int32_t u;
    switch (FDecoder.Kind()) {
    case cpkSingleByte:
        u = FDecoder.SingleByte(last);
        break;
    case cpkUTF16LE:
        if (len & 1)
            return 0;
        u = last * 256 + ByteOf(line, len - 2);
        break;
    case cpkUTF16BE:
        if (len & 1)
            return 0;
        u = ByteOf(line, len - 2) * 256 + last;
        break;
    default:
        u = last;
        break;
    }
    return (u == 13 || u == 10) ? u : 0;
}

bool TZinLines::StartsWithLFOf(const TLineBytes& line) const
{
    const uint64_t len = line.Length;
    if (len == 0)
        return false;
    const uint8_t first = ByteOf(line, 0);
    switch (FDecoder.Kind()) {
    case cpkSingleByte:
        return FDecoder.SingleByte(first) == 10;
    case cpkUTF16LE:
        return (len & 1) == 0 && first == 10 && ByteOf(line, 1) == 0;
    case cpkUTF16BE:
        return (len & 1) == 0 && first == 0 && ByteOf(line, 1) == 10;
    default:
        return first == 10;
    }
}

void TZinLines::JoinInto(TWork& w, const TLineBytes& next)
{
    if (next.Length == 0)
        return;
    TLineBytes& b = w.Bytes;
    if (!b.Blocks && !next.Blocks && (b.Length == 0 || (b.Source == next.Source && b.Offset + b.Length == next.Offset))) {
        // Both are slices of the same run: the run grows.
        if (b.Length == 0) {
            b.Source = next.Source;
            b.Offset = next.Offset;
        }
        b.Length += next.Length;
        return;
    }
    std::vector<TBlock> blocks;
    if (b.Blocks)
        blocks = *b.Blocks;
    else if (b.Length != 0)
        blocks.push_back(TBlock{b.Source, b.Offset, b.Length});
    std::vector<TBlock> tail;
    if (next.Blocks)
        tail = *next.Blocks;
    else
        tail.push_back(TBlock{next.Source, next.Offset, next.Length});
    // Empty blocks cover nothing and are left out; touching ones merge.
    std::erase_if(blocks, [](const TBlock& x) { return x.Size == 0; });
    for (const TBlock& t : tail) {
        if (t.Size == 0)
            continue;
        if (!blocks.empty() && blocks.back().Source == t.Source && blocks.back().Offset + blocks.back().Size == t.Offset)
            blocks.back().Size += t.Size;
        else
            blocks.push_back(t);
    }
    w.Blocks = std::move(blocks);
    b.Length += next.Length;
    if (w.Blocks.size() == 1) {
        b.Source = w.Blocks[0].Source;
        b.Offset = w.Blocks[0].Offset;
        b.Blocks = nullptr;
    } else {
        b.Source = nullptr;
        b.Offset = 0;
        b.Blocks = &w.Blocks;
    }
}

void TZinLines::AdvanceWork(TWork& w, uint64_t n)
{
    TLineBytes& b = w.Bytes;
    b.Length -= n;
    if (!b.Blocks) {
        b.Offset += n;
        return;
    }
    size_t i = 0;
    while (i < w.Blocks.size() && n >= w.Blocks[i].Size) {
        n -= w.Blocks[i].Size;
        ++i;
    }
    w.Blocks.erase(w.Blocks.begin(), w.Blocks.begin() + static_cast<std::ptrdiff_t>(i));
    if (!w.Blocks.empty()) {
        w.Blocks[0].Offset += n;
        w.Blocks[0].Size -= n;
    }
    if (w.Blocks.size() <= 1) {
        b.Source = w.Blocks.empty() ? nullptr : w.Blocks[0].Source;
        b.Offset = w.Blocks.empty() ? 0 : w.Blocks[0].Offset;
        b.Blocks = nullptr;
    }
}

// ---- Readers ------------------------------------------------------------------

bool TZinLines::BeginRead(TLineReader& reader, TLineIterator line, const TRowIndex& entry)
{
    const bool selected = SelectDecoder();
    if (reader.Decoder().Tables() != FDecoder.Tables())
        reader.SetDecoder(FDecoder);
    reader.Begin(line, entry.Pos);
    return selected;
}

void TZinLines::BeginReadWork(const TWork& w, uint64_t pos)
{
    SelectDecoder();
    if (FReader.Decoder().Tables() != FDecoder.Tables())
        FReader.SetDecoder(FDecoder);
    FReader.Begin(w.Bytes, pos);
}

bool TZinLines::SelectDecoder()
{
    const int32_t codePage = FCodePage;
    if (FDecoder.Valid() && FDecoder.CodePage() == codePage)
        return true;
    const TDecoder decoder = TDecoder::For(codePage);
    if (!decoder.Valid())
        return false;  // the previous decoder stays
    FDecoder = decoder;
    return true;
}

}  // namespace zin
