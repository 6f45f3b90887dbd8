#include "app/ConsoleBoxes.h"

#include <windows.h>

#include <cstring>

#include "app/ConsoleOutput.h"
#include "common/MessageBoxes.h"

namespace {

const char* answerName(int answer) {
    switch (answer) {
        case IDCANCEL: return "Cancel";
        case IDNO: return "No";
        case IDABORT: return "Abort";
        default: return "OK";
    }
}

void echo(const char* text, const char* caption, int quietAnswer) {
    std::string line = consoleBoxText(text, caption, quietAnswer);
    writeStandardOutput(line.c_str(), static_cast<int>(line.size()));
}

int showAndEcho(const char* text, const char* caption, unsigned flags) {
    echo(text, caption, 0);
    return showBoxWithMessageBoxA(text, caption, flags);
}

int answerQuietly(const char* text, const char* caption, unsigned flags) {
    const int answer = safeAnswerFor(flags);
    echo(text, caption, answer);
    return answer;
}

}  // namespace

std::string consoleBoxText(const char* text, const char* caption, int quietAnswer) {
    std::string line = std::string(caption) + ": " + text;
    // Some texts end in a line end and some do not; the console gets exactly one.
    while (!line.empty() && line.back() == '\n') line.pop_back();
    line += "\n";
    if (quietAnswer != 0) line += std::string("(answered ") + answerName(quietAnswer) + ")\n";
    return line;
}

void installConsoleBoxes(bool quiet) {
    setMessageBoxHandler(quiet ? answerQuietly : showAndEcho);
}
