// Natively the plug-in's dialog is the headless stand-in's: a scripted user
// sets the job's values and presses OK.
#include "engine/Controls.h"
#include "tools/velmora/FilterImage.h"
#include "ui/headless/Headless.h"

namespace cli {

void driveDialog(const FilterJob* job) {
    static HeadlessUser user;
    if (job == nullptr) {
        setHeadlessUser(nullptr);
        return;
    }
    user = HeadlessUser();
    user.setValues = true;
    user.amount = float(job->brightness);
    user.vibrance = float(job->color + kColorIntensity.shownOffset);
    setHeadlessUser(&user);
}

// The tool reports the plug-in's messages itself, on one line with the file's name.
std::string takePluginMessage() {
    quietHeadlessMessages();
    return takeHeadlessMessage();
}

}  // namespace cli
