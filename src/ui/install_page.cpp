// The install page: does its whole work inside WM_SETUP_INIT, running the
// installation with its progress painted on the page.
#include "ui/install_page.h"

#include "install/installation.h"
#include "model/install_plan.h"
#include "model/string_ids.h"
#include "model/texts.h"
#include "platform/system.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "resource.h"
#include "ui/logic/install_logic.h"
#include "ui/page_host.h"
#include "ui/pages.h"
#include "ui/wizard.h"

namespace {

const int kStockWhiteBrush = 0;        // DrawSunkenFrame fill code of the copy
const uint32_t kRegistryPause = 1000;  // ms before the registration; input is lost
const char kUpdatingRegistry[] = "Updating Registry...";
const int kStatusSize = 256;  // "Copying " + name + two line breaks + description

const COLORREF kFrameFills[] = {
    RGB(0, 255, 0),   RGB(255, 255, 0), RGB(255, 0, 0),   RGB(0, 128, 0),
    RGB(128, 128, 0), RGB(128, 0, 0),   RGB(0, 128, 128),  // codes 100..106
};
const int kFirstFillCode = 100;

// The installation's progress, painted straight onto the page. Once Cancel
// has closed the page, its window and device context are gone: nothing more
// is drawn, since the context may by then belong to another window. Cancel
// is kept in gWizard.pageResult, by the page's button or the message step.
class PageProgress final : public InstallProgress {
  public:
    PageProgress(HWND page, HDC dc) : page_(page), dc_(dc) {}

    void NewDisk(int) override {
        if (!IsWindow(page_)) {
            return;
        }
        UpdateWindow(page_);
        DrawSunkenFrame(page_, dc_, IDC_PROGRESS_FRAME, kStockWhiteBrush);
    }

    void CopyingFile(const FileEntry& entry) override {
        char status[kStatusSize];
        ui::CopyStatusText(status, sizeof status, LoadText(IDS_COPYING), entry.SourceName,
                           entry.Description);
        Status(status);
    }

    void Status(const char* status) {
        if (!IsWindow(page_)) {
            return;
        }
        SetDlgItemTextA(page_, IDC_STATUS, status);
        UpdateWindow(GetDlgItem(page_, IDC_STATUS));
    }

    void Percentage(int percent) override {
        if (!IsWindow(page_)) {
            return;
        }
        char shown[16];
        text::Format(shown, sizeof shown, "%d%%", percent);
        SetDlgItemTextA(page_, IDC_PERCENT, shown);
        UpdateWindow(GetDlgItem(page_, IDC_PERCENT));

        RECT frame = ControlRectInPage(page_, IDC_PROGRESS_FRAME);
        backdrop::Box bar = ui::ProgressBarBox(
            backdrop::Box{frame.left, frame.top, frame.right, frame.bottom}, percent);
        RECT filled;
        SetRect(&filled, bar.left, bar.top, bar.right, bar.bottom);
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc_, &filled, blue);
        DeleteObject(blue);
    }

    int MessageStep() override {
        PumpOneMessage(page_);
        return Cancelled();
    }

    void Registering() override {
        Status(kUpdatingRegistry);
        WaitDiscardingMessages(kRegistryPause);
    }

    int Cancelled() override { return gWizard.pageResult == kPageCancel ? 1 : 0; }

  private:
    HWND page_;
    HDC dc_;
};

// Takes the quit request out of the queue, if one waits. A message box
// shown while it waits would end at once.
int TakeWaitingQuit() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? 1 : 0;
}

// After Cancel has closed the page during the copy, the warning belongs to
// the backdrop; the quit request the closing left is held back while the
// box is up and then put back for the page host.
void WarnCancelled(HWND page) {
    int quitWaiting = TakeWaitingQuit();
    CancelWarning(IsWindow(page) ? page : static_cast<HWND>(gWizard.backdropWindow));
    if (quitWaiting) {
        PostQuitMessage(0);
    }
}

// A step that failed is named to the user; the End page then says so too.
void ReportFailure(HWND page, int result) {
    gWizard.installFailed = 1;
    const char* message = LoadText(result == kInstallCopyFailed       ? IDS_COPY_FAILED
                                   : result == kInstallRegisterFailed ? IDS_REGISTER_FAILED
                                   : result == kInstallRecordFailed   ? IDS_RECORD_FAILED
                                   : result == kInstallForeignRecord  ? IDS_FOREIGN_RECORD
                                   : result == kInstallRestartFirst   ? IDS_RESTART_FIRST
                                                                      : IDS_SWITCH_FAILED);
    MessageBoxA(IsWindow(page) ? page : static_cast<HWND>(gWizard.backdropWindow),
                message != nullptr ? message : "", gScript.caption, MB_ICONSTOP);
}

void OnInstallInit(HWND page) {
    UpdateWindow(page);
    gWizard.pageResult = kPageNext;
    int result = RunInstallationOnPage(page);
    if (result == kInstallCancelled) {
        WarnCancelled(page);
    } else if (result == kInstallDoneAtRestart) {
        gWizard.completesAtRestart = 1;
    } else if (result != kInstallDone) {
        ReportFailure(page, result);
    }
    if (IsWindow(page)) {
        ClosePage(page);
    }
}

// The page's only button: the copy stops after the file in progress.
void OnInstallCancel(HWND page) {
    gWizard.pageResult = kPageCancel;
    ClosePage(page);
}

}  // namespace

LRESULT CALLBACK InstallPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    // The low 16 bits choose the case, as on every page (see CommonPageProc).
    switch (static_cast<uint16_t>(message)) {
        case WM_COMMAND:
            if (wParam == IDC_INSTALL_CANCEL) {
                OnInstallCancel(page);
                return 0;
            }
            break;
        case WM_SETUP_INIT:
            OnInstallInit(page);
            return 0;
        default:
            break;
    }
    // Creation, destruction and the rest: as on every page.
    return CommonPageProc(page, message, wParam, lParam);
}

int RunInstallationOnPage(HWND page) {
    HDC dc = GetDC(page);
    PageProgress progress(page, dc);
    // The record lies in the destination directory the user chose.
    static InstallRecord record;
    record.Open(gChoices.destDir);
    int done = RunInstallation(gScript, gChoices, record, progress);
    // A page destroyed by Cancel took its context with it.
    if (IsWindow(page)) {
        ReleaseDC(page, dc);
    }
    return done;
}

void PumpOneMessage(HWND page) {
    MSG msg;
    if (!PeekMessageA(&msg, page, 0, 0, PM_REMOVE)) {
        return;
    }
    if (msg.message == WM_QUIT) {
        // Wine hands out the quit request whatever window is asked for; it
        // belongs to the page host's loop, so it goes back.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
    }
    if (msg.message == WM_COMMAND && msg.wParam == IDC_INSTALL_CANCEL) {
        gWizard.pageResult = kPageCancel;
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void WaitDiscardingMessages(uint32_t ms) {
    uint32_t start = plat::TickCount();
    if (!ui::PauseWaits(start, ms)) {
        return;
    }
    int quitTaken = 0;
    MSG msg;
    do {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) {
            quitTaken = 1;
        }
    } while (!ui::PauseOver(start, ms, plat::TickCount()));
    // Clicks and keys are lost on purpose; the page host's end is not.
    if (quitTaken) {
        PostQuitMessage(0);
    }
}

void DrawSunkenFrame(HWND page, HDC dc, int control, int fill) {
    RECT r = ControlRectInPage(page, control);
    int own = fill >= kFirstFillCode &&
              fill < kFirstFillCode + static_cast<int>(sizeof kFrameFills / sizeof kFrameFills[0]);
    HGDIOBJ brush =
        own ? CreateSolidBrush(kFrameFills[fill - kFirstFillCode]) : GetStockObject(fill);

    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);

    OffsetRect(&r, -1, -1);
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    SelectObject(dc, grey);
    SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);

    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(grey);
    if (own) {
        DeleteObject(brush);
    }
}

RECT ControlRectInPage(HWND page, int control) {
    HWND item = GetDlgItem(page, control);
    RECT r;
    GetClientRect(item, &r);
    POINT itemOrigin = {0, 0};
    POINT pageOrigin = {0, 0};
    ClientToScreen(item, &itemOrigin);
    ClientToScreen(page, &pageOrigin);
    OffsetRect(&r, itemOrigin.x - pageOrigin.x, itemOrigin.y - pageOrigin.y);
    return r;
}
