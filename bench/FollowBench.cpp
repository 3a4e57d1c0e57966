// Following a growing file, on the recording test surface in a 1920 x 1080
// client: 1 MB appended to the 1 GiB log and shown (the look at the file,
// the scan of the new lines, the caret to the end and a full repaint), with
// and without follow mode; a log growing by 10,000 lines a second, looked
// at as the window does, as a share of one core; a reload of the log beside
// the load that opened it. The lines appended are cut off again at the end.
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "BenchView.h"
#include "commands/ZinEditCommand.h"
#include "editor/ZinEdit.h"
#include "platform/SystemCodePage.h"
#include "support/doubles/TestHost.h"
#include "support/doubles/TestSurface.h"

using namespace zin;
using namespace zin::bench;

namespace {

void Append(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "ab");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

std::string LogLines(TRandom& r, uint64_t bytes, size_t* lines = nullptr)
{
    std::string out;
    size_t n = 0;
    while (out.size() < bytes) {
        LogLine(r, out, "\n");
        ++n;
    }
    if (lines)
        *lines = n;
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = BenchDir(argc > 1 ? argv[1] : "");
    SetSystemCodePage(1252);
    const std::string log = LogFile1G(dir);
    const uint64_t size = FileSize(log);
    TRandom r(77);

    TView v;
    auto t0 = std::chrono::steady_clock::now();
    if (!v.Edit->LoadFromFile(log)) {
        std::fprintf(stderr, "cannot open %s\n", log.c_str());
        return 1;
    }
    const double openMs = Seconds(t0, std::chrono::steady_clock::now()) * 1e3;
    v.Edit->Paint(v.Window);

    for (const bool follow : {false, true}) {
        v.Edit->SetFollowing(follow);
        if (!follow)
            v.Edit->GoToLine(v.Edit->LineStore().LineCount() / 2);
        v.Edit->Paint(v.Window);
        std::vector<double> ms, cpu;
        for (int i = 0; i < 10; ++i) {
            Append(log, LogLines(r, 1000 * 1000));
            const double c0 = ThreadCpuSeconds();
            t0 = std::chrono::steady_clock::now();
            const bool looked = v.Edit->LineStore().FileLooksChanged();
            const TFileChange change = v.Edit->RefreshFile();
            v.Edit->Paint(v.Window);
            ms.push_back(Seconds(t0, std::chrono::steady_clock::now()) * 1e3);
            cpu.push_back((ThreadCpuSeconds() - c0) * 1e3);
            if (!looked || change != TFileChange::Grown) {
                std::fprintf(stderr, "the growth was not seen\n");
                return 1;
            }
        }
        std::printf("1 MB appended to the 1 GiB log, looked at, scanned and repainted (%s): median %.2f ms, "
                    "max %.2f ms (CPU median %.2f ms)\n",
                    follow ? "following" : "caret in the middle", Median(ms),
                    *std::max_element(ms.begin(), ms.end()), Median(cpu));
    }

    // 10,000 lines a second for 5 seconds, in pieces every 10 ms; the file
    // is looked at as the window looks (its watch asks at most every 100 ms)
    // and each growth is shown with a full repaint. Only the looks and what
    // they do are on the clock.
    {
        v.Edit->SetFollowing(true);
        const int32_t lines0 = v.Edit->LineStore().LineCount();
        double busy = 0;
        size_t written = 0;
        const auto start = std::chrono::steady_clock::now();
        auto next = start;
        int tick = 0;
        while (written < 50000) {
            next += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(next);
            std::string piece;
            for (int k = 0; k < 100; ++k)
                LogLine(r, piece, "\n");
            Append(log, piece);
            written += 100;
            if (++tick % 10 == 0) {
                const double c0 = ThreadCpuSeconds();
                if (v.Edit->LineStore().FileLooksChanged())
                    v.Edit->RefreshFile();
                v.Edit->Paint(v.Window);
                busy += ThreadCpuSeconds() - c0;
            }
        }
        const double elapsed = Seconds(start, std::chrono::steady_clock::now());
        std::printf("a log growing by 10,000 lines a second, followed for %.1f s (%d lines shown): %.2f%% of one "
                    "core\n",
                    elapsed, v.Edit->LineStore().LineCount() - lines0, busy / elapsed * 100);
    }

    // A reload of the log (as large as it is now), beside the open.
    std::vector<double> reloads;
    for (int i = 0; i < 3; ++i) {
        t0 = std::chrono::steady_clock::now();
        if (!v.Edit->Reload())
            return 1;
        reloads.push_back(Seconds(t0, std::chrono::steady_clock::now()) * 1e3);
    }
    std::printf("the 1 GiB log: open %.0f ms, reload median %.0f ms\n", openMs, Median(reloads));

    v.Edit.reset();
    if (truncate(log.c_str(), static_cast<off_t>(size)) != 0)
        std::perror(log.c_str());
    return 0;
}
