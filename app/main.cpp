#include <windows.h>

#include "app/CommandLine.h"
#include "app/LinkLoop.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The runtime's own argument strips every leading blank; a command line of
    // blanks must still select command-line mode, so the raw line is used.
    return runQuorl(instance, commandLineTail(GetCommandLineA()), showCommand);
}
