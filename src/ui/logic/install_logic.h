// What the install page works out without a window: the pause's tick
// range, the progress bar's rectangle and the status text of a file.
#pragma once

#include <stdint.h>

#include "ui/logic/backdrop_logic.h"

namespace ui {

// A pause of ms milliseconds from tick `start` waits only when its end,
// start + ms modulo 2^32, lies above start: a pause of 0, or one whose end
// would pass the top of the tick range, returns at once.
int PauseWaits(uint32_t start, uint32_t ms);
// 1 once the pause begun at `start` is over at tick `now`. Counted as
// elapsed time, so a tick count that wraps while the loop is not looking
// ends the pause instead of stretching it by 49 days.
int PauseOver(uint32_t start, uint32_t ms, uint32_t now);

// Right edge of the bar for percent p over a shrunk rectangle left..right.
int BarRight(int left, int right, int percent);
// The filled part of the bar for `percent` inside the frame rectangle: the
// frame shrunk by 2 on every side, moved 1 left and 1 up, its right edge at
// left + (width + 1) * percent / 100.
backdrop::Box ProgressBarBox(const backdrop::Box& frame, int percent);

// The status text while a file is copied: copying (the "Copying " text; null
// counts as empty), the source name, two line breaks and the description,
// cut to size - 1 characters.
void CopyStatusText(char* out, uint32_t size, const char* copying, const char* name,
                    const char* description);

}  // namespace ui
