#pragma once
// An owner of a line store with fixed metrics, for programs without a
// display (the --info report, developer tools, benchmarks) and as the base
// of the tests' double: every UTF-16 code unit is CharWidth pixels wide
// (optionally twice that for CJK and other wide characters), tab stops are
// TabSize x CharWidth apart. Like the editor control, it hands its code page
// to the store, applies what a load decided, and on a code-page change
// outside a load re-splits all lines.
#include <memory>
#include <string>

#include "lines/ZinLines.h"
#include "lines/ZinLinesOwner.h"

namespace zin {

class TFixedMetricsOwner : public TZinLinesOwner {
public:
    explicit TFixedMetricsOwner(int32_t charWidth = 8, int32_t codePage = 1252);
    ~TFixedMetricsOwner() override;

    // Loads a file through the store and applies what the load decided,
    // as the control does.
    bool Load(const std::string& path);

    // What a load applies (see ZinLoadSteps.h).
    bool& LoadingFlag() { return FLoading; }
    TEditMode LoadEditMode() const { return FEditMode; }
    TEditMode GetEditMode() const { return FEditMode; }
    virtual void SetEditMode(TEditMode mode) { FEditMode = mode; }
    int32_t GetCodePage() const { return FCodePage; }
    // Like the control's setter: the current value and numbers outside the
    // table change nothing; outside a load every line is split anew.
    virtual void SetCodePage(int32_t codePage);
    void SetFontName(const std::string& name) { FontName = name; }
    // "Courier New" for every code page in the table, as a control without
    // settings shows it; for a number outside, the decoder's code page's.
    std::string FontOfCodePage(int32_t codePage) const;
    virtual void ResetView() {}

    int32_t GetMaxMemFileSize() const override { return MaxMemFileSize; }
    int32_t GetMaxLineLength() const override { return MaxLineLength; }
    int32_t GetWrapWidth() override;
    int32_t GetCharWidth(char16_t c) override;
    int32_t* CharWidthCache() override { return FCache.get(); }
    int32_t GetTabSize() const override { return TabSize; }
    int32_t GetAvgCharWidth() const override { return CharWidth; }

    // Forgets measured widths (after changing CharWidth or WideCJK).
    void ClearWidths();
    // Characters shown twice as wide as others (CJK, Hangul, full-width forms).
    static bool IsWide(char16_t c);

    int32_t CharWidth;
    bool WideCJK = false;
    int32_t TabSize = 8;
    int32_t MaxMemFileSize = 8 * 1024 * 1024;
    int32_t MaxLineLength = 32768;
    TWordWrapMode WrapMode = wwmNoWrap;
    int32_t WindowWidth = 640;
    int32_t MaxColumns = 80;
    std::string FontName;

    bool FLoading = false;
    TEditMode FEditMode = emTextMode;
    int32_t FCodePage;
    std::unique_ptr<int32_t[]> FCache;
    std::unique_ptr<TZinLines> Lines;
};

}  // namespace zin
