#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Plays the user of a dialog that runs on the test's own thread: `show`
// opens the dialog (and returns when it is closed); meanwhile `person` gets
// the dialog on a second thread once its thread is waiting for input, and
// returns the id of the button to press at the end (0: press none).
void playDialog(const char* caption, const std::function<void()>& show,
                const std::function<int(HWND dialog)>& person);

// Control states, readable from the person's thread.
bool isChecked(HWND dialog, int id);
bool isEnabled(HWND dialog, int id);
std::string fieldText(HWND dialog, int id);
// A mouse click on a button, finished (the dialog has seen it) on return.
void click(HWND dialog, int id);
// Returns once the dialog's thread has handled everything sent before.
bool waitUntilIdle(HWND dialog);
