// Shows wizard pages one after another through RunPage, for the robot to
// drive, and prints what each left in the wizard's state and choices:
//
//   page_show.exe [KEY=VALUE | PAGE]...
//
// KEY=VALUE sets state before the pages that follow: dest=PATH, min=KB,
// back=0|1, serial=0|1, restart=0|1, product=NAME. PAGE is welcome,
// warning, mouse, dest or end; after each page one line is printed:
//   PAGE result=R serial=S restart=T dest=D
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "model/texts.h"
#include "platform/text.h"
#include "ui/page_host.h"
#include "ui/pages.h"
#include "ui/wizard.h"

namespace {

char gControlFont[64];  // of the last vanishing page

// A page whose work ends with the page destroyed, as the install page's
// Cancel during the copy does.
LRESULT CALLBACK VanishingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam,
                                   bool eatQuit) {
    if (message == WM_SETUP_INIT) {
        // The font its control shows: read here, since Wine does not answer
        // WM_GETFONT from another process.
        HWND control = GetWindow(page, GW_CHILD);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
        LOGFONTA description;
        if (font == nullptr || GetObjectA(font, sizeof description, &description) == 0) {
            text::Copy(gControlFont, sizeof gControlFont, "none");
        } else {
            text::Format(gControlFont, sizeof gControlFont, "%s/%d", description.lfFaceName,
                         static_cast<int>(description.lfHeight));
        }
        gWizard.pageResult = kPageCancel;
        DestroyWindow(page);
        MSG pending;
        while (eatQuit && PeekMessageA(&pending, nullptr, 0, 0, PM_REMOVE)) {
        }
        return 0;
    }
    return CommonPageProc(page, message, wParam, lParam);
}
LRESULT CALLBACK VanishProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return VanishingPageProc(page, message, wParam, lParam, false);
}
LRESULT CALLBACK VanishEatProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return VanishingPageProc(page, message, wParam, lParam, true);
}

struct Page {
    const char* name;
    const char* className;
    WNDPROC proc;
    int templateId;
} kPages[] = {
    {"welcome", "SETUP_BEGIN", WelcomePageProc, 101},
    {"warning", "SETUP_WARNING", WarningPageProc, 109},
    {"mouse", "SETUP_SELMOUSE", MouseTypePageProc, 108},
    {"dest", "SETUP_SELDIR", DestinationPageProc, 107},
    {"end", "SETUP_END", EndPageProc, 102},
    {"vanish", "SETUP_VANISH", VanishProc, 900},
    {"vanish-eat", "SETUP_VANISH_EAT", VanishEatProc, 901},
};

void SetProduct(const char* name) {
    text::Copy(gScript.productName, sizeof gScript.productName, name);
    text::Format(gScript.caption, sizeof gScript.caption, "%s Setup Program", name);
}

}  // namespace

int main(int argc, char** argv) {
    ResetInstallChoices(gChoices);
    gWizard.instance = GetModuleHandleA(nullptr);
    UseTextsOf(gWizard.instance, nullptr);
    gWizard.screenWidth = static_cast<int16_t>(GetSystemMetrics(SM_CXSCREEN));
    gWizard.screenHeight = static_cast<int16_t>(GetSystemMetrics(SM_CYSCREEN));
    SetProduct("Velor");
    text::Copy(gChoices.destDir, sizeof gChoices.destDir, "C:\\VELOR");
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        const char* value = strchr(arg, '=');
        if (value != nullptr) {
            std::string key(arg, value - arg);
            value++;
            if (key == "dest") {
                text::Copy(gChoices.destDir, sizeof gChoices.destDir, value);
            } else if (key == "min") {
                gScript.minimumSpace = static_cast<int16_t>(atoi(value));
            } else if (key == "back") {
                gWizard.backEnabled = atoi(value);
            } else if (key == "serial") {
                gChoices.serialMouse = atoi(value);
            } else if (key == "restart") {
                gWizard.restartNow = atoi(value);
            } else if (key == "product") {
                SetProduct(value);
            } else {
                fprintf(stderr, "page_show: unknown setting %s\n", arg);
                return 2;
            }
            continue;
        }
        const Page* page = nullptr;
        for (const Page& p : kPages) {
            if (strcmp(p.name, arg) == 0) {
                page = &p;
            }
        }
        if (page == nullptr) {
            fprintf(stderr, "page_show: unknown page %s\n", arg);
            return 2;
        }
        int result = RunPage(page->className, page->proc, page->templateId);
        char cwd[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof cwd, cwd);
        printf("%s result=%d serial=%d restart=%d cwd=%s dest=%s", page->name, result,
               static_cast<int>(gChoices.serialMouse), static_cast<int>(gWizard.restartNow), cwd,
               gChoices.destDir);
        if (page->proc == VanishProc || page->proc == VanishEatProc) {
            printf(" font=%s", gControlFont);
        }
        printf("\n");
        fflush(stdout);
    }
    return 0;
}
