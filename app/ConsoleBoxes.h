#pragma once
#include <string>

// Message boxes in command-line mode: each box's caption and text go to the
// console as well, so a log of the run says why it stopped. With `quiet` no
// box is shown at all; each is answered with the choice that keeps the
// user's files (see safeAnswerFor).
void installConsoleBoxes(bool quiet);

// The console form of one box: "caption: text", ending in one line end.
// When the box was answered without being shown, a line names the answer.
std::string consoleBoxText(const char* text, const char* caption, int quietAnswer);
