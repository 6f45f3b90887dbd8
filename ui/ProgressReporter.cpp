#include "ui/ProgressReporter.h"

#include <cstring>

// Placeholder until the display thread lands: nothing is shown, nothing cancels.
ProgressReporter::ProgressReporter() : title{}, hooks{}, ownerRect{}, dialogRect{} {
    std::strcpy(title, "Progress");
    hooks = ProgressHooks{this, &ProgressReporter::begin, &ProgressReporter::end,
                          &ProgressReporter::setPercent, &ProgressReporter::isCancelled};
}

ProgressReporter::~ProgressReporter() { end(this); }

int32_t ProgressReporter::begin(void* context, void*, void*, const char*) {
    static_cast<ProgressReporter*>(context)->active = true;
    return 0;
}

bool ProgressReporter::end(void* context) {
    static_cast<ProgressReporter*>(context)->cancelled = false;
    return true;
}

void ProgressReporter::setPercent(int32_t value, void* context) {
    static_cast<ProgressReporter*>(context)->percent = value;
}

bool ProgressReporter::isCancelled(void* context) {
    return static_cast<ProgressReporter*>(context)->cancelled;
}
