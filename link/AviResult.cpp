#include "link/AviResult.h"

const char* aviResultText(AviResult result) {
    switch (result) {
        case kAviOk: return "no error";
        case kAviErrUnsupported: return "operation not supported in this state";
        case kAviErrBadFormat: return "bad stream format";
        case kAviErrMemory: return "out of memory";
        case kAviErrBadParam: return "bad parameter";
        case kAviErrBadSize: return "bad size";
        case kAviErrBadHandle: return "bad handle";
        case kAviErrFileWrite: return "the file could not be written (disk full?)";
        case kAviErrFileOpen: return "the file could not be created (in use?)";
        case kAviErrReadOnly: return "the file is not open for writing";
        case kAviErrFileTooLarge: return "an AVI file must stay below 2 GB";
        default: return "unknown error";
    }
}
