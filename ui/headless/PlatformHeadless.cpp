// Headless stand-in for the Win32 seam, used by native builds (tests, the
// command-line tool). Error boxes go to standard error; the main dialog runs
// only with a scripted user (ui/headless/Headless.h).
#include "ui/Platform.h"
#include "ui/headless/Headless.h"

#include <cstdio>
#include <initializer_list>

#include "base/Messages.h"
#include "ui/model/PaneLayout.h"
#include "ui/model/PreviewState.h"

namespace {
int headlessScreenWidth = 1920;
int headlessScreenHeight = 1080;
HeadlessUser* scriptedUser = nullptr;
std::string lastMessage;
bool quiet = false;

// The real dialog's pane placeholders at 96 dots per inch, client coordinates.
constexpr Rect kPreviewPlaceholder = {8, 8, 483, 496};
constexpr Rect kNavigatorPlaceholder = {8, 510, 283, 752};

bool setUpPane(PreviewContext& ctx, PaneState* pane, const Rect& placeholder) {
    clearPaneState(pane);
    layOutPane(placeholder, ctx.filterRect, pane);
    pane->rgbBuffer = static_cast<uint8_t*>(ctx.memory.allocate(size_t(pane->pixelCount) * 3));
    pane->maskBuffer = pane->rgbBuffer ? static_cast<uint8_t*>(ctx.memory.allocate(size_t(pane->pixelCount))) : nullptr;
    return pane->maskBuffer != nullptr;
}

void releasePanes(PreviewContext& ctx) {
    for (PaneState* pane : {&previewPane, &navigatorPane}) {
        ctx.memory.release(pane->rgbBuffer);
        ctx.memory.release(pane->maskBuffer);
        pane->rgbBuffer = pane->maskBuffer = nullptr;
    }
}

int endAfterFailure(DialogInputs& in, int code) {
    if (code == kPreviewInternalError && in.preview.internalError)
        showErrorBox(in.preview.internalError, kInternalErrorCaption);
    releasePanes(in.preview);
    *in.resultCell = memFullErr;
    return code;
}

}  // namespace

// Tests change the reported screen to exercise the plug-in's screen check.
void setHeadlessScreenSize(int width, int height) {
    headlessScreenWidth = width;
    headlessScreenHeight = height;
}

void setHeadlessUser(HeadlessUser* user) { scriptedUser = user; }

int screenWidth() { return headlessScreenWidth; }
int screenHeight() { return headlessScreenHeight; }

void showErrorBox(const char* text, const char* caption) {
    if (!quiet) std::fprintf(stderr, "%s: %s\n", caption, text);
    lastMessage = text;
}

void quietHeadlessMessages() { quiet = true; }

std::string takeHeadlessMessage() {
    std::string said = lastMessage;
    lastMessage.clear();
    return said;
}

int ShowMainDialog(DialogInputs& in) {
    if (scriptedUser == nullptr) return -1;  // a dialog that cannot be created
    HeadlessUser& user = *scriptedUser;
    PreviewContext& ctx = in.preview;
    if (!setUpPane(ctx, &previewPane, kPreviewPlaceholder) || !setUpPane(ctx, &navigatorPane, kNavigatorPlaceholder)) {
        releasePanes(ctx);
        return 0;
    }
    // Set-up: the whole image in view, the navigator and the first preview.
    buildZoomTable(ctx.filterRect, previewPane, &zoomState);
    zoomState.level = 0;
    zoomState.viewTop = zoomState.viewLeft = 0;
    computeVisibleRegion(ctx.filterRect, &zoomState, &previewPane);
    mapViewToProxy(ctx.filterRect, ctx.proxy.width, ctx.proxy.height, zoomState, &previewPane);
    previewMode = PreviewMode::After;
    renderOriginalView(ctx, &navigatorPane);
    renderPreview(ctx, previewMode, &previewPane);
    ++user.previewsRendered;
    // The user's values, then the paint after the timer: recomputation and preview.
    if (user.setValues) {
        ctx.params->amount = user.amount;
        ctx.params->vibrance = user.vibrance;
    }
    int rebuilt = rebuildProxyResult(ctx);
    if (rebuilt != kPreviewDone) return endAfterFailure(in, rebuilt);
    renderPreview(ctx, previewMode, &previewPane);
    ++user.previewsRendered;
    releasePanes(ctx);
    return user.confirm ? 1 : 2;
}

void ShowAboutBox(void*, intptr_t) {}
