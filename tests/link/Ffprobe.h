#pragma once
#include <string>

// Runs the Linux ffprobe on a file the test wrote. Wine starts Linux programs
// but neither their output nor their exit code comes back, so a shell writes
// both into files beside the probed one, and this waits for them.
struct FfprobeResult {
    bool finished = false;  // the exit code file appeared in time
    int exitCode = -1;
    std::string streams;  // one "stream|codec_type=...|..." line per stream
    std::string errors;   // what ffprobe printed on its error output
};

FfprobeResult runFfprobe(const std::string& windowsPath);
// Where Wine keeps a Windows path on the Unix side.
std::string unixPathOf(const std::string& windowsPath);
