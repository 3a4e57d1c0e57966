#pragma once
// How the bytes of a file decode in one code page: a small value that each
// line store owns and copies into its readers, so that any number of files
// decode side by side, on any thread.
//
// The tables behind it belong to the code page, not to the decoder: they
// are built on the first decoder of their code page (a single-byte table:
// 256 conversions; a double-byte code page: its 256 lone bytes, and each
// lead byte's row of 256 pairs on the first pair with that lead byte), each
// exactly once even when threads ask at the same time, and never change
// afterwards. They live until the process ends, so decoding is one look-up.
#include <atomic>
#include <cstdint>

#include "encoding/CodePage.h"

namespace zin {

// The decode tables of one code page.
struct TCodePageTables {
    const TCodePageInfo* Info = nullptr;
    const WideChar* Single = nullptr;    // single-byte: 256 entries
    WideChar* Double = nullptr;          // double-byte: 65536 entries, by rows
    std::atomic<uint8_t>* RowReady = nullptr;  // double-byte: 256 flags, 1 once a row is filled
    const WideChar* Lone = nullptr;      // double-byte: 256 lone bytes
    uint8_t LeadRanges[12] = {};         // up to five (low, high) pairs, then zeros
    bool Lead[256] = {};                 // the same as one flag per byte
};

class TDecoder {
public:
    // No code page: every byte decodes as its own value, no byte leads.
    TDecoder() = default;
    // The code page's decoder, its tables built on first use; no code page
    // (as above) when the number is not in the table.
    static TDecoder For(int32_t codePage);

    bool Valid() const { return FTables != nullptr; }
    int32_t CodePage() const { return FTables ? FTables->Info->CodePage : 0; }
    const TCodePageInfo* Info() const { return FTables ? FTables->Info : nullptr; }
    // The code page's kind; -1 without a code page.
    int Kind() const { return FTables ? FTables->Info->Kind : -1; }

    // A byte of a single-byte code page.
    WideChar SingleByte(uint8_t b) const { return FTables && FTables->Single ? FTables->Single[b] : b; }
    // The pair (lead, trail) of a double-byte code page; a result equal to
    // `lead` means the pair is no valid character.
    WideChar DoubleByte(uint8_t lead, uint8_t trail) const
    {
        if (!FTables->RowReady[lead].load(std::memory_order_acquire))
            FillRow(lead);
        return FTables->Double[lead * 256u + trail];
    }
    bool HasDoubleByteTable() const { return FTables && FTables->Double; }
    // A byte of a double-byte code page that stands alone; a byte the code
    // page rejects keeps its own value.
    WideChar LoneByte(uint8_t b) const { return FTables && FTables->Lone ? FTables->Lone[b] : b; }
    // Whether b is a lead byte of the code page.
    bool IsLeadByte(uint8_t b) const { return FTables && FTables->Lead[b]; }
    // The lead-byte ranges: up to five (low, high) pairs, then a zero pair.
    const uint8_t* LeadRanges() const;

    // The tables in use (tests compare them).
    const TCodePageTables* Tables() const { return FTables; }

private:
    explicit TDecoder(const TCodePageTables* tables) : FTables(tables) {}
    void FillRow(uint8_t lead) const;
    const TCodePageTables* FTables = nullptr;
};

// Whether b lies in one of the (low, high) ranges before the first zero pair.
bool InLeadRanges(const uint8_t (&ranges)[12], uint8_t b);

}  // namespace zin
