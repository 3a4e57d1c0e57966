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
#include "syntax/ZinSyntax.h"

namespace zin {

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
    FLines.FSources[TLineList::SourceFile] = nullptr;
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
    FLines.FSources[TLineList::SourceFile] = FFileData;
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
        FSyntax = SelectSyntaxByExtension(std::move(FSyntax), ExtractFileExt(path));
    };

    if (size == 0) {
        delete FFileData;
        FFileData = nullptr;
        FLines.FSources[TLineList::SourceFile] = nullptr;
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
        FLines.FSources[TLineList::SourceFile] = nullptr;
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

}  // namespace zin
