// The Browse Directory dialog: the old-style common Open dialog with
// template 104 and a hook, turned into a directory chooser. The path box is
// the program's own; the file name the dialog returns is never used.
#include "ui/browse.h"

#include <commdlg.h>
#include <dlgs.h>
#include <stddef.h>

#include "../resources/resource.h"
#include "platform/text.h"
#include "ui/page_host.h"
#include "ui/wizard.h"

namespace {

const int kBrowsePathSize = 256;  // the path being edited, up to 255 chars
const int kPathBoxReadSize = 80;  // OK takes at most 79 chars of the path box
// Room for the full path the dialog composes from a directory (up to 255
// chars), a backslash and the 12-char dummy name.
const int kBrowseFileNameSize = kBrowsePathSize + 1 + 12 + 3;

const DWORD kBrowseFlags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK |
                           OFN_ENABLETEMPLATE | OFN_NOVALIDATE;  // 0x16C

// The record as Windows 95 knows it: 76 bytes in the 32-bit program.
static_assert(sizeof(void*) != 4 || offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the Windows 95 OPENFILENAMEA is 76 bytes");

char browsePath[kBrowsePathSize];
// The dummy name lets OK close the dialog with success; the hidden file
// name box holds it. Static data, so no start-up code is needed.
char browseFileName[kBrowseFileNameSize] = "12345678.ABC";

void OnBrowseSetupInit(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_BROWSE_PATH, browsePath);
    HWND pathBox = GetDlgItem(dialog, IDC_BROWSE_PATH);
    SetFocus(pathBox);
    SendMessageA(pathBox, EM_SETSEL, 0, -1);
}

void OnBrowseRefresh(HWND dialog) {
    // A working directory that does not fit leaves browsePath as it was.
    char current[kBrowsePathSize];
    DWORD length = GetCurrentDirectoryA(kBrowsePathSize, current);
    if (length > 0 && length < static_cast<DWORD>(kBrowsePathSize)) {
        text::Copy(browsePath, sizeof browsePath, current);
    }
    SetDlgItemTextA(dialog, IDC_BROWSE_PATH, browsePath);
}

}  // namespace

void BrowseDirectory(HWND owner) {
    OPENFILENAMEA request;
    text::Fill(&request, 0, sizeof request);
    // The Windows 95 form of the record, which ends with the template name.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = owner;
    request.hInstance = static_cast<HINSTANCE>(gWizard.instance);
    request.lpstrFile = browseFileName;
    request.nMaxFile = kBrowseFileNameSize;
    request.lpstrInitialDir = "C:\\";
    // The template's caption, passed again: without a title Wine's
    // old-style dialog shows its own "Open File".
    request.lpstrTitle = BROWSE_CAPTION;
    request.Flags = kBrowseFlags;
    request.lpfnHook = BrowseHook;
    request.lpTemplateName = MAKEINTRESOURCEA(IDD_BROWSE);
    if (GetOpenFileNameA(&request)) {
        text::Copy(gChoices.destDir, sizeof gChoices.destDir, browsePath);
    }
}

UINT_PTR CALLBACK BrowseHook(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            text::Copy(browsePath, sizeof browsePath, gChoices.destDir);
            PostMessageA(dialog, WM_SETUP_INIT, 0, 0);
            break;
        case WM_SETUP_INIT:
            OnBrowseSetupInit(dialog);
            break;
        case WM_SETUP_REFRESH:
            OnBrowseRefresh(dialog);
            break;
        case WM_COMMAND: {
            WORD control = LOWORD(wParam);
            WORD code = HIWORD(wParam);
            if (control == IDOK) {
                GetDlgItemTextA(dialog, IDC_BROWSE_PATH, browsePath, kPathBoxReadSize);
            } else if (control == lst2 && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
                PostMessageA(dialog, WM_SETUP_REFRESH, 0, 0);
            } else if (control == cmb2 && code == CBN_SELCHANGE) {
                PostMessageA(dialog, WM_SETUP_REFRESH, 0, 0);
            }
            break;
        }
    }
    // 0 always: the dialog's own handling of every message follows.
    return 0;
}
