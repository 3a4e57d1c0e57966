// Finding a line by global row, by line index or by file offset: the list
// keeps a checkpoint every IndexStride lines (its file offset and first
// row); a lookup takes the checkpoint at or before the wanted line and
// walks forward from there, over fewer than IndexStride lines.
#include <algorithm>

#include "lines/ZinLines.h"

namespace zin {

TLinePlace TZinLines::PlaceOf(size_t index) const
{
    TLinePlace p;
    p.Line = FLines.At(index);
    p.Index = static_cast<int32_t>(index);
    p.FirstRow = FLines.FirstRowOf(index);
    p.Start = FLines.StartOf(index);
    return p;
}

namespace {

// The last checkpoint line (a multiple of the stride) for which `before`
// holds of its place, by binary search over the checkpoints; 0 when none.
template <class Pred>
size_t LastCheckpoint(const TLineList& lines, Pred before)
{
    const size_t stride = TLineList::Stride;
    size_t lo = 0, hi = (lines.size() - 1) / stride;  // checkpoints 0..hi
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (before(mid * stride))
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo * stride;
}

}  // namespace

TLinePlace TZinLines::FindRow(int32_t row)
{
    if (FLines.empty())
        return TLinePlace{FLines.end()};
    row = std::max(0, std::min(row, static_cast<int32_t>(FLines.TotalRows()) - 1));
    size_t i = LastCheckpoint(FLines, [&](size_t k) { return FLines.FirstRowOf(k) <= row; });
    int64_t first = FLines.FirstRowOf(i);
    uint64_t start = FLines.StartOf(i);
    const size_t n = FLines.size();
    for (;;) {
        const int32_t rows = FLines.RowCountAt(i);
        if (i + 1 == n || first + rows > row)
            break;
        first += rows;
        start += FLines.LengthAt(i);
        ++i;
    }
    return TLinePlace{FLines.At(i), static_cast<int32_t>(i), static_cast<int32_t>(first), start};
}

TLinePlace TZinLines::FindLine(int32_t index)
{
    if (FLines.empty())
        return TLinePlace{FLines.end()};
    const size_t i = std::min<size_t>(static_cast<size_t>(std::max(0, index)), FLines.size() - 1);
    return PlaceOf(i);
}

TLinePlace TZinLines::FindFilePos(uint64_t pos)
{
    if (FLines.empty())
        return TLinePlace{FLines.end()};
    const size_t n = FLines.size();
    // In the second half: the last line that starts at or before pos. In the
    // first: the first line that ends at or after pos; lines ahead of a
    // checkpoint that starts before pos end before pos, so the answer is not
    // ahead of the last such checkpoint.
    const bool later = pos > FFileSize / 2;
    size_t i = LastCheckpoint(FLines, [&](size_t k) {
        const uint64_t s = FLines.StartOf(k);
        return later ? s <= pos : s < pos;
    });
    int64_t first = FLines.FirstRowOf(i);
    uint64_t start = FLines.StartOf(i);
    for (;;) {
        const uint64_t length = FLines.LengthAt(i);
        if (i + 1 == n || (later ? start + length > pos : start + length >= pos))
            break;
        first += FLines.RowCountAt(i);
        start += length;
        ++i;
    }
    return TLinePlace{FLines.At(i), static_cast<int32_t>(i), static_cast<int32_t>(first), start};
}

}  // namespace zin
