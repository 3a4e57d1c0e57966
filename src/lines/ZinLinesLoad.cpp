// The line store: clearing and loading a file (opening it, placing its
// bytes in memory or on disk, the content test, the memory guard).
#include "lines/ZinLines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "encoding/CodePage.h"
#include "platform/Files.h"
#include "platform/SystemCodePage.h"
#include "lines/ZinLinesScanParts.h"
#include "syntax/ZinSyntax.h"

namespace zin {

// ---- Clear and load ---------------------------------------------------------

void TZinLines::Clear(bool dropAll)
{
    FUnsplit = false;
    FLineCount = 0;
    FRowCount = 0;
    FFileSize = 0;
    FLines.clear();
    FSpare.Release();
    if (dropAll) {
        FLines.Release();
        return;
    }
    // One blank line, in the empty state.
    FLines.AppendOneRow(0, 0, TLineState{}, 0);
    FLineCount = 1;
    FRowCount = 1;
}

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
    FWatch.Step = std::max<uint64_t>(step, 1);
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

template <class TStep>
bool TZinLines::Guarded(TStep&& step)
{
    FWatch.Check = &TZinLines::CheckMemory;
    FWatch.Context = this;
    struct TWatchOff {
        TGrowthWatch& W;
        ~TWatchOff() { W.Check = nullptr; }
    } watchOff{FWatch};
    try {
        return step();
    } catch (const TLoadStop& stop) {
        FailLoad(stop.Reason);
    } catch (const std::bad_alloc&) {
        FailLoad(TLoadError::NoMemory);
    }
    return false;
}

bool TZinLines::OpenFile(const std::string& path)
{
    FLoadError = TLoadError::None;
    FLoadErrorReason.clear();
    // The index of a load may take most of the memory available when it
    // starts: it stops while an eighth of that (at least 64 MiB) is left.
    const uint64_t available = FMemoryProbe ? FMemoryProbe() : 0;
    FMemoryReserve = available ? std::max<uint64_t>(available / 8, uint64_t{64} << 20) : 0;
    if (FMemoryReserve >= available)
        FMemoryReserve = available / 8;
    FWatch.Grown = 0;
    FLoadPath = path;
    return Guarded([&] { return Open(path); });
}

bool TZinLines::LoadStopped() const
{
    return FLoadError == TLoadError::TooManyLines || FLoadError == TLoadError::NoMemory;
}

bool TZinLines::ReadFile(int32_t current, TLoadPlan& plan)
{
    plan = TLoadPlan{};
    return Guarded([&] { return Read(current, plan); });
}

bool TZinLines::CompleteLoad(bool split)
{
    return Guarded([&] {
        if (split)
            RescanLines(0, 0);
        FRowsWrapWidth = FEdit->GetWrapWidth();
        return true;
    });
}

void TZinLines::FailLoad(TLoadError reason)
{
    FLoadError = reason;
    FLoadErrorReason = LoadStopReason(reason);
    FWatch.Check = nullptr;
    delete FFileData;
    FFileData = nullptr;
    FLines.Source = FMemData;
    FMemData->FSize = 0;
    // The list's memory is returned: the load stopped for want of it.
    FLines.Release();
    Clear(false);
    FWatchable = false;
    FEndState = TLineState{};
    FMaxRowWidth = 0;
    FRowsWrapWidth = INT32_MAX;
    FNewLineType = nltDefaultDOS;
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

bool TZinLines::Open(const std::string& path)
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
    FLines.Source = FMemData;
    FMemData->FSize = 0;
    FWatchable = false;

    Clear(false);
    FMaxRowWidth = 0;
    FNewLineType = nltDefaultDOS;
    return true;
}

bool TZinLines::Read(int32_t current, TLoadPlan& plan)
{
    FContentTest = TContentTest::None;
    uint64_t size = FFileData->FSize;
    // The file is watched for changes (its identity is the open file's,
    // whatever its name names by now), unless it has no size.
    FWatchable = FFileData->FHandle.Identity(FLoadedId);
    FLastLook = FLoadedId;
    // A file that reports no size (/proc, /sys) may still have content.
    const bool unsized = size == 0 && (size = ReadUnsized()) != 0;
    if (unsized)
        FWatchable = false;
    // A small file is copied into memory now; its size is what the reads
    // gave (a pseudo-file may report more than it holds).
    const bool copied = !unsized && size > 0 &&
                        static_cast<int64_t>(size) <= static_cast<int64_t>(FEdit->GetMaxMemFileSize());
    if (copied)
        size = ReadSized(size);
    const int32_t sample = static_cast<int32_t>(std::min<uint64_t>(size, 5000));

    if (size == 0) {
        delete FFileData;
        FFileData = nullptr;
        FSyntax = SelectSyntaxByExtension(std::move(FSyntax), ExtractFileExt(FLoadPath));
        // An empty file is shown in the system's code page.
        plan.Empty = true;
        plan.CodePage = SystemCodePage();
        TakeSample();
        return true;
    }

    FFileSize = size;
    const uint8_t* sampleBytes;
    TInData* source;
    if (!unsized && !copied) {
        source = FFileData;
        sampleBytes = FFileData->FBuffer.get();
    } else {
        // Read into memory above.
        delete FFileData;
        FFileData = nullptr;
        source = FMemData;
        sampleBytes = FMemData->FChunks[0].get();
    }
    // The one line covers the whole file, with one row up to its end.
    FLines.clear();
    FLines.Source = source;
    const TRowIndex rows[2] = {TRowIndex{0, 0}, TRowIndex{FFileSize, 0}};
    FLines.Append(FFileSize, 0, TLineState{}, rows, 2);
    TakeSample();

    FSyntax = SelectSyntaxByExtension(std::move(FSyntax), ExtractFileExt(FLoadPath));

    FContentTest = GuessContent(sampleBytes, sample);
    plan.Content = FContentTest;
    switch (FContentTest) {
    case TContentTest::UTF16LE: plan.CodePage = 1200; break;
    case TContentTest::UTF16BE: plan.CodePage = 1201; break;
    case TContentTest::UTF8: plan.CodePage = 65001; break;
    case TContentTest::Binary:
        // Not text: one line holds the whole file, with one row.
        plan.HexMode = true;
        FUnsplit = true;
        break;
    case TContentTest::None:
        // The definition's code page, else the one shown now, unless that is
        // a Unicode one (which the content test would have found).
        if (FSyntax && FSyntax->CodePage != -1)
            plan.CodePage = FSyntax->CodePage;
        else if (current == 1200 || current == 1201 || current == 65001)
            plan.CodePage = SystemCodePage();
        break;
    }
    return true;
}

}  // namespace zin

namespace zin {

// ---- A file that changes while open ------------------------------------------

void TZinLines::TakeSample()
{
    constexpr uint64_t SampleBytes = 64;
    FSamplePos = FFileSize - std::min(FFileSize, SampleBytes);
    FSample.assign(static_cast<size_t>(FFileSize - FSamplePos), '\0');
    if (!FSample.empty())
        FLines.Source->Read(FSample.data(), static_cast<uint32_t>(FSample.size()), FSamplePos);
    // The size the lines reach: a file that grew since its identity was
    // taken looks changed at the next look.
    FLastLook.Size = FFileSize;
}

bool TZinLines::FileLooksChanged()
{
    if (!FWatchable)
        return false;
    TFileIdentity now;  // all zeros when the name names no file
    if (!PathIdentity(FLoadPath, now))
        now = TFileIdentity{};
    const bool changed = !now.SameState(FLastLook);
    FLastLook = now;
    return changed;
}

TFileChange TZinLines::CheckFile()
{
    if (!FWatchable)
        return TFileChange::None;
    TFileIdentity now;
    if (!PathIdentity(FLoadPath, now))
        return TFileChange::Deleted;
    if (!now.SameFile(FLoadedId) || now.Size < FFileSize)
        return TFileChange::Replaced;
    // The sample before the old end, read from the file as it is now.
    TPlatformFile opened;
    const TPlatformFile* file = FFileData ? &FFileData->FHandle : &opened;
    if (!FFileData) {
        TFileIdentity id;
        if (!opened.Open(FLoadPath) || !opened.Identity(id) || !id.SameFile(FLoadedId))
            return TFileChange::Replaced;
    }
    std::string sample(FSample.size(), '\0');
    if (file->ReadAt(sample.data(), sample.size(), FSamplePos) != sample.size() || sample != FSample)
        return TFileChange::Replaced;
    if (now.Size == FFileSize)
        return TFileChange::None;
    return AppendGrowth(now.Size) ? TFileChange::Grown : TFileChange::Replaced;
}

bool TZinLines::AppendGrowth(uint64_t newSize)
{
    return Guarded([&] {
        if (!FFileData) {
            const uint64_t limit = static_cast<uint64_t>(std::max(FEdit->GetMaxMemFileSize(), 0));
            if (newSize <= limit) {
                // Still held in memory: the new bytes are read in.
                TPlatformFile file;
                if (!file.Open(FLoadPath))
                    return false;
                std::unique_ptr<uint8_t[]> buffer(new uint8_t[ChunkSize]);
                uint64_t at = FFileSize;
                while (at < newSize) {
                    const uint64_t got = file.ReadAt(buffer.get(), std::min<uint64_t>(ChunkSize, newSize - at), at);
                    if (got == 0)
                        break;
                    FMemData->Write(buffer.get(), static_cast<uint32_t>(got));
                    at += got;
                }
                newSize = at;
            } else {
                // Past the in-memory limit: the file is read from disk from
                // now on, at the same offsets.
                auto* data = new TFileData(FLoadPath);
                TFileIdentity id;
                if (!data->IsOpen() || !data->FHandle.Identity(id) || !id.SameFile(FLoadedId)) {
                    delete data;
                    return false;
                }
                FFileData = data;
                FLines.Source = data;
                FMemData->FSize = 0;
                newSize = std::max(newSize, data->FSize);
            }
        } else {
            FFileData->Grow(newSize);
        }
        if (newSize <= FFileSize)
            return true;
        if (FUnsplit) {
            // Hex mode: the one line grows.
            FLines.clear();
            const TRowIndex rows[2] = {TRowIndex{0, 0}, TRowIndex{newSize, 0}};
            FLines.Append(newSize, 0, TLineState{}, rows, 2);
            FFileSize = newSize;
            TakeSample();
            return true;
        }
        SelectDecoder();
        // The last line is scanned again with the new bytes; so is the line
        // before a blank last line when it ends in a CR (its LF may follow).
        size_t k = FLines.size() - 1;
        if (k > 0 && FLines.LengthAt(k) == 0 && LineEndChar(FLines.At(k - 1)) == 13)
            --k;
        const uint64_t start = FLines.StartOf(k);
        if (FLines.BytesAt(k, start).Blocks)
            return false;
        const TLineState state0 = FLines.StateAt(k);
        bool widest = false;  // a row of the lines dropped was the widest
        for (size_t i = k; i < FLines.size(); ++i) {
            const TRowList rows = FLines.At(i)->Rows();
            for (size_t r = 0; r + 1 < rows.size(); ++r)
                widest = widest || rows[r].Width == FMaxRowWidth;
        }
        FLines.Truncate(k);
        FFileSize = newSize;
        if (widest)
            FMaxRowWidth = FLines.MaxRowWidth();
        // The line being scanned is counted with its first row, as a load counts it.
        FLineCount = static_cast<int32_t>(k) + 1;
        FRowCount = static_cast<int32_t>(FLines.TotalRows()) + 1;
        TScanSetup setup;
        PrepareScan(setup);
        TWork w;
        w.Bytes = TLineBytes{FLines.Source, start, newSize - start, nullptr};
        // The state the line before left, as a load carries it: the flag of
        // a comment closed on the line itself is set again by the scan.
        w.State = state0;
        w.State[lsCommentClosed] = 0;
        EndLines(ScanLineWith(setup, w, FLines));
        TakeSample();
        return true;
    });
}

}  // namespace zin
