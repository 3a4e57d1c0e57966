#pragma once
// The character reader: decodes a line's bytes, one character per call, in
// one code page. A reader is a value of its own (position, look-ahead,
// window onto a file): any number read at once, the store's scan, the
// caret's row, the painter's scanner, a copy, a search on another thread,
// without moving each other. Its lines must stay as they are while it
// reads (the store changes lines only on the window's thread, between
// reads of its own readers).
#include <cstdint>

#include "encoding/Decoder.h"
#include "lines/ZinData.h"
#include "lines/ZinLineList.h"

namespace zin {

class TLineReader {
public:
    TLineReader() = default;
    explicit TLineReader(const TDecoder& decoder) { SetDecoder(decoder); }
    TLineReader(TLineReader&&) = default;
    TLineReader& operator=(TLineReader&&) = default;

    // Decodes in the decoder's code page from the next Begin on (without a
    // code page, every byte is a character of its own value).
    void SetDecoder(const TDecoder& decoder);
    const TDecoder& Decoder() const { return FDecoder; }
    // The kind the reader decodes as: the decoder's, single-byte without one.
    int Kind() const { return FKind; }

    // Starts at byte `pos` of the line.
    void Begin(TLineIterator line, uint64_t pos)
    {
        FLine = line;
        Begin(line->Bytes(), pos);
    }
    // Starts at byte `pos` of the bytes (a line, or part of one being scanned).
    void Begin(const TLineBytes& bytes, uint64_t pos);
    // Appends the next character to the queue; false at the line's end.
    bool Next(twc_queue& q) { return (this->*FNext)(q); }
    // Whether the next character is a line feed (an LF after a CR joins it
    // into one newline). Looks at one byte, never decodes ahead.
    bool IsLFNext();
    // The position in the line of the next byte to decode.
    uint64_t Pos() const { return FPos; }
    TLineIterator Line() const { return FLine; }

    // Bytes decoded but not yet taken (a double-byte or UTF-8 look-ahead
    // that was no character), for tests.
    const TRingDeque<int32_t>& PendingBytes() const { return FPending; }

private:
    bool NextSingleByte(twc_queue& q);
    bool NextDoubleByte(twc_queue& q);
    bool NextUTF16LE(twc_queue& q);
    bool NextUTF16BE(twc_queue& q);
    bool NextUTF8(twc_queue& q);
    uint8_t FetchByte(uint64_t pos);

    TDecoder FDecoder;
    int FKind = cpkSingleByte;
    bool (TLineReader::*FNext)(twc_queue&) = &TLineReader::NextSingleByte;
    TLineIterator FLine;
    uint64_t FLength = 0;
    uint64_t FPos = 0;
    TRingDeque<int32_t> FPending;
    // The line's bytes: one block of a source, or the blocks of a spill.
    const TInData* FSource = nullptr;
    uint64_t FOffset = 0;
    const std::vector<TBlock>* FBlocks = nullptr;
    TByteWindow FWindow;
};

}  // namespace zin
