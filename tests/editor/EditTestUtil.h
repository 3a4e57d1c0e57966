#pragma once
// A fixture with an editor control on the test host (client 800 x 600, a
// 16-point font of 16 x 8 pixels, focused) and a log of its notifications.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/ZinEdit.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/SystemCodePage.h"
#include "support/TempDir.h"
#include "support/doubles/TestHost.h"

namespace zin::test {

class EditTest : public ::testing::Test {
protected:
    EditTest()
    {
        LoadCodePageNames();
        SetSystemCodePage(1252);
        Host.Client = TRect{0, 0, 800, 600};
        Edit = MakeEdit(Host);
        Edit->CreateWnd();
        Edit->Resize();
        Host.HasFocus = true;
        Edit->FocusIn();
        Events.clear();
    }
    ~EditTest() override
    {
        Edit.reset();
        SetSystemCodePage(0);
    }

    std::unique_ptr<TZinEdit> MakeEdit(TTestHost& host, const TEditSettings& settings = TEditSettings())
    {
        auto e = std::make_unique<TZinEdit>(&host, settings);
        e->OnStateChange = [this](TZinEdit&) { Events.push_back("state"); };
        e->OnSelectionChange = [this](TZinEdit&) { Events.push_back("selection"); };
        return e;
    }
    bool Load(std::string_view bytes, const std::string& name = "test.txt")
    {
        const bool ok = Edit->LoadFromFile(Dir.Write(name, bytes));
        Events.clear();
        return ok;
    }
    // The caret's invariants: it lies on its line's row SubRow, on a
    // character boundary, its row is the global index of that row, and X is
    // the width of the characters left of it plus its virtual columns.
    void ExpectCaretValid(const TCaretPos& p)
    {
        TZinLines& store = Edit->LineStore();
        const TLinePlace place = store.FindRow(p.Row);
        ASSERT_TRUE(place.Line == p.Line);
        ASSERT_EQ(place.Index, p.LineIndex);
        ASSERT_EQ(p.Row - place.FirstRow, p.SubRow);
        ASSERT_EQ(p.FilePos - p.LinePos, place.Start);
        const TRowList rows = p.Line->Rows();
        ASSERT_LE(rows[static_cast<size_t>(p.SubRow)].Pos, p.LinePos);
        ASSERT_LE(p.LinePos, rows[static_cast<size_t>(p.SubRow) + 1].Pos);
        // Characters from the row's start up to the position, as the reader
        // gives them.
        twc_queue q;
        store.BeginRead(p.Line, rows[static_cast<size_t>(p.SubRow)]);
        while (store.ReadPos() < p.LinePos && store.NextChar(q)) {
        }
        ASSERT_EQ(store.ReadPos(), p.LinePos) << "not on a character boundary";
        int32_t x = 0;
        for (const twc_pair& c : q)
            x += c.first == 9 ? 0 : Edit->GetCharWidth(static_cast<char16_t>(c.first));
        const bool tabs = std::any_of(q.begin(), q.end(), [](const twc_pair& c) { return c.first == 9; });
        if (!tabs) {
            ASSERT_EQ(p.X, x + p.VirtualCols * Edit->GetCharWidth(u' '));
        }
    }

    TempDir Dir;
    TTestHost Host;
    std::unique_ptr<TZinEdit> Edit;
    std::vector<std::string> Events;
};

}  // namespace zin::test
