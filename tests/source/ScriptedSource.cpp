#include "tests/source/ScriptedSource.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "tests/source/SourceMedia.h"
#include "tests/support/TestEnvironment.h"

namespace {

// {6B0E4D71-2C3A-4F59-9A87-3D5E1B0C7F24}
const CLSID kHandlerClass = {0x6b0e4d71, 0x2c3a, 0x4f59,
                             {0x9a, 0x87, 0x3d, 0x5e, 0x1b, 0x0c, 0x7f, 0x24}};
constexpr char kHandlerClassText[] = "{6B0E4D71-2C3A-4F59-9A87-3D5E1B0C7F24}";
// AVIFile looks handlers up by the first three letters of the extension.
constexpr char kExtensionKey[] = "AVIFile\\Extensions\\QTS";

// The AVIFile interfaces, spelled out: the import libraries' copies are not
// to be relied on.
const IID kAviFileInterface = {0x00020020, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kAviStreamInterface = {0x00020021, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};

ScriptedSourceScript gScript;
std::vector<std::pair<LONG, LONG>> gAudioReads;

class ScriptedStreamObject final : public IAVIStream {
public:
    ScriptedStreamObject(const ScriptedStream& stream, bool audio) : s_(stream), audio_(audio) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == kAviStreamInterface) {
            *out = static_cast<IAVIStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP Create(LPARAM, LPARAM) override { return AVIERR_UNSUPPORTED; }
    STDMETHODIMP Info(AVISTREAMINFOW* info, LONG size) override {
        if (info == nullptr || size < 0) return AVIERR_BADPARAM;
        std::memcpy(info, &s_.info, std::min<size_t>(size, sizeof s_.info));
        return AVIERR_OK;
    }
    STDMETHODIMP_(LONG) FindSample(LONG position, LONG) override { return position; }
    STDMETHODIMP ReadFormat(LONG, void* format, LONG* size) override {
        const LONG whole = static_cast<LONG>(s_.format.size());
        if (format == nullptr) {
            *size = whole;
            return AVIERR_OK;
        }
        std::memcpy(format, s_.format.data(), std::min(*size, whole));
        const bool fits = *size >= whole;
        *size = whole;
        return fits ? AVIERR_OK : AVIERR_BUFFERTOOSMALL;
    }
    STDMETHODIMP SetFormat(LONG, void*, LONG) override { return AVIERR_READONLY; }
    STDMETHODIMP Read(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                      LONG* got) override {
        if (audio_) gAudioReads.emplace_back(start, samples);
        if (bytes != nullptr) *bytes = 0;
        if (got != nullptr) *got = 0;
        const LONG length = static_cast<LONG>(s_.info.dwLength);
        if (length <= 0) return AVIERR_NODATA;
        const size_t sampleBytes =
            s_.info.dwSampleSize ? s_.info.dwSampleSize : s_.data.size() / length;
        if (start < 0 || start >= length) return AVIERR_NODATA;
        LONG count = std::min(samples, length - start);
        if (s_.failsFrom >= 0 && start + count > s_.failsFrom) return AVIERR_FILEREAD;
        if (buffer != nullptr) {
            count = std::min<LONG>(count, static_cast<LONG>(size / sampleBytes));
            if (count == 0 && samples > 0) return AVIERR_BUFFERTOOSMALL;
            if (s_.readsNothing) count = 0;
            std::memcpy(buffer, s_.data.data() + start * sampleBytes, count * sampleBytes);
        }
        if (bytes != nullptr) *bytes = static_cast<LONG>(count * sampleBytes);
        if (got != nullptr) *got = count;
        return AVIERR_OK;
    }
    STDMETHODIMP Write(LONG, LONG, void*, LONG, DWORD, LONG*, LONG*) override {
        return AVIERR_READONLY;
    }
    STDMETHODIMP Delete(LONG, LONG) override { return AVIERR_READONLY; }
    STDMETHODIMP ReadData(DWORD, void*, LONG*) override { return AVIERR_NODATA; }
    STDMETHODIMP WriteData(DWORD, void*, LONG) override { return AVIERR_READONLY; }
    STDMETHODIMP SetInfo(AVISTREAMINFOW*, LONG) override { return AVIERR_READONLY; }

private:
    ~ScriptedStreamObject() = default;
    std::atomic<ULONG> refs_{1};
    ScriptedStream s_;
    bool audio_;
};

class ScriptedFileObject final : public IAVIFile, public IPersistFile {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == kAviFileInterface) {
            *out = static_cast<IAVIFile*>(this);
        } else if (riid == IID_IPersistFile || riid == IID_IPersist) {
            *out = static_cast<IPersistFile*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    STDMETHODIMP Info(AVIFILEINFOW* info, LONG size) override {
        AVIFILEINFOW own{};
        own.dwStreams = (script_.hasVideo ? 1 : 0) + (script_.hasAudio ? 1 : 0);
        std::memcpy(info, &own, std::min<size_t>(size, sizeof own));
        return AVIERR_OK;
    }
    STDMETHODIMP GetStream(PAVISTREAM* stream, DWORD type, LONG index) override {
        *stream = nullptr;
        if (index != 0) return AVIERR_NODATA;
        if (type == streamtypeVIDEO && script_.hasVideo)
            *stream = new ScriptedStreamObject(script_.video, false);
        else if (type == streamtypeAUDIO && script_.hasAudio)
            *stream = new ScriptedStreamObject(script_.audio, true);
        return *stream != nullptr ? AVIERR_OK : AVIERR_NODATA;
    }
    STDMETHODIMP CreateStream(PAVISTREAM*, AVISTREAMINFOW*) override { return AVIERR_READONLY; }
    STDMETHODIMP WriteData(DWORD, void*, LONG) override { return AVIERR_READONLY; }
    STDMETHODIMP ReadData(DWORD, void*, LONG*) override { return AVIERR_NODATA; }
    STDMETHODIMP EndRecord() override { return AVIERR_OK; }
    STDMETHODIMP DeleteStream(DWORD, LONG) override { return AVIERR_READONLY; }

    STDMETHODIMP GetClassID(CLSID* id) override {
        *id = kHandlerClass;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPCOLESTR, DWORD) override {
        script_ = gScript;
        return S_OK;
    }
    STDMETHODIMP Save(LPCOLESTR, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP SaveCompleted(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP GetCurFile(LPOLESTR* name) override {
        *name = nullptr;
        return E_NOTIMPL;
    }

private:
    ~ScriptedFileObject() = default;
    std::atomic<ULONG> refs_{1};
    ScriptedSourceScript script_;
};

class HandlerFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory lives as long as the program.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* file = new ScriptedFileObject;
        const HRESULT result = file->QueryInterface(riid, out);
        file->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

HandlerFactory gFactory;

}  // namespace

ScriptedSourceHandler::ScriptedSourceHandler() {
    comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (!comReady_) return;
    if (RegSetValueA(HKEY_CLASSES_ROOT, kExtensionKey, REG_SZ, kHandlerClassText,
                     sizeof kHandlerClassText - 1) != ERROR_SUCCESS)
        return;
    ready_ = SUCCEEDED(CoRegisterClassObject(kHandlerClass, &gFactory, CLSCTX_INPROC_SERVER,
                                             REGCLS_MULTIPLEUSE, &cookie_));
}

ScriptedSourceHandler::~ScriptedSourceHandler() {
    if (ready_) CoRevokeClassObject(cookie_);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kExtensionKey);
    if (comReady_) CoUninitialize();
}

std::string ScriptedSourceHandler::serve(const std::string& name,
                                         const ScriptedSourceScript& script) {
    gScript = script;
    gAudioReads.clear();
    const std::string path = scratchPath(name + ".qts");
    writeFileBytes(path, {});
    return path;
}

std::vector<std::pair<LONG, LONG>> ScriptedSourceHandler::audioReads() const {
    return gAudioReads;
}

AVISTREAMINFOW scriptedInfo(DWORD type, DWORD scale, DWORD rate, DWORD start, DWORD length,
                            DWORD sampleSize) {
    AVISTREAMINFOW info{};
    info.fccType = type;
    info.dwScale = scale;
    info.dwRate = rate;
    info.dwStart = start;
    info.dwLength = length;
    info.dwSampleSize = sampleSize;
    info.dwQuality = static_cast<DWORD>(-1);
    return info;
}
