// Finding a line by global row, by line index or by file offset through a
// checkpoint index: every IndexStride-th line is recorded with its index,
// first row and file offset; a lookup takes the checkpoint at or before the
// wanted line by binary search and walks forward from there. The index
// grows only as far as lookups reach.
#include <algorithm>

#include "lines/ZinLines.h"

namespace zin {

bool TZinLines::ExtendIndex()
{
    const TLineIterator end = FLines.end();
    if (FIndexNext.Line == end)
        return false;
    FCheckpoints.push_back(FIndexNext);
    TLinePlace& p = FIndexNext;
    for (int32_t k = 0; k < IndexStride && p.Line != end; ++k, ++p.Line, ++p.Index) {
        p.FirstRow += p.Line->RowCount();
        p.Start += p.Line->Length();
    }
    return true;
}

template <class Pred>
const TLinePlace& TZinLines::Checkpoint(Pred before)
{
    if (FIndexGeneration != Generation()) {
        FCheckpoints.clear();
        FCheckpoints.reserve(FLines.size() / IndexStride + 1);
        FIndexNext = TLinePlace{FLines.begin()};
        FIndexGeneration = Generation();
    }
    if (FCheckpoints.empty())
        ExtendIndex();
    while (before(FCheckpoints.back()) && ExtendIndex()) {
    }
    // The first checkpoint for which `before` fails; the one ahead of it is
    // the answer (the first checkpoint always qualifies).
    auto it = std::partition_point(FCheckpoints.begin() + 1, FCheckpoints.end(), before);
    return *(it - 1);
}

TLinePlace TZinLines::FindRow(int32_t row)
{
    if (FLines.empty())
        return TLinePlace{FLines.end()};
    row = std::max(0, std::min(row, FRowCount - 1));
    TLinePlace p = Checkpoint([row](const TLinePlace& c) { return c.FirstRow <= row; });
    const TLineIterator end = FLines.end();
    for (;;) {
        const TLineIterator next = std::next(p.Line);
        const int32_t rows = p.Line->RowCount();
        if (next == end || p.FirstRow + rows > row)
            return p;
        p.FirstRow += rows;
        p.Start += p.Line->Length();
        ++p.Index;
        p.Line = next;
    }
}

TLinePlace TZinLines::FindLine(int32_t index)
{
    if (FLines.empty())
        return TLinePlace{FLines.end()};
    index = std::max(0, index);
    TLinePlace p = Checkpoint([index](const TLinePlace& c) { return c.Index <= index; });
    const TLineIterator end = FLines.end();
    while (p.Index < index) {
        const TLineIterator next = std::next(p.Line);
        if (next == end)
            break;
        p.FirstRow += p.Line->RowCount();
        p.Start += p.Line->Length();
        ++p.Index;
        p.Line = next;
    }
    return p;
}

TLinePlace TZinLines::FindFilePos(uint64_t pos)
{
    if (FLines.empty())
        return TLinePlace{FLines.end()};
    const TLineIterator end = FLines.end();
    if (pos > FFileSize / 2) {
        // The last line that starts at or before pos.
        TLinePlace p = Checkpoint([pos](const TLinePlace& c) { return c.Start <= pos; });
        for (;;) {
            const TLineIterator next = std::next(p.Line);
            const uint64_t nextStart = p.Start + p.Line->Length();
            if (next == end || nextStart > pos)
                return p;
            p.FirstRow += p.Line->RowCount();
            p.Start = nextStart;
            ++p.Index;
            p.Line = next;
        }
    }
    // The first line that ends at or after pos. Lines ahead of a checkpoint
    // that starts before pos end before pos, so the answer is not ahead of
    // the last such checkpoint.
    TLinePlace p = Checkpoint([pos](const TLinePlace& c) { return c.Start < pos; });
    for (;;) {
        const TLineIterator next = std::next(p.Line);
        const uint64_t length = p.Line->Length();
        if (next == end || p.Start + length >= pos)
            return p;
        p.FirstRow += p.Line->RowCount();
        p.Start += length;
        ++p.Index;
        p.Line = next;
    }
}

}  // namespace zin
