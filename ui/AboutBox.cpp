// The About box: product line, version and logo over the host's window.
#include <windows.h>

#include "base/Messages.h"
#include "base/Product.h"
#include "ui/DialogIds.h"
#include "ui/Platform.h"

extern "C" INT_PTR CALLBACK KRVVLMAboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, ID_ABOUT_VERSION, kAboutVersionLine);
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != 0) return FALSE;
    switch (LOWORD(wParam)) {
        case ID_ABOUT_OK: EndDialog(dialog, 1); return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        case ID_LOGO: return TRUE;  // a click on the logo does nothing
        default: return FALSE;
    }
}

void ShowAboutBox(void* module, intptr_t ownerWindow) {
    INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(module), "ABOUTVLM", reinterpret_cast<HWND>(ownerWindow),
                                     KRVVLMAboutProc, 0);
    if (result == -1 || result == 0) showErrorBox(kMessageNoAboutBox, kErrorCaption);
}
