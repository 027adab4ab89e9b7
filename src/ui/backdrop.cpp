// The full-screen backdrop: a blue gradient with the title banner and the
// maker's notice, the banners dissolving in on the first paint.
#include "ui/backdrop.h"

#include "resource.h"
#include "ui/logic/backdrop_logic.h"
#include "ui/page_host.h"
#include "ui/wizard.h"

namespace {

const char kBackdropClass[] = "SetupMain";
const COLORREF kTransparent = RGB(255, 0, 255);  // only this exact colour lets the gradient show

RECT ToRect(const backdrop::Box& box) {
    RECT r;
    SetRect(&r, box.left, box.top, box.right, box.bottom);
    return r;
}

void OnBackdropCreate(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, gWizard.screenWidth, gWizard.screenHeight,
                 SWP_SHOWWINDOW);
}

// Every band is painted on every paint; clipping to the update region keeps
// the screen from flickering where nothing changed.
void PaintGradient(HDC dc) {
    int h = gWizard.screenHeight;
    for (int band = 0; band < backdrop::kBandCount; band++) {
        RECT r;
        SetRect(&r, 0, backdrop::BandTop(band, h), gWizard.screenWidth,
                backdrop::BandTop(band + 1, h));
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, backdrop::BandBlue(band)));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

void PaintBackdrop(HDC dc, const RECT& update) {
    PaintGradient(dc);
    backdrop::Box box{update.left, update.top, update.right, update.bottom};
    int pictures = backdrop::PicturesToPaint(box, gScript.oem, gWizard.screenHeight);
    if (pictures & backdrop::kUpperPicture) {
        RECT placement = ToRect(backdrop::UpperPlacement());
        DrawPicture(dc, IDB_TITLE_BANNER, &placement, gWizard.dissolvePending);
    }
    if (pictures & backdrop::kLowerPicture) {
        RECT placement = ToRect(backdrop::LowerPlacement(gWizard.screenHeight));
        DrawPicture(dc, IDB_NOTICE_BANNER, &placement, gWizard.dissolvePending);
    }
    // Cleared even when neither banner was due: a banner missed by the first
    // paint never dissolves later.
    gWizard.dissolvePending = 0;
}

void OnBackdropPaint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    PaintBackdrop(dc, ps.rcPaint);
    EndPaint(window, &ps);
}

void CopyPixel(HDC target, HDC picture, int x, int y, int left, int top) {
    COLORREF colour = GetPixel(picture, x, y);
    if (colour != kTransparent) {
        SetPixel(target, left + x, top + y, colour);
    }
}

}  // namespace

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (static_cast<uint16_t>(message)) {
        case WM_CREATE:
            OnBackdropCreate(window);
            return 0;
        case WM_PAINT:
            OnBackdropPaint(window);
            return 0;
        case WM_DESTROY:
            // The backdrop ends no message loop: the page sequence goes on.
            return 0;
        case WM_SETUP_INIT:
            return 0;
        default:
            return DefWindowProcA(window, static_cast<uint16_t>(message), wParam, lParam);
    }
}

// Pixel by pixel through GetPixel/SetPixel: slow, but it needs no off-screen
// buffer and the dissolve costs no more than a plain copy.
void DrawPicture(HDC target, int bitmap, const RECT* placement, int dissolve) {
    HDC picture = CreateCompatibleDC(target);
    HBITMAP loaded =
        LoadBitmapA(static_cast<HINSTANCE>(gWizard.instance), MAKEINTRESOURCEA(bitmap));
    if (loaded == nullptr) {
        DeleteDC(picture);
        return;
    }
    HGDIOBJ previous = SelectObject(picture, loaded);
    BITMAP info;
    GetObjectA(loaded, sizeof info, &info);
    int width = info.bmWidth;
    int height = info.bmHeight;
    int left = placement->left;
    int top = placement->top;
    if (!dissolve) {
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                CopyPixel(target, picture, x, y, left, top);
            }
        }
    } else {
        for (int pass = 0; pass < backdrop::kDissolvePasses; pass++) {
            for (int y = 0; y < height; y++) {
                for (int x = 0; x < width; x++) {
                    if (backdrop::DissolvePass(x, y) == pass) {
                        CopyPixel(target, picture, x, y, left, top);
                    }
                }
            }
        }
    }
    SelectObject(picture, previous);
    DeleteObject(loaded);
    DeleteDC(picture);
}

int CreateBackdrop() {
    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BackdropProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = static_cast<HINSTANCE>(gWizard.instance);
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = nullptr;  // every pixel is painted by the window itself
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kBackdropClass;
    RegisterClassA(&wc);  // a failure shows as a failure to create the window

    HWND window =
        CreateWindowExA(0, kBackdropClass, "Setup", WS_POPUP | WS_VISIBLE | WS_BORDER,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                        nullptr, static_cast<HINSTANCE>(gWizard.instance), nullptr);
    gWizard.backdropWindow = window;
    if (window == nullptr) {
        return 0;
    }
    // The first paint, with the dissolve, comes through here: the backdrop is
    // complete on the screen before the first page appears.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}
