#include "tests/codec/CodecTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

#include "avishim/RegistryNames.h"
#include "tests/support/TestEnvironment.h"

std::string codecMedia(const char* name) {
    return joinPath(joinPath(mediaFolder(), "codec"), name);
}

void registerCodecForVideo() {
    const std::string path = joinPath(binaryFolder(), "avishim.dll");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDrivers32Key, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, kVideoDriverValue, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>(path.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

BITMAPINFOHEADER wantedHeader(int32_t format, int width, int height, bool topDown) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    switch (format) {
    case kRGB32: h.biBitCount = 32; break;
    case kRGB24: h.biBitCount = 24; break;
    case kYUY2: h.biBitCount = 16; h.biCompression = mmioFOURCC('Y', 'U', 'Y', '2'); break;
    case kYV12: h.biBitCount = 12; h.biCompression = mmioFOURCC('Y', 'V', '1', '2'); break;
    }
    if (format == kYUY2 || format == kYV12) h.biHeight = height;
    h.biSizeImage = static_cast<DWORD>(storedBytes(format, width, height));
    return h;
}

namespace {

PlainPicture pictureOf(const BITMAPINFOHEADER& header, const uint8_t* bits) {
    int32_t format = 0;
    if (header.biCompression == BI_RGB)
        format = header.biBitCount == 32 ? kRGB32 : header.biBitCount == 24 ? kRGB24 : 0;
    if (header.biCompression == mmioFOURCC('Y', 'U', 'Y', '2')) format = kYUY2;
    if (header.biCompression == mmioFOURCC('Y', 'V', '1', '2')) format = kYV12;
    if (format == 0) return PlainPicture{};
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return readPicture(format, bits, header.biWidth, height, header.biHeight < 0);
}

}  // namespace

PlainPicture pictureOfDib(const BITMAPINFOHEADER* dib) {
    return pictureOf(*dib, reinterpret_cast<const uint8_t*>(dib) + dib->biSize + dib->biClrUsed * 4);
}

PlainPicture pictureOfDibBits(const BITMAPINFOHEADER& header, const std::vector<uint8_t>& bits) {
    return pictureOf(header, bits.data());
}

SourceFrames::SourceFrames(const std::string& path) {
    AVIFileInit();
    if (AVIStreamOpenFromFileA(&stream_, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) != 0) {
        stream_ = nullptr;
        return;
    }
    LONG size = sizeof format_;
    AVIStreamReadFormat(stream_, 0, &format_, &size);
    length_ = AVIStreamLength(stream_);
    width_ = format_.biWidth;
    height_ = format_.biHeight < 0 ? -format_.biHeight : format_.biHeight;
    const bool stored = format_.biCompression == BI_RGB ||
                        format_.biCompression == mmioFOURCC('Y', 'U', 'Y', '2') ||
                        format_.biCompression == mmioFOURCC('Y', 'V', '1', '2');
    if (!stored) {
        BITMAPINFOHEADER rgb = wantedHeader(kRGB24, width_, height_, false);
        decompressor_ = AVIStreamGetFrameOpen(stream_, &rgb);
    }
}

SourceFrames::~SourceFrames() {
    if (decompressor_ != nullptr) AVIStreamGetFrameClose(decompressor_);
    if (stream_ != nullptr) AVIStreamRelease(stream_);
    AVIFileExit();
}

PlainPicture SourceFrames::frame(LONG number) {
    if (decompressor_ != nullptr) {
        auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(decompressor_, number));
        return dib != nullptr ? pictureOfDib(dib) : PlainPicture{};
    }
    int32_t format = kRGB24;
    if (format_.biCompression == mmioFOURCC('Y', 'U', 'Y', '2')) format = kYUY2;
    if (format_.biCompression == mmioFOURCC('Y', 'V', '1', '2')) format = kYV12;
    if (format_.biCompression == BI_RGB && format_.biBitCount == 32) format = kRGB32;
    std::vector<uint8_t> bytes(storedBytes(format, width_, height_));
    if (AVIStreamRead(stream_, number, 1, bytes.data(), static_cast<LONG>(bytes.size()), nullptr,
                      nullptr) != 0)
        return PlainPicture{};
    return readPicture(format, bytes.data(), width_, height_, format_.biHeight < 0);
}
