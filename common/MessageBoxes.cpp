#include "common/MessageBoxes.h"

#include <windows.h>

#include <atomic>

#include "common/Paths.h"

namespace {

std::atomic<MessageBoxHandler> gHandler{nullptr};

}  // namespace

int showBoxWithMessageBoxA(const char* text, const char* caption, unsigned flags) {
    // Texts are UTF-8 and may name files in any script.
    return MessageBoxW(nullptr, paths::wide(text).c_str(), paths::wide(caption).c_str(), flags);
}

int showBox(const char* text, const char* caption, unsigned flags) {
    MessageBoxHandler handler = gHandler.load();
    if (handler == nullptr) handler = showBoxWithMessageBoxA;
    return handler(text != nullptr ? text : "", caption != nullptr ? caption : "", flags);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = gHandler.exchange(handler);
    return previous != nullptr ? previous : showBoxWithMessageBoxA;
}

int safeAnswerFor(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
        case MB_RETRYCANCEL:
        case MB_YESNOCANCEL:
        case MB_CANCELTRYCONTINUE: return IDCANCEL;
        case MB_YESNO: return IDNO;
        case MB_ABORTRETRYIGNORE: return IDABORT;
        default: return IDOK;
    }
}
