// The reader's queue: order kept across wrap-around and growth, at both ends.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "lines/RingDeque.h"

namespace zin {
namespace {

TEST(RingDeque, BehavesLikeADequeUnderRandomUse)
{
    std::mt19937 rng(7);
    TRingDeque<int> q;
    std::deque<int> ref;
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(rng() % 6);
        if (op <= 1) {
            q.push_back(step);
            ref.push_back(step);
        } else if (op == 2) {
            q.push_front(step);
            ref.push_front(step);
        } else if (op == 3 && !ref.empty()) {
            q.pop_front();
            ref.pop_front();
        } else if (op == 4 && !ref.empty()) {
            q.pop_back();
            ref.pop_back();
        } else if (op == 5 && rng() % 50 == 0) {
            q.clear();
            ref.clear();
        }
        ASSERT_EQ(q.size(), ref.size());
        if (!ref.empty()) {
            ASSERT_EQ(q.front(), ref.front());
            ASSERT_EQ(q.back(), ref.back());
            const size_t i = rng() % ref.size();
            ASSERT_EQ(q[i], ref[i]);
        }
    }
    const std::deque<int> copied(q.begin(), q.end());
    EXPECT_EQ(copied, ref);
    const TRingDeque<int> copy = q;
    EXPECT_EQ(std::deque<int>(copy.begin(), copy.end()), ref);
}

}  // namespace
}  // namespace zin
