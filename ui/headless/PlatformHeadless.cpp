// Headless stand-in for the Win32 seam, used by native builds (tests, the
// command-line tool). Error boxes go to standard error; the main dialog runs
// only with a scripted user (ui/headless/Headless.h).
#include "ui/Platform.h"
#include "ui/headless/Headless.h"

#include <cstdio>

#include "base/Messages.h"
#include "ui/model/DialogSession.h"

namespace {
int headlessScreenWidth = 1920;
int headlessScreenHeight = 1080;
HeadlessUser* scriptedUser = nullptr;
std::string lastMessage;
bool quiet = false;

// The real dialog's pane placeholders at 96 dots per inch, client coordinates.
constexpr Rect kPreviewPlaceholder = {8, 8, 483, 496};
constexpr Rect kNavigatorPlaceholder = {8, 510, 283, 752};

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

DialogEnd ShowMainDialog(const DialogInputs& in) {
    if (scriptedUser == nullptr) return DialogEnd::NotCreated;
    HeadlessUser& user = *scriptedUser;
    DialogSession session;
    if (!openSession(&session, in, kPreviewPlaceholder, kNavigatorPlaceholder)) return session.end;
    // Set-up: the whole image in view, the navigator and the first preview.
    PreviewContext& ctx = previewOf(session);
    renderOriginalView(ctx, &session.navigatorPane);
    renderPreview(ctx, session.mode, &session.previewPane);
    ++user.previewsRendered;
    // The user's values, then the paint after the timer: recomputation and preview.
    if (user.setValues) {
        session.settings.amount = user.amount;
        session.settings.vibrance = user.vibrance;
    }
    session.recomputePending = true;
    int done = recomputeIfPending(&session);
    if (done == kPreviewDone) {
        renderPreview(ctx, session.mode, &session.previewPane);
        ++user.previewsRendered;
        if (user.confirm) done = confirmSettings(&session);
    }
    if (done != kPreviewDone) {
        if (done == kPreviewInternalError && ctx.internalError) showErrorBox(ctx.internalError, kInternalErrorCaption);
        endSession(&session, endForPreviewFailure(done));
        return session.end;
    }
    endSession(&session, user.confirm ? DialogEnd::Ok : DialogEnd::Cancel);
    return session.end;
}

void ShowAboutBox(void*, intptr_t) {}
