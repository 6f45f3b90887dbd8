#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include <string>
#include <vector>

// The name AVIFile opens `path` (UTF-8) by. Wine 8's AVIFile opens files
// through the ANSI code page, so a name outside it goes by its short form,
// as any client on Wine must do.
std::wstring aviFileName(const std::string& path);

// A link read back the way an editor reads it: AVIFile asks the registered
// video codec for pictures, the ACM asks the registered audio driver for PCM.
struct CodecReadback {
    bool declined = false;  // the codec refused the link's format outright
    std::string problem;    // what failed, empty when all went well
    // Video: one picture per asked frame, BGR24 rows from the top. Audio: the
    // whole stream as PCM.
    std::vector<std::vector<unsigned char>> pictures;
    std::vector<unsigned char> pcm;
};

CodecReadback readLinkFrames(const std::string& link, const std::vector<LONG>& frames);
CodecReadback readLinkSound(const std::string& link, const WAVEFORMATEX& pcm);

// Frames of an uncompressed RGB24 source read without any codec, in the same
// layout as readLinkFrames gives them.
std::vector<std::vector<unsigned char>> readSourceFrames(const std::string& source,
                                                         const std::vector<LONG>& frames);
