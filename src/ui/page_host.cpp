// The page host: one wizard page at a time, each a dialog template whose
// window class belongs to the page, so the page's own procedure sees all of
// its messages.
#include "ui/page_host.h"

#include "model/string_ids.h"
#include "model/texts.h"
#include "platform/text.h"
#include "ui/logic/page_logic.h"
#include "ui/logic/template_font.h"
#include "ui/wizard.h"

namespace {

const int kTitleSize = 256;                   // window titles are read up to 255 chars
const int kPageWindowExtra = DLGWINDOWEXTRA;  // what the dialog manager keeps in a page window
const int kMenuColourBrush = COLOR_MENU + 1;  // system-colour brush value 5

void RegisterPageClass(const char* className, WNDPROC pageProc) {
    WNDCLASSA pageClass;
    text::Fill(&pageClass, 0, sizeof pageClass);
    pageClass.style = CS_HREDRAW | CS_VREDRAW;
    pageClass.lpfnWndProc = pageProc;
    pageClass.cbClsExtra = 0;
    pageClass.cbWndExtra = kPageWindowExtra;
    pageClass.hInstance = static_cast<HINSTANCE>(gWizard.instance);
    pageClass.hIcon = nullptr;
    pageClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    pageClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(kMenuColourBrush));
    pageClass.lpszMenuName = nullptr;
    pageClass.lpszClassName = className;
    // A page shown again finds its class registered already; the first
    // registration, with the same attributes, stays in force.
    RegisterClassA(&pageClass);
}

// Ends the loop early when the page is gone: a page destroyed while its own
// work took messages (the install page cancelled during the copy) may have
// left its quit message queued, or may have had it taken already.
void DropLeftoverQuit() {
    MSG message;
    PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// The template's font as a GDI font, or null when it cannot be read.
HFONT CreateTemplateFont(int templateId) {
    HINSTANCE instance = static_cast<HINSTANCE>(gWizard.instance);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));
    if (found == nullptr) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(instance, found);
    const uint8_t* bytes =
        loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    ui::TemplateFont font;
    if (bytes == nullptr || !ui::ReadTemplateFont(bytes, SizeofResource(instance, found), &font)) {
        return nullptr;
    }
    LOGFONTA description;
    text::Fill(&description, 0, sizeof description);
    HDC screen = GetDC(nullptr);
    description.lfHeight = -MulDiv(font.points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    description.lfWeight = font.weight;
    description.lfItalic = font.italic;
    description.lfCharSet = font.charset;
    text::Copy(description.lfFaceName, sizeof description.lfFaceName, font.face);
    return CreateFontIndirectA(&description);
}

// A dialog without a dialog procedure whose class is the page's own: Windows
// gives its controls the template's font, Wine leaves them with the system
// font. Gives them the font when they have none; returns the font made, to
// be deleted once the page is gone, or null.
HFONT GiveControlsTemplateFont(HWND page, int templateId) {
    HWND first = GetWindow(page, GW_CHILD);
    if (first == nullptr || SendMessageA(first, WM_GETFONT, 0, 0) != 0) {
        return nullptr;
    }
    HFONT font = CreateTemplateFont(templateId);
    if (font == nullptr) {
        return nullptr;
    }
    for (HWND child = first; child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    return font;
}

}  // namespace

int16_t RunPage(const char* className, WNDPROC pageProc, int templateId) {
    RegisterPageClass(className, pageProc);
    HWND page =
        CreateDialogParamA(static_cast<HINSTANCE>(gWizard.instance), MAKEINTRESOURCEA(templateId),
                           static_cast<HWND>(gWizard.backdropWindow), nullptr, 0);
    if (page == nullptr) {
        // The resources carry every page; a missing one answers Cancel
        // rather than leaving the user with no window at all.
        gWizard.pageResult = kPageCancel;
        return gWizard.pageResult;
    }
    HFONT font = GiveControlsTemplateFont(page, templateId);
    SendMessageA(page, WM_SETUP_INIT, 0, 0);
    MSG message;
    while (IsWindow(page)) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break;
        }
        if (!IsDialogMessageA(page, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    if (!IsWindow(page)) {
        DropLeftoverQuit();
    }
    if (font != nullptr && !IsWindow(page)) {
        DeleteObject(font);
    }
    return gWizard.pageResult;
}

void OnPageCreate(HWND page, int useCurrentScreenSize) {
    char title[kTitleSize];
    title[0] = 0;
    GetWindowTextA(page, title, kTitleSize);
    char caption[kTitleSize];
    text::Copy(caption, sizeof caption, gScript.productName);
    text::Append(caption, sizeof caption, " ");
    text::Append(caption, sizeof caption, title);
    SetWindowTextA(page, caption);

    int16_t screenWidth = gWizard.screenWidth;
    int16_t screenHeight = gWizard.screenHeight;
    if (useCurrentScreenSize) {
        screenWidth = static_cast<int16_t>(GetSystemMetrics(SM_CXSCREEN));
        screenHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYSCREEN));
    }
    RECT rect;
    GetWindowRect(page, &rect);
    ui::PagePlacement placement =
        ui::CentrePage(rect.left, rect.top, rect.right, rect.bottom, screenWidth, screenHeight);
    SetWindowPos(page, HWND_TOP, placement.x, placement.y, placement.width, placement.height,
                 SWP_SHOWWINDOW);
}

void ClosePage(HWND page) {
    SendMessageA(page, WM_CLOSE, 0, 0);
}

LRESULT CommonPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_CREATE:
            OnPageCreate(page, 0);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(page, message, wParam, lParam);
    }
}

void CancelWarning(HWND window) {
    char warning[kTitleSize];
    text::Copy(warning, sizeof warning, gScript.productName);
    const char* tail = LoadText(IDS_NOT_COMPLETED);
    text::Append(warning, sizeof warning, tail != nullptr ? tail : "");
    MessageBoxA(window, warning, gScript.caption, MB_ICONWARNING);
}
