// The encoding content tests and the character reader's five decoders on any
// bytes in every code page. Each code page reads the bytes as one line held
// in one block, and again split into three blocks (a character may straddle
// them): both give the same characters, every character takes 1 to 3
// bytes, their byte counts add up to the line, and a line feed the look-ahead
// announces is the character that comes next.
#include <memory>

#include "FuzzSupport.h"
#include "encoding/CodePage.h"
#include "encoding/Decoder.h"
#include "lines/ZinFixedOwner.h"
#include "platform/SystemCodePage.h"
#include "support/LinesAccess.h"

using namespace zin;

namespace {

struct TReadChar {
    int32_t Code, Bytes;
    bool LFAnnounced;
};

// Reads the store's first line from `from` to its end; asks IsLFNext after
// every CR and, by the pattern's bits, after other characters too.
std::vector<TReadChar> ReadAll(TZinLines& store, uint64_t from, uint32_t pattern)
{
    std::vector<TReadChar> out;
    const TLineIterator line = store.Lines().begin();
    const uint64_t length = line->Length();
    store.BeginRead(line, TRowIndex{from, 0});
    twc_queue q;
    uint64_t pos = from;
    bool announced = false;
    for (uint32_t k = 0;; ++k) {
        if (!store.NextChar(q))
            break;
        const twc_pair c = q.back();
        q.clear();
        FUZZ_CHECK(c.second >= 1 && c.second <= 3);
        FUZZ_CHECK(c.first >= 0 && c.first <= 0xFFFF);
        if (announced)
            FUZZ_CHECK(c.first == 10);
        pos += static_cast<uint64_t>(c.second);
        FUZZ_CHECK(store.ReadPos() == pos);
        FUZZ_CHECK(pos <= length);
        announced = (c.first == 13 || ((pattern >> (k % 32)) & 1)) && store.IsLFNext();
        out.push_back(TReadChar{c.first, c.second, announced});
    }
    FUZZ_CHECK(pos == length || (from > length && out.empty()));
    FUZZ_CHECK(!store.IsLFNext());
    return out;
}

bool Same(const std::vector<TReadChar>& a, const std::vector<TReadChar>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].Code != b[i].Code || a[i].Bytes != b[i].Bytes)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool init = [] {
        LoadCodePageNames();
        SetSystemCodePage(1252);
        return true;
    }();
    (void)init;
    // One owner per code page, kept for the run (each holds a width cache).
    static std::unique_ptr<TFixedMetricsOwner> owners[CodePageCount];

    FuzzedDataProvider in(data, size);
    const uint32_t pattern = in.ConsumeIntegral<uint32_t>();
    const size_t cut1 = in.ConsumeIntegral<uint16_t>();
    const size_t cut2 = in.ConsumeIntegral<uint16_t>();
    const std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();
    const int32_t n = static_cast<int32_t>(bytes.size());

    // The content tests look only at the bytes they are given.
    const uint8_t* p = bytes.data();
    const bool le = IsUTF16LEText(p, n), be = IsUTF16BEText(p, n), u8 = IsUTF8Text(p, n),
               bin = HasBinaryControlBytes(p, n);
    const TContentTest guess = GuessContent(p, n);
    const TContentTest expected = le ? TContentTest::UTF16LE
                                  : be ? TContentTest::UTF16BE
                                  : u8 ? TContentTest::UTF8
                                  : bin ? TContentTest::Binary
                                        : TContentTest::None;
    FUZZ_CHECK(guess == expected);
    if (bytes.empty())
        return 0;

    for (int i = 0; i < CodePageCount; ++i) {
        if (!owners[i])
            owners[i] = std::make_unique<TFixedMetricsOwner>(8, CodePageTable[i].CodePage);
        TFixedMetricsOwner& owner = *owners[i];
        TZinLines& store = *owner.Lines;
        TMemData* mem = TZinLinesAccess::MemData(store);
        mem->FSize = 0;
        mem->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        const TLineIterator line = store.Lines().begin();

        store.SetLineBlocks(line, {TBlock{mem, 0, bytes.size()}});
        const std::vector<TReadChar> whole = ReadAll(store, 0, pattern);
        // A read that starts inside (maybe inside a character) ends at the
        // line's end too.
        ReadAll(store, cut1 % bytes.size(), pattern);

        // The same bytes in three blocks (some may be empty).
        const uint64_t a = cut1 % (bytes.size() + 1);
        const uint64_t b = a + cut2 % (bytes.size() - a + 1);
        store.SetLineBlocks(line, {TBlock{mem, 0, a}, TBlock{mem, a, b - a}, TBlock{mem, b, bytes.size() - b}});
        FUZZ_CHECK(line->Length() == bytes.size());
        const std::vector<TReadChar> split = ReadAll(store, 0, pattern);
        FUZZ_CHECK(Same(whole, split));

        if (CodePageTable[i].Kind == cpkSingleByte)
            for (size_t k = 0; k < whole.size(); ++k)
                FUZZ_CHECK(whole[k].Code == TDecoder::For(CodePageTable[i].CodePage).SingleByte(bytes[k]));
        store.SetLineBlocks(line, {TBlock{}});
    }
    return 0;
}
