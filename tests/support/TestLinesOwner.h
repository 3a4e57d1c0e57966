#pragma once
// The tests' stand-in for the editor control: the fixed-metrics owner, plus
// counts of what the store asked of it. Header-only: it needs the line
// store, which the support library does not link.
#include "lines/ZinFixedOwner.h"

namespace zin::test {

class TTestLinesOwner : public TFixedMetricsOwner {
public:
    using TFixedMetricsOwner::TFixedMetricsOwner;

    void SetEditMode(TEditMode mode) override
    {
        TFixedMetricsOwner::SetEditMode(mode);
        ++SetEditModeCalls;
    }
    void SetCodePage(int32_t codePage) override
    {
        if (codePage != FCodePage)
            ++SetCodePageCalls;
        TFixedMetricsOwner::SetCodePage(codePage);
    }
    void ResetView() override { ++ResetViewCalls; }
    int32_t GetCharWidth(char16_t c) override
    {
        ++CharWidthMisses;
        return TFixedMetricsOwner::GetCharWidth(c);
    }

    int SetCodePageCalls = 0;
    int SetEditModeCalls = 0;
    int ResetViewCalls = 0;
    int CharWidthMisses = 0;
};

}  // namespace zin::test
