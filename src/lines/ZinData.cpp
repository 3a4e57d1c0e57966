#include "lines/ZinData.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace zin {

// ---------------------------------------------------------------- TFileData

namespace {

uint64_t NextSourceId()
{
    static std::atomic<uint64_t> last{0};
    return ++last;
}

}  // namespace

TFileData::TFileData(const std::string& fileName) : FFileName(fileName), FId(NextSourceId())
{
    if (!FHandle.Open(fileName))
        return;
    FSize = FHandle.Size();
    // Every byte of the window below FSize is written by each fill (see
    // MoveWindow), so the buffer needs no clearing first.
    FBuffer = std::make_unique_for_overwrite<uint8_t[]>(ChunkSize);
    MoveWindow(0);
}

void TFileData::MoveWindow(uint64_t pos)
{
    FBufferPos = pos - pos % ChunkSize;
    const uint64_t n = FBufferPos < FSize ? std::min<uint64_t>(FSize - FBufferPos, ChunkSize) : 0;
    // Bytes a short read did not deliver (the file shrank or could not be
    // read) are zeros, not what the window held for another position.
    const uint64_t got = FHandle.ReadAt(FBuffer.get(), n, FBufferPos);
    if (got < n)
        std::memset(FBuffer.get() + got, 0, n - got);
    FWindowFill = got;
    ++FWindowReads;
}

void TFileData::Grow(uint64_t size)
{
    FSize = size;
    if (FBuffer)
        MoveWindow(FBufferPos);
}

uint8_t TFileData::GetByte(uint64_t pos)
{
    if (!FBuffer)
        return 0;
    if (pos < FBufferPos || pos - FBufferPos >= ChunkSize)
        MoveWindow(pos);
    return FBuffer[pos - FBufferPos];
}

void TFileData::Read(void* buffer, uint32_t count, uint64_t pos)
{
    const uint64_t got = FHandle.ReadAt(buffer, count, pos);
    if (got < count)
        std::memset(static_cast<uint8_t*>(buffer) + got, 0, count - got);
}

const uint8_t* TFileData::Span(uint64_t pos, uint32_t& avail)
{
    if (!FBuffer || pos >= FSize) {
        avail = 0;
        return nullptr;
    }
    if (pos < FBufferPos || pos - FBufferPos >= ChunkSize)
        MoveWindow(pos);
    const uint64_t offset = pos - FBufferPos;
    avail = static_cast<uint32_t>(std::min<uint64_t>(ChunkSize - offset, FSize - pos));
    return FBuffer.get() + offset;
}

uint8_t TFileData::ByteAt(uint64_t pos, TByteWindow& window) const
{
    if (window.SourceId != FId || pos - window.Pos >= window.Size) {
        if (pos >= FSize)
            return 0;
        if (!window.Bytes)
            window.Bytes = std::make_unique_for_overwrite<uint8_t[]>(TByteWindow::Capacity);
        window.SourceId = FId;
        window.Pos = pos - pos % TByteWindow::Capacity;
        window.Size = std::min<uint64_t>(FSize - window.Pos, TByteWindow::Capacity);
        // As in the file's own window: what a short read did not deliver
        // (the file shrank) reads as zeros.
        const uint64_t got = FHandle.ReadAt(window.Bytes.get(), window.Size, window.Pos);
        if (got < window.Size)
            std::memset(window.Bytes.get() + got, 0, window.Size - got);
    }
    return window.Bytes[pos - window.Pos];
}

// ----------------------------------------------------------------- TMemData

void TMemData::Read(void* buffer, uint32_t count, uint64_t pos)
{
    // Only bytes below FSize are copied: the rest of the buffer is left as it is.
    if (pos >= FSize)
        return;
    uint64_t left = std::min<uint64_t>(count, FSize - pos);
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t chunk = pos / ChunkSize;
    uint64_t offset = pos % ChunkSize;
    while (left > 0) {
        const uint64_t n = std::min<uint64_t>(left, ChunkSize - offset);
        std::memcpy(out, FChunks[chunk].get() + offset, n);
        out += n;
        left -= n;
        ++chunk;
        offset = 0;
    }
}

uint64_t TMemData::Write(const void* bytes, uint32_t count)
{
    const uint64_t start = FSize;
    const auto* in = static_cast<const uint8_t*>(bytes);
    uint64_t chunk = FSize / ChunkSize;
    uint64_t offset = FSize % ChunkSize;
    FSize += count;
    uint64_t left = count;
    while (left > 0) {
        // A chunk left from an earlier, larger content is overwritten.
        while (FChunks.size() <= chunk)
            FChunks.emplace_back(new uint8_t[ChunkSize]);
        const uint64_t n = std::min<uint64_t>(left, ChunkSize - offset);
        std::memcpy(FChunks[chunk].get() + offset, in, n);
        in += n;
        left -= n;
        ++chunk;
        offset = 0;
    }
    return start;
}

const uint8_t* TMemData::Span(uint64_t pos, uint32_t& avail)
{
    if (pos >= FSize) {
        avail = 0;
        return nullptr;
    }
    const uint64_t offset = pos % ChunkSize;
    avail = static_cast<uint32_t>(std::min<uint64_t>(ChunkSize - offset, FSize - pos));
    return FChunks[pos / ChunkSize].get() + offset;
}

}  // namespace zin
