// The link writer's tuning values in the registry, under the program's key.
#include <windows.h>

#include <string>

#include "app/RegistryStore.h"
#include "link/LinkWriter.h"

namespace {

HKEY asKey(void* key) { return static_cast<HKEY>(key); }

// A value longer than its 4-byte field is unreadable. A shorter one is read
// as the little-endian number its bytes form, so stale bytes of an earlier
// value never mix in.
bool readValue(HKEY key, const char* name, uint32_t* field) {
    uint8_t bytes[4] = {};
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) return false;
    *field = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
             static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

void writeValue(HKEY key, const char* name, uint32_t value) {
    DWORD data = value;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

}  // namespace

int LinkWriter::openSettingsKey() {
    closeSettingsKey();
    std::string path = std::string(kRegistryBasePath) + "\\" + kTuningSubkey;
    char noClass[] = "";
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, noClass, 0, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) != ERROR_SUCCESS)
        return 0;
    settingsKey_ = key;
    return static_cast<int>(disposition);
}

void LinkWriter::closeSettingsKey() {
    if (settingsKey_ != nullptr) RegCloseKey(asKey(settingsKey_));
    settingsKey_ = nullptr;
}

void LinkWriter::loadTuningValues() {
    int disposition = openSettingsKey();
    if (disposition == REG_CREATED_NEW_KEY) {
        resetTuningValues();
    } else if (disposition == REG_OPENED_EXISTING_KEY) {
        HKEY key = asKey(settingsKey_);
        TuningValues read = tuning_;
        // Every value is read, in this order, even after one has failed.
        bool ok = readValue(key, kVideoBlockSizeName, &read.videoSHIMblockSize);
        ok = readValue(key, kAudioBlockSizeName, &read.audioSHIMblockSize) && ok;
        ok = readValue(key, kBitsPerSampleFlagName, &read.bPerSampleDestInSource) && ok;
        ok = readValue(key, kDecodingBufferName, &read.audioMaxSizeDecodingBuffer) && ok;
        ok = readValue(key, kInterleaveName, &read.interleave) && ok;
        if (ok)
            tuning_ = read;
        else
            resetTuningValues();
    }
    // A key that cannot be opened leaves the values in force.
    closeSettingsKey();
}

void LinkWriter::storeTuningValues() {
    if (openSettingsKey() != 0) {
        HKEY key = asKey(settingsKey_);
        writeValue(key, kVideoBlockSizeName, tuning_.videoSHIMblockSize);
        writeValue(key, kAudioBlockSizeName, tuning_.audioSHIMblockSize);
        writeValue(key, kBitsPerSampleFlagName, tuning_.bPerSampleDestInSource);
        writeValue(key, kDecodingBufferName, tuning_.audioMaxSizeDecodingBuffer);
        writeValue(key, kInterleaveName, tuning_.interleave);
    }
    closeSettingsKey();
}

void LinkWriter::resetTuningValues() {
    tuning_ = kDefaultTuningValues;
    storeTuningValues();
}
