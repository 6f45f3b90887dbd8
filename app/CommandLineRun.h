#pragma once

class Application;

// Opens a console of its own (a failure is ignored: output is tried anyway).
void setUpConsole();

// The command-line form of one interaction cycle: parse, report, and make sure
// the link loop never asks before overwriting. Sets stopRequested (after saying
// why) when the command line cannot be used.
void runCommandLine(Application& app);

// The record holds each path as 259 bytes of UTF-8.
inline constexpr char kCommandLinePathTooLongText[] =
    "The input and output file names may have at most 259 characters\n"
    "(a character outside plain ASCII counts as two to four)\n";
inline constexpr char kTooManyArgumentsText[] =
    "The command line may have at most 10 arguments (switches, their formats and the two "
    "file names)\n";
