// The wizard pages (all but the install page): what each does beyond the
// common page behaviour of the page host. The procedures choose their case
// by the message number's low 16 bits, as CommonPageProc explains.
#include "ui/pages.h"

#include "../resources/resource.h"
#include "model/string_ids.h"
#include "model/texts.h"
#include "platform/files.h"
#include "platform/text.h"
#include "record/install_record.h"
#include "ui/browse.h"
#include "ui/logic/page_logic.h"
#include "ui/page_host.h"
#include "ui/wizard.h"

namespace {

const int kTextSize = 256;        // a control's text is read up to 255 chars
const int kDestinationSize = 80;  // the destination is read back up to 79 chars

// The control's text is a format with productName as its one argument.
void SubstituteProductName(HWND page, int control) {
    char format[kTextSize];
    format[0] = 0;
    GetDlgItemTextA(page, control, format, kTextSize);
    char result[kTextSize];
    text::Format(result, sizeof result, format, gScript.productName);
    SetDlgItemTextA(page, control, result);
}

// Next, Cancel and Back as every page with these buttons answers them. The
// whole 32-bit command value is compared so only a click (code 0) counts.
// Returns 1 when the command was one of them.
int AnswerButton(HWND page, WPARAM command, int answersBack) {
    switch (static_cast<uint32_t>(command)) {
        case IDC_NEXT:
            gWizard.pageResult = kPageNext;
            ClosePage(page);
            return 1;
        case IDC_CANCEL:
            gWizard.pageResult = kPageCancel;
            CancelWarning(page);
            ClosePage(page);
            return 1;
        case IDC_BACK:
            if (!answersBack) {
                return 0;
            }
            gWizard.pageResult = kPageBack;
            ClosePage(page);
            return 1;
        default:
            return 0;
    }
}

void ShowRefusal(HWND page, uint16_t text) {
    MessageBoxA(page, LoadText(text), gScript.caption, MB_OK | MB_ICONWARNING);
}

// The destination checks over the real system; the context is the page.
int SystemDirectoryExists(void*, const char* path) {
    return DirectoryExists(path);
}

int AskInstallIntoExisting(void* page) {
    int answer = MessageBoxA(static_cast<HWND>(page), LoadText(IDS_DIR_EXISTS), gScript.caption,
                             MB_OKCANCEL | MB_ICONQUESTION);
    return answer == IDOK ? 1 : 0;
}

int SystemDiskFreeSpace(void*, const char* root, uint32_t* sectorsPerCluster,
                        uint32_t* bytesPerSector, uint32_t* freeClusters) {
    uint32_t totalClusters = 0;
    return plat::DiskFreeSpace(root, sectorsPerCluster, bytesPerSector, freeClusters,
                               &totalClusters);
}

int SystemCreateDirectory(void*, const char* path) {
    return plat::DirCreate(path);
}

int ForeignRecordIn(void*, const char* path) {
    static InstallRecord record;
    return record.Open(path) && record.Foreign();
}

void OnDestinationNext(HWND page) {
    gWizard.pageResult = kPageNext;
    GetDlgItemTextA(page, IDC_DEST_TEXT, gChoices.destDir, kDestinationSize);
    ui::DestinationChecks checks = {page,
                                    SystemDirectoryExists,
                                    AskInstallIntoExisting,
                                    SystemDiskFreeSpace,
                                    SystemCreateDirectory,
                                    ForeignRecordIn};
    switch (ui::CheckDestination(gChoices.destDir, gScript.minimumSpace, checks)) {
        case ui::kDestAccepted:
            ClosePage(page);
            break;
        case ui::kDestNoDrivePart:
        case ui::kDestCreateFailed:
            ShowRefusal(page, IDS_CANNOT_CREATE_DIR);
            break;
        case ui::kDestNoSpace:
            ShowRefusal(page, IDS_NO_SPACE);
            break;
        case ui::kDestForeignRecord:
            ShowRefusal(page, IDS_FOREIGN_RECORD);
            break;
        case ui::kDestDeclined:
            break;
    }
}

}  // namespace

int DirectoryExists(const char* path) {
    uint32_t attributes = plat::FileAttributes(path);
    if (attributes == plat::kInvalidAttributes) {
        return 0;
    }
    return (attributes & plat::kAttrDirectory) != 0 ? 1 : 0;
}

LRESULT CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_SETUP_INIT:
            SubstituteProductName(page, IDC_TEXT2);
            return 0;
        case WM_COMMAND:
            // Its Back button is disabled in the template and stays so.
            if (AnswerButton(page, wParam, 0)) {
                return 0;
            }
            break;
    }
    return CommonPageProc(page, message, wParam, lParam);
}

LRESULT CALLBACK WarningPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_CREATE:
            OnPageCreate(page, 0);
            MessageBeep(0);
            return 0;
        case WM_COMMAND:
            if (AnswerButton(page, wParam, 1)) {
                return 0;
            }
            break;
    }
    return CommonPageProc(page, message, wParam, lParam);
}

LRESULT CALLBACK MouseTypePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_SETUP_INIT:
            CheckRadioButton(page, IDC_SERIAL, IDC_PS2,
                             gChoices.serialMouse != 0 ? IDC_SERIAL : IDC_PS2);
            EnableWindow(GetDlgItem(page, IDC_BACK), gWizard.backEnabled != 0 ? TRUE : FALSE);
            return 0;
        case WM_COMMAND:
            // The choice is kept at the click, so it survives Back; the
            // automatic radio buttons check themselves.
            if (static_cast<uint32_t>(wParam) == IDC_SERIAL) {
                gChoices.serialMouse = 1;
                break;
            }
            if (static_cast<uint32_t>(wParam) == IDC_PS2) {
                gChoices.serialMouse = 0;
                break;
            }
            if (AnswerButton(page, wParam, 1)) {
                return 0;
            }
            break;
    }
    return CommonPageProc(page, message, wParam, lParam);
}

LRESULT CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_SETUP_INIT:
            SubstituteProductName(page, IDC_TEXT1);
            SetDlgItemTextA(page, IDC_DEST_TEXT, gChoices.destDir);
            return 0;
        case WM_COMMAND:
            if (static_cast<uint32_t>(wParam) == IDC_BROWSE) {
                BrowseDirectory(page);
                SetDlgItemTextA(page, IDC_DEST_TEXT, gChoices.destDir);
                break;
            }
            if (static_cast<uint32_t>(wParam) == IDC_NEXT) {
                OnDestinationNext(page);
                return 0;
            }
            if (AnswerButton(page, wParam, 1)) {
                return 0;
            }
            break;
    }
    return CommonPageProc(page, message, wParam, lParam);
}

LRESULT CALLBACK EndPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_CREATE:
            // The End page centres on the screen size of this moment.
            OnPageCreate(page, 1);
            return 0;
        case WM_SETUP_INIT:
            if (gWizard.installFailed || gWizard.completesAtRestart) {
                char said[kTextSize];
                const char* format =
                    LoadText(gWizard.installFailed ? IDS_NOT_INSTALLED_FULLY : IDS_DONE_AT_RESTART);
                text::Format(said, sizeof said, format != nullptr ? format : "%s",
                             gScript.productName);
                SetDlgItemTextA(page, IDC_TEXT1, said);
            } else {
                SubstituteProductName(page, IDC_TEXT1);
            }
            CheckDlgButton(page, gWizard.restartNow != 0 ? IDC_RESTART_YES : IDC_RESTART_NO,
                           BST_CHECKED);
            return 0;
        case WM_COMMAND:
            // Finish stores no answer; Esc (command 2) does nothing here.
            if (static_cast<uint32_t>(wParam) == IDC_FINISH) {
                if (IsDlgButtonChecked(page, IDC_RESTART_NO) == BST_CHECKED) {
                    gWizard.restartNow = 0;
                }
                ClosePage(page);
                return 0;
            }
            break;
    }
    return CommonPageProc(page, message, wParam, lParam);
}
