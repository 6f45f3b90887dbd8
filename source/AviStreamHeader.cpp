#include "source/AviPlatform.h"

#include "common/Paths.h"

// Opens the file for the reader's own look at its chunks (AviFileFacts.cpp).
// Sources are otherwise read only through AVIFile.

namespace avi {
namespace {

class HeaderFile : public ByteSource {
public:
    explicit HeaderFile(const char* path)
        : handle_(CreateFileW(paths::wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        LARGE_INTEGER size{};
        if (handle_ != INVALID_HANDLE_VALUE && GetFileSizeEx(handle_, &size))
            size_ = static_cast<uint64_t>(size.QuadPart);
    }
    ~HeaderFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HeaderFile(const HeaderFile&) = delete;
    HeaderFile& operator=(const HeaderFile&) = delete;

    uint64_t size() const override { return size_; }

    bool readAt(uint64_t offset, void* data, uint32_t length) override {
        if (handle_ == INVALID_HANDLE_VALUE || offset + length > size_) return false;
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return SetFilePointerEx(handle_, position, nullptr, FILE_BEGIN) &&
               ReadFile(handle_, data, length, &got, nullptr) && got == length;
    }

private:
    HANDLE handle_;
    uint64_t size_ = 0;
};

}  // namespace

bool inspectAviFile(const char* path, AviFileFacts* facts) {
    if (path == nullptr || facts == nullptr) return false;
    HeaderFile file(path);
    return inspectAviChunks(file, facts);
}

bool isLinkFile(const char* path) {
    AviFileFacts facts;
    return inspectAviFile(path, &facts) && facts.isLink;
}

bool readAudioStreamHeader(const char* path, StreamHeaderFields* fields) {
    AviFileFacts facts;
    if (fields == nullptr || !inspectAviFile(path, &facts) || !facts.hasAudio) return false;
    *fields = facts.audio;
    return true;
}

}  // namespace avi
