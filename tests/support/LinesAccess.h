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
    // Makes the lines one line of all their bytes (touching blocks merged),
    // in the empty state with one row: what a load starts its split from.
    static void JoinAll(TZinLines& l)
    {
        std::vector<TBlock> blocks;
        uint64_t length = 0;
        for (const TLine& line : l.Lines()) {
            const TBlockList b = line.Blocks();
            for (size_t i = 0; i < b.size(); ++i) {
                const TBlock x = b[i];
                if (x.Size == 0)
                    continue;
                if (!blocks.empty() && blocks.back().Source == x.Source &&
                    blocks.back().Offset + blocks.back().Size == x.Offset)
                    blocks.back().Size += x.Size;
                else
                    blocks.push_back(x);
                length += x.Size;
            }
        }
        l.FLines.clear();
        const TRowIndex rows[2] = {TRowIndex{0, 0}, TRowIndex{length, 0}};
        l.FLines.Append(length, 0, TLineState{}, rows, 2, &blocks);
        l.FLineCount = 1;
        l.FRowCount = 1;
    }
};

}  // namespace zin
