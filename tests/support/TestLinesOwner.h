#pragma once
// A stand-in for the editor control as the line store sees it, with
// deterministic metrics: every UTF-16 code unit is CharWidth pixels wide
// (optionally twice that for CJK and other wide characters), tab stops are
// TabSize x CharWidth apart. Like the control, it selects its code page at
// construction and on every change, copies the code page's lead-byte ranges
// into the store, and on a code-page change outside a load re-splits all
// lines. Header-only: it needs the line store, which the support library
// does not link.
#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "encoding/CodePage.h"
#include "lines/ZinLines.h"
#include "platform/CodePageConverter.h"
#include "syntax/ZinSyntax.h"

namespace zin::test {

class TTestLinesOwner : public TZinLinesOwner {
public:
    explicit TTestLinesOwner(int32_t charWidth = 8, int32_t codePage = 1252)
        : CharWidth(charWidth), FCodePage(codePage)
    {
        FCache = std::make_unique<int32_t[]>(65536);
        std::memset(FCache.get(), 0, 65536 * sizeof(int32_t));
        FSyntax = GetPlainTextSyntax();
        Lines = std::make_unique<TZinLines>(this);
        SelectCodePage(FCodePage);
        UpdateLeadBytes();
    }
    ~TTestLinesOwner() override
    {
        Lines.reset();
        ReleaseSyntax(FSyntax);
    }

    // ---- what the store asks ----
    TNewLineType& NewLineTypeField() override { return FNewLineType; }
    bool& LoadingField() override { return FLoading; }
    TEditMode GetEditMode() const override { return FEditMode; }
    void SetEditMode(TEditMode mode) override
    {
        FEditMode = mode;
        ++SetEditModeCalls;
    }
    int32_t GetCodePage() const override { return FCodePage; }
    void SetCodePage(int32_t codePage) override
    {
        if (codePage == FCodePage)
            return;
        FCodePage = codePage;
        SelectCodePage(codePage);
        UpdateLeadBytes();
        const bool wasLoading = FLoading;
        FLoading = true;
        const TCodePageInfo* info = FindCodePage(codePage);
        SetFontName(info ? info->FixedWidthFont : "");
        FLoading = wasLoading;
        ++SetCodePageCalls;
        // Redecode: outside a load every line is split again.
        if (!FLoading)
            Lines->Rescan(Lines->FLines.begin(), std::prev(Lines->FLines.end()));
    }
    void SetFontName(const std::string& name) override { FontName = name; }
    void ResetView() override { ++ResetViewCalls; }
    int32_t GetMaxMemFileSize() const override { return MaxMemFileSize; }
    int32_t GetMaxLineLength() const override { return MaxLineLength; }
    int32_t GetWrapWidth() override
    {
        int32_t w;
        switch (WrapMode) {
        case wwmNoWrap: return INT32_MAX;
        case wwmWrapByWindow: w = WindowWidth; break;
        default: w = MaxColumns * CharWidth; break;
        }
        return std::max(w, 5 * CharWidth);
    }
    int32_t GetCharWidth(char16_t c) override
    {
        ++CharWidthMisses;
        const int32_t w = (WideCJK && IsWide(c)) ? 2 * CharWidth : CharWidth;
        FCache[c] = w;
        return w;
    }
    int32_t* CharWidthCache() override { return FCache.get(); }
    int32_t GetTabSize() const override { return TabSize; }
    int32_t GetAvgCharWidth() const override { return CharWidth; }
    TZinSyntax* GetSyntax() const override { return FSyntax; }
    void SetSyntax(TZinSyntax* syntax) override { FSyntax = syntax; }

    // ---- helpers for tests ----
    // Copies the lead-byte ranges of the code page from the platform into
    // the store, as the control's UpdateLeadBytes does.
    void UpdateLeadBytes()
    {
        TLeadByteRanges ranges{};
        if (!CodePageConverter().GetLeadByteRanges(FCodePage, ranges))
            std::memset(ranges, 0, sizeof ranges);
        std::memcpy(Lines->FLeadBytes, ranges, sizeof ranges);
    }
    // Forgets measured widths (after changing CharWidth or WideCJK).
    void ClearWidths() { std::memset(FCache.get(), 0, 65536 * sizeof(int32_t)); }
    static bool IsWide(char16_t c)
    {
        return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
               (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
               (c >= 0xFFE0 && c <= 0xFFE6);
    }

    int32_t CharWidth;
    bool WideCJK = false;
    int32_t TabSize = 8;
    int32_t MaxMemFileSize = 8 * 1024 * 1024;
    int32_t MaxLineLength = 32768;
    TWordWrapMode WrapMode = wwmNoWrap;
    int32_t WindowWidth = 640;
    int32_t MaxColumns = 80;
    std::string FontName;
    int SetCodePageCalls = 0;
    int SetEditModeCalls = 0;
    int ResetViewCalls = 0;
    int CharWidthMisses = 0;

    TNewLineType FNewLineType = nltDefaultDOS;
    bool FLoading = false;
    TEditMode FEditMode = emTextMode;
    int32_t FCodePage;
    TZinSyntax* FSyntax = nullptr;
    std::unique_ptr<int32_t[]> FCache;
    std::unique_ptr<TZinLines> Lines;
};

}  // namespace zin::test
