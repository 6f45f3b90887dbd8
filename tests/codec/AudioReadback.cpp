#include "tests/codec/AudioReadback.h"

#include <vfw.h>

#include <algorithm>

StoredAudio readStoredAudio(const std::string& aviPath) {
    StoredAudio stored;
    AVIFileInit();
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;
    if (AVIFileOpenA(&file, aviPath.c_str(), OF_READ, nullptr) != 0) {
        stored.failure = "cannot open " + aviPath;
    } else if (AVIFileGetStream(file, &stream, streamtypeAUDIO, 0) != 0) {
        stored.failure = "no audio stream in " + aviPath;
    } else {
        LONG size = 0;
        AVIStreamReadFormat(stream, 0, nullptr, &size);
        stored.format.resize(static_cast<size_t>(size));
        AVIStreamReadFormat(stream, 0, stored.format.data(), &size);
        stored.length = AVIStreamLength(stream);
        LONG bytes = 0;
        AVIStreamRead(stream, 0, stored.length, nullptr, 0, &bytes, nullptr);
        stored.data.resize(static_cast<size_t>(bytes));
        LONG got = 0;
        if (AVIStreamRead(stream, 0, stored.length, stored.data.data(), bytes, &got, nullptr) != 0 ||
            got != bytes)
            stored.failure = "cannot read the audio of " + aviPath;
    }
    if (stream != nullptr) AVIStreamRelease(stream);
    if (file != nullptr) AVIFileRelease(file);
    AVIFileExit();
    return stored;
}

AcmConversion::AcmConversion(const std::vector<uint8_t>& sourceFormat, HACMDRIVER driver)
    : sourceFormat_(sourceFormat) {
    if (sourceFormat_.size() < sizeof(WAVEFORMATEX)) return;
    auto* source = reinterpret_cast<WAVEFORMATEX*>(sourceFormat_.data());
    pcm_.wFormatTag = WAVE_FORMAT_PCM;
    openResult_ = acmFormatSuggest(driver, source, &pcm_, sizeof pcm_, ACM_FORMATSUGGESTF_WFORMATTAG);
    if (openResult_ != 0) return;
    openResult_ = acmStreamOpen(&stream_, driver, source, &pcm_, nullptr, 0, 0, 0);
    if (openResult_ != 0) stream_ = nullptr;
}

AcmConversion::~AcmConversion() {
    if (stream_ != nullptr) acmStreamClose(stream_, 0);
}

MMRESULT AcmConversion::convert(const uint8_t* bytes, size_t size, std::vector<uint8_t>* out) {
    if (stream_ == nullptr) return openResult_;
    std::vector<uint8_t> source(bytes, bytes + size);
    size_t done = 0;
    while (done < size) {
        DWORD room = 0;
        MMRESULT sized = acmStreamSize(stream_, static_cast<DWORD>(size - done), &room,
                                       ACM_STREAMSIZEF_SOURCE);
        if (sized != 0) return sized;
        std::vector<uint8_t> pcm(room);
        ACMSTREAMHEADER header{};
        header.cbStruct = sizeof header;
        header.pbSrc = source.data() + done;
        header.cbSrcLength = static_cast<DWORD>(size - done);
        header.pbDst = pcm.data();
        header.cbDstLength = room;
        MMRESULT result = acmStreamPrepareHeader(stream_, &header, 0);
        if (result != 0) return result;
        result = acmStreamConvert(stream_, &header, ACM_STREAMCONVERTF_BLOCKALIGN);
        acmStreamUnprepareHeader(stream_, &header, 0);
        if (result != 0) return result;
        out->insert(out->end(), pcm.begin(), pcm.begin() + header.cbDstLengthUsed);
        if (header.cbSrcLengthUsed == 0) break;
        done += header.cbSrcLengthUsed;
    }
    return 0;
}

DecodedAudio decodeLinkedAudio(const std::string& linkPath, LONG blocksPerRead) {
    DecodedAudio decoded;
    StoredAudio stored = readStoredAudio(linkPath);
    if (!stored.failure.empty()) {
        decoded.failure = stored.failure;
        return decoded;
    }
    AcmConversion conversion(stored.format);
    decoded.openResult = conversion.openResult();
    if (decoded.openResult != 0) {
        decoded.failure = "the ACM cannot open the link's sound: " + std::to_string(decoded.openResult);
        return decoded;
    }
    decoded.pcm = conversion.pcm();
    const size_t blockBytes = reinterpret_cast<const WAVEFORMATEX*>(stored.format.data())->nBlockAlign;
    const size_t step = blockBytes * static_cast<size_t>(std::max<LONG>(blocksPerRead, 1));
    // Read as a player reads: a few blocks at a time through AVIFile.
    AVIFileInit();
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;
    AVIFileOpenA(&file, linkPath.c_str(), OF_READ, nullptr);
    if (file != nullptr) AVIFileGetStream(file, &stream, streamtypeAUDIO, 0);
    std::vector<uint8_t> chunk(step);
    for (LONG at = 0; stream != nullptr && at < stored.length; at += blocksPerRead) {
        LONG bytes = 0;
        LONG samples = 0;
        const LONG count = std::min<LONG>(blocksPerRead, stored.length - at);
        if (AVIStreamRead(stream, at, count, chunk.data(), static_cast<LONG>(chunk.size()), &bytes,
                          &samples) != 0 ||
            samples != count) {
            decoded.failure = "AVIStreamRead failed at block " + std::to_string(at);
            break;
        }
        MMRESULT result = conversion.convert(chunk.data(), static_cast<size_t>(bytes), &decoded.data);
        if (result != 0) {
            decoded.failure = "acmStreamConvert failed at block " + std::to_string(at) + ": " +
                              std::to_string(result);
            break;
        }
    }
    if (stream == nullptr) decoded.failure = "cannot reopen " + linkPath;
    if (stream != nullptr) AVIStreamRelease(stream);
    if (file != nullptr) AVIFileRelease(file);
    AVIFileExit();
    return decoded;
}
