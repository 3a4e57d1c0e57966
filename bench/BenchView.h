#pragma once
// An editor control in a 1920 x 1080 client painting onto the recording
// test surface without recording (drawing calls cost next to nothing), for
// the benchmarks that time the control's work and its repaints.
#include <chrono>
#include <memory>
#include <vector>

#include "BenchFiles.h"
#include "commands/ZinEditCommand.h"
#include "editor/ZinEdit.h"
#include "support/doubles/TestHost.h"
#include "support/doubles/TestSurface.h"

namespace zin::bench {

struct TView {
    test::TTestHost Host;
    std::unique_ptr<TZinEdit> Edit;
    test::TTestSurface Window;

    TView()
    {
        Host.Client = TRect{0, 0, 1920, 1080};
        Edit = std::make_unique<TZinEdit>(&Host);
        Edit->CreateWnd();
        Edit->Resize();
        Host.HasFocus = true;
        Edit->FocusIn();
        Window.Record = false;
        Window.Resize(1920, 1080);
    }
    // Milliseconds of one full repaint.
    double Paint()
    {
        const auto t0 = std::chrono::steady_clock::now();
        Edit->Paint(Window);
        return Seconds(t0, std::chrono::steady_clock::now()) * 1e3;
    }
    // Milliseconds of each of `rounds` Ctrl+End and Ctrl+Home in turn, each
    // with a full repaint.
    std::vector<double> EndsAndRepaints(int rounds)
    {
        std::vector<double> ms;
        for (int i = 0; i < rounds; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            Edit->ExecuteCommand(i % 2 ? ecTextStart : ecTextEnd);
            Edit->Paint(Window);
            ms.push_back(Seconds(t0, std::chrono::steady_clock::now()) * 1e3);
        }
        return ms;
    }
};

}  // namespace zin::bench
