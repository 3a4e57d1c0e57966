#include "viewer/MatchCounter.h"

namespace zin {

void TMatchCounter::Counted(void* counter, const TSearchMatch& match)
{
    auto* c = static_cast<TMatchCounter*>(counter);
    c->FTotal.fetch_add(1, std::memory_order_relaxed);
    if (match.Pos < c->FCurrent)
        c->FBefore.fetch_add(1, std::memory_order_relaxed);
}

void TMatchCounter::Start(const TSearchPattern& pattern, std::shared_ptr<TSearchSource> source, uint64_t current)
{
    Cancel();
    FCancel.store(false);
    FTotal.store(0);
    FBefore.store(0);
    FDone.store(0);
    FComplete.store(false);
    FCurrent = current;
    FSize = source ? source->Size() : 0;
    if (!source || !pattern.Valid())
        return;
    FBusy.store(true, std::memory_order_release);
    FThread = std::thread([this, pattern, source = std::move(source)] {
        TSearcher searcher(pattern, *source);
        searcher.SetCancelFlag(&FCancel);
        searcher.SetProgress(&FDone);
        searcher.SetMatchListener(&TMatchCounter::Counted, this);
        uint64_t count = 0;
        const TSearchStatus status = searcher.Count(count);
        FComplete.store(status == TSearchStatus::Found || status == TSearchStatus::NotFound,
                        std::memory_order_release);
        FBusy.store(false, std::memory_order_release);
    });
}

void TMatchCounter::Cancel()
{
    if (!FThread.joinable())
        return;
    FCancel.store(true);
    FThread.join();
    FBusy.store(false);
}

}  // namespace zin
