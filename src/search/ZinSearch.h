#pragma once
// Find: matching a pattern against the decoded text of a file, read from the
// file's bytes on whatever thread runs the search (never through the line
// store, whose lines the window's thread changes).
//
// What a match is: the pattern is matched against the text of each line as
// the line reader decodes it in the code page (lone and invalid bytes decode
// the same way, a double-byte pair is one character even when its trail byte
// looks like ASCII). A line's text ends before its newline (CR, LF or CR LF);
// no match contains a newline, `^` and `$` match at a line's start and end.
// The byte-order mark at the start of a UTF-8 or UTF-16 file is not part of
// the first line's text. A match is reported as a byte range of the file.
//
//  - Match case off: characters compare after Unicode simple case folding
//    (the regular-expression engine's caseless mode).
//  - Whole word: the characters just before and after the match are absent
//    or not word characters (letters, decimal digits, the underscore).
//  - Regex: the pattern is a PCRE2 regular expression (its own syntax, with
//    \d, \w and \b meaning ASCII digits and word characters); otherwise the
//    pattern is literal text.
//  - Bytes (hex mode): the pattern's text encoded in the code page is found
//    among the file's bytes, newlines included; match case off folds ASCII
//    letters only, whole word looks at ASCII letters, digits and '_'.
//    Regular expressions are not available there.
//
// The matches of a line are those found from its start, each search going on
// after the end of the one before (after an empty match: one character on).
// A line longer than a search window (1 MiB) is searched in overlapping
// pieces; there a regular-expression match longer than 4096 characters that
// crosses a piece's end may be reported cut short.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zin {

class TInData;

struct TSearchOptions {
    std::string Pattern;  // UTF-8 text
    bool MatchCase = false;
    bool WholeWord = false;
    bool Regex = false;
    bool Bytes = false;  // hex mode: search the file's bytes
};

// A match: its first byte and its length in bytes (0 for an empty match of a
// regular expression such as `^`).
struct TSearchMatch {
    uint64_t Pos = 0;
    uint64_t Length = 0;
    bool operator==(const TSearchMatch&) const = default;
};

enum class TSearchStatus : uint8_t {
    Found,
    NotFound,
    Cancelled,
    Failed,  // the engine gave up (its work limits) or the file could not be read: Error() says why
};

// Where a search reads the file's bytes: safe to use from the one thread
// that searches, without touching anything the window's thread changes.
class TSearchSource {
public:
    virtual ~TSearchSource() = default;
    // The size the search runs over (taken when the source was made).
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at pos into buf and returns how many it read:
    // fewer at the end, and fewer (down to 0) when the file has shrunk or
    // vanished since; the search then ends there.
    virtual size_t Read(uint64_t pos, uint8_t* buf, size_t n) = 0;
};

// The file by its path, through a descriptor of its own (pread).
class TFileSearchSource final : public TSearchSource {
public:
    // Null, with the system's reason in `error`, when the file cannot be opened.
    static std::unique_ptr<TFileSearchSource> Open(const std::string& path, std::string& error);
    ~TFileSearchSource() override;
    uint64_t Size() const override { return FSize; }
    size_t Read(uint64_t pos, uint8_t* buf, size_t n) override;

private:
    TFileSearchSource(int fd, uint64_t size) : FFd(fd), FSize(size) {}
    int FFd;
    uint64_t FSize;
};

// A line store's data source, read through a window of the search's own
// (TInData::ByteAt), or straight from a memory source's chunks. The source
// must outlive the search and must not be written meanwhile (a memory
// source is written only while a file loads: cancel the search first).
class TDataSearchSource final : public TSearchSource {
public:
    TDataSearchSource(const TInData& data, uint64_t size);
    ~TDataSearchSource() override;
    uint64_t Size() const override { return FSize; }
    size_t Read(uint64_t pos, uint8_t* buf, size_t n) override;

private:
    const TInData& FData;
    uint64_t FSize;
    struct TWindowHolder;
    std::unique_ptr<TWindowHolder> FWindow;
};

// Bytes held in memory (tests, small texts).
class TBytesSearchSource final : public TSearchSource {
public:
    explicit TBytesSearchSource(std::string bytes) : FBytes(std::move(bytes)) {}
    uint64_t Size() const override { return FBytes.size(); }
    size_t Read(uint64_t pos, uint8_t* buf, size_t n) override;

private:
    std::string FBytes;
};

// A pattern compiled for one code page. A value: copies share the compiled
// form, which never changes, so a copy may go to another thread.
class TSearchPattern {
public:
    TSearchPattern();
    ~TSearchPattern();
    TSearchPattern(const TSearchPattern&);
    TSearchPattern& operator=(const TSearchPattern&);

    // Compiles the options for the code page (one of the table's; another
    // number decodes every byte as its own value). False when the pattern
    // cannot be used: Error() has the engine's message (or why not) and the
    // pattern keeps what it had before.
    bool Compile(const TSearchOptions& options, int32_t codePage);
    bool Valid() const { return FCompiled != nullptr; }
    const std::string& Error() const { return FError; }
    const TSearchOptions& Options() const;
    int32_t CodePage() const;

    struct TCompiled;
    const TCompiled* Compiled() const { return FCompiled.get(); }

private:
    std::shared_ptr<const TCompiled> FCompiled;
    std::string FError;
};

// A search over one source, run synchronously on the calling thread (the
// worker of TSearchTask, the tool, the tests). Keeps no match but the one it
// returns; its buffers (a few MiB) are its own.
class TSearcher {
public:
    TSearcher(const TSearchPattern& pattern, TSearchSource& source);
    ~TSearcher();
    TSearcher(const TSearcher&) = delete;
    TSearcher& operator=(const TSearcher&) = delete;

    // Checked between pieces of about 1 MiB: once set, the search returns
    // Cancelled.
    void SetCancelFlag(const std::atomic<bool>* cancel) { FCancel = cancel; }
    // Bytes looked at so far, updated after each piece.
    void SetProgress(std::atomic<uint64_t>* done) { FDone = done; }
    // Called with each match Count finds (for a caller that lists them).
    void SetMatchListener(void (*listener)(void* context, const TSearchMatch&), void* context)
    {
        FListener = listener;
        FListenerContext = context;
    }

    // The first match that starts at or after `from` (a caret at `from`):
    // the text before `from` is context for look-behind and whole word.
    TSearchStatus Next(uint64_t from, TSearchMatch& match);
    // The last match that ends at or before `from`.
    TSearchStatus Previous(uint64_t from, TSearchMatch& match);
    // Counts every match of the file (NotFound when there is none).
    TSearchStatus Count(uint64_t& count);
    // Why the last call Failed.
    const std::string& Error() const { return FError; }

    struct TState;

private:
    const TSearchPattern FPattern;
    TSearchSource& FSource;
    const std::atomic<bool>* FCancel = nullptr;
    std::atomic<uint64_t>* FDone = nullptr;
    void (*FListener)(void*, const TSearchMatch&) = nullptr;
    void* FListenerContext = nullptr;
    std::string FError;
    std::unique_ptr<TState> FState;
};

}  // namespace zin
