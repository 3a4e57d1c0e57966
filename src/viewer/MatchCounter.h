#pragma once
// Counting a pattern's matches on a worker thread, for the find bar: all of
// them, and those that begin before the match shown, in one pass, so that
// the bar can say "17 of 2,041". Plain C++ (no Qt): the window polls it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "search/ZinSearch.h"

namespace zin {

class TMatchCounter {
public:
    TMatchCounter() = default;
    ~TMatchCounter() { Cancel(); }
    TMatchCounter(const TMatchCounter&) = delete;
    TMatchCounter& operator=(const TMatchCounter&) = delete;

    // Cancels a count under way, then counts the matches of `source`,
    // noting those that begin before `current`.
    void Start(const TSearchPattern& pattern, std::shared_ptr<TSearchSource> source, uint64_t current);
    // Stops the count and waits for its thread (within one piece of the
    // search); nothing happens without one.
    void Cancel();
    bool Busy() const { return FBusy.load(std::memory_order_acquire); }
    // Matches counted so far (all, and before the current one), and the
    // bytes looked at of the total.
    uint64_t Total() const { return FTotal.load(std::memory_order_relaxed); }
    uint64_t Before() const { return FBefore.load(std::memory_order_relaxed); }
    uint64_t Done() const { return FDone.load(std::memory_order_relaxed); }
    uint64_t Size() const { return FSize; }
    // Whether the last count ran to the file's end (rather than being
    // cancelled or failing); valid once it is no longer Busy.
    bool Complete() const { return FComplete.load(std::memory_order_acquire); }

private:
    static void Counted(void* counter, const TSearchMatch& match);

    std::thread FThread;
    std::atomic<bool> FCancel{false};
    std::atomic<bool> FBusy{false};
    std::atomic<bool> FComplete{false};
    std::atomic<uint64_t> FTotal{0}, FBefore{0}, FDone{0};
    uint64_t FCurrent = 0;
    uint64_t FSize = 0;
};

}  // namespace zin
