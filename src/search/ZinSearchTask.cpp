#include "search/ZinSearchTask.h"

namespace zin {

TSearchTask::~TSearchTask()
{
    Cancel();
}

void TSearchTask::Cancel()
{
    if (FThread.joinable()) {
        FCancel.store(true, std::memory_order_relaxed);
        FThread.join();
    }
    FCancel.store(false, std::memory_order_relaxed);
    FBusy.store(false, std::memory_order_release);
    const std::lock_guard<std::mutex> lock(FLock);
    FHasResult = false;
}

uint64_t TSearchTask::Start(const TSearchPattern& pattern, std::shared_ptr<TSearchSource> source,
                            const TSearchRequest& request)
{
    Cancel();
    const uint64_t id = ++FNextId;
    FDone.store(0, std::memory_order_relaxed);
    FCount.store(0, std::memory_order_relaxed);
    FTotal.store(source ? source->Size() : 0, std::memory_order_relaxed);
    FBusy.store(true, std::memory_order_release);
    FThread = std::thread(&TSearchTask::Run, this, id, pattern, std::move(source), request);
    return id;
}

void TSearchTask::Counted(void* task, const TSearchMatch&)
{
    auto* t = static_cast<TSearchTask*>(task);
    t->FCount.fetch_add(1, std::memory_order_relaxed);
}

void TSearchTask::Run(uint64_t id, TSearchPattern pattern, std::shared_ptr<TSearchSource> source, TSearchRequest request)
{
    TSearchResult result;
    result.Id = id;
    if (!source || !pattern.Valid()) {
        result.Status = TSearchStatus::Failed;
        result.Message = "Nothing to search.";
    } else {
        TSearcher searcher(pattern, *source);
        searcher.SetCancelFlag(&FCancel);
        const uint64_t size = source->Size();
        switch (request.Kind) {
        case TSearchKind::Count:
            searcher.SetProgress(&FDone);
            searcher.SetMatchListener(&TSearchTask::Counted, this);
            result.Status = searcher.Count(result.Count);
            break;
        case TSearchKind::Next:
        case TSearchKind::Previous: {
            // The first leg runs from the caret to the end (start), the
            // wrapped one over the rest; progress counts both.
            std::atomic<uint64_t> leg{0};
            searcher.SetProgress(&leg);
            const bool next = request.Kind == TSearchKind::Next;
            const uint64_t from = std::min(request.From, size);
            result.Status = next ? searcher.Next(from, result.Match) : searcher.Previous(from, result.Match);
            FDone.store(next ? size - from : from, std::memory_order_relaxed);
            if (result.Status == TSearchStatus::NotFound && request.Wrap) {
                TSearchMatch m;
                result.Status = next ? searcher.Next(0, m) : searcher.Previous(size, m);
                // A match on the caret's side was there the first time.
                if (result.Status == TSearchStatus::Found &&
                    (next ? m.Pos < from : m.Pos + m.Length > from || (m.Length == 0 && m.Pos >= from))) {
                    result.Match = m;
                    result.Wrapped = true;
                } else if (result.Status == TSearchStatus::Found) {
                    result.Status = TSearchStatus::NotFound;
                }
            }
            FDone.store(size, std::memory_order_relaxed);
            break;
        }
        }
        if (result.Status == TSearchStatus::Failed)
            result.Message = searcher.Error();
    }
    if (result.Status == TSearchStatus::Cancelled)
        return;  // nobody waits for it
    {
        const std::lock_guard<std::mutex> lock(FLock);
        FResult = std::move(result);
        FHasResult = true;
    }
    FBusy.store(false, std::memory_order_release);
}

bool TSearchTask::TakeResult(TSearchResult& out)
{
    const std::lock_guard<std::mutex> lock(FLock);
    if (!FHasResult)
        return false;
    out = std::move(FResult);
    FHasResult = false;
    return true;
}

}  // namespace zin
