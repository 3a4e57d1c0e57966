#pragma once
// Data sources: where the bytes of the opened file live. Lines never copy
// bytes; they hold TBlocks, runs of bytes inside a data source.
//
//  - TFileData reads a file on demand through one 512 KiB window aligned to
//    512 KiB, so sequential reading touches the disk once per 512 KiB. A
//    file that shrinks while open reads as zeros where its bytes went.
//  - TMemData holds bytes in memory in 512 KiB chunks; chunks are never freed
//    before the object dies, and setting FSize back to 0 reuses them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace zin {

constexpr uint32_t ChunkSize = 0x80000;  // 512 KiB

class TInData;

// A reader's own window onto a file: the bytes it reads go into its window,
// never into one it shares, so that readers on different threads do not
// meet. Memory sources need no window.
struct TByteWindow {
    static constexpr uint32_t Capacity = 0x10000;  // 64 KiB
    // The source it was filled from, by its identity: a source opened later
    // may live at the address of one since destroyed.
    uint64_t SourceId = 0;
    uint64_t Pos = 0;
    uint64_t Size = 0;
    std::unique_ptr<uint8_t[]> Bytes;
};

class TInData {
public:
    virtual ~TInData() = default;
    virtual uint8_t GetByte(uint64_t pos) = 0;
    // The byte at pos for a reader, through its window: safe on any thread
    // while nobody writes the source (a memory source is written only while
    // it is loaded). Past the end, 0.
    virtual uint8_t ByteAt(uint64_t pos, TByteWindow& window) const = 0;
    virtual void Read(void* buffer, uint32_t count, uint64_t pos) = 0;
    // The bytes from pos on that lie contiguous in memory: returns a pointer
    // to the byte at pos and sets `avail` to how many follow it in the same
    // chunk or window (at least 1 when pos < FSize). A window may move, which
    // invalidates earlier pointers of the same source. For the fast scan.
    virtual const uint8_t* Span(uint64_t pos, uint32_t& avail) = 0;

    uint64_t FSize = 0;
};

class TOutData {
public:
    virtual ~TOutData() = default;
    // Appends the bytes and returns the position at which they start.
    virtual uint64_t Write(const void* bytes, uint32_t count) = 0;
};

class TFileData final : public TInData {
public:
    // Opens the file and reads the first window. IsOpen() tells whether it
    // opened; Error() says why not.
    explicit TFileData(const std::string& fileName);
    ~TFileData() override = default;

    bool IsOpen() const { return FHandle.IsOpen(); }
    const std::string& Error() const { return FHandle.Error(); }

    uint8_t GetByte(uint64_t pos) override;
    // Reads straight into the caller's buffer; the window is neither used
    // nor moved. Bytes past the file's current end (it shrank) read as zeros.
    void Read(void* buffer, uint32_t count, uint64_t pos) override;
    const uint8_t* Span(uint64_t pos, uint32_t& avail) override;
    uint8_t ByteAt(uint64_t pos, TByteWindow& window) const override;
    // The file grew to `size` bytes (or its bytes may have changed): the
    // window is filled again.
    void Grow(uint64_t size);

    std::string FFileName;
    // Different for every source the process opens (never 0).
    const uint64_t FId;
    TPlatformFile FHandle;
    std::unique_ptr<uint8_t[]> FBuffer;  // the window, ChunkSize bytes
    uint64_t FBufferPos = 0;             // always a multiple of ChunkSize
    uint64_t FWindowReads = 0;           // how often the window was (re)filled
    uint64_t FWindowFill = 0;            // bytes the last fill read (the rest are zeros)

private:
    void MoveWindow(uint64_t pos);
};

class TMemData final : public TInData, public TOutData {
public:
    TMemData() = default;
    ~TMemData() override = default;

    uint8_t GetByte(uint64_t pos) override
    {
        return FChunks[pos / ChunkSize][pos % ChunkSize];
    }
    uint8_t ByteAt(uint64_t pos, TByteWindow&) const override
    {
        return pos < FSize ? FChunks[pos / ChunkSize][pos % ChunkSize] : 0;
    }
    void Read(void* buffer, uint32_t count, uint64_t pos) override;
    uint64_t Write(const void* bytes, uint32_t count) override;
    const uint8_t* Span(uint64_t pos, uint32_t& avail) override;

    std::vector<std::unique_ptr<uint8_t[]>> FChunks;
};

struct TBlock {
    TInData* Source = nullptr;  // not owned
    uint64_t Offset = 0;
    uint64_t Size = 0;
};

}  // namespace zin
