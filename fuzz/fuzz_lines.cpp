// The line store on any bytes: loaded from memory or from disk (a small
// in-memory limit), in any code page, wrap mode, width and row byte limit,
// with a plain or a shipped definition (the extension picks it), then a
// code-page change and a wrap change. After each step the invariants hold;
// a second store that decodes only through the reader gives the same lines;
// the code-page change gives the lines of a fresh load in that code page,
// and the wrap change the rows of a fresh load with that wrap.
#include <climits>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "FuzzSupport.h"
#include "encoding/CodePage.h"
#include "lines/ZinFixedOwner.h"
#include "platform/SystemCodePage.h"
#include "support/LinesAccess.h"
#include "syntax/ZinSyntax.h"

using namespace zin;

namespace {

struct TParams {
    int32_t CodePage;
    TWordWrapMode Wrap;
    int32_t Columns;
    int32_t WindowWidth;
    int32_t MaxLineLength;
    int32_t MaxMem;
    bool WideCJK;
};

// Owners live for the run (each holds a width cache and its store's pools);
// every input sets them up anew.
TFixedMetricsOwner& Owner(int which, const TParams& p)
{
    static std::unique_ptr<TFixedMetricsOwner> owners[3];
    std::unique_ptr<TFixedMetricsOwner>& o = owners[which];
    if (!o)
        o = std::make_unique<TFixedMetricsOwner>(8, p.CodePage);
    o->FLoading = true;  // selects the code page without splitting lines
    o->SetCodePage(p.CodePage);
    o->FLoading = false;
    o->FEditMode = emTextMode;
    o->WrapMode = p.Wrap;
    o->MaxColumns = p.Columns;
    o->WindowWidth = p.WindowWidth;
    o->MaxLineLength = p.MaxLineLength;
    o->MaxMemFileSize = p.MaxMem;
    if (o->WideCJK != p.WideCJK) {
        o->WideCJK = p.WideCJK;
        o->ClearWidths();
    }
    o->Lines->SetUseFastScan(which != 1);
    return *o;
}

// A store as a fresh load leaves it when the file is decoded in the owner's
// code page: the loaded lines joined into the one line a load starts from,
// in text mode and the wanted code page, then split again.
const TZinLines& FreshLoad(const TParams& p, const std::string& path)
{
    TFixedMetricsOwner& o = Owner(2, p);
    TZinLines& store = *o.Lines;
    FUZZ_CHECK(o.Load(path));
    o.FEditMode = emTextMode;
    o.FLoading = true;
    o.SetCodePage(p.CodePage);
    o.FLoading = false;
    TZinLinesAccess::JoinAll(store);
    const TLineIterator first = store.Lines().begin();
    store.Rescan(first, first);
    fuzz::CheckStore(store, p.MaxLineLength);
    return store;
}

int32_t PickCodePage(FuzzedDataProvider& in)
{
    return CodePageTable[in.ConsumeIntegralInRange<int>(0, CodePageCount - 1)].CodePage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::StartUp(fuzz::ShippedSyntaxDir());
    using fuzz::CheckStore;
    using fuzz::SameLines;

    FuzzedDataProvider in(data, size);
    static const char* const names[] = {"f.txt", "f.cpp", "f.pas", "f.html", "f.sql", "f.py", "f.sh", "f"};
    const char* name = names[in.ConsumeIntegralInRange<int>(0, 7)];
    TParams p;
    p.CodePage = PickCodePage(in);
    p.Wrap = static_cast<TWordWrapMode>(in.ConsumeIntegralInRange<int>(0, 2));
    p.Columns = in.ConsumeIntegralInRange<int32_t>(0, 120);
    p.WindowWidth = in.ConsumeIntegralInRange<int32_t>(0, 1000);
    p.MaxLineLength = in.ConsumeBool() ? 32768 : in.ConsumeIntegralInRange<int32_t>(1, 64);
    const bool disk = in.ConsumeBool();
    p.WideCJK = in.ConsumeBool();
    TParams q = p;  // after the changes
    q.CodePage = PickCodePage(in);
    q.Wrap = static_cast<TWordWrapMode>(in.ConsumeIntegralInRange<int>(0, 2));
    q.Columns = in.ConsumeIntegralInRange<int32_t>(0, 120);
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    p.MaxMem = q.MaxMem = disk ? static_cast<int32_t>(bytes.size() / 2) : 1 << 20;
    const std::string path = fuzz::WriteTemp(name, bytes);
    if (std::getenv("ZIN_FUZZ_VERBOSE"))
        std::fprintf(stderr, "%s: code page %d wrap %d columns %d window %d limit %d max mem %d wide %d; then %d %d %d\n",
                     name, p.CodePage, p.Wrap, p.Columns, p.WindowWidth, p.MaxLineLength, p.MaxMem, p.WideCJK,
                     q.CodePage, q.Wrap, q.Columns);

    TFixedMetricsOwner* a = &Owner(0, p);
    TFixedMetricsOwner* b = &Owner(1, p);
    FUZZ_CHECK(a->Load(path));
    FUZZ_CHECK(b->Load(path));
    FUZZ_CHECK(!a->FLoading);
    // A file opened in hex mode is one line of one row, whatever its length,
    // until the code page changes or the rows are rebuilt.
    const bool hex = a->FEditMode == emHexMode;
    CheckStore(*a->Lines, hex ? INT32_MAX : p.MaxLineLength);
    FUZZ_CHECK(a->Lines->OnDisk() == (disk && !bytes.empty()));
    FUZZ_CHECK(SameLines(*a->Lines, *b->Lines));
    FUZZ_CHECK(a->Lines->NewLineType() == b->Lines->NewLineType());

    // The code page changes: every line is decoded and split again.
    const int32_t before = a->GetCodePage();
    a->SetCodePage(q.CodePage);
    b->SetCodePage(q.CodePage);
    const bool split = !hex || a->GetCodePage() != before;
    CheckStore(*a->Lines, split ? p.MaxLineLength : INT32_MAX);
    FUZZ_CHECK(SameLines(*a->Lines, *b->Lines));
    if (split) {
        TParams fresh = p;
        fresh.CodePage = a->GetCodePage();
        FUZZ_CHECK(SameLines(*a->Lines, FreshLoad(fresh, path), true));
    }

    // The wrap changes: the rows are rebuilt.
    for (TFixedMetricsOwner* o : {a, b}) {
        o->WrapMode = q.Wrap;
        o->MaxColumns = q.Columns;
        o->Lines->Reformat();
    }
    // The one line of a hex-mode load holds newlines; a rebuild of its rows
    // ends them at the first, as it ends every line's rows at its newline.
    if (split)
        CheckStore(*a->Lines, p.MaxLineLength);
    else
        FUZZ_CHECK(a->Lines->LineCount() == 1 && a->Lines->Lines().size() == 1);
    FUZZ_CHECK(SameLines(*a->Lines, *b->Lines));
    if (split) {
        TParams fresh = q;
        fresh.CodePage = a->GetCodePage();
        FUZZ_CHECK(SameLines(*a->Lines, FreshLoad(fresh, path), true));
    }
    return 0;
}
