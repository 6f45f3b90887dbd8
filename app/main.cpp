#include <windows.h>

#include <string>

#include "app/CommandLine.h"
#include "app/LinkLoop.h"
#include "common/Paths.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The runtime's own argument strips every leading blank; a command line of
    // blanks must still select command-line mode, so the raw line is used.
    // Read as UTF-16 and kept as UTF-8: the ANSI form would turn every name
    // outside the code page into question marks.
    const std::string commandLine = paths::utf8(GetCommandLineW());
    return runQuorl(instance, commandLineTail(commandLine.c_str()), showCommand);
}
