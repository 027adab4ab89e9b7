#include "ui/logic/install_logic.h"

#include "install/file_copy.h"

namespace install {

int PauseWaits(uint32_t start, uint32_t ms) {
    uint32_t end = start + ms;
    return end > start;
}

int PauseOver(uint32_t start, uint32_t ms, uint32_t now) {
    return now - start >= ms;
}

backdrop::Box ProgressBarBox(const backdrop::Box& frame, int percent) {
    backdrop::Box bar{frame.left + 2 - 1, frame.top + 2 - 1, frame.right - 2 - 1,
                      frame.bottom - 2 - 1};
    bar.right = BarRight(bar.left, bar.right, percent);
    return bar;
}

}  // namespace install
