#include "viewer/FileInfo.h"

#include <ostream>

#include "lines/ZinFixedOwner.h"
#include "platform/SystemCodePage.h"

namespace zin {

TFileInfo GatherFileInfo(const std::string& path, int32_t maxMemFileSize, void (*prepare)(TZinLines&))
{
    TFileInfo info;
    info.Path = path;

    const int32_t systemCodePage = FindCodePage(SystemCodePage()) ? SystemCodePage() : 1252;
    TFixedMetricsOwner owner(InfoCharWidth, systemCodePage);
    owner.MaxMemFileSize = maxMemFileSize;
    TZinLines& lines = *owner.Lines;
    if (prepare)
        prepare(lines);
    if (!owner.Load(path)) {
        info.Error = lines.LoadErrorReason();
        if (info.Error.empty())
            info.Error = "cannot be read";
        return info;
    }
    info.Opened = true;
    info.Size = lines.FileSize();
    info.InMemory = !lines.OnDisk();
    info.Decided = lines.ContentTest();
    info.HexMode = owner.GetEditMode() == emHexMode;
    if (!info.HexMode) {
        info.CodePage = owner.GetCodePage();
        if (const TCodePageInfo* cp = FindCodePage(info.CodePage))
            info.CodePageName = cp->Name;
    }
    info.NewLine = lines.NewLineType();
    info.LineCount = lines.LineCount();
    info.RowCount = lines.RowCount();
    info.MaxRowWidth = lines.MaxRowWidth();
    return info;
}

void PrintFileInfo(const TFileInfo& info, std::ostream& out)
{
    out << "file: " << info.Path << '\n'
        << "size: " << info.Size << '\n'
        << "storage: " << (info.InMemory ? "memory" : "disk") << '\n'
        << "content: " << ContentTestName(info.Decided) << '\n'
        << "mode: " << (info.HexMode ? "hex" : "text") << '\n';
    if (!info.HexMode)
        out << "code page: " << info.CodePage << '\n' << "code page name: " << info.CodePageName << '\n';
    out << "newline: " << NewLineName(info.NewLine) << '\n'
        << "lines: " << info.LineCount << '\n'
        << "rows: " << info.RowCount << '\n'
        << "widest row: " << info.MaxRowWidth << '\n';
}

}  // namespace zin
