#include "link/VideoRecords.h"

#include <cstring>

#include "link/LittleEndian.h"

namespace {
constexpr uint32_t kShim = fourcc("SHIM");
}

void putLinkedPath(uint8_t* field, const char* path) {
    std::memset(field, 0, 40);
    for (int32_t i = 0; i < kMaxLinkedPathLength && path != nullptr && path[i] != '\0'; ++i)
        field[i] = static_cast<uint8_t>(path[i]);
}

VideoLinkData buildVideoLinkData(const VideoLinkFields& f) {
    VideoLinkData data{};
    putI32(&data[0], kLinkDataVersion);
    putI32(&data[4], f.nrFrames);
    putI32(&data[8], f.height);  // height before width, unlike the bitmap header
    putI32(&data[12], f.width);
    putI32(&data[16], f.formatCode);
    putLinkedPath(&data[20], f.sourcePath);
    // One flag per format code: byte 59 + code.
    data[60] = f.outputs.yv12 ? 1 : 0;
    data[61] = f.outputs.yuy2 ? 1 : 0;
    data[62] = f.outputs.rgb24 ? 1 : 0;
    data[63] = f.outputs.rgb32 ? 1 : 0;
    putI32(&data[64], f.linkOption);
    return data;
}

VideoFormat buildVideoFormat(int32_t width, int32_t height, int32_t bitCount, int32_t sizeImage,
                             const VideoLinkData& linkData) {
    VideoFormat format{};
    putU32(&format[0], kVideoFormatSize);  // biSize covers the link data too
    putI32(&format[4], width);
    putI32(&format[8], height);
    putU16(&format[12], 1);  // biPlanes
    putU16(&format[14], static_cast<uint32_t>(bitCount));
    putU32(&format[16], kShim);
    putI32(&format[20], sizeImage);
    // 24..39: pels per metre and colour counts, zero
    std::memcpy(&format[40], linkData.data(), linkData.size());
    // 108..111: zero
    return format;
}

AviStreamInfo buildVideoStreamHeader(VideoRate rate, int32_t nrFrames, int32_t sizeImage,
                                     int32_t width, int32_t height) {
    AviStreamInfo info{};
    info.fccType = fourcc("vids");
    info.fccHandler = kShim;
    info.dwScale = rate.scale;
    info.dwRate = rate.rate;
    info.dwLength = static_cast<uint32_t>(nrFrames);
    info.dwSuggestedBufferSize = static_cast<uint32_t>(sizeImage);
    info.dwQuality = 0xFFFFFFFF;
    info.dwSampleSize = 0;
    info.rcRight = width;
    info.rcBottom = height;
    std::memcpy(info.szName, kVideoStreamName, sizeof kVideoStreamName);
    return info;
}

void fillFrameRecord(uint8_t* record, uint32_t size, int32_t frame) {
    std::memset(record, 0, size);
    putI32(record, frame);
}
