// orbelui-gallery [--x X --y Y] [--quit-after MS] [--screenshot FILE]
// Opens the gallery dialog at (X, Y) (default 0, 0) and runs it until it is
// closed; --quit-after ends it after MS milliseconds; --screenshot writes
// the window's drawing as a PNG when it ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/gallery/GalleryDialog.h"
#include "ui/backend/Platform.h"
#include "ui/core/Manager.h"

namespace {
constexpr unsigned kQuitTimerId = 1;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;

class TimedGallery : public GalleryDialog {
public:
    LRESULT OnWindowMessage(unsigned msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER && wParam == kQuitTimerId) {
            KillTimer(kQuitTimerId);
            if (!screenshot.empty()) {
                UpdateWindow();
                Platform::SaveWindowPng(GetSafeHwnd(), screenshot);
            }
            DoClose();
            return 1;
        }
        return GalleryDialog::OnWindowMessage(msg, wParam, lParam);
    }
    std::string screenshot;
};
}  // namespace

int main(int argc, char** argv) {
    int x = 0;
    int y = 0;
    int quitAfter = 0;
    std::string screenshot;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--x"))
            x = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--y"))
            y = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--quit-after"))
            quitAfter = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--screenshot"))
            screenshot = argv[i + 1];
    }
    Manager::InitGdiplus();
    TimedGallery dialog;
    dialog.screenshot = screenshot;
    if (!dialog.Create(nullptr, u"OrbelUI gallery", 0, 0, CRect(x, y, x + kWidth, y + kHeight))) {
        std::fprintf(stderr, "orbelui-gallery: no window could be created\n");
        return 1;
    }
    if (quitAfter > 0) dialog.SetTimer(kQuitTimerId, static_cast<unsigned>(quitAfter));
    const int result = dialog.ShowModal(SW_SHOW);
    std::printf("closed %d\n", result);
    Manager::UnInitGdiplus();
    return 0;
}
