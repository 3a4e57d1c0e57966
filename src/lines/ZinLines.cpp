// The line list, loading, rescanning and joining of lines.
#include "lines/ZinLines.h"

#include <sys/mman.h>
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
    FSyntax = FEdit->GetSyntax();
    FMemData = new TMemData();
    FLines.FSources[1] = FMemData;
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

// ---- Clear and load ---------------------------------------------------------

void TZinLines::Clear(bool dropAll)
{
    FUnsplit = false;
    FLineCount = 0;
    FRowCount = 0;
    FFileSize = 0;
    if (dropAll) {
        FLines.clear();
        return;
    }
    if (FLines.empty())
        FLines.insert(FLines.end());
    FLines.TrimToFirst();
    ResetBlank(FLines.front());
    FLineCount = 1;
    FRowCount = 1;
}

namespace {

// The font of a code page; for a number outside the table, that of the
// code page the store decodes in.
const char* FontOfCodePage(int32_t codePage, const TDecoder& decoder)
{
    const TCodePageInfo* info = FindCodePage(codePage);
    if (!info)
        info = decoder.Info();
    return info ? info->FixedWidthFont : "";
}

}  // namespace

const char* LoadErrorMessage(TLoadError error)
{
    switch (error) {
    case TLoadError::None: return "";
    case TLoadError::NoMemory: return "Not enough memory to open this file.";
    case TLoadError::Truncated: return "Only the beginning of this file is shown: it has no size and is longer than the in-memory limit.";
    default: return "Cannot read this file!";
    }
}

const char* LoadStopReason(TLoadError error)
{
    switch (error) {
    case TLoadError::NoMemory: return "Not enough memory to open this file.";
    case TLoadError::TooManyLines: return "It has more lines than the viewer can count.";
    default: return "";
    }
}

uint64_t TZinLines::SystemAvailableMemory()
{
    // "MemAvailable:  123456 kB"; 0 when the system does not say.
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f)
        return 0;
    char line[128];
    uint64_t kb = 0;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long v = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &v) == 1) {
            kb = v;
            break;
        }
    }
    std::fclose(f);
    return kb * 1024;
}

void TZinLines::SetMemoryProbe(uint64_t (*probe)(), uint64_t step)
{
    FMemoryProbe = probe;
    FLines.FWatch.Step = std::max<uint64_t>(step, 1);
}

void TZinLines::CheckMemory(void* store)
{
    auto* self = static_cast<TZinLines*>(store);
    if (self->FMemoryReserve == 0 || !self->FMemoryProbe)
        return;
    const uint64_t available = self->FMemoryProbe();
    if (available != 0 && available < self->FMemoryReserve)
        throw TLoadStop{TLoadError::NoMemory};
}

bool TZinLines::LoadFromFile(const std::string& path)
{
    FLoadError = TLoadError::None;
    FLoadErrorReason.clear();
    // The index of a load may take most of the memory available when it
    // starts: it stops while an eighth of that (at least 64 MiB) is left.
    const uint64_t available = FMemoryProbe ? FMemoryProbe() : 0;
    FMemoryReserve = available ? std::max<uint64_t>(available / 8, uint64_t{64} << 20) : 0;
    if (FMemoryReserve >= available)
        FMemoryReserve = available / 8;
    FLines.FWatch.Grown = 0;
    FLines.FWatch.Check = &TZinLines::CheckMemory;
    FLines.FWatch.Context = this;
    struct TWatchOff {
        TLineList& L;
        ~TWatchOff() { L.FWatch.Check = nullptr; }
    } watchOff{FLines};
    try {
        return LoadFile(path);
    } catch (const TLoadStop& stop) {
        FailLoad(stop.Reason);
    } catch (const std::bad_alloc&) {
        FailLoad(TLoadError::NoMemory);
    }
    return false;
}

void TZinLines::FailLoad(TLoadError reason)
{
    FLoadError = reason;
    FLoadErrorReason = LoadStopReason(reason);
    FLines.FWatch.Check = nullptr;
    delete FFileData;
    FFileData = nullptr;
    FLines.FSources[2] = nullptr;
    FMemData->FSize = 0;
    // Emptying the first line first leaves nothing for the trim to keep, so
    // it allocates nothing.
    if (!FLines.empty())
        ResetBlank(FLines.front());
    Clear(false);
    FLines.front().State = TLineState{};
    FEndState = TLineState{};
    FMaxRowWidth = 0;
    FRowsWrapWidth = INT32_MAX;
    FEdit->NewLineTypeField() = nltDefaultDOS;
    FEdit->LoadingField() = false;
    FEdit->ResetView();
}

uint64_t TZinLines::ReadUnsized()
{
    const uint64_t limit = static_cast<uint64_t>(std::max(FEdit->GetMaxMemFileSize(), 0));
    uint8_t* buffer = FFileData->FBuffer.get();
    uint64_t done = 0;
    while (done < limit) {
        const uint64_t want = std::min<uint64_t>(ChunkSize, limit - done);
        const uint64_t got = FFileData->FHandle.ReadAt(buffer, want, done);
        if (got == 0)
            return done;
        FMemData->Write(buffer, static_cast<uint32_t>(got));
        done += got;
    }
    // At the limit: one byte more says whether the file goes on.
    if (FFileData->FHandle.ReadAt(buffer, 1, done) != 0)
        FLoadError = TLoadError::Truncated;
    return done;
}

uint64_t TZinLines::ReadSized(uint64_t size)
{
    // The first window was read when the file opened; reads stop at the
    // size taken then, or sooner where the file ends sooner.
    uint8_t* buffer = FFileData->FBuffer.get();
    uint64_t done = FFileData->FWindowFill;
    FMemData->Write(buffer, static_cast<uint32_t>(done));
    if (done < std::min<uint64_t>(size, ChunkSize))
        return done;
    while (done < size) {
        const uint64_t got = FFileData->FHandle.ReadAt(buffer, std::min<uint64_t>(ChunkSize, size - done), done);
        if (got == 0)
            break;
        FMemData->Write(buffer, static_cast<uint32_t>(got));
        done += got;
    }
    return done;
}

bool TZinLines::LoadFile(const std::string& path)
{
    auto* data = new TFileData(path);
    if (!data->IsOpen()) {
        FLoadError = data->Error() == NotARegularFileError() ? TLoadError::NotAFile : TLoadError::CannotOpen;
        FLoadErrorReason = FLoadError == TLoadError::NotAFile ? "It is a pipe or a device" : data->Error();
        delete data;
        return false;
    }
    delete FFileData;
    FFileData = data;
    FLines.FSources[2] = FFileData;
    FMemData->FSize = 0;

    Clear(false);
    FMaxRowWidth = 0;

    FEdit->NewLineTypeField() = nltDefaultDOS;
    // The owner's loading flag is set for the whole load and cleared however
    // the load ends, also when a read, an allocation or the owner throws.
    struct TLoadingGuard {
        TZinLinesOwner* Edit;
        ~TLoadingGuard() { Edit->LoadingField() = false; }
    };
    FEdit->LoadingField() = true;
    const TLoadingGuard loadingGuard{FEdit};
    if (FEdit->GetEditMode() == emHexMode)
        FEdit->SetEditMode(emTextMode);

    FContentTest = TContentTest::None;
    uint64_t size = FFileData->FSize;
    // A file that reports no size (/proc, /sys) may still have content.
    const bool unsized = size == 0 && (size = ReadUnsized()) != 0;
    // A small file is copied into memory now; its size is what the reads
    // gave (a pseudo-file may report more than it holds).
    const bool copied = !unsized && size > 0 &&
                        static_cast<int64_t>(size) <= static_cast<int64_t>(FEdit->GetMaxMemFileSize());
    if (copied)
        size = ReadSized(size);
    const int32_t sample = static_cast<int32_t>(std::min<uint64_t>(size, 5000));

    auto pickSyntax = [&] {
        TZinSyntax* syntax = SelectSyntaxByExtension(FEdit->GetSyntax(), ExtractFileExt(path));
        FEdit->SetSyntax(syntax);
        FSyntax = FEdit->GetSyntax();
    };

    if (size == 0) {
        delete FFileData;
        FFileData = nullptr;
        FLines.FSources[2] = nullptr;
        pickSyntax();
        FEdit->LoadingField() = false;
        FEdit->ResetView();
        FEdit->SetCodePage(SystemCodePage());
        FEdit->SetFontName(FontOfCodePage(FEdit->GetCodePage(), FDecoder));
        return true;
    }

    FFileSize = size;
    TLine& line = FLines.front();
    const uint8_t* sampleBytes;
    TInData* source;
    if (!unsized && !copied) {
        source = FFileData;
        sampleBytes = FFileData->FBuffer.get();
    } else {
        // Read into memory above.
        delete FFileData;
        FFileData = nullptr;
        FLines.FSources[2] = nullptr;
        source = FMemData;
        sampleBytes = FMemData->FChunks[0].get();
    }
    // The one line covers the whole file, with one row up to its end.
    SetSingleBlock(line, source, 0, FFileSize);
    CommitRows(line, {TRowIndex{0, 0}, TRowIndex{FFileSize, 0}});

    pickSyntax();

    const TLineIterator first = FLines.begin();
    FContentTest = GuessContent(sampleBytes, sample);
    switch (FContentTest) {
    case TContentTest::UTF16LE:
        FEdit->SetCodePage(1200);
        Rescan(first, first);
        break;
    case TContentTest::UTF16BE:
        FEdit->SetCodePage(1201);
        Rescan(first, first);
        break;
    case TContentTest::UTF8:
        FEdit->SetCodePage(65001);
        Rescan(first, first);
        break;
    case TContentTest::Binary:
        // Not text: one line holds the whole file, with one row.
        FEdit->SetEditMode(emHexMode);
        FUnsplit = true;
        break;
    case TContentTest::None: {
        const int32_t current = FEdit->GetCodePage();
        if (FSyntax && FSyntax->CodePage != -1)
            FEdit->SetCodePage(FSyntax->CodePage);
        else if (current == 1200 || current == 1201 || current == 65001)
            FEdit->SetCodePage(SystemCodePage());
        FEdit->SetFontName(FontOfCodePage(FEdit->GetCodePage(), FDecoder));
        Rescan(first, first);
        break;
    }
    }

    FRowsWrapWidth = FEdit->GetWrapWidth();
    FEdit->LoadingField() = false;
    FEdit->ResetView();
    return true;
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
    const int32_t codePage = FEdit->GetCodePage();
    if (FDecoder.Valid() && FDecoder.CodePage() == codePage)
        return true;
    const TDecoder decoder = TDecoder::For(codePage);
    if (!decoder.Valid())
        return false;  // the previous decoder stays
    FDecoder = decoder;
    return true;
}

}  // namespace zin
