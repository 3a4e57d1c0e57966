// The line list: its arrays, checkpoints and side tables; the views of a
// line's blocks and rows.
#include "lines/ZinLineList.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace zin {

// ---- TChunkArray ---------------------------------------------------------------

// Chunks are mapped from the system directly, not taken from the heap: a
// list's memory goes back to the system when it is released (a heap keeps
// freed blocks of this size, and a rebuild's old list would stay resident).
// Where asked (Huge), chunks after the first are aligned to their size and
// advised to be huge pages, so that filling them costs one fault per chunk
// rather than one per 4 KiB page; the first stays in small pages, so that a
// small file's list stays small.
template <class T, unsigned Shift>
void TChunkArray<T, Shift>::AddChunk(TGrowthWatch* watch)
{
    FChunks.reserve(FChunks.size() + 1);
    void* chunk;
    if (FChunks.empty() || !Huge) {
        chunk = mmap(nullptr, ChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (chunk == MAP_FAILED)
            throw std::bad_alloc();
    } else {
        void* area = mmap(nullptr, 2 * ChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (area == MAP_FAILED)
            throw std::bad_alloc();
        const uintptr_t start = reinterpret_cast<uintptr_t>(area);
        const uintptr_t aligned = (start + ChunkBytes - 1) & ~(uintptr_t{ChunkBytes} - 1);
        if (aligned > start)
            munmap(area, aligned - start);
        if (aligned + ChunkBytes < start + 2 * ChunkBytes)
            munmap(reinterpret_cast<void*>(aligned + ChunkBytes), start + 2 * ChunkBytes - aligned - ChunkBytes);
        chunk = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
        madvise(chunk, ChunkBytes, MADV_HUGEPAGE);
#endif
    }
    FChunks.push_back(static_cast<T*>(chunk));
    if (watch)
        watch->Add(ChunkBytes);
}

template <class T, unsigned Shift>
void TChunkArray<T, Shift>::FreeChunk(T* chunk)
{
    munmap(chunk, ChunkBytes);
}

template class TChunkArray<uint32_t, 19>;
template class TChunkArray<TRowUnit, 19>;

// ---- Views -----------------------------------------------------------------------

TBlockList::TBlockList(const TLine& line)
{
    const TLineList& l = *line.FList;
    const size_t i = line.FIndex;
    if (l.SpilledAt(i)) {
        const TLineSpill* sp = l.SpillAt(i);
        if (!sp->Blocks.empty()) {
            FBlocks = &sp->Blocks;
            return;
        }
    }
    FOne = TBlock{l.Source, l.StartOf(i), l.LengthAt(i)};
}

TRowList::TRowList(const TLine& line) : FList(line.FList)
{
    const TLineList& l = *FList;
    const size_t i = line.FIndex;
    const uint32_t info = l.FInfo[i];
    if (info & TLineList::Spilled) {
        FSpill = &l.SpillAt(i)->Rows;
        return;
    }
    FPos0 = i == 0 ? l.FPos0 : 0;
    FEnd = l.FLen[i] - (info & TLineList::NlMask);
    if (info & TLineList::Multi) {
        FRows = ((info >> TLineList::PayloadShift) & TLineList::ExtraMask) + 1;
        FWidth0 = static_cast<int32_t>(info >> TLineList::MultiWidthShift);
        FUnit = l.UnitOf(i);
    } else {
        FWidth0 = static_cast<int32_t>(info >> TLineList::PayloadShift);
    }
}

TRowIndex TRowList::operator[](size_t k) const
{
    if (FSpill)
        return (*FSpill)[k];
    if (k == 0)
        return TRowIndex{FPos0, FWidth0};
    if (k >= FRows)
        return TRowIndex{FEnd, 0};
    // The row's offset is the sum of the steps from the first row's.
    uint64_t pos = FPos0;
    for (size_t j = 0; j < k; ++j)
        pos += FList->FUnits[FUnit + j].Bytes;
    return TRowIndex{pos, FList->FUnits[FUnit + k - 1].Width};
}

// ---- Lookups -----------------------------------------------------------------------

uint64_t TLineList::StartOf(size_t i) const
{
    if (i >= size())
        return FTotalBytes;
    const size_t c = i / Stride;
    uint64_t start = FCheckpoints[c].Start;
    for (size_t j = c * Stride; j < i; ++j) {
        const uint32_t n = FLen[j];
        start += n != LongLength ? n : SpillAt(j)->Length;
    }
    return start;
}

int32_t TLineList::FirstRowOf(size_t i) const
{
    if (i >= size())
        return static_cast<int32_t>(FTotalRows);
    const size_t c = i / Stride;
    int64_t row = FCheckpoints[c].FirstRow;
    for (size_t j = c * Stride; j < i; ++j)
        row += RowCountAt(j);
    return static_cast<int32_t>(row);
}

uint32_t TLineList::UnitOf(size_t i) const
{
    const size_t c = i / Stride;
    uint32_t unit = FCheckpoints[c].Unit;
    for (size_t j = c * Stride; j < i; ++j) {
        const uint32_t info = FInfo[j];
        if (info & Multi)
            unit += (info >> PayloadShift) & ExtraMask;
    }
    return unit;
}

TLineState TLineList::StateLookup(size_t i) const
{
    const size_t c = i / Stride;
    const auto first = FStates.begin() + FCheckpoints[c].State;
    const auto last = c + 1 < FCheckpoints.size() ? FStates.begin() + FCheckpoints[c + 1].State : FStates.end();
    const auto it = std::lower_bound(first, last, i, [](const TStateEntry& e, size_t k) { return e.Index < k; });
    return it != last && it->Index == i ? it->State : TLineState{};
}

const TLineSpill* TLineList::SpillAt(size_t i) const
{
    const size_t c = i / Stride;
    const auto first = FSpills.begin() + FCheckpoints[c].Spill;
    const auto last = c + 1 < FCheckpoints.size() ? FSpills.begin() + FCheckpoints[c + 1].Spill : FSpills.end();
    const auto it = std::lower_bound(first, last, i, [](const TSpillEntry& e, size_t k) { return e.Index < k; });
    return it->Spill.get();
}

TLineBytes TLineList::BytesAt(size_t i, uint64_t start) const
{
    if (SpilledAt(i)) {
        const TLineSpill* sp = SpillAt(i);
        if (!sp->Blocks.empty())
            return TLineBytes{nullptr, 0, sp->Length, &sp->Blocks};
        return TLineBytes{Source, start, sp->Length, nullptr};
    }
    return TLineBytes{Source, start, FLen[i], nullptr};
}

uint64_t TLineList::FirstRowPos(size_t i) const
{
    if (SpilledAt(i))
        return SpillAt(i)->Rows[0].Pos;
    return i == 0 ? FPos0 : 0;
}

// ---- Building ------------------------------------------------------------------------

void TLineList::AddCheckpoint()
{
    FCheckpoints.push_back(TCheckpoint{FTotalBytes, static_cast<uint32_t>(FTotalRows),
                                       static_cast<uint32_t>(FUnits.size()), static_cast<uint32_t>(FStates.size()),
                                       static_cast<uint32_t>(FSpills.size())});
}

bool TLineList::EncodeRows(size_t i, uint64_t length, uint8_t nl, const TRowIndex* rows, size_t entries,
                           uint32_t& info)
{
    if (length >= LongLength || entries < 2 || nl > NlMask || nl > length)
        return false;
    const size_t k = entries - 1;
    if (rows[k].Pos != length - nl || rows[k].Width != 0)
        return false;
    if (i != 0 && rows[0].Pos != 0)
        return false;
    const int32_t w0 = rows[0].Width;
    if (k == 1) {
        if (w0 < 0 || w0 > OneRowWidthMax)
            return false;
        info = nl | (static_cast<uint32_t>(w0) << PayloadShift);
    } else {
        if (k - 1 > ExtraMask || w0 < 0 || w0 > MultiWidthMax)
            return false;
        for (size_t j = 1; j < k; ++j)
            if (rows[j].Pos < rows[j - 1].Pos || rows[j].Pos - rows[j - 1].Pos > UINT16_MAX || rows[j].Width < 0 ||
                rows[j].Width > UINT16_MAX)
                return false;
        info = nl | Multi | (static_cast<uint32_t>(k - 1) << PayloadShift) |
               (static_cast<uint32_t>(w0) << MultiWidthShift);
    }
    if (i == 0)
        FPos0 = rows[0].Pos;
    return true;
}

void TLineList::PushUnits(const TRowIndex* rows, size_t entries)
{
    for (size_t j = 1; j + 1 < entries; ++j)
        FUnits.push_back(
            TRowUnit{static_cast<uint16_t>(rows[j].Pos - rows[j - 1].Pos), static_cast<uint16_t>(rows[j].Width)},
            Watch);
}

void TLineList::PushSpill(size_t i, std::unique_ptr<TLineSpill> spill)
{
    FSpills.push_back(TSpillEntry{static_cast<uint32_t>(i), std::move(spill)});
}

void TLineList::Append(uint64_t length, uint8_t nl, const TLineState& state, const TRowIndex* rows, size_t entries,
                       const std::vector<TBlock>* blocks)
{
    const size_t i = size();
    // Blocks that are the source's run at the line's file offset make a
    // compact line; empty blocks cover nothing.
    std::vector<TBlock> kept;
    if (blocks) {
        for (const TBlock& b : *blocks)
            if (b.Size != 0)
                kept.push_back(b);
        if (kept.empty() ||
            (kept.size() == 1 && kept[0].Source == Source && kept[0].Offset == FTotalBytes && kept[0].Size == length))
            blocks = nullptr;
        else
            blocks = &kept;
    }
    if (i % Stride == 0)
        AddCheckpoint();
    uint32_t info = 0;
    if (!blocks && EncodeRows(i, length, nl, rows, entries, info)) {
        if (info & Multi)
            PushUnits(rows, entries);
        FLen.push_back(static_cast<uint32_t>(length), Watch);
    } else {
        auto spill = std::make_unique<TLineSpill>();
        spill->Length = length;
        if (blocks)
            spill->Blocks = *blocks;
        spill->Rows.assign(rows, rows + entries);
        PushSpill(i, std::move(spill));
        info = (nl & NlMask) | Spilled;
        FLen.push_back(length < LongLength ? static_cast<uint32_t>(length) : LongLength, Watch);
    }
    if (!IsEmptyState(state)) {
        info |= HasState;
        FStates.push_back(TStateEntry{static_cast<uint32_t>(i), state});
    }
    FInfo.push_back(info, Watch);
    FTotalBytes += length;
    FTotalRows += static_cast<int64_t>(entries) - 1;
    ++FChanges;
}

void TLineList::AppendFrom(const TLineList& other, size_t i, uint64_t start, const TLineState& state)
{
    const TLine line = *other.At(i);
    std::vector<TRowIndex> rows;
    const TRowList r = line.Rows();
    rows.reserve(r.size());
    for (size_t k = 0; k < r.size(); ++k)
        rows.push_back(r[k]);
    const TLineBytes bytes = other.BytesAt(i, start);
    std::vector<TBlock> blocks;
    if (bytes.Blocks)
        blocks = *bytes.Blocks;
    else
        blocks.assign(1, TBlock{bytes.Source, bytes.Offset, bytes.Length});
    Append(bytes.Length, other.NewLineBytesAt(i), state, rows.data(), rows.size(), &blocks);
}

void TLineList::TakeList(TLineList& o)
{
    if (!o.FSpills.empty() || !o.FStates.empty() || o.FUnits.size() != 0 || (o.size() > 0 && o.FPos0 != 0)) {
        uint64_t at = 0;
        for (size_t i = 0; i < o.size(); ++i) {
            AppendFrom(o, i, at, o.StateAt(i));
            at += o.LengthAt(i);
        }
        o.Release();
        return;
    }
    // Lines of one row each, in the compact form: their facts are copied,
    // and each chunk of the other list goes back once it is copied.
    constexpr size_t Chunk = decltype(FLen)::ChunkValues;
    const size_t n = o.size();
    for (size_t i = 0; i < n; ++i) {
        if (size() % Stride == 0)
            AddCheckpoint();
        const uint32_t len = o.FLen[i];
        FLen.push_back(len, Watch);
        FInfo.push_back(o.FInfo[i], Watch);
        FTotalBytes += len;
        ++FTotalRows;
        if ((i + 1) % Chunk == 0) {
            o.FLen.DropChunk(i / Chunk);
            o.FInfo.DropChunk(i / Chunk);
        }
    }
    ++FChanges;
    o.Release();
}

void TLineList::Truncate(size_t n)
{
    if (n >= size())
        return;
    const uint64_t bytes = StartOf(n);
    const int64_t rows = FirstRowOf(n);
    const uint32_t unit = UnitOf(n);
    FLen.truncate(n);
    FInfo.truncate(n);
    FUnits.truncate(unit);
    while (!FStates.empty() && FStates.back().Index >= n)
        FStates.pop_back();
    while (!FSpills.empty() && FSpills.back().Index >= n)
        FSpills.pop_back();
    // Checkpoints of lines that remain; the next line appended at a
    // multiple of the stride records its own.
    FCheckpoints.resize((n + Stride - 1) / Stride);
    FTotalBytes = bytes;
    FTotalRows = rows;
    ++FChanges;
}

int32_t TLineList::MaxRowWidth() const
{
    int32_t widest = 0;
    size_t unit = 0;
    for (size_t i = 0; i < size(); ++i) {
        const uint32_t info = FInfo[i];
        if (info & Spilled) {
            for (const TRowIndex& r : SpillAt(i)->Rows)
                widest = std::max(widest, r.Width);
        } else if (info & Multi) {
            widest = std::max(widest, static_cast<int32_t>(info >> MultiWidthShift));
            const size_t extra = (info >> PayloadShift) & ExtraMask;
            for (size_t k = 0; k < extra; ++k)
                widest = std::max(widest, static_cast<int32_t>(FUnits[unit + k].Width));
            unit += extra;
        } else {
            widest = std::max(widest, static_cast<int32_t>(info >> PayloadShift));
        }
    }
    return widest;
}

void TLineList::swap(TLineList& o) noexcept
{
    FLen.swap(o.FLen);
    FInfo.swap(o.FInfo);
    FUnits.swap(o.FUnits);
    FCheckpoints.swap(o.FCheckpoints);
    FStates.swap(o.FStates);
    FSpills.swap(o.FSpills);
    std::swap(FTotalBytes, o.FTotalBytes);
    std::swap(FTotalRows, o.FTotalRows);
    std::swap(FPos0, o.FPos0);
    ++FChanges;
    ++o.FChanges;
}

void TLineList::clear()
{
    FLen.clear();
    FInfo.clear();
    FUnits.clear();
    FCheckpoints.clear();
    FStates.clear();
    FSpills.clear();
    FNewSpills.clear();
    FDroppedSpills = false;
    FTotalBytes = 0;
    FTotalRows = 0;
    FPos0 = 0;
    ++FChanges;
}

void TLineList::Release()
{
    clear();
    FLen.Release();
    FInfo.Release();
    FUnits.Release();
    std::vector<TCheckpoint>().swap(FCheckpoints);
    std::vector<TStateEntry>().swap(FStates);
    std::vector<TSpillEntry>().swap(FSpills);
    std::vector<TSpillEntry>().swap(FNewSpills);
}

// ---- Rebuilding rows ----------------------------------------------------------------------

void TLineList::BeginRows()
{
    // A rebuild that stopped half way left its new and dropped spills
    // aside: they are settled first.
    SettleSpills();
    FUnits.clear();
    FTotalRows = 0;
    ++FChanges;
}

void TLineList::SettleSpills()
{
    if (FNewSpills.empty() && !FDroppedSpills)
        return;
    std::erase_if(FSpills, [](const TSpillEntry& e) { return !e.Spill; });
    std::vector<TSpillEntry> merged;
    merged.reserve(FSpills.size() + FNewSpills.size());
    std::merge(std::make_move_iterator(FSpills.begin()), std::make_move_iterator(FSpills.end()),
               std::make_move_iterator(FNewSpills.begin()), std::make_move_iterator(FNewSpills.end()),
               std::back_inserter(merged), [](const TSpillEntry& a, const TSpillEntry& b) { return a.Index < b.Index; });
    FSpills.swap(merged);
    FNewSpills.clear();
    FDroppedSpills = false;
    // Each checkpoint learns where its stretch of lines begins in the table.
    size_t k = 0;
    for (size_t c = 0; c < FCheckpoints.size(); ++c) {
        while (k < FSpills.size() && FSpills[k].Index < c * Stride)
            ++k;
        FCheckpoints[c].Spill = static_cast<uint32_t>(k);
    }
}

void TLineList::SetRows(size_t i, const TRowIndex* rows, size_t entries)
{
    if (i % Stride == 0) {
        TCheckpoint& cp = FCheckpoints[i / Stride];
        cp.FirstRow = static_cast<uint32_t>(FTotalRows);
        cp.Unit = static_cast<uint32_t>(FUnits.size());
    }
    const uint32_t old = FInfo[i];
    const uint8_t nl = static_cast<uint8_t>(old & NlMask);
    const uint32_t keep = old & (NlMask | HasState);
    uint32_t info;
    if (old & Spilled) {
        TLineSpill* spill = const_cast<TLineSpill*>(SpillAt(i));
        if (spill->Blocks.empty() && EncodeRows(i, spill->Length, nl, rows, entries, info)) {
            // Spilled for its rows only, and they fit now: compact again
            // (the table drops the spill when the rebuild ends).
            if (info & Multi)
                PushUnits(rows, entries);
            info |= keep;
            const size_t c = i / Stride;
            const auto first = FSpills.begin() + FCheckpoints[c].Spill;
            std::lower_bound(first, FSpills.end(), i, [](const TSpillEntry& e, size_t k) {
                return e.Index < k;
            })->Spill.reset();
            FDroppedSpills = true;
        } else {
            spill->Rows.assign(rows, rows + entries);
            info = keep | Spilled;
        }
    } else if (EncodeRows(i, FLen[i], nl, rows, entries, info)) {
        if (info & Multi)
            PushUnits(rows, entries);
        info |= keep;
    } else {
        // Rows the compact form cannot hold: a new spill, merged in order
        // when the rebuild ends.
        auto spill = std::make_unique<TLineSpill>();
        spill->Length = FLen[i];
        spill->Rows.assign(rows, rows + entries);
        FNewSpills.push_back(TSpillEntry{static_cast<uint32_t>(i), std::move(spill)});
        info = keep | Spilled;
    }
    FInfo[i] = info;
    FTotalRows += static_cast<int64_t>(entries) - 1;
    ++FChanges;
    if (i + 1 == size())
        SettleSpills();
}

}  // namespace zin
