#pragma once
#include <array>
#include <cstdint>

#include "link/AviStreamInfo.h"
#include "link/LinkArithmetic.h"
#include "link/OutputFormats.h"

// The video half of a link file: what the codec reads to find the source and
// the formats it may deliver, and the tiny record each frame chunk carries.

inline constexpr int32_t kMaxLinkedPathLength = 38;
inline constexpr int32_t kLinkDataVersion = 2;
inline constexpr uint32_t kVideoFormatSize = 112;
inline constexpr uint32_t kMinFrameRecordSize = 4;
inline constexpr char kVideoStreamName[] = "AVI2ORV";

using VideoLinkData = std::array<uint8_t, 68>;
using VideoFormat = std::array<uint8_t, kVideoFormatSize>;

struct VideoLinkFields {
    int32_t nrFrames;
    int32_t height;
    int32_t width;
    int32_t formatCode;  // the pixel format the source delivers
    const char* sourcePath;
    AllowedOutputs outputs;
    int32_t linkOption;
};

VideoLinkData buildVideoLinkData(const VideoLinkFields& fields);
// A BITMAPINFOHEADER claiming the whole 112 bytes, followed by the link data.
VideoFormat buildVideoFormat(int32_t width, int32_t height, int32_t bitCount, int32_t sizeImage,
                             const VideoLinkData& linkData);
// The stream header the video stream is created with; dwLength is the frame
// count and the suggested buffer is one decoded picture.
AviStreamInfo buildVideoStreamHeader(VideoRate rate, int32_t nrFrames, int32_t sizeImage,
                                     int32_t width, int32_t height);
// `size` bytes: the frame number, then zeros.
void fillFrameRecord(uint8_t* record, uint32_t size, int32_t frame);

// Copies at most kMaxLinkedPathLength characters of `path` into the 40-byte
// field at `field`, zero-filling the rest (the last byte is always zero).
void putLinkedPath(uint8_t* field, const char* path);
