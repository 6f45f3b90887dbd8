#include <cstdint>
#include <cstring>

#include "source/AVIReader.h"
#include "source/AviPlatform.h"
#include "source/ReaderTexts.h"

namespace {

// A source that keeps delivering nothing before its stated end is given up
// on after this many fruitless rounds, rather than read forever.
constexpr int kMaxEmptyRounds = 6;

void consumeFront(unsigned char* buffer, int32_t* fill, int32_t bytes) {
    std::memmove(buffer, buffer + bytes, static_cast<size_t>(*fill - bytes));
    *fill -= bytes;
}

}  // namespace

bool AVIReader::readAudio(int32_t start, int32_t count, void* buffer, int32_t size) {
    setLastError(kUnknownAudioError);
    if (audioStream == nullptr || outputFormat == nullptr) return false;
    const int32_t frameSize = outputFormat->wBitsPerSample * outputFormat->nChannels / 8;
    if (count < 0 || frameSize <= 0) return false;
    if ((count > 0 && buffer == nullptr) || static_cast<int64_t>(count) * frameSize > size) {
        setLastError(kAudioBufferTooSmall);
        return false;
    }

    // Audio that starts later than the video begins at the matching later
    // point of the link; earlier requests read from the audio's beginning.
    const int64_t shift =
        static_cast<int64_t>(audioStartMs - videoStartMs) * audioSamplesPerSecond / 1000;
    int64_t first = static_cast<int64_t>(start) - shift;
    if (first <= 0) first = 0;
    if (first > INT32_MAX) first = INT32_MAX;

    auto* out = static_cast<unsigned char*>(buffer);
    if (!decodeActive) return readPcmAudio(static_cast<int32_t>(first), count, out, size, frameSize);
    return readDecodedAudio(static_cast<int32_t>(first), count, out, frameSize);
}

bool AVIReader::readPcmAudio(int32_t start, int32_t count, unsigned char* out, int32_t size,
                             int32_t frameSize) {
    int emptyReads = 0;
    // The window keeps the platform's bytes as they come, so it serves only
    // streams whose samples are the frames delivered. Positions at or past
    // the stream's end are read as asked, so that a request there ends
    // exactly as it would without the window.
    const bool windowed = pcmReadAhead.ready() && pcmReadAhead.frameBytes() == frameSize &&
                          audioInfo.dwSampleSize == static_cast<DWORD>(frameSize);
    while (windowed && count > 0 && start < streamLength) {
        int32_t held = pcmReadAhead.heldFrom(start);
        if (held == 0) {
            int32_t wanted = pcmReadAhead.capacity();
            if (wanted > streamLength - start) wanted = streamLength - start;
            LONG got = 0;
            unsigned char* room = pcmReadAhead.beginRefill(start);
            if (avi::read(audioStream, start, wanted, room, wanted * frameSize, nullptr, &got) !=
                    AVIERR_OK ||
                got < 0 || got > wanted) {
                // A fault somewhere in the window need not lie in this
                // request: read just what was asked instead.
                pcmReadAhead.forget();
                break;
            }
            pcmReadAhead.finishRefill(got);
            if (got == 0) {
                if (++emptyReads >= kMaxEmptyRounds) return false;
                continue;
            }
            held = got;
        }
        const int32_t taken = held < count ? held : count;
        pcmReadAhead.copy(start, taken, out);
        out += taken * frameSize;
        size -= taken * frameSize;
        start += taken;
        count -= taken;
    }

    while (count > 0) {
        LONG samplesRead = 0;
        if (avi::read(audioStream, start, count, out, size, nullptr, &samplesRead) != AVIERR_OK) {
            setLastError(kAudioUnreadable);
            return false;
        }
        // More than asked for would already have run past the buffer.
        if (samplesRead < 0 || samplesRead > count) return false;
        out += samplesRead * frameSize;
        size -= samplesRead * frameSize;
        start += samplesRead;
        count -= samplesRead;
        if (samplesRead == 0 && ++emptyReads >= kMaxEmptyRounds) return false;
    }
    return true;
}

bool AVIReader::readDecodedAudio(int32_t start, int32_t count, unsigned char* out,
                                 int32_t frameSize) {
    const WAVEFORMATEX& pcm = *outputFormat;
    if (start != outputPosition) {
        readPosition = static_cast<int32_t>(static_cast<double>(audioInfo.dwRate) * start /
                                            (static_cast<double>(pcm.nSamplesPerSec) *
                                             audioInfo.dwScale));
        outputPosition = start;
        rawFill = 0;
        pcmFill = 0;
        // Reading restarts with the source block that holds the wanted
        // sample; the frames of that block before it are dropped.
        const long double blockStart = static_cast<long double>(readPosition) *
                                       pcm.nSamplesPerSec * audioInfo.dwScale / audioInfo.dwRate;
        const int64_t ahead = start - static_cast<int64_t>(blockStart);
        framesToSkip = ahead > 0 ? static_cast<int32_t>(ahead) : 0;
    }

    const int32_t blockAlign = sourceFormat->nBlockAlign;
    int32_t delivered = 0;
    int emptyRounds = 0;
    while (delivered < count) {
        const int32_t readBefore = readPosition;
        const int32_t rawBefore = rawFill;
        const int32_t pcmBefore = pcmFill;
        if (!fillRaw() || !convertRaw()) return false;
        const int32_t taken = deliverPcm(out + static_cast<int64_t>(delivered) * frameSize,
                                         count - delivered, frameSize);
        outputPosition += taken;
        delivered += taken;

        if (readPosition >= streamLength && rawFill < blockAlign && pcmFill < frameSize) {
            // The source has ended: the rest of the request is silence. A
            // partial frame left over can never be delivered and is dropped.
            std::memset(out + static_cast<int64_t>(delivered) * frameSize, 0,
                        static_cast<size_t>(count - delivered) * frameSize);
            pcmFill = 0;
            return true;
        }
        const bool progressed = readPosition != readBefore || rawFill != rawBefore ||
                                pcmFill != pcmBefore || taken > 0;
        if (!progressed && ++emptyRounds >= kMaxEmptyRounds) return false;
    }
    return true;
}

bool AVIReader::fillRaw() {
    if (rawFill >= sourceChunk) return true;
    const int32_t room = rawBufferSize - rawFill;
    int32_t samples = streamLength - readPosition;
    if (samples > samplesPerFill) samples = samplesPerFill;
    // Ask only for what fits, rather than rely on how the platform treats a
    // buffer that is too small.
    if (audioInfo.dwSampleSize > 0 && samples > static_cast<int64_t>(room) / audioInfo.dwSampleSize)
        samples = static_cast<int32_t>(room / audioInfo.dwSampleSize);
    if (samples <= 0) return true;

    LONG bytesRead = 0;
    LONG samplesRead = 0;
    if (avi::read(audioStream, readPosition, samples, rawBuffer + rawFill, room, &bytesRead,
                  &samplesRead) != AVIERR_OK) {
        setLastError(kAudioUnreadable);
        return false;
    }
    if (bytesRead < 0 || bytesRead > room || samplesRead < 0) return false;
    // Bytes without samples leave the position where it was, so keeping them
    // would decode the same stretch again and again. Wine 8's AVIFile answers
    // so for the variable-size MP3 layout ffmpeg writes; such a read counts
    // as an empty one.
    if (samplesRead == 0) return true;
    readPosition += samplesRead;
    rawFill += bytesRead;
    return true;
}

bool AVIReader::convertRaw() {
    const int32_t blockAlign = sourceFormat->nBlockAlign;
    if (pcmFill >= decodeChunk || rawFill < blockAlign) return true;
    int32_t length = rawFill - rawFill % blockAlign;
    if (length > sourceChunk) length = sourceChunk;
    streamHeader.cbSrcLength = static_cast<DWORD>(length);
    streamHeader.cbDstLength = static_cast<DWORD>(convertBufferSize);
    streamHeader.cbSrcLengthUsed = 0;
    streamHeader.cbDstLengthUsed = 0;
    if (acm::convert(acmStream, &streamHeader) != MMSYSERR_NOERROR) {
        setLastError(kAudioUndecodable);
        return false;
    }
    const DWORD produced = streamHeader.cbDstLengthUsed;
    const DWORD consumed = streamHeader.cbSrcLengthUsed;
    // A codec claiming more than it was given room for, or more than the
    // PCM buffer can still take, must not be copied.
    if (produced > static_cast<DWORD>(convertBufferSize) ||
        produced > pcmBufferSize - static_cast<uint32_t>(pcmFill) ||
        consumed > static_cast<DWORD>(length))
        return false;
    std::memcpy(pcmBuffer + pcmFill, convertBuffer, produced);
    pcmFill += static_cast<int32_t>(produced);
    consumeFront(rawBuffer, &rawFill, static_cast<int32_t>(consumed));
    return true;
}

int32_t AVIReader::deliverPcm(unsigned char* out, int32_t wanted, int32_t frameSize) {
    int32_t whole = pcmFill / frameSize;
    if (framesToSkip > 0 && whole > 0) {
        const int32_t dropped = framesToSkip < whole ? framesToSkip : whole;
        consumeFront(pcmBuffer, &pcmFill, dropped * frameSize);
        framesToSkip -= dropped;
        whole -= dropped;
    }
    const int32_t taken = wanted < whole ? wanted : whole;
    std::memcpy(out, pcmBuffer, static_cast<size_t>(taken) * frameSize);
    consumeFront(pcmBuffer, &pcmFill, taken * frameSize);
    return taken;
}
