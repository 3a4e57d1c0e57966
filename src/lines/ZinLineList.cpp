// The line list: records in slabs, their views, the row pool.
#include "lines/ZinLineList.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

namespace zin {

// ---- TLine and its views ---------------------------------------------------

namespace {
// Slabs of 2 MiB, aligned so that a record finds its slab's header (and so
// its list) by masking its address, and so that one huge page can hold a
// slab (AdviseHugePages).
constexpr size_t SlabBytes = 2 * 1024 * 1024;
constexpr size_t SlabHeader = 64;
constexpr size_t SlabLines = (SlabBytes - SlabHeader) / sizeof(TLine);
static_assert(sizeof(TLine) <= 40, "a line record must stay compact");
static_assert(TRowPool::MaxEntries <= UINT8_MAX, "a pooled line keeps its entry count in one byte");

struct TSlabHeader {
    const TLineList* List;
};

TLine* FirstOfSlab(void* slab)
{
    return reinterpret_cast<TLine*>(static_cast<char*>(slab) + SlabHeader);
}
}  // namespace

TLine::~TLine()
{
    if (Spilled())
        delete FSpill;
}

namespace {
const TLineList& ListOf(const TLine* line)
{
    return *reinterpret_cast<const TSlabHeader*>(reinterpret_cast<uintptr_t>(line) & ~(uintptr_t{SlabBytes} - 1))
                ->List;
}
}  // namespace

TInData* TLine::Source() const
{
    const int slot = SourceSlot();
    if (slot == 0)
        return nullptr;
    return ListOf(this).FSources[slot];
}

const TRowPool& TLine::Pool() const
{
    return ListOf(this).FRowPool;
}

int32_t TLine::RowCount() const
{
    if (Spilled())
        return static_cast<int32_t>(FSpill->Rows.size()) - 1;
    if (PooledRows())
        return static_cast<int32_t>(RowEntries()) - 1;
    return 1;
}

size_t TBlockList::size() const
{
    return FLine->Spilled() ? FLine->FSpill->Blocks.size() : 1;
}

TBlock TBlockList::operator[](size_t i) const
{
    if (FLine->Spilled())
        return FLine->FSpill->Blocks[i];
    return TBlock{FLine->Source(), FLine->FOffset, FLine->CompactLength()};
}

size_t TRowList::size() const
{
    if (FLine->Spilled())
        return FLine->FSpill->Rows.size();
    if (FLine->PooledRows())
        return FLine->RowEntries();
    return 2;
}

TRowIndex TRowList::operator[](size_t i) const
{
    if (FLine->Spilled())
        return FLine->FSpill->Rows[i];
    if (FLine->PooledRows()) {
        const TRowPool::TUnit& u = FLine->Pool().At(FLine->RowRun())[i];
        return TRowIndex{u.Pos, u.Width};
    }
    if (i == 0)
        return TRowIndex{FLine->FPos0, FLine->FWidth0};
    return TRowIndex{FLine->CompactLength() - FLine->NewLineBytes, 0};
}

namespace {

// One huge page per 2 MiB block of line records or row entries where the
// system allows it: a file of millions of lines touches its records once
// each, and a page fault per 4 KiB of them costs more than the scan itself.
void AdviseHugePages(void* block, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    madvise(block, bytes, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace

// ---- TRowPool ---------------------------------------------------------------

uint32_t TRowPool::Allocate(uint32_t entries)
{
    uint32_t& head = FFree[entries];
    if (head != None) {
        const uint32_t run = head;
        head = At(run)->Pos;
        return run;
    }
    if (FUsed + entries > ChunkUnits) {
        // A run never straddles chunks; the rest of a full chunk is left
        // unused. Indexes are 32 bits, which bounds the number of chunks.
        if (FChunks.size() >= (size_t{1} << (32 - ChunkShift)))
            return None;
        FChunks.reserve(FChunks.size() + 1);
        void* chunk = std::aligned_alloc(ChunkBytes, ChunkBytes);
        if (!chunk)
            throw std::bad_alloc();
        AdviseHugePages(chunk, ChunkBytes);
        FChunks.push_back(static_cast<TUnit*>(chunk));
        FUsed = 0;
        if (Watch)
            Watch->Add(ChunkUnits * sizeof(TUnit));
    }
    const uint32_t run = static_cast<uint32_t>(((FChunks.size() - 1) << ChunkShift) + FUsed);
    FUsed += entries;
    return run;
}

void TRowPool::Free(uint32_t run, uint32_t entries)
{
    uint32_t& head = FFree[entries];
    At(run)->Pos = head;
    head = run;
}

void TRowPool::Clear()
{
    for (TUnit* chunk : FChunks)
        std::free(chunk);
    FChunks.clear();
    FUsed = ChunkUnits;
    FFree.fill(None);
}

// ---- TLineList -------------------------------------------------------------

TLineList::TLineList()
{
    FHead.FPrev = FHead.FNext = &FHead;
    FRowPool.Watch = &FWatch;
}

TLineList::~TLineList()
{
    clear();
    FreeSlabs(0);
}

TLine* TLineList::Allocate()
{
    void* mem;
    if (FFree) {
        mem = FFree;
        FFree = FFree->FNext;
    } else {
        if (FSlabs.empty() || FSlabUsed == SlabLines) {
            FSlabs.reserve(FSlabs.size() + 1);
            void* slab = std::aligned_alloc(SlabBytes, SlabBytes);
            if (!slab)
                throw std::bad_alloc();
            AdviseHugePages(slab, SlabBytes);
            static_cast<TSlabHeader*>(slab)->List = this;
            FSlabs.push_back(slab);
            FSlabUsed = 0;
            FWatch.Add(SlabBytes);
        }
        mem = FirstOfSlab(FSlabs.back()) + FSlabUsed++;
    }
    return new (mem) TLine();
}

void TLineList::Release(TLine* node)
{
    if (node->Spilled())
        --FSpilledLines;
    else if (node->PooledRows())
        FRowPool.Free(node->RowRun(), node->RowEntries());
    node->~TLine();
    node->FNext = FFree;
    FFree = node;
}

void TLineList::FreeSlabs(size_t keep)
{
    while (FSlabs.size() > keep) {
        std::free(FSlabs.back());
        FSlabs.pop_back();
    }
}

TLineList::iterator TLineList::insert(iterator pos)
{
    ++FChanges;
    TLine* node = Allocate();
    TLine* next = pos.Node();
    node->FNext = next;
    node->FPrev = next->FPrev;
    next->FPrev->FNext = node;
    next->FPrev = node;
    ++FSize;
    return iterator(node);
}

TLineList::iterator TLineList::erase(iterator pos)
{
    ++FChanges;
    TLine* node = pos.Node();
    TLine* next = node->FNext;
    node->FPrev->FNext = next;
    next->FPrev = node->FPrev;
    --FSize;
    Release(node);
    return iterator(next);
}

void TLineList::TrimToFirst()
{
    ++FChanges;
    if (empty())
        return;
    TLine* first = FHead.FNext;
    // The first line's pooled rows survive the pool being emptied.
    TRowPool::TUnit saved[TRowPool::MaxEntries];
    const uint32_t entries = first->PooledRows() ? first->RowEntries() : 0;
    if (entries > 0) {
        const TRowPool::TUnit* run = FRowPool.At(first->RowRun());
        std::copy(run, run + entries, saved);
    }
    struct TRestore {
        TLineList& L;
        TLine* First;
        const TRowPool::TUnit* Saved;
        uint32_t Entries;
        ~TRestore()
        {
            L.FRowPool.Clear();
            if (Entries == 0)
                return;
            // A run of that size comes from the new first chunk.
            const uint32_t run = L.FRowPool.Allocate(Entries);
            std::copy(Saved, Saved + Entries, L.FRowPool.At(run));
            First->FWidth0 = static_cast<int32_t>(run);
        }
    } restore{*this, first, saved, entries};
    if (!FSlabs.empty() && first == FirstOfSlab(FSlabs.front())) {
        // The usual case: the first line is the pool's first record, so the
        // whole pool but that record can be handed back at once. Records
        // need destroying only where a line has a spill.
        if (FSpilledLines > (first->Spilled() ? 1u : 0u)) {
            for (TLine* n = first->FNext; n != &FHead;) {
                TLine* next = n->FNext;
                n->~TLine();
                n = next;
            }
        }
        FSpilledLines = first->Spilled() ? 1 : 0;
        FreeSlabs(1);
        FSlabUsed = 1;
        FFree = nullptr;
        first->FNext = first->FPrev = &FHead;
        FHead.FNext = FHead.FPrev = first;
        FSize = 1;
        return;
    }
    for (iterator it = ++begin(); it != end();)
        it = erase(it);
}

void TLineList::clear()
{
    ++FChanges;
    if (FSpilledLines > 0) {
        for (TLine* n = FHead.FNext; n != &FHead;) {
            TLine* next = n->FNext;
            n->~TLine();
            n = next;
        }
    }
    FSpilledLines = 0;
    FRowPool.Clear();
    FHead.FPrev = FHead.FNext = &FHead;
    FSize = 0;
    FFree = nullptr;
    FreeSlabs(0);
    FSlabUsed = 0;
}

}  // namespace zin
