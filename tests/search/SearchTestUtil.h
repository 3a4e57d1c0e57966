#pragma once
// Helpers of the search tests: every match of a pattern in bytes, and one
// search forward or backward.
#include <string>
#include <vector>

#include "search/ZinSearch.h"
#include <gtest/gtest.h>

namespace zin::test {

struct TFound {
    uint64_t Pos, Length;
    bool operator==(const TFound&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const TFound& f)
{
    return os << "[" << f.Pos << "," << f.Length << ")";
}

inline TSearchOptions Opts(const std::string& pattern, bool matchCase = true, bool word = false, bool regex = false,
                           bool bytes = false)
{
    TSearchOptions o;
    o.Pattern = pattern;
    o.MatchCase = matchCase;
    o.WholeWord = word;
    o.Regex = regex;
    o.Bytes = bytes;
    return o;
}

// Every match, in order (the pattern must compile).
inline std::vector<TFound> FindAll(const std::string& bytes, int32_t codePage, const TSearchOptions& options)
{
    TSearchPattern p;
    EXPECT_TRUE(p.Compile(options, codePage)) << p.Error();
    TBytesSearchSource src(bytes);
    TSearcher s(p, src);
    std::vector<TFound> out;
    s.SetMatchListener([](void* v, const TSearchMatch& m) { static_cast<std::vector<TFound>*>(v)->push_back({m.Pos, m.Length}); },
                       &out);
    uint64_t count = 0;
    const TSearchStatus st = s.Count(count);
    EXPECT_TRUE(st == TSearchStatus::Found || st == TSearchStatus::NotFound) << s.Error();
    EXPECT_EQ(count, out.size());
    return out;
}

// One search from `from`: the match, or {UINT64_MAX, 0} when none.
inline TFound FindOne(const std::string& bytes, int32_t codePage, const TSearchOptions& options, uint64_t from,
                      bool back)
{
    TSearchPattern p;
    EXPECT_TRUE(p.Compile(options, codePage)) << p.Error();
    TBytesSearchSource src(bytes);
    TSearcher s(p, src);
    TSearchMatch m;
    const TSearchStatus st = back ? s.Previous(from, m) : s.Next(from, m);
    EXPECT_TRUE(st == TSearchStatus::Found || st == TSearchStatus::NotFound) << s.Error();
    return st == TSearchStatus::Found ? TFound{m.Pos, m.Length} : TFound{UINT64_MAX, 0};
}

}  // namespace zin::test
