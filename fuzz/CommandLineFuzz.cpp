// The command line as the process receives it: any text up to its first zero
// byte, through the program-name skip, the splitter, the switch reader, the
// derived link name and the report.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/CommandLine.h"
#include "fuzz/FuzzCheck.h"

namespace {

bool isInside(const char* p, const std::vector<char>& buffer) {
    return p >= buffer.data() && p < buffer.data() + buffer.size();
}

void checkSplit(const char* text) {
    ArgumentTable table = splitCommandLine(text);
    size_t characters = 0;
    bool ended = false;
    for (const char* slot : table.slots) {
        size_t length = std::strlen(slot);
        // Arguments fill the slots from the front; the rest are empty.
        FUZZ_CHECK(length == 0 || !ended);
        if (length == 0) {
            ended = true;
            continue;
        }
        FUZZ_CHECK(isInside(slot, table.copy) && isInside(slot + length, table.copy));
        FUZZ_CHECK(std::memchr(slot, '"', length) == nullptr);
        characters += length;
    }
    FUZZ_CHECK(characters <= std::strlen(text));
}

void checkSwitches(const char* text) {
    UserSettings settings;
    std::memset(&settings, 0x5A, sizeof settings);
    applyDefaultSettings(settings, 2);
    const UserSettings before = settings;
    CommandLineOutcome outcome = applyCommandLine(text, settings);
    // Left as loaded, whatever the command line says.
    FUZZ_CHECK(settings.overwriteCheck == before.overwriteCheck);
    FUZZ_CHECK(settings.settingsVersion == before.settingsVersion);
    // A refused command line runs nothing, whatever it left in the record.
    if (outcome != CommandLineOutcome::ok) return;
    FUZZ_CHECK(settings.forcedFormat >= kFormatNone && settings.forcedFormat <= kFormatRGB32);
    for (int32_t output : {kFormatYUY2, kFormatYV12})
        for (int32_t source : {kFormatRGB32, kFormatRGB24})
            FUZZ_CHECK(matrixCell(settings.conversionMatrix, output, source) == 0);
    FUZZ_CHECK(std::memchr(settings.sourcePath, '\0', kPathCapacity) != nullptr);
    FUZZ_CHECK(std::memchr(settings.outputPath, '\0', kPathCapacity) != nullptr);
    std::vector<std::string> report = commandLineReport(settings);
    FUZZ_CHECK(report.size() == 6);
    for (const std::string& line : report) FUZZ_CHECK(!line.empty() && line.back() == '\n');
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

void checkDerivedName(const std::string& input) {
    std::string name = deriveOutputName(input);
    FUZZ_CHECK(name.size() >= 3 && name.compare(name.size() - 3, 3, "AVI") == 0);
    // The link must never be written over its own source.
    FUZZ_CHECK(lowered(name) != lowered(input));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string full(reinterpret_cast<const char*>(data), size);
    full.resize(std::strlen(full.c_str()));
    const char* tail = commandLineTail(full.c_str());
    FUZZ_CHECK(tail >= full.c_str() && tail <= full.c_str() + full.size());

    checkSplit(full.c_str());
    checkSwitches(tail);
    checkDerivedName(full);
    int32_t code = formatCodeFromName(full.c_str());
    FUZZ_CHECK(code >= kFormatNone && code <= kFormatRGB32);
    return 0;
}
