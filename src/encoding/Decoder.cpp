#include "encoding/Decoder.h"

#include <mutex>

#include "platform/CodePageConverter.h"

namespace zin {

namespace {

// Every table of the process, one per record of the code-page table, and
// the one lock under which tables are built and rows filled (the platform's
// converter is not made for more than one thread).
TCodePageTables AllTables[CodePageCount];
std::once_flag Built[CodePageCount];
std::mutex BuildLock;

// Converts one or two bytes; `fallback` when the code page rejects them.
WideChar Convert(int32_t codePage, const uint8_t* bytes, int count, WideChar fallback)
{
    char16_t unit;
    return CodePageConverter().ToWide(codePage, bytes, count, unit) ? unit : fallback;
}

WideChar* SingleByteTable(int32_t codePage)
{
    auto* table = new WideChar[256];
    for (int b = 0; b < 256; ++b) {
        const uint8_t byte = static_cast<uint8_t>(b);
        table[b] = Convert(codePage, &byte, 1, byte);
    }
    return table;
}

void Build(TCodePageTables& t, const TCodePageInfo& info)
{
    const std::lock_guard<std::mutex> lock(BuildLock);
    t.Info = &info;
    const int32_t codePage = info.CodePage;
    switch (info.Kind) {
    case cpkSingleByte:
        t.Single = codePage == 37 ? Ebcdic037Table : SingleByteTable(codePage);
        break;
    case cpkDoubleByte:
        // Rows are filled on the first pair with their lead byte; the bytes
        // that stand alone are decoded now (256 conversions).
        t.Lone = SingleByteTable(codePage);
        t.RowReady = new std::atomic<uint8_t>[256]();
        t.Double = new WideChar[65536];
        break;
    default:
        break;
    }
    TLeadByteRanges ranges{};
    if (!CodePageConverter().GetLeadByteRanges(codePage, ranges))
        ranges[0] = ranges[1] = 0;
    for (int i = 0; i < 12; ++i)
        t.LeadRanges[i] = ranges[i];
    for (int b = 0; b < 256; ++b)
        t.Lead[b] = InLeadRanges(t.LeadRanges, static_cast<uint8_t>(b));
}

}  // namespace

bool InLeadRanges(const uint8_t (&ranges)[12], uint8_t b)
{
    for (int i = 0; i < 12; i += 2) {
        const uint8_t lo = ranges[i], hi = ranges[i + 1];
        if (lo == 0 && hi == 0)
            break;
        if (b >= lo && b <= hi)
            return true;
    }
    return false;
}

TDecoder TDecoder::For(int32_t codePage)
{
    for (int i = 0; i < CodePageCount; ++i) {
        if (CodePageTable[i].CodePage != codePage)
            continue;
        std::call_once(Built[i], [i] { Build(AllTables[i], CodePageTable[i]); });
        return TDecoder(&AllTables[i]);
    }
    return TDecoder();
}

const uint8_t* TDecoder::LeadRanges() const
{
    static const uint8_t none[12] = {};
    return FTables ? FTables->LeadRanges : none;
}

void TDecoder::FillRow(uint8_t lead) const
{
    const std::lock_guard<std::mutex> lock(BuildLock);
    if (FTables->RowReady[lead].load(std::memory_order_relaxed))
        return;  // another thread filled it meanwhile
    WideChar* row = FTables->Double + lead * 256u;
    uint8_t pair[2] = {lead, 0};
    for (int t = 0; t < 256; ++t) {
        pair[1] = static_cast<uint8_t>(t);
        row[t] = Convert(FTables->Info->CodePage, pair, 2, lead);
    }
    FTables->RowReady[lead].store(1, std::memory_order_release);
}

}  // namespace zin
