#include "source/AVIReader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "source/AviPlatform.h"
#include "source/ReaderTexts.h"
#include "common/MessageBoxes.h"
#include "common/Utf8.h"

AVIReader::AVIReader() {
    std::strcpy(name, "AVIReader");
    callbacks.reader = this;
    setLastError(kUnknownReaderError);
    close(true, true);
}

AVIReader::~AVIReader() { close(true, true); }

void AVIReader::setLastError(const char* text) {
    std::snprintf(lastError, sizeof lastError, "%s", text);
}

bool AVIReader::failOpen() {
    close(true, true);
    return false;
}

bool AVIReader::open(const char* path, bool wantAudio, bool wantVideo, const char*) {
    if (path == nullptr) path = "";
    // The path is cut short in the text only when it could never have been
    // opened anyway (longer than the path field); the ending stays whole.
    const char* ending = forceFormatSet ? kForcedFormatEnding : "";
    const int room = static_cast<int>(sizeof lastError) - 1 -
                     static_cast<int>(std::strlen(kCouldNotOpenPrefix) + 3 + std::strlen(ending));
    std::snprintf(lastError, sizeof lastError, "%s\"%.*s\" %s", kCouldNotOpenPrefix, room, path,
                  ending);

    // The path must fit the field it is kept in, or a later open with the
    // same path could never match it.
    if (std::strlen(path) >= sizeof sourcePath) return failOpen();

    if (file == nullptr) {
        if (!safeForAviFile(path)) return failOpen();
        std::strcpy(sourcePath, path);
        avi::initLibrary();
        libraryInitialised = true;
        if (avi::openFile(&file, path) != AVIERR_OK) {
            file = nullptr;
            return failOpen();
        }
    }
    // A reader never switches files: it may only be opened again to set up a
    // stream it did not set up before.
    if (std::strcmp(path, sourcePath) != 0) return failOpen();

    if (wantVideo && videoStream == nullptr) videoStream = avi::firstStream(file, streamtypeVIDEO);
    if (wantAudio && audioStream == nullptr) audioStream = avi::firstStream(file, streamtypeAUDIO);
    if (videoStream == nullptr && audioStream == nullptr) return failOpen();
    if (wantAudio && !wantVideo && videoStream == nullptr) takeVideoStart();

    if (videoStream != nullptr && wantVideo && !setUpVideo()) return failOpen();
    if (audioStream != nullptr && wantAudio && !setUpAudio()) return failOpen();
    return true;
}

// The sound is placed on the video's time line (see readAudio), so a reader
// opened for the sound alone, as the codec opens one, must still know where
// the video starts, or it would shift the sound differently from a reader
// opened for both, as the program's is when it makes a link.
void AVIReader::takeVideoStart() {
    PAVISTREAM video = avi::firstStream(file, streamtypeVIDEO);
    if (video == nullptr) return;
    AVISTREAMINFOA info{};
    if (avi::streamInfo(video, &info) == AVIERR_OK && info.dwRate != 0 && info.dwScale != 0)
        videoStartMs = avi::streamStartMs(video, info);
    avi::releaseStream(video);
}

bool AVIReader::refuseSource(const char* text, const char* path) {
    std::string message(std::strlen(text) + std::strlen(path), '\0');
    int length = std::snprintf(message.data(), message.size(), text, path);
    message.resize(length > 0 ? static_cast<size_t>(length) : 0);
    setLastError(message.c_str());
    showBox(message.c_str(), kSourceRefusedCaption, MB_OK);
    return false;
}

// Reported by users of Wine's AVIFileOpenA as a crash at exactly 259
// characters (MAX_PATH - 1); such paths are refused before any AVIFile call,
// so a stored one cannot crash every later start either. The file's own
// chunks are looked at first: Wine 8.0's AVIFile reads a file without an
// index into a page fault (audio) or an assertion (video), and audio whose
// nBlockAlign is 0 into an assertion. It reads only the idx1 index of the
// first RIFF part: an OpenDML index alone reads like none, and frames or
// sound in a second part (AVIX) abort it, though it counts them; an OpenDML
// file of one part with an idx1 reads completely.
bool AVIReader::safeForAviFile(const char* path) {
    // Counted as the system counts, in UTF-16 units.
    if (utf16Units(path) >= kMaxAviFilePath + 1) return refuseSource(kPathTooLongForAviFile, path);
    avi::AviFileFacts facts;
    if (!avi::inspectAviFile(path, &facts)) return true;  // not an AVI file: AVIFile decides
    if (facts.hasSecondPart) return refuseSource(kSecondPartText, path);
    if (!facts.hasLegacyIndex && !facts.hasOpenDmlIndex) return refuseSource(kNoIndexText, path);
    if (!facts.hasLegacyIndex) return refuseSource(kOpenDmlIndexOnlyText, path);
    if (facts.hasAudio && facts.hasAudioBlockAlign && facts.audioBlockAlign == 0)
        return refuseSource(kAudioBlockAlignZeroText, path);
    return true;
}

bool AVIReader::close(bool closeAudio, bool closeVideo) {
    if (closeVideo) {
        avi::releaseStream(videoStream);
        avi::closeDecompressor(frameDecompressor);
        videoStream = nullptr;
        frameDecompressor = nullptr;
    }
    if (closeAudio) releaseAudio();
    if (videoStream == nullptr && audioStream == nullptr) {
        avi::releaseFile(file);
        file = nullptr;
        if (libraryInitialised) {
            libraryInitialised = false;
            avi::exitLibrary();
        }
    }
    return false;
}

void AVIReader::releaseAudio() {
    if (acmStream != nullptr) {
        // Only a prepared header carries the prepared flag; a set-up that
        // failed before preparing leaves none to undo.
        if (streamHeader.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)
            acm::unprepareHeader(acmStream, &streamHeader);
        acm::closeStream(acmStream);
        acmStream = nullptr;
    }
    avi::releaseStream(audioStream);
    audioStream = nullptr;
    std::free(rawBuffer);
    std::free(pcmBuffer);
    std::free(convertBuffer);
    std::free(sourceFormat);
    std::free(outputFormat);
    rawBuffer = pcmBuffer = convertBuffer = nullptr;
    sourceFormat = outputFormat = nullptr;
    decodeActive = false;
    streamLength = 0;
    sourceChunk = rawBufferSize = rawFill = 0;
    samplesPerFill = outputPosition = readPosition = 0;
    convertBufferSize = decodeChunk = pcmFill = 0;
    pcmBufferSize = 0;
    framesToSkip = 0;
    pcmReadAhead.release();
    streamHeader = ACMSTREAMHEADER{};
}

void AVIReader::getStreamDetails(AVISTREAMINFOA* audioInfoOut, AVISTREAMINFOA* videoInfoOut,
                                 WAVEFORMATEX* sourceWave, WAVEFORMATEX* outputWave,
                                 BITMAPINFOHEADER* bitmapHeader) const {
    if (audioOpened && sourceFormat != nullptr && outputFormat != nullptr) {
        if (audioInfoOut != nullptr) *audioInfoOut = audioInfo;
        // Only the fixed part: what follows cbSize belongs to the codec.
        if (sourceWave != nullptr) std::memcpy(sourceWave, sourceFormat, sizeof(WAVEFORMATEX));
        if (outputWave != nullptr) std::memcpy(outputWave, outputFormat, sizeof(WAVEFORMATEX));
    }
    if (videoOpened) {
        if (videoInfoOut != nullptr) *videoInfoOut = videoInfo;
        if (bitmapHeader != nullptr) *bitmapHeader = sourceHeader;
    }
}
