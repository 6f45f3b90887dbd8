#include "link/AudioRecords.h"

#include <cstring>

#include "link/LittleEndian.h"
#include "link/VideoRecords.h"

AudioLinkData buildAudioLinkData(const AudioLinkFields& f) {
    AudioLinkData data{};
    putI32(&data[0], kLinkDataVersion);
    putI32(&data[4], f.numAudioSamples);
    putI32(&data[8], f.maxAudioSamplesPerBlock);
    putU32(&data[12], f.audioMaxSizeDecodingBuffer);
    putI32(&data[16], f.bitsPerSample);
    putLinkedPath(&data[20], f.sourcePath);
    putI32(&data[60], f.linkOption);
    return data;
}

LinkedAudioFormat buildLinkedAudioFormat(const LinkedAudioFields& f, const AudioLinkData& linkData) {
    LinkedAudioFormat format{};
    putU16(&format[0], kLinkedAudioTag);
    putU16(&format[2], static_cast<uint32_t>(f.channels));
    putI32(&format[4], f.samplesPerSecond);
    putU32(&format[8], f.avgBytesPerSec);
    putU16(&format[12], f.blockSize);
    putU16(&format[14], f.bPerSampleDestInSource == 1 ? static_cast<uint32_t>(f.bitsPerSample) : 0);
    putU16(&format[16], static_cast<uint32_t>(linkData.size()));  // cbSize
    std::memcpy(&format[18], linkData.data(), linkData.size());
    return format;
}

PcmFormat buildPcmFormat(int32_t channels, int32_t samplesPerSecond, int32_t bitsPerSample) {
    PcmFormat format{};
    uint32_t blockAlign = static_cast<uint32_t>(int64_t{channels} * bitsPerSample / 8);
    putU16(&format[0], 1);  // WAVE_FORMAT_PCM
    putU16(&format[2], static_cast<uint32_t>(channels));
    putI32(&format[4], samplesPerSecond);
    putU32(&format[8], blockAlign * static_cast<uint32_t>(samplesPerSecond));
    putU16(&format[12], blockAlign);
    putU16(&format[14], static_cast<uint32_t>(bitsPerSample));
    // 16: cbSize 0
    return format;
}

uint32_t formatBlockAlign(const uint8_t* format) { return getU16(format + 12); }

uint32_t formatAvgBytesPerSec(const uint8_t* format) { return getU32(format + 8); }

AviStreamInfo buildAudioStreamHeader(uint32_t blockAlign, uint32_t avgBytesPerSec,
                                     uint32_t suggestedBufferSize) {
    AviStreamInfo info{};
    info.fccType = fourcc("auds");
    info.dwScale = blockAlign;
    info.dwRate = avgBytesPerSec;
    info.dwLength = 0xFFFFFFFF;
    info.dwSuggestedBufferSize = suggestedBufferSize;
    info.dwQuality = 0xFFFFFFFF;
    info.dwSampleSize = blockAlign;
    std::memcpy(info.szName, kAudioStreamName, sizeof kAudioStreamName);
    return info;
}

void fillAudioBlockRecord(uint8_t* block, uint32_t size, int32_t blockIndex, int32_t firstSample,
                          int32_t sampleCount) {
    std::memset(block, 0, size);
    putI32(block, blockIndex);
    putI32(block + 4, firstSample);
    putI32(block + 8, sampleCount);
}
