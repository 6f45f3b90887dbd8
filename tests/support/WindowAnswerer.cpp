#include "tests/support/WindowAnswerer.h"

#include <chrono>

namespace {

BOOL CALLBACK collectStatic(HWND child, LPARAM param) {
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        std::string text = windowText(child);
        if (!text.empty()) {
            auto* out = reinterpret_cast<std::string*>(param);
            if (!out->empty()) *out += '\n';
            *out += text;
        }
    }
    return TRUE;
}

}  // namespace

std::string windowText(HWND window) {
    char text[4096] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

std::string dialogText(HWND dialog) {
    std::string text;
    EnumChildWindows(dialog, collectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

HWND findDialog(const char* caption) { return FindWindowA("#32770", caption); }

HWND waitForDialog(const char* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        // A dialog becomes visible only after its controls exist and are filled.
        HWND found = findDialog(caption);
        if (found != nullptr && IsWindowVisible(found)) return found;
        Sleep(20);
    }
    return nullptr;
}

void pressButton(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

WindowAnswerer::WindowAnswerer(std::string caption, int buttonId)
    : caption_(std::move(caption)), buttonId_(buttonId), thread_([this] { watch(); }) {}

WindowAnswerer::~WindowAnswerer() { stop(); }

void WindowAnswerer::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

void WindowAnswerer::watch() {
    HWND lastAnswered = nullptr;
    while (!stopping_) {
        HWND dialog = findDialog(caption_.c_str());
        // A pressed box may linger for a moment; answer each window once.
        if (dialog != nullptr && dialog != lastAnswered && IsWindowVisible(dialog)) {
            std::string text = dialogText(dialog);
            pressButton(dialog, buttonId_);
            lastAnswered = dialog;
            std::lock_guard lock(mutex_);
            texts_.push_back(text);
        } else if (dialog == nullptr) {
            lastAnswered = nullptr;
        }
        Sleep(20);
    }
}

bool WindowAnswerer::waitForAnswers(size_t count, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    while (answered() < count) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::vector<std::string> WindowAnswerer::texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
}

size_t WindowAnswerer::answered() const {
    std::lock_guard lock(mutex_);
    return texts_.size();
}
