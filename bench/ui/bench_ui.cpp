// Toolkit painting: a full repaint of a 1280 x 720 dialog with 100 cached
// controls, the repaint of one hovered control, and the CPU a visible idle
// dialog uses with the 10 ms animation timer running. Windows go to the
// display when there is one (DISPLAY), else offscreen; the mode is in the
// report's context.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "ui/backend/MCanvas.h"
#include "ui/backend/Platform.h"
#include "ui/control/MControlFont.h"
#include "ui/window/MDialog.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kColumns = 10;
constexpr int kRows = 10;

// A key-sized control with a rounded face and a label, drawn once into its
// cache.
class BenchKey : public MControlFont {
public:
    BenchKey(MObject* parent, unsigned id, CRect rc) : MControlFont(parent, id, rc, u"Key") { m_hAlign = kAlignCenter; }
    void DrawControl(HDC& hdc, CRect) override {
        const CRect rc = GetRect();
        if (!m_update) {
            MCanvas* cache = UpdateMemDC(hdc, rc.Width(), rc.Height());
            CopyBackgroundToCache(hdc);
            cache->FillRoundRect(1, 1, rc.Width() - 2, rc.Height() - 2, 4, 4, hover ? 0xFF3A7A82 : 0xFF285055);
            cache->DrawString(GetTitle(), CRect(0, 0, rc.Width(), rc.Height()), GetDrawFont(), 0xFFFFFFFF, m_hAlign,
                              m_vAlign);
        }
        DrawCacheToTarget(hdc);
    }
    bool hover = false;
};

class BenchDialog : public MDialog {
public:
    void InitUI(CRect) override {
        const int w = kWidth / kColumns;
        const int h = kHeight / kRows;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                auto* key = new BenchKey(this, static_cast<unsigned>(1 + r * kColumns + c),
                                         CRect(c * w + 4, r * h + 4, (c + 1) * w - 4, (r + 1) * h - 4));
                AddControl(key);
                keys.push_back(key);
            }
    }
    std::vector<BenchKey*> keys;
};

BenchDialog* Dialog() {
    static BenchDialog* dialog = [] {
        Platform::Init();
        auto* d = new BenchDialog;
        d->Create(nullptr, u"bench", 0, 0, CRect(0, 0, kWidth, kHeight));
        d->ShowWindow(SW_SHOW);
        Platform::PumpMessages();
        d->InvalidateRect(nullptr);
        d->UpdateWindow();
        return d;
    }();
    return dialog;
}

void AddMode(benchmark::State& state) {
    state.SetLabel(Platform::IsHeadless() ? "offscreen" : "display");
}

void BM_FullRepaintCached(benchmark::State& state) {
    BenchDialog* d = Dialog();
    for (auto _ : state) {
        d->InvalidateRect(nullptr);
        d->UpdateWindow();
    }
    AddMode(state);
}
BENCHMARK(BM_FullRepaintCached)->Unit(benchmark::kMillisecond);

void BM_FullRepaintRebuildingCaches(benchmark::State& state) {
    BenchDialog* d = Dialog();
    for (auto _ : state) {
        for (BenchKey* k : d->keys) k->SetUpdate(0);
        d->InvalidateRect(nullptr);
        d->UpdateWindow();
    }
    AddMode(state);
}
BENCHMARK(BM_FullRepaintRebuildingCaches)->Unit(benchmark::kMillisecond);

void BM_HoveredKeyRepaint(benchmark::State& state) {
    BenchDialog* d = Dialog();
    BenchKey* key = d->keys[45];
    for (auto _ : state) {
        key->hover = !key->hover;
        key->UpdateControl(1, 0);
        d->UpdateWindow();
    }
    AddMode(state);
}
BENCHMARK(BM_HoveredKeyRepaint)->Unit(benchmark::kMicrosecond);

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The message loop of a visible dialog that does nothing but run the 10 ms
// animation timer, for 10 s; the counter is the share of one core.
void BM_IdleDialogCpu(benchmark::State& state) {
    BenchDialog* d = Dialog();
    const unsigned timer = d->SetMTimer(10);
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const auto end = start + std::chrono::seconds(10);
        MSG msg;
        while (std::chrono::steady_clock::now() < end) {
            if (Platform::PeekMessage(msg))
                Platform::DispatchMessage(msg);
            else {
                // What GetMessage does between messages: wait for the next.
                Platform::SetTimer(d->GetSafeHwnd(), 9999, 1000);
                if (!Platform::GetMessage(msg)) break;
                Platform::DispatchMessage(msg);
            }
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["cpu_percent_of_core"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
    }
    d->KillMTimer(timer);
    AddMode(state);
}
BENCHMARK(BM_IdleDialogCpu)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
