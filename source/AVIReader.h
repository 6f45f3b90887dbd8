#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <vfw.h>

#include "source/PcmReadAhead.h"
#include "source/SourceReader.h"

// The one source reader: every source (AVI file, AviSynth script, frameserver
// signpost) goes through the system's AVIFile layer, which is what lets all
// three kinds work; compressed audio is decoded to PCM through the ACM.
//
// Video set-up and frame reads live in AVIReaderVideo.cpp, audio set-up in
// AVIReaderAudioSetup.cpp, audio reads in AVIReaderAudioRead.cpp, and the
// calls into AVIFIL32 and MSACM32 in AviPlatform.cpp.
class AVIReader : public SourceReader {
public:
    AVIReader();
    ~AVIReader() override;

    bool readVideoFrame(uint32_t frame, void* buffer, int32_t size) override;
    bool readAudio(int32_t start, int32_t count, void* buffer, int32_t size) override;
    bool open(const char* path, bool wantAudio, bool wantVideo, const char* callerName) override;
    bool close(bool closeAudio, bool closeVideo) override;

    // Copies what the information report shows. Outputs for a stream that is
    // not set up are left untouched; any output may be null.
    void getStreamDetails(AVISTREAMINFOA* audioInfo, AVISTREAMINFOA* videoInfo,
                          WAVEFORMATEX* sourceWave, WAVEFORMATEX* outputWave,
                          BITMAPINFOHEADER* bitmapHeader) const;

    // The format the frames are delivered in: the source's own header for raw
    // frames, else the one the decompressor accepted (or last refused).
    const BITMAPINFOHEADER& deliveredHeader() const { return requestedHeader; }
    // How many formats the last video set-up asked the decompressor for.
    int decompressorAttempts() const { return decompressorAttempts_; }

    // The least PCM read ahead per platform read, set before open. Each read
    // makes AVIFile walk the stream's index from its start, so a reader that
    // streams a whole source front to back does best with large reads; one
    // that serves scattered requests (the codec, one per open link) keeps
    // the default and its memory small.
    int32_t pcmReadAheadBytes = PcmReadAhead::kDefaultLeastBytes;

private:
    bool failOpen();
    // False (after a box saying why) for a path or file AVIFile would crash on.
    bool safeForAviFile(const char* path);
    bool refuseSource(const char* text, const char* path);
    bool setUpVideo();
    void takeVideoStart();
    bool negotiateDecompressor();
    bool setUpAudio();
    bool setUpDecoder();
    bool readPcmAudio(int32_t start, int32_t count, unsigned char* out, int32_t size,
                      int32_t frameSize);
    bool readDecodedAudio(int32_t start, int32_t count, unsigned char* out, int32_t frameSize);
    bool fillRaw();
    bool convertRaw();
    int32_t deliverPcm(unsigned char* out, int32_t wanted, int32_t frameSize);
    void releaseAudio();
    void setLastError(const char* text);

    bool libraryInitialised = false;
    PAVIFILE file = nullptr;
    PAVISTREAM videoStream = nullptr;
    PAVISTREAM audioStream = nullptr;
    PGETFRAME frameDecompressor = nullptr;
    BITMAPINFOHEADER sourceHeader{};
    BITMAPINFOHEADER requestedHeader{};

    HACMSTREAM acmStream = nullptr;
    WAVEFORMATEX* sourceFormat = nullptr;
    WAVEFORMATEX* outputFormat = nullptr;
    bool decodeActive = false;
    int32_t streamLength = 0;
    ACMSTREAMHEADER streamHeader{};
    AVISTREAMINFOA audioInfo{};
    AVISTREAMINFOA videoInfo{};
    int32_t videoStartMs = 0;
    int32_t audioStartMs = 0;

    // Decode state: fixed buffers made at set-up, so readAudio never allocates.
    int32_t sourceChunk = 0;
    int32_t rawBufferSize = 0;
    unsigned char* rawBuffer = nullptr;
    int32_t rawFill = 0;
    int32_t samplesPerFill = 0;
    int32_t outputPosition = 0;
    int32_t readPosition = 0;
    unsigned char* convertBuffer = nullptr;
    int32_t convertBufferSize = 0;
    uint32_t pcmBufferSize = 0;
    int32_t decodeChunk = 0;
    unsigned char* pcmBuffer = nullptr;
    int32_t pcmFill = 0;
    // Decoded frames still to drop after a jump: reading restarts at the start
    // of the source block holding the wanted sample.
    int32_t framesToSkip = 0;
    // PCM sources are read ahead a window at a time (PcmReadAhead.h).
    PcmReadAhead pcmReadAhead;

    int decompressorAttempts_ = 0;
};
