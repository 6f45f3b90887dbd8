#include "tests/link/Ffprobe.h"

#include <windows.h>

#include <cstdlib>

#include "tests/support/ProcessRunner.h"
#include "tests/support/TestEnvironment.h"

namespace {
std::string textOf(const std::string& path) {
    std::vector<unsigned char> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}
}  // namespace

std::string unixPathOf(const std::string& windowsPath) {
    // Wine maps drives to Unix folders (the test drives too); it can say where.
    using UnixName = char* (*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH] = {};
    if (unixName != nullptr &&
        MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH) > 0) {
        if (char* name = unixName(wide)) {
            std::string path = name;
            HeapFree(GetProcessHeap(), 0, name);
            return path;
        }
    }
    std::string path = windowsPath.size() > 2 && windowsPath[1] == ':' ? windowsPath.substr(2)
                                                                       : windowsPath;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

FfprobeResult runFfprobe(const std::string& windowsPath) {
    const std::string out = windowsPath + ".probe", err = windowsPath + ".probe-errors",
                      rc = windowsPath + ".probe-rc";
    DeleteFileA(rc.c_str());
    auto quoted = [](const std::string& windows) { return "'" + unixPathOf(windows) + "'"; };
    std::string script = "ffprobe -v error -show_entries stream=codec_type,codec_tag_string,"
                         "codec_name,sample_rate,channels,nb_frames -of compact " +
                         quoted(windowsPath) + " >" + quoted(out) + " 2>" + quoted(err) +
                         "; echo $? >" + quoted(rc);
    FfprobeResult result;
    if (!runProcess("Z:\\bin\\sh -c \"" + script + "\"", 30000).started) return result;
    // The exit code file is written last, in one go; an empty read means not yet.
    for (int wait = 0; wait < 600; ++wait) {
        std::string code = textOf(rc);
        if (!code.empty() && code.back() == '\n') {
            result.finished = true;
            result.exitCode = std::atoi(code.c_str());
            break;
        }
        Sleep(50);
    }
    result.streams = textOf(out);
    result.errors = textOf(err);
    return result;
}
