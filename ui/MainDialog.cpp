// The main dialog: the two controls kept in step with the parameter record,
// Before/After, zoom, navigator, OK, Cancel, Defaults and Help, the delayed
// recomputation and the paint sequence. The record is the single source of
// truth; every change ends by rewriting the other controls from it.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <utility>

#include "base/Messages.h"
#include "base/Product.h"
#include "engine/Controls.h"
#include "planes/PreviewRender.h"
#include "ui/DialogIds.h"
#include "ui/HelpLauncher.h"
#include "ui/PaneView.h"
#include "ui/Platform.h"
#include "ui/model/DialogValues.h"
#include "ui/model/NavigatorDrag.h"
#include "ui/model/PaneLayout.h"

extern "C" INT_PTR CALLBACK KRVVLMProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

constexpr UINT_PTR kRecomputeTimer = 1;
constexpr UINT kRecomputeDelayMs = 500;

HCURSOR pointingHandCursor, grabbingHandCursor, openHandCursor, busyCursor, hostClassCursor;
HWND brightnessTrackbar, intensityTrackbar;
NavigatorDrag navigatorDrag;
// The settings the adjusted masks were last computed with: OK renders with
// what is shown, so a later change is adjusted before the dialog ends.
float adjustedAmount, adjustedVibrance;
// What the dialog was handed: the run's planes, pixel port, memory and settings.
DialogInputs* inputs = nullptr;

PreviewContext& preview() { return inputs->preview; }
FilterParameters& settings() { return *inputs->preview.params; }
const Rect& filterRect() { return inputs->preview.filterRect; }

HCURSOR cursorFor(PointerShape shape) {
    switch (shape) {
        case PointerShape::PointingHand: return pointingHandCursor;
        case PointerShape::GrabbingHand: return grabbingHandCursor;
        case PointerShape::OpenHand: return openHandCursor;
        default: break;
    }
    // A host window without a class cursor would leave no pointer at all.
    return hostClassCursor ? hostClassCursor : LoadCursor(nullptr, IDC_ARROW);
}

void setCurrentCursor() { SetCursor(cursorFor(navigatorDrag.pointer)); }

void restartTimer(HWND dialog) { SetTimer(dialog, kRecomputeTimer, kRecomputeDelayMs, nullptr); }

void writeZoomLabel(HWND dialog) {
    char label[16];
    formatZoomLabel(zoomState.level, zoomState.topLevel, label, sizeof label);
    SetDlgItemTextA(dialog, ID_ZOOM_LABEL, label);
}

// The view origin or level changed: the preview's request and its proxy region.
void updateVisibleRegion() {
    computeVisibleRegion(filterRect(), &zoomState, &previewPane);
    mapViewToProxy(filterRect(), preview().proxy.width, preview().proxy.height, zoomState, &previewPane);
}

void invalidateBothPanes(HWND dialog) {
    invalidatePane(dialog, *inputs, previewPane);
    invalidatePane(dialog, *inputs, navigatorPane);
}

// Ends the dialog after a failed recomputation or adjustment; an internal
// error has its message shown first.
INT_PTR endAfterFailure(HWND dialog, int code) {
    if (code == kPreviewInternalError && preview().internalError != nullptr)
        showErrorBox(preview().internalError, kInternalErrorCaption);
    releasePaneBuffers(*inputs);
    *inputs->resultCell = memFullErr;
    EndDialog(dialog, code);
    return code;
}

// ------------------------------------------------------------------ controls

// A control's edit box, its trackbar and its field of the record.
struct ValueControl {
    int editId;
    HWND* trackbar;
    float FilterParameters::*field;
    EditOutcome (*fromEdit)(int typed);
};
const ValueControl kBrightness = {ID_BRIGHTNESS_EDIT, &brightnessTrackbar, &FilterParameters::amount, amountFromEdit};
const ValueControl kIntensity = {ID_INTENSITY_EDIT, &intensityTrackbar, &FilterParameters::vibrance, vibranceFromEdit};

// The box's text read as a signed integer (0 when it is not a number) goes
// into the record, clamped and written back when out of range; the trackbar
// follows and the recomputation waits for the next 500 ms of quiet.
void valueEdited(HWND dialog, const ValueControl& control) {
    BOOL isNumber = FALSE;
    EditOutcome o = control.fromEdit(int(GetDlgItemInt(dialog, control.editId, &isNumber, TRUE)));
    settings().*control.field = o.value;
    if (o.rewrite) SetDlgItemInt(dialog, control.editId, UINT(o.rewriteText), TRUE);
    SendMessageA(*control.trackbar, TBM_SETPOS, TRUE, LPARAM(settings().*control.field));
    restartTimer(dialog);
}

INT_PTR trackbarMoved(HWND dialog, WPARAM wParam, LPARAM lParam) {
    int request = LOWORD(wParam), thumb = HIWORD(wParam);
    if (reinterpret_cast<HWND>(lParam) == brightnessTrackbar) {
        settings().amount = amountFromTrackbar(request, thumb, settings().amount);
        SetDlgItemInt(dialog, ID_BRIGHTNESS_EDIT, UINT(amountShown(settings().amount)), TRUE);
    } else {
        settings().vibrance = vibranceFromTrackbar(request, thumb, settings().vibrance);
        SetDlgItemInt(dialog, ID_INTENSITY_EDIT, UINT(vibranceShown(settings().vibrance)), TRUE);
    }
    if (request == TB_THUMBTRACK) restartTimer(dialog);
    return TRUE;
}

void restoreDefaults(HWND dialog) {
    settings().amount = kShadowBrightness.initial;
    settings().vibrance = kColorIntensity.initial;
    deriveMaskGains(&settings());
    SetDlgItemInt(dialog, ID_BRIGHTNESS_EDIT, UINT(amountShown(settings().amount)), TRUE);
    SetDlgItemInt(dialog, ID_INTENSITY_EDIT, UINT(vibranceShown(settings().vibrance)), TRUE);
}

void previewModeClicked(HWND dialog, int id) {
    bool checked = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    bool before = id == ID_BEFORE ? checked : !checked;
    previewMode = before ? PreviewMode::Before : PreviewMode::After;
    renderPreview(preview(), previewMode, &previewPane);
    invalidatePane(dialog, *inputs, previewPane);
}

void zoomClicked(HWND dialog, bool in) {
    ZoomButtons b = in ? zoomIn(&zoomState) : zoomOut(&zoomState);
    EnableWindow(GetDlgItem(dialog, ID_ZOOM_IN), b.plusEnabled);
    EnableWindow(GetDlgItem(dialog, ID_ZOOM_OUT), b.minusEnabled);
    if (b.focus != 0) SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, b.focus)), TRUE);
    writeZoomLabel(dialog);
    updateVisibleRegion();
    renderPreview(preview(), previewMode, &previewPane);
    invalidateBothPanes(dialog);
}

INT_PTR okClicked(HWND dialog) {
    if (settings().amount != adjustedAmount || settings().vibrance != adjustedVibrance) {
        HCURSOR previous = SetCursor(busyCursor);
        int adjusted = readjustMasks(preview());
        SetCursor(previous);
        if (adjusted != 1) return endAfterFailure(dialog, adjusted);
    }
    releasePaneBuffers(*inputs);
    EndDialog(dialog, ID_OK);
    return TRUE;
}

INT_PTR command(HWND dialog, WPARAM wParam) {
    int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == ID_BRIGHTNESS_EDIT || id == ID_INTENSITY_EDIT) {
        if (code == EN_CHANGE) valueEdited(dialog, id == ID_BRIGHTNESS_EDIT ? kBrightness : kIntensity);
        return TRUE;
    }
    if (code != BN_CLICKED) return TRUE;
    switch (id) {
        case ID_BEFORE:
        case ID_AFTER: previewModeClicked(dialog, id); return TRUE;
        case ID_ZOOM_IN:
        case ID_ZOOM_OUT: zoomClicked(dialog, id == ID_ZOOM_IN); return TRUE;
        case ID_OK: return okClicked(dialog);
        case ID_CANCEL:
            releasePaneBuffers(*inputs);
            EndDialog(dialog, ID_CANCEL);
            return TRUE;
        case ID_DEFAULTS: restoreDefaults(dialog); return TRUE;
        case ID_HELP_BUTTON: openHelp(); return TRUE;
        default: return FALSE;
    }
}

// ------------------------------------------------------------------ set-up

void setUpControls(HWND dialog) {
    brightnessTrackbar = GetDlgItem(dialog, ID_BRIGHTNESS_SLIDER);
    intensityTrackbar = GetDlgItem(dialog, ID_INTENSITY_SLIDER);
    // Each write runs the edit-change handling: the record takes the shown integers.
    SetDlgItemInt(dialog, ID_BRIGHTNESS_EDIT, UINT(amountShown(settings().amount)), TRUE);
    SetDlgItemInt(dialog, ID_INTENSITY_EDIT, UINT(vibranceShown(settings().vibrance)), TRUE);
    SendDlgItemMessageA(dialog, ID_BRIGHTNESS_EDIT, EM_SETSEL, 0, -1);
    SendDlgItemMessageA(dialog, ID_INTENSITY_EDIT, EM_SETSEL, 0, -1);
    for (auto [trackbar, control] : {std::pair<HWND, const ControlSpec*>{brightnessTrackbar, &kShadowBrightness},
                                  std::pair<HWND, const ControlSpec*>{intensityTrackbar, &kColorIntensity}}) {
        SendMessageA(trackbar, TBM_SETRANGE, FALSE, MAKELPARAM(int(control->low), int(control->high)));
        SendMessageA(trackbar, TBM_SETPAGESIZE, 0, control->page);
        SendMessageA(trackbar, TBM_SETLINESIZE, 0, control->line);
        SendMessageA(trackbar, TBM_SETTICFREQ, control->ticks, 0);
    }
    SendMessageA(brightnessTrackbar, TBM_SETPOS, TRUE, LPARAM(settings().amount));
    SendMessageA(intensityTrackbar, TBM_SETPOS, TRUE, LPARAM(settings().vibrance));
}

INT_PTR setUp(HWND dialog) {
    RECT client;
    GetClientRect(dialog, &client);
    if (client.bottom > screenHeight() || client.right > screenWidth()) {
        showErrorBox(kMessageDialogTooLarge, kErrorCaption);
        EndDialog(dialog, -4);
        return FALSE;
    }
    char text[256];
    if (LoadStringA(static_cast<HINSTANCE>(inputs->module), IDS_TITLE_TEXT, text, 255) > 0)
        SetDlgItemTextA(dialog, ID_TITLE_TEXT, text);
    SetWindowTextA(dialog, kDialogTitle);

    if (!setUpPane(dialog, *inputs, &previewPane, ID_PREVIEW_PANE) || !setUpPane(dialog, *inputs, &navigatorPane, ID_NAVIGATOR_PANE)) {
        EndDialog(dialog, 0);
        return FALSE;
    }
    buildZoomTable(filterRect(), previewPane, &zoomState);
    zoomState.level = 0;
    zoomState.viewTop = zoomState.viewLeft = 0;
    writeZoomLabel(dialog);
    EnableWindow(GetDlgItem(dialog, ID_ZOOM_OUT), FALSE);

    setUpControls(dialog);
    navigatorDrag = {};
    navigatorDrag.pointer = PointerShape::Host;
    updateVisibleRegion();
    CheckDlgButton(dialog, ID_AFTER, BST_CHECKED);
    SetFocus(brightnessTrackbar);

    HCURSOR previous = SetCursor(busyCursor);
    renderOriginalView(preview(), &navigatorPane);
    renderPreview(preview(), previewMode, &previewPane);
    previewMode = PreviewMode::After;
    recomputePending = true;
    SetCursor(previous);
    return FALSE;  // the focus was set explicitly
}

// ------------------------------------------------------------------ timer and paint

INT_PTR timerFired(HWND dialog) {
    recomputePending = true;
    invalidatePane(dialog, *inputs, previewPane);
    KillTimer(dialog, kRecomputeTimer);
    return TRUE;
}

INT_PTR paint(HWND dialog) {
    if (!GetUpdateRect(dialog, nullptr, FALSE)) return FALSE;
    if (recomputePending) {
        HCURSOR previous = SetCursor(busyCursor);
        int rebuilt = rebuildProxyResult(preview());
        SetCursor(previous);
        if (rebuilt != 1) return endAfterFailure(dialog, rebuilt);
        recomputePending = false;
        adjustedAmount = settings().amount;
        adjustedVibrance = settings().vibrance;
    }
    renderPreview(preview(), previewMode, &previewPane);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    drawPane(dc, *inputs, previewPane);
    drawPane(dc, *inputs, navigatorPane);
    navigatorDrag.frame = drawNavigatorFrame(dialog, filterRect());
    EndPaint(dialog, &ps);
    return TRUE;
}

// ------------------------------------------------------------------ mouse

Point16Xy pointFrom(LPARAM lParam) { return {int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam))}; }

INT_PTR carryOut(HWND dialog, const DragEffect& e) {
    if (e.capture) SetCapture(dialog);
    if (e.moveView) updateVisibleRegion();
    if (e.repaint) invalidateBothPanes(dialog);
    if (e.release) ReleaseCapture();
    setCurrentCursor();
    return TRUE;
}

NavigatorContext navigatorContext() { return {filterRect(), navigatorPane, &zoomState, &previewMode}; }

INT_PTR mouse(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Point16Xy p = pointFrom(lParam);
    NavigatorContext ctx = navigatorContext();
    if (message == WM_LBUTTONDOWN) return carryOut(dialog, navigatorButtonDown(&navigatorDrag, p, ctx));
    if (message == WM_MOUSEMOVE)
        return carryOut(dialog, navigatorMouseMove(&navigatorDrag, p, wParam == MK_LBUTTON, ctx));
    bool afterChecked = IsDlgButtonChecked(dialog, ID_AFTER) == BST_CHECKED;
    return carryOut(dialog, navigatorButtonUp(&navigatorDrag, p, afterChecked, ctx));
}

INT_PTR handleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: return setUp(dialog);
        case WM_COMMAND: return command(dialog, wParam);
        case WM_HSCROLL: return trackbarMoved(dialog, wParam, lParam);
        case WM_TIMER: return timerFired(dialog);
        case WM_PAINT: return paint(dialog);
        case WM_SETCURSOR: setCurrentCursor(); return TRUE;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: return mouse(dialog, message, wParam, lParam);
        default: return FALSE;
    }
}

}  // namespace

// No exception may pass through the system's dialog code into the host: one
// that escapes a handler ends the dialog as a failed allocation.
extern "C" INT_PTR CALLBACK KRVVLMProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handleMessage(dialog, message, wParam, lParam);
    } catch (...) {
        return endAfterFailure(dialog, -2);
    }
}

int ShowMainDialog(DialogInputs& handed) {
    inputs = &handed;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE module = static_cast<HINSTANCE>(inputs->module);
    pointingHandCursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_POINTING_HAND));
    grabbingHandCursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_GRABBING_HAND));
    openHandCursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_OPEN_HAND));
    busyCursor = LoadCursor(nullptr, IDC_APPSTARTING);
    adjustedAmount = settings().amount;
    adjustedVibrance = settings().vibrance;

    // The host window's class cursor would fight ours while the dialog runs.
    HWND owner = reinterpret_cast<HWND>(inputs->ownerWindow);
    hostClassCursor = owner ? reinterpret_cast<HCURSOR>(GetClassLongPtrA(owner, GCLP_HCURSOR)) : nullptr;
    if (owner) SetClassLongPtrA(owner, GCLP_HCURSOR, 0);
    INT_PTR result = DialogBoxParamA(module, "VLM", owner, KRVVLMProc, 0);
    if (owner) SetClassLongPtrA(owner, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(hostClassCursor));
    if (result == 0) return -2;
    return int(result);
}
