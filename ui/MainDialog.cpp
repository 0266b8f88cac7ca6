// The main dialog: the two controls kept in step with the settings, Before/
// After, zoom, navigator, OK, Cancel, Defaults and Help, the delayed
// recomputation and the paint sequence. All it holds lives in one MainDialog
// record for the dialog's life, handed over at creation and kept in the
// window. The settings it shows are a copy of the run's, the single source of
// truth while it runs: every change ends by rewriting the other controls from
// it, and OK writes it to the run's record.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "base/Messages.h"
#include "base/Product.h"
#include "engine/Controls.h"
#include "ui/DialogIds.h"
#include "ui/HelpLauncher.h"
#include "ui/MainDialogRecord.h"
#include "ui/PaneView.h"
#include "ui/Platform.h"
#include "ui/PreviewWindow.h"
#include "ui/model/DialogSession.h"
#include "ui/model/DialogValues.h"

extern "C" INT_PTR CALLBACK KRVVLMProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

MainDialog& dialogOf(HWND dialog) { return *reinterpret_cast<MainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

HCURSOR cursorFor(const MainDialog& d, PointerShape shape) {
    switch (shape) {
        case PointerShape::PointingHand: return d.pointingHandCursor;
        case PointerShape::GrabbingHand: return d.grabbingHandCursor;
        case PointerShape::OpenHand: return d.openHandCursor;
        default: break;
    }
    // A host window without a class cursor would leave no pointer at all.
    return d.hostClassCursor ? d.hostClassCursor : LoadCursor(nullptr, IDC_ARROW);
}

namespace {

constexpr UINT_PTR kRecomputeTimer = 1;
// Posted after a change of scale: lays the dialog out again once the system has rescaled it.
constexpr UINT kRelayoutMessage = WM_APP + 1;

void setCurrentCursor(const MainDialog& d) { SetCursor(cursorFor(d, d.session.drag.pointer)); }

// The recomputation waits for a pause in the changes: each change restarts the wait.
void restartTimer(HWND dialog) {
    SetTimer(dialog, kRecomputeTimer, recomputeDelayMs(dialogOf(dialog).lastRecomputeMs), nullptr);
}

// The label names the scale the preview shows the image at.
void writeZoomLabel(HWND dialog, const ZoomState& zoom) {
    char label[16];
    formatZoomLabel(zoom.levelStep[zoom.level], zoom.levelMagnify[zoom.level], label, sizeof label);
    SetDlgItemTextA(dialog, ID_ZOOM_LABEL, label);
}

void invalidatePreview(const MainDialog& d) {
    if (!d.session.ended) InvalidateRect(d.previewWindow, nullptr, FALSE);
}

void invalidateBothPanes(HWND dialog, const MainDialog& d) {
    invalidatePreview(d);
    invalidatePane(dialog, d.session, d.session.navigatorPane);
}

}  // namespace

void showViewMoved(HWND dialog, MainDialog& d) { invalidateBothPanes(dialog, d); }

void showZoom(HWND dialog, MainDialog& d, const ZoomButtons& b) {
    HWND plus = GetDlgItem(dialog, ID_ZOOM_IN), minus = GetDlgItem(dialog, ID_ZOOM_OUT);
    // The focus leaves a button that is about to be disabled.
    HWND focus = GetFocus();
    if (b.focus != 0 && ((focus == plus && !b.plusEnabled) || (focus == minus && !b.minusEnabled)))
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(GetDlgItem(dialog, b.focus)), TRUE);
    EnableWindow(plus, b.plusEnabled);
    EnableWindow(minus, b.minusEnabled);
    writeZoomLabel(dialog, d.session.zoom);
    invalidateBothPanes(dialog, d);
}

INT_PTR endAfterFailure(HWND dialog, DialogSession& s, int code) {
    const char* message = previewOf(s).internalError;
    if (code == kPreviewInternalError && message != nullptr) showErrorBox(message, kInternalErrorCaption);
    endSession(&s, endForPreviewFailure(code));
    EndDialog(dialog, INT_PTR(s.end));
    return TRUE;
}

namespace {

void endWith(HWND dialog, DialogSession& s, DialogEnd end) {
    endSession(&s, end);
    EndDialog(dialog, INT_PTR(end));
}

// ------------------------------------------------------------------ controls

// A control's edit box, its trackbar and its field of the settings.
struct ValueControl {
    int editId;
    HWND MainDialog::*trackbar;
    float FilterParameters::*field;
    EditOutcome (*fromText)(const char* text, float current);
};
const ValueControl kBrightness = {ID_BRIGHTNESS_EDIT, &MainDialog::brightnessTrackbar, &FilterParameters::amount,
                                  amountFromText};
const ValueControl kIntensity = {ID_INTENSITY_EDIT, &MainDialog::intensityTrackbar, &FilterParameters::vibrance,
                                 vibranceFromText};

// The box's text goes into the settings: a number clamped to the range and
// shown clamped, anything that is not one shown back as the value it left;
// the trackbar follows and the recomputation waits for a pause.
void valueEdited(HWND dialog, MainDialog& d, const ValueControl& control) {
    char text[64] = {};
    GetDlgItemTextA(dialog, control.editId, text, sizeof text);
    float& value = d.session.settings.*control.field;
    EditOutcome o = control.fromText(text, value);
    value = o.value;
    if (o.rewrite) {
        SetDlgItemInt(dialog, control.editId, UINT(o.rewriteText), TRUE);
        SendDlgItemMessageA(dialog, control.editId, EM_SETSEL, 0, -1);  // the next key replaces it
    }
    SendMessageA(d.*control.trackbar, TBM_SETPOS, TRUE, LPARAM(value));
    restartTimer(dialog);
}

INT_PTR trackbarMoved(HWND dialog, MainDialog& d, WPARAM wParam, LPARAM lParam) {
    int request = LOWORD(wParam), thumb = HIWORD(wParam);
    FilterParameters& settings = d.session.settings;
    if (reinterpret_cast<HWND>(lParam) == d.brightnessTrackbar) {
        settings.amount = amountFromTrackbar(request, thumb, settings.amount);
        SetDlgItemInt(dialog, ID_BRIGHTNESS_EDIT, UINT(amountShown(settings.amount)), TRUE);
    } else {
        settings.vibrance = vibranceFromTrackbar(request, thumb, settings.vibrance);
        SetDlgItemInt(dialog, ID_INTENSITY_EDIT, UINT(vibranceShown(settings.vibrance)), TRUE);
    }
    if (request == TB_THUMBTRACK) restartTimer(dialog);
    return TRUE;
}

void restoreDefaults(HWND dialog, DialogSession& s) {
    s.settings.amount = kShadowBrightness.initial;
    s.settings.vibrance = kColorIntensity.initial;
    deriveMaskGains(&s.settings);
    SetDlgItemInt(dialog, ID_BRIGHTNESS_EDIT, UINT(amountShown(s.settings.amount)), TRUE);
    SetDlgItemInt(dialog, ID_INTENSITY_EDIT, UINT(vibranceShown(s.settings.vibrance)), TRUE);
}

void previewModeClicked(HWND dialog, MainDialog& d, int id) {
    bool checked = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    bool before = id == ID_BEFORE ? checked : !checked;
    d.session.mode = before ? PreviewMode::Before : PreviewMode::After;
    invalidatePreview(d);
}

void splitClicked(HWND dialog, MainDialog& d) {
    d.session.split = IsDlgButtonChecked(dialog, ID_SPLIT) == BST_CHECKED;
    invalidatePreview(d);
}

// OK renders with what is shown: settings changed since the last
// recomputation are adjusted for before the dialog ends.
INT_PTR okClicked(HWND dialog, MainDialog& d) {
    HCURSOR previous = SetCursor(d.busyCursor);
    int confirmed = confirmSettings(&d.session);
    SetCursor(previous);
    if (confirmed != kPreviewDone) return endAfterFailure(dialog, d.session, confirmed);
    endWith(dialog, d.session, DialogEnd::Ok);
    return TRUE;
}

INT_PTR command(HWND dialog, MainDialog& d, WPARAM wParam) {
    int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == ID_BRIGHTNESS_EDIT || id == ID_INTENSITY_EDIT) {
        if (code == EN_CHANGE) valueEdited(dialog, d, id == ID_BRIGHTNESS_EDIT ? kBrightness : kIntensity);
        return TRUE;
    }
    if (code != BN_CLICKED) return TRUE;
    switch (id) {
        case ID_BEFORE:
        case ID_AFTER: previewModeClicked(dialog, d, id); return TRUE;
        case ID_SPLIT: splitClicked(dialog, d); return TRUE;
        case ID_ZOOM_IN:
        case ID_ZOOM_OUT: showZoom(dialog, d, zoomSession(&d.session, id == ID_ZOOM_IN)); return TRUE;
        case ID_OK: return okClicked(dialog, d);
        case ID_CANCEL: endWith(dialog, d.session, DialogEnd::Cancel); return TRUE;
        case ID_DEFAULTS: restoreDefaults(dialog, d.session); return TRUE;
        case ID_HELP_BUTTON: openHelp(dialog); return TRUE;
        default: return FALSE;
    }
}

// ------------------------------------------------------------------ set-up

void setUpControls(HWND dialog, MainDialog& d) {
    d.brightnessTrackbar = GetDlgItem(dialog, ID_BRIGHTNESS_SLIDER);
    d.intensityTrackbar = GetDlgItem(dialog, ID_INTENSITY_SLIDER);
    const FilterParameters& settings = d.session.settings;
    // Each write runs the edit-change handling: the settings take the shown integers.
    SetDlgItemInt(dialog, ID_BRIGHTNESS_EDIT, UINT(amountShown(settings.amount)), TRUE);
    SetDlgItemInt(dialog, ID_INTENSITY_EDIT, UINT(vibranceShown(settings.vibrance)), TRUE);
    SendDlgItemMessageA(dialog, ID_BRIGHTNESS_EDIT, EM_SETSEL, 0, -1);
    SendDlgItemMessageA(dialog, ID_INTENSITY_EDIT, EM_SETSEL, 0, -1);
    for (auto [trackbar, control] : {std::pair<HWND, const ControlSpec*>{d.brightnessTrackbar, &kShadowBrightness},
                                     std::pair<HWND, const ControlSpec*>{d.intensityTrackbar, &kColorIntensity}}) {
        SendMessageA(trackbar, TBM_SETRANGE, FALSE, MAKELPARAM(int(control->low), int(control->high)));
        SendMessageA(trackbar, TBM_SETPAGESIZE, 0, control->page);
        SendMessageA(trackbar, TBM_SETLINESIZE, 0, control->line);
        SendMessageA(trackbar, TBM_SETTICFREQ, control->ticks, 0);
    }
    SendMessageA(d.brightnessTrackbar, TBM_SETPOS, TRUE, LPARAM(settings.amount));
    SendMessageA(d.intensityTrackbar, TBM_SETPOS, TRUE, LPARAM(settings.vibrance));
}

// The logo drawn for the monitor's scale (1, 1.5 or 2 times), not stretched.
void showLogoFor(HWND dialog, MainDialog& d, unsigned dpi) {
    int id = dpi >= 192 ? IDB_LOGO_200 : dpi >= 144 ? IDB_LOGO_150 : IDB_LOGO;
    HBITMAP logo = nullptr;
    if (id != IDB_LOGO) {
        logo = static_cast<HBITMAP>(LoadImageA(static_cast<HINSTANCE>(d.inputs->module), MAKEINTRESOURCEA(id),
                                               IMAGE_BITMAP, 0, 0, 0));
        if (logo == nullptr) return;
    }
    HBITMAP shown = logo != nullptr ? logo : d.templateLogo;
    if (shown == nullptr) return;  // the template's logo is still shown
    auto previous = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(dialog, ID_LOGO, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown)));
    if (d.templateLogo == nullptr) d.templateLogo = previous;
    if (d.logo != nullptr) DeleteObject(d.logo);
    d.logo = logo;
}

void releaseLogo(HWND dialog, MainDialog& d) {
    if (d.logo == nullptr) return;
    SendDlgItemMessageA(dialog, ID_LOGO, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(d.templateLogo));
    DeleteObject(d.logo);
    d.logo = nullptr;
}

// The whole dialog, frame included, must fit the monitor it opens on; its
// size in pixels follows from its layout in dialog units and the text size
// the user has set. False after saying what does not fit and what to do.
bool fitsTheScreen(HWND dialog) {
    RECT window = {};
    GetWindowRect(dialog, &window);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return true;
    int width = window.right - window.left, height = window.bottom - window.top;
    int screenW = monitor.rcMonitor.right - monitor.rcMonitor.left;
    int screenH = monitor.rcMonitor.bottom - monitor.rcMonitor.top;
    if (width <= screenW && height <= screenH) return true;
    char message[512];
    std::snprintf(message, sizeof message, kMessageDialogTooLarge, width, height, screenW, screenH);
    showErrorBox(message, kErrorCaption);
    return false;
}

INT_PTR setUp(HWND dialog, MainDialog& d) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&d));
    DialogSession& s = d.session;
    if (!fitsTheScreen(dialog)) {
        endWith(dialog, s, DialogEnd::ScreenTooSmall);
        return FALSE;
    }
    char text[256];
    if (LoadStringA(static_cast<HINSTANCE>(d.inputs->module), IDS_TITLE_TEXT, text, 255) > 0)
        SetDlgItemTextA(dialog, ID_TITLE_TEXT, text);
    SetWindowTextA(dialog, kDialogTitle);
    d.previewWindow = GetDlgItem(dialog, ID_PREVIEW_PANE);
    showLogoFor(dialog, d, dpiOf(dialog));
    // The layout's size is the smallest; the dialog opens larger.
    captureFrame(dialog, &d.frame);
    placeAtOpeningSize(dialog, d.frame);
    applyFrame(dialog, d.frame);

    if (!openSession(&s, *d.inputs, placeholderRect(dialog, ID_PREVIEW_PANE),
                     placeholderRect(dialog, ID_NAVIGATOR_PANE))) {
        EndDialog(dialog, INT_PTR(s.end));
        return FALSE;
    }
    writeZoomLabel(dialog, s.zoom);
    EnableWindow(GetDlgItem(dialog, ID_ZOOM_OUT), FALSE);

    setUpControls(dialog, d);
    CheckDlgButton(dialog, ID_AFTER, BST_CHECKED);
    SetFocus(d.brightnessTrackbar);

    HCURSOR previous = SetCursor(d.busyCursor);
    renderOriginalView(previewOf(s), &s.navigatorPane);
    s.recomputePending = true;  // the preview's first paint computes it
    SetCursor(previous);
    return FALSE;  // the focus was set explicitly
}

// ------------------------------------------------------------------ timer and paint

INT_PTR timerFired(HWND dialog, MainDialog& d) {
    d.session.recomputePending = true;
    invalidatePreview(d);
    KillTimer(dialog, kRecomputeTimer);
    return TRUE;
}

// The dialog draws the navigator; the preview draws itself (ui/PreviewWindow).
INT_PTR paint(HWND dialog, MainDialog& d) {
    DialogSession& s = d.session;
    if (!GetUpdateRect(dialog, nullptr, FALSE) || s.ended) return FALSE;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    drawPane(dc, s, s.navigatorPane);
    s.drag.frame = drawNavigatorFrame(dc, s);
    EndPaint(dialog, &ps);
    return TRUE;
}

// The controls follow the new size and the preview takes the space.
INT_PTR resized(HWND dialog, MainDialog& d, WPARAM how) {
    if (d.frame.count == 0 || how == SIZE_MINIMIZED) return FALSE;
    applyFrame(dialog, d.frame);
    DialogSession& s = d.session;
    if (s.record != nullptr && !s.ended) {
        resizeSession(&s, placeholderRect(dialog, ID_PREVIEW_PANE), placeholderRect(dialog, ID_NAVIGATOR_PANE));
        showZoom(dialog, d, zoomButtonsFor(s.zoom));
    }
    InvalidateRect(dialog, nullptr, TRUE);
    return TRUE;
}

// Moved to a monitor of another scale: the system rescales the dialog and
// moves it to the rectangle it suggests; the layout follows once it is done.
INT_PTR scaleChanged(HWND dialog, MainDialog& d, WPARAM wParam, LPARAM lParam) {
    unsigned dpi = LOWORD(wParam);
    if (d.frame.count == 0 || dpi < 48 || dpi > 960) return FALSE;
    rescaleFrame(&d.frame, dpi);
    showLogoFor(dialog, d, dpi);
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr)
        SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(dialog, kRelayoutMessage, 0, 0);
    return FALSE;  // the system's own handling (fonts, controls) follows
}

INT_PTR smallestSize(MainDialog& d, LPARAM lParam) {
    if (d.frame.count == 0) return FALSE;
    auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
    limits->ptMinTrackSize = {d.frame.minimumWindow.cx, d.frame.minimumWindow.cy};
    return TRUE;
}

// The wheel reaches the dialog from a control that does not take it: over
// the preview it zooms there.
INT_PTR wheelOverDialog(MainDialog& d, WPARAM wParam, LPARAM lParam) {
    POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
    RECT preview = {};
    GetWindowRect(d.previewWindow, &preview);
    if (!PtInRect(&preview, p)) return FALSE;
    SendMessageA(d.previewWindow, WM_MOUSEWHEEL, wParam, lParam);
    return TRUE;
}

// ------------------------------------------------------------------ mouse

Point16Xy pointFrom(LPARAM lParam) { return {int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam))}; }

INT_PTR carryOut(HWND dialog, MainDialog& d, const DragEffect& e) {
    if (e.capture) SetCapture(dialog);
    if (e.moveView) updateVisibleRegion(&d.session);
    if (e.repaint) invalidateBothPanes(dialog, d);
    if (e.release) ReleaseCapture();
    setCurrentCursor(d);
    return TRUE;
}

INT_PTR mouse(HWND dialog, MainDialog& d, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogSession& s = d.session;
    Point16Xy p = pointFrom(lParam);
    NavigatorContext ctx = {previewOf(s).filterRect, s.navigatorPane, &s.zoom, &s.mode};
    if (message == WM_LBUTTONDOWN) return carryOut(dialog, d, navigatorButtonDown(&s.drag, p, ctx));
    if (message == WM_MOUSEMOVE) return carryOut(dialog, d, navigatorMouseMove(&s.drag, p, wParam == MK_LBUTTON, ctx));
    bool afterChecked = IsDlgButtonChecked(dialog, ID_AFTER) == BST_CHECKED;
    return carryOut(dialog, d, navigatorButtonUp(&s.drag, p, afterChecked, ctx));
}

INT_PTR handleMessage(HWND dialog, MainDialog& d, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: return command(dialog, d, wParam);
        case WM_HSCROLL: return trackbarMoved(dialog, d, wParam, lParam);
        case WM_TIMER: return timerFired(dialog, d);
        case WM_PAINT: return paint(dialog, d);
        case WM_SIZE: return resized(dialog, d, wParam);
        case WM_GETMINMAXINFO: return smallestSize(d, lParam);
        case WM_MOUSEWHEEL: return wheelOverDialog(d, wParam, lParam);
        case WM_DPICHANGED: return scaleChanged(dialog, d, wParam, lParam);
        case kRelayoutMessage: return resized(dialog, d, SIZE_RESTORED);
        case WM_DESTROY:
            if (d.frame.count != 0) keepSize(dialog);
            releaseLogo(dialog, d);
            return FALSE;
        case WM_SETCURSOR: setCurrentCursor(d); return TRUE;
        case WM_HELP: openHelp(dialog); return TRUE;  // F1
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: return mouse(dialog, d, message, wParam, lParam);
        default: return FALSE;
    }
}

}  // namespace

// No exception may pass through the system's dialog code into the host: one
// that escapes a handler ends the dialog as a failed allocation.
extern "C" INT_PTR CALLBACK KRVVLMProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        MainDialog& d = *reinterpret_cast<MainDialog*>(lParam);
        try {
            return setUp(dialog, d);
        } catch (...) {
            return endAfterFailure(dialog, d.session, kPreviewHostOrMemoryError);
        }
    }
    // Messages before set-up (the font, the first sizes) find no dialog record yet.
    if (GetWindowLongPtrA(dialog, DWLP_USER) == 0) return FALSE;
    MainDialog& d = dialogOf(dialog);
    try {
        return handleMessage(dialog, d, message, wParam, lParam);
    } catch (...) {
        return endAfterFailure(dialog, d.session, kPreviewHostOrMemoryError);
    }
}

DialogEnd ShowMainDialog(const DialogInputs& inputs) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    MainDialog d = {};
    d.inputs = &inputs;
    d.lastRecomputeMs = -1;
    HINSTANCE module = static_cast<HINSTANCE>(inputs.module);
    if (!registerPreviewClass(inputs.module)) return DialogEnd::NotCreated;
    d.dividerCursor = LoadCursor(nullptr, IDC_SIZEWE);
    d.pointingHandCursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_POINTING_HAND));
    d.grabbingHandCursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_GRABBING_HAND));
    d.openHandCursor = LoadCursorA(module, MAKEINTRESOURCEA(IDC_OPEN_HAND));
    d.busyCursor = LoadCursor(nullptr, IDC_APPSTARTING);

    // The host window's class cursor would fight ours while the dialog runs.
    HWND owner = reinterpret_cast<HWND>(inputs.ownerWindow);
    d.hostClassCursor = owner ? reinterpret_cast<HCURSOR>(GetClassLongPtrA(owner, GCLP_HCURSOR)) : nullptr;
    if (owner) SetClassLongPtrA(owner, GCLP_HCURSOR, 0);
    void* awareness = becomePerMonitorDpiAware();
    INT_PTR result = DialogBoxParamA(module, "VLM", owner, KRVVLMProc, reinterpret_cast<LPARAM>(&d));
    restoreDpiAwareness(awareness);
    if (owner) SetClassLongPtrA(owner, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(d.hostClassCursor));
    unregisterPreviewClass(inputs.module);
    // A dialog that could not be created, or ended without a word (it was
    // destroyed from outside), gives back what it holds.
    if (!d.session.ended) endSession(&d.session, DialogEnd::NotCreated);
    return result == -1 ? DialogEnd::NotCreated : d.session.end;
}
