// The line store: construction, line records, rescanning and joining of
// lines, readers. Loading is ZinLinesLoad.cpp's, the scan ZinLinesScan.cpp's.
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

// ---- TZinLines: construction, line records ----------------------------------

TZinLines::TZinLines(TZinLinesOwner* edit) : FEdit(edit)
{
    FSyntax = GetPlainTextSyntax();
    FMemData = new TMemData();
    FLines.FSources[TLineList::SourceMemory] = FMemData;
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

TLineSpill& TZinLines::Materialize(TLine& line)
{
    if (!line.Spilled()) {
        auto* spill = new TLineSpill;
        spill->Length = line.CompactLength();
        spill->Blocks.assign(1, TBlock{line.Source(), line.FOffset, line.CompactLength()});
        const TRowList rows = line.Rows();
        spill->Rows.resize(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            spill->Rows[i] = rows[i];
        if (line.PooledRows())
            FLines.FRowPool.Free(line.RowRun(), line.RowEntries());
        line.FSpill = spill;
        line.FFlags = TLine::flSpilled;
        ++FLines.FSpilledLines;
    }
    return *line.FSpill;
}

void TZinLines::TryCompact(TLine& line)
{
    if (!line.Spilled())
        return;
    const TLineSpill& sp = *line.FSpill;
    if (sp.Length > TLine::CompactMax || sp.Blocks.size() != 1 || sp.Blocks[0].Size != sp.Length)
        return;
    const int slot = FLines.SlotOf(sp.Blocks[0].Source);
    if (slot < 0 || (slot == 0 && sp.Length != 0))
        return;
    TLineSpill* spill = line.FSpill;
    const bool oneRow = sp.Rows.size() == 2 && sp.Rows[0].Pos < 256 && sp.Rows[1].Width == 0 &&
                        sp.Rows[1].Pos == sp.Length - line.NewLineBytes;
    line.FOffset = spill->Blocks[0].Offset;
    line.SetCompactLength(spill->Length);
    line.FFlags = static_cast<uint8_t>(slot << TLine::flSourceShift);
    if (oneRow) {
        line.FPos0 = static_cast<uint8_t>(spill->Rows[0].Pos);
        line.FWidth0 = spill->Rows[0].Width;
    } else if (!PoolRows(line, spill->Rows)) {
        line.FSpill = spill;
        line.FFlags = TLine::flSpilled;
        return;
    }
    delete spill;
    --FLines.FSpilledLines;
}

bool TZinLines::PoolRows(TLine& line, const std::vector<TRowIndex>& rows)
{
    Changed();
    const size_t n = rows.size();
    if (n == 0 || n > TRowPool::MaxEntries)
        return false;
    for (const TRowIndex& r : rows)
        if (r.Pos > UINT32_MAX)
            return false;
    TRowPool& pool = FLines.FRowPool;
    uint32_t run;
    if (line.PooledRows() && line.RowEntries() == n) {
        run = line.RowRun();  // the same count: rebuilt in place
    } else {
        if (line.PooledRows()) {
            pool.Free(line.RowRun(), line.RowEntries());
            line.FFlags &= static_cast<uint8_t>(~TLine::flPooledRows);
        }
        run = pool.Allocate(static_cast<uint32_t>(n));
        if (run == TRowPool::None)
            return false;
    }
    TRowPool::TUnit* u = pool.At(run);
    for (size_t i = 0; i < n; ++i)
        u[i] = TRowPool::TUnit{static_cast<uint32_t>(rows[i].Pos), rows[i].Width};
    line.FPos0 = static_cast<uint8_t>(n);
    line.FWidth0 = static_cast<int32_t>(run);
    line.FFlags |= TLine::flPooledRows;
    return true;
}

void TZinLines::SetOneRow(TLine& line, uint8_t pos0, int32_t width)
{
    Changed();
    if (line.PooledRows()) {
        FLines.FRowPool.Free(line.RowRun(), line.RowEntries());
        line.FFlags &= static_cast<uint8_t>(~TLine::flPooledRows);
    }
    line.FPos0 = pos0;
    line.FWidth0 = width;
}

void TZinLines::ResetBlank(TLine& line)
{
    Changed();
    if (line.Spilled()) {
        delete line.FSpill;
        --FLines.FSpilledLines;
    } else if (line.PooledRows()) {
        FLines.FRowPool.Free(line.RowRun(), line.RowEntries());
    }
    line.FFlags = 0;
    line.FOffset = 0;
    line.SetCompactLength(0);
    line.FPos0 = 0;
    line.FWidth0 = 0;
    line.NewLineBytes = 0;
}

void TZinLines::SetSingleBlock(TLine& line, TInData* source, uint64_t offset, uint64_t length)
{
    Changed();
    const int slot = FLines.SlotOf(source);
    if (!line.Spilled() && length <= TLine::CompactMax && (slot > 0 || (slot == 0 && length == 0))) {
        line.FOffset = offset;
        line.SetCompactLength(length);
        line.FFlags = static_cast<uint8_t>((slot << TLine::flSourceShift) | (line.FFlags & TLine::flPooledRows));
        return;
    }
    TLineSpill& sp = Materialize(line);
    sp.Length = length;
    sp.Blocks.assign(1, TBlock{source, offset, length});
    TryCompact(line);
}

void TZinLines::GetBlocks(const TLine& line, std::vector<TBlock>& blocks) const
{
    if (line.Spilled())
        blocks = line.FSpill->Blocks;
    else
        blocks.assign(1, TBlock{line.Source(), line.FOffset, line.CompactLength()});
}

void TZinLines::SetBlocks(TLine& line, const std::vector<TBlock>& blocks)
{
    Changed();
    uint64_t length = 0;
    for (const TBlock& b : blocks)
        length += b.Size;
    if (blocks.size() == 1) {
        SetSingleBlock(line, blocks[0].Source, blocks[0].Offset, length);
        return;
    }
    TLineSpill& sp = Materialize(line);
    sp.Length = length;
    sp.Blocks = blocks;
}

void TZinLines::CommitRows(TLine& line, const std::vector<TRowIndex>& rows)
{
    Changed();
    if (!line.Spilled()) {
        if (rows.size() == 2 && rows[0].Pos < 256 && rows[1].Width == 0 &&
            rows[1].Pos == line.CompactLength() - line.NewLineBytes) {
            SetOneRow(line, static_cast<uint8_t>(rows[0].Pos), rows[0].Width);
            return;
        }
        if (PoolRows(line, rows))
            return;
    }
    Materialize(line).Rows = rows;
    TryCompact(line);
}

uint8_t TZinLines::ByteOfLine(const TLine& line, uint64_t i)
{
    if (!line.Spilled())
        return line.Source()->GetByte(line.FOffset + i);
    for (const TBlock& b : line.FSpill->Blocks) {
        if (i < b.Size)
            return b.Source->GetByte(b.Offset + i);
        i -= b.Size;
    }
    return 0;
}

// ---- Rescan and joining -----------------------------------------------------


int32_t TZinLines::LineEndChar(TLineIterator it)
{
    const TLine& line = *it;
    const uint64_t len = line.Length();
    if (len == 0)
        return 0;
    const uint8_t last = ByteOfLine(line, len - 1);
    int32_t u;
    switch (FDecoder.Kind()) {
    case cpkSingleByte:
        u = FDecoder.SingleByte(last);
        break;
    case cpkUTF16LE:
        if (len & 1)
            return 0;
        u = last * 256 + ByteOfLine(line, len - 2);
        break;
    case cpkUTF16BE:
        if (len & 1)
            return 0;
        u = ByteOfLine(line, len - 2) * 256 + last;
        break;
    default:
        u = last;
        break;
    }
    return (u == 13 || u == 10) ? u : 0;
}

bool TZinLines::StartsWithLF(TLineIterator it)
{
    const TLine& line = *it;
    const uint64_t len = line.Length();
    if (len == 0)
        return false;
    const uint8_t first = ByteOfLine(line, 0);
    switch (FDecoder.Kind()) {
    case cpkSingleByte:
        return FDecoder.SingleByte(first) == 10;
    case cpkUTF16LE:
        return (len & 1) == 0 && first == 10 && ByteOfLine(line, 1) == 0;
    case cpkUTF16BE:
        return (len & 1) == 0 && first == 0 && ByteOfLine(line, 1) == 10;
    default:
        return first == 10;
    }
}

void TZinLines::JoinNext(TLineIterator it, TLineIterator nextIt)
{
    Changed();
    TLine& line = *it;
    TLine& next = *nextIt;
    if (next.Length() == 0)
        return;
    if (!line.Spilled() && !next.Spilled() &&
        (line.FFlags & TLine::flSourceMask) == (next.FFlags & TLine::flSourceMask) &&
        line.FOffset + line.CompactLength() == next.FOffset &&
        line.CompactLength() + next.CompactLength() <= TLine::CompactMax) {
        // Both are slices of the same run: the single block grows.
        line.SetCompactLength(line.CompactLength() + next.CompactLength());
        return;
    }
    std::vector<TBlock> blocks;
    std::vector<TBlock> tail;
    GetBlocks(line, blocks);
    GetBlocks(next, tail);
    // Empty blocks (a blank line's {null, 0, 0}) cover nothing and are left out.
    std::erase_if(blocks, [](const TBlock& b) { return b.Size == 0; });
    size_t from = 0;
    while (from < tail.size() && tail[from].Size == 0)
        ++from;
    if (!blocks.empty() && from < tail.size() && blocks.back().Source == tail[from].Source &&
        blocks.back().Offset + blocks.back().Size == tail[from].Offset) {
        blocks.back().Size += tail[from].Size;
        ++from;
    }
    for (; from < tail.size(); ++from)
        if (tail[from].Size != 0)
            blocks.push_back(tail[from]);
    SetBlocks(line, blocks);
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
