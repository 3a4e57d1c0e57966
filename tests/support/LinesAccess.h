#pragma once
// Write access to the line store's fields, for tests that assemble or
// corrupt a store on purpose. Everyone else reads through the accessors.
#include "lines/ZinLines.h"

namespace zin {

struct TZinLinesAccess {
    static TLineList& Lines(TZinLines& l) { return l.FLines; }
    static int32_t& LineCount(TZinLines& l) { return l.FLineCount; }
    static int32_t& RowCount(TZinLines& l) { return l.FRowCount; }
    static uint64_t& FileSize(TZinLines& l) { return l.FFileSize; }
    static TSyntaxRef& Syntax(TZinLines& l) { return l.FSyntax; }
    static TNewLineType& NewLineType(TZinLines& l) { return l.FNewLineType; }
    // Puts a definition the test owns (and keeps alive) in the store.
    static void UseSyntax(TZinLines& l, const TZinSyntax& syntax) { l.FSyntax = TSyntaxRef(&syntax, [](const TZinSyntax*) {}); }
    static const TFileData* FileData(const TZinLines& l) { return l.FFileData; }
    static TMemData* MemData(const TZinLines& l) { return l.FMemData; }
    static const TRingDeque<int32_t>& PendingBytes(TZinLines& l) { return l.FReader.PendingBytes(); }
};

}  // namespace zin
