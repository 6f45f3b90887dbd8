#pragma once

// Every message box of the program goes through showBox, so that a run
// without a person (command-line mode, -q, the codec inside an editor) can
// see or answer each one instead of waiting on a window nobody looks at.
// No windows.h here: flags and answers are the MessageBoxA values.

// Shows one box and returns the button chosen (IDOK, IDCANCEL, ...). Texts
// are UTF-8.
using MessageBoxHandler = int (*)(const char* text, const char* caption, unsigned flags);

int showBox(const char* text, const char* caption, unsigned flags);

// Installs `handler` for the whole process and returns the one it replaces;
// null brings back the default, a plain message box without owner window.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

int showBoxWithMessageBoxA(const char* text, const char* caption, unsigned flags);

// The answer that keeps the user's files: Cancel where the box offers it,
// else No, else OK (Abort for abort/retry/ignore).
int safeAnswerFor(unsigned flags);
