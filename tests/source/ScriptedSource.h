#pragma once
#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

// One stream a scripted source serves. Position p of the stream holds the
// bytes [p * size, (p + 1) * size) of `data`, where size is the stream's
// sample size (or, when that is 0, `data` divided by the stream length).
struct ScriptedStream {
    AVISTREAMINFOW info{};
    std::vector<unsigned char> format;
    std::vector<unsigned char> data;
    bool readsNothing = false;  // every read succeeds and returns 0 samples
    LONG failsFrom = -1;        // reads that reach this position fail, when not -1
};

struct ScriptedSourceScript {
    bool hasVideo = false;
    ScriptedStream video;
    bool hasAudio = false;
    ScriptedStream audio;
};

// Serves sources the way a frameserver does: an AVIFile handler living in
// this test program, registered for files ending in ".qts", so that the
// system's AVIFileOpen hands the reader its streams like any other source's.
// One instance at a time, on the thread that opens the sources.
class ScriptedSourceHandler {
public:
    ScriptedSourceHandler();
    ~ScriptedSourceHandler();
    ScriptedSourceHandler(const ScriptedSourceHandler&) = delete;
    ScriptedSourceHandler& operator=(const ScriptedSourceHandler&) = delete;

    bool ready() const { return ready_; }
    // Creates an empty file NAME.qts in the scratch folder whose opening
    // serves `script`; returns its path.
    std::string serve(const std::string& name, const ScriptedSourceScript& script);
    // Audio reads asked of the handler so far: start position and samples.
    std::vector<std::pair<LONG, LONG>> audioReads() const;

private:
    bool comReady_ = false;
    bool ready_ = false;
    DWORD cookie_ = 0;
};

// Stream information for a scripted stream.
AVISTREAMINFOW scriptedInfo(DWORD type, DWORD scale, DWORD rate, DWORD start, DWORD length,
                            DWORD sampleSize);
