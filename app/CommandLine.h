#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "app/UserSettings.h"

inline constexpr int kArgumentSlots = 10;

// The command line cut into at most ten arguments. Blanks separate arguments
// unless quoted; a double quote toggles quoting wherever it stands and never
// belongs to an argument; a closing quote also ends the argument. Arguments
// beyond the tenth get no slot but are counted.
struct ArgumentTable {
    std::vector<char> copy;  // the arguments, each zero-terminated
    const char* slots[kArgumentSlots];
    int count = 0;  // arguments found, also those beyond the tenth
};
ArgumentTable splitCommandLine(const char* text);

enum class CommandLineOutcome { ok, pathTooLong, tooManyArguments };

// Puts into `field` another form of `path` that names the same file and fits
// `capacity` bytes; false when there is none.
using PathFit = bool (*)(const char* path, char* field, size_t capacity);

// Reads the switches and file names into the record for this run only. A
// file name too long for the record is put there by `fitLongPath` when given.
CommandLineOutcome applyCommandLine(const char* text, UserSettings& settings,
                                    PathFit fitLongPath = nullptr);

// True when one of the switches before the input file is -q (or -Q): no
// message box is shown, each is answered on the console.
bool quietSwitchGiven(const char* text);

// The link name used when no output file is given: the input with its extension
// replaced by "AVI", or "<name>_.AVI" when the input already is an .avi file.
std::string deriveOutputName(const std::string& input);

// The lines printed after parsing, each ending in "\n".
std::vector<std::string> commandLineReport(const UserSettings& settings);

// The part of the process's full command line after the program's own name
// and the one blank that separates them. Further blanks are kept: a command
// line of blanks only still means command-line mode.
const char* commandLineTail(const char* fullCommandLine);

// Format code for one of the six names, 0 for anything else (case-sensitive).
int32_t formatCodeFromName(const char* name);
