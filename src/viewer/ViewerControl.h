#pragma once
// What the window lends the settings panel: the editor control, and the
// window's rule for work on it. Work (a load, a change of the control that
// rebuilds its rows) runs inside a handler; meanwhile the control takes no
// events, the window's title shows the work's caption and the status bar
// may show its progress. No new work starts while some runs.
#include <QString>

#include <functional>

namespace zin {
class TZinEdit;
}

class TViewerControl {
public:
    virtual zin::TZinEdit& ViewerEdit() = 0;
    // Work in progress.
    virtual bool Working() const = 0;
    // The progress bar is shown: work the control is doing has run long.
    virtual bool ProgressShown() const = 0;
    // Runs a change of the control as work, the caption ("Reformating...",
    // "Resizing...", "Repainting...") standing in the window's title until
    // it is done.
    virtual void RunWork(const QString& caption, const std::function<void()>& change) = 0;
    // Gives the keyboard back to the control.
    virtual void FocusEdit() = 0;

protected:
    ~TViewerControl() = default;
};
