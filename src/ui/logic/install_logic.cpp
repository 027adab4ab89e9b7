#include "ui/logic/install_logic.h"

#include "platform/text.h"

namespace ui {

int PauseWaits(uint32_t start, uint32_t ms) {
    uint32_t end = start + ms;
    return end > start;
}

int PauseOver(uint32_t start, uint32_t ms, uint32_t now) {
    return now - start >= ms;
}

int BarRight(int left, int right, int percent) {
    return left + (right - left + 1) * percent / 100;
}

backdrop::Box ProgressBarBox(const backdrop::Box& frame, int percent) {
    backdrop::Box bar{frame.left + 2 - 1, frame.top + 2 - 1, frame.right - 2 - 1,
                      frame.bottom - 2 - 1};
    bar.right = BarRight(bar.left, bar.right, percent);
    return bar;
}

void CopyStatusText(char* out, uint32_t size, const char* copying, const char* name,
                    const char* description) {
    text::Format(out, size, "%s%s\n\n%s", copying != nullptr ? copying : "", name, description);
}

}  // namespace ui
