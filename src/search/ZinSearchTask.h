#pragma once
// A search on a worker thread, for the window: it starts a search, keeps
// working while the search runs, polls its progress and takes the result
// when it is ready. Nothing mutable is shared with the window's thread but
// the task's atomics and the result slot, handed over under a lock.
//
// How the window uses it (one task per window):
//  - Find next / previous: Start(pattern, source, {Next or Previous, caret,
//    wrap}); Start cancels the search running before. Poll with
//    TakeResult() (from a timer or an idle handler); Done()/Total() give the
//    progress to show. A result of Found holds the match's byte range: map
//    it to its line with TZinLines::FindFilePos when showing it. After a
//    match [p, p + n) the next search forward starts from p + n (p + 1 after
//    an empty match), the next backward from p.
//  - Count: Start with kind Count; CountSoFar() shows the running figure.
//  - Before the file is closed, reloaded or its code page changes: Cancel()
//    (it returns once the worker has stopped, within one 1 MiB piece).
//  - A pattern that does not compile never reaches the task:
//    TSearchPattern::Compile returns false with the engine's message and the
//    running search goes on.
//
// The source must stay valid until the search ends or is cancelled; a
// TFileSearchSource (its own descriptor) always does, a TDataSearchSource
// only while its data source lives and no load writes it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "search/ZinSearch.h"

namespace zin {

enum class TSearchKind : uint8_t { Next, Previous, Count };

struct TSearchRequest {
    TSearchKind Kind = TSearchKind::Next;
    uint64_t From = 0;  // the caret's byte offset
    bool Wrap = true;   // past the file's end (start) go on from the start (end)
};

struct TSearchResult {
    uint64_t Id = 0;  // Start's return value
    TSearchStatus Status = TSearchStatus::NotFound;
    TSearchMatch Match;   // Found, Next/Previous
    bool Wrapped = false;  // the match lies on the other side of the caret
    uint64_t Count = 0;   // Count: every match (also when cancelled: those counted)
    std::string Message;  // Failed: why
};

class TSearchTask {
public:
    TSearchTask() = default;
    ~TSearchTask();  // cancels and waits
    TSearchTask(const TSearchTask&) = delete;
    TSearchTask& operator=(const TSearchTask&) = delete;

    // Cancels the running search, then starts this one; returns its id.
    uint64_t Start(const TSearchPattern& pattern, std::shared_ptr<TSearchSource> source, const TSearchRequest& request);
    // Stops the running search and waits for its thread; its result is
    // dropped. Nothing happens without one.
    void Cancel();
    // Whether a search runs (its result not yet ready).
    bool Busy() const { return FBusy.load(std::memory_order_acquire); }
    // Progress of the running (or last) search: bytes looked at and in all.
    uint64_t Done() const { return FDone.load(std::memory_order_relaxed); }
    uint64_t Total() const { return FTotal.load(std::memory_order_relaxed); }
    uint64_t CountSoFar() const { return FCount.load(std::memory_order_relaxed); }
    // The finished search's result, once: true and `out` filled when there
    // is one not taken yet.
    bool TakeResult(TSearchResult& out);

private:
    void Run(uint64_t id, TSearchPattern pattern, std::shared_ptr<TSearchSource> source, TSearchRequest request);
    static void Counted(void* task, const TSearchMatch&);

    std::thread FThread;
    std::atomic<bool> FCancel{false};
    std::atomic<bool> FBusy{false};
    std::atomic<uint64_t> FDone{0}, FTotal{0}, FCount{0};
    uint64_t FNextId = 0;
    std::mutex FLock;  // guards FResult and FHasResult
    TSearchResult FResult;
    bool FHasResult = false;
};

}  // namespace zin
