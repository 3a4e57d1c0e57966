#include "lines/ZinLineReader.h"

#include "lines/ZinLinesDecode.h"

namespace zin {

void TLineReader::SetDecoder(const TDecoder& decoder)
{
    FDecoder = decoder;
    FKind = decoder.Valid() ? decoder.Kind() : int(cpkSingleByte);
    switch (FKind) {
    case cpkDoubleByte: FNext = &TLineReader::NextDoubleByte; break;
    case cpkUTF16LE: FNext = &TLineReader::NextUTF16LE; break;
    case cpkUTF16BE: FNext = &TLineReader::NextUTF16BE; break;
    case cpkUTF8: FNext = &TLineReader::NextUTF8; break;
    default: FNext = &TLineReader::NextSingleByte; break;
    }
}

void TLineReader::Begin(const TLineBytes& bytes, uint64_t pos)
{
    FPos = pos;
    FLength = bytes.Length;
    FBlocks = bytes.Blocks;
    FSource = bytes.Blocks ? nullptr : bytes.Source;
    FOffset = bytes.Blocks ? 0 : bytes.Offset;
    FPending.clear();
}

uint8_t TLineReader::FetchByte(uint64_t pos)
{
    if (!FBlocks)
        return FSource->ByteAt(FOffset + pos, FWindow);
    for (const TBlock& b : *FBlocks) {
        if (pos < b.Size)
            return b.Source->ByteAt(b.Offset + pos, FWindow);
        pos -= b.Size;
    }
    return 0;
}

bool TLineReader::NextSingleByte(twc_queue& q)
{
    if (FPos >= FLength)
        return false;
    q.emplace_back(FDecoder.SingleByte(FetchByte(FPos)), 1);
    ++FPos;
    return true;
}

bool TLineReader::NextUTF16LE(twc_queue& q)
{
    if (FPos >= FLength)
        return false;
    const uint8_t b0 = FetchByte(FPos);
    if (FPos + 1 < FLength) {
        q.emplace_back(b0 + 256 * FetchByte(FPos + 1), 2);
        FPos += 2;
    } else {
        q.emplace_back(b0, 1);
        FPos += 1;
    }
    return true;
}

bool TLineReader::NextUTF16BE(twc_queue& q)
{
    if (FPos >= FLength)
        return false;
    const uint8_t b0 = FetchByte(FPos);
    if (FPos + 1 < FLength) {
        q.emplace_back(256 * b0 + FetchByte(FPos + 1), 2);
        FPos += 2;
    } else {
        q.emplace_back(b0, 1);
        FPos += 1;
    }
    return true;
}

bool TLineReader::NextDoubleByte(twc_queue& q)
{
    if (FPos >= FLength && FPending.empty())
        return false;
    uint8_t b1;
    if (!FPending.empty()) {
        b1 = static_cast<uint8_t>(FPending.front());
        FPending.pop_front();
    } else {
        b1 = FetchByte(FPos);
    }
    const bool hasB2 = FPos + 1 < FLength;
    uint8_t b2 = 0;
    if (hasB2) {
        b2 = FetchByte(FPos + 1);
        if (FDecoder.IsLeadByte(b1)) {
            const WideChar u = FDecoder.DoubleByte(b1, b2);
            if (u != b1) {
                q.emplace_back(u, 2);
                FPos += 2;
                return true;
            }
        }
    }
    // A byte standing alone decodes through the code page (a byte the code
    // page rejects keeps its own value).
    q.emplace_back(FDecoder.LoneByte(b1), 1);
    FPos += 1;
    if (hasB2)
        FPending.push_front(b2);
    return true;
}


bool TLineReader::NextUTF8(twc_queue& q)
{
    if (FPos >= FLength && FPending.empty())
        return false;
    uint8_t g[3];
    int k = 0;
    while (k < 3 && !FPending.empty()) {
        g[k++] = static_cast<uint8_t>(FPending.front());
        FPending.pop_front();
    }
    uint64_t p = FPos + k;
    while (k < 3 && p < FLength)
        g[k++] = FetchByte(p++);
    int32_t u, n;
    DecodeUTF8(g, k, u, n);
    q.emplace_back(u, n);
    FPos += n;
    for (int i = n; i < k; ++i)
        FPending.push_back(g[i]);
    return true;
}

bool TLineReader::IsLFNext()
{
    if (FPos >= FLength)
        return false;
    switch (FDecoder.Kind()) {
    case cpkSingleByte:
        return FDecoder.SingleByte(FetchByte(FPos)) == 10;
    case cpkDoubleByte:
    case cpkUTF8: {
        if (!FPending.empty())
            return FPending.front() == 10;
        const uint8_t b = FetchByte(FPos);
        FPending.push_back(b);
        return b == 10;
    }
    case cpkUTF16LE:
        return FPos + 1 < FLength && FetchByte(FPos) == 0x0A && FetchByte(FPos + 1) == 0;
    case cpkUTF16BE:
        return FPos + 1 < FLength && FetchByte(FPos) == 0 && FetchByte(FPos + 1) == 0x0A;
    default:
        return FetchByte(FPos) == 10;
    }
}

}  // namespace zin
