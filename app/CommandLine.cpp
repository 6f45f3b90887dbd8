#include "app/CommandLine.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

constexpr size_t kMaxPathLength = kPathCapacity - 1;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string text) {
    for (char& c : text) c = lowerAscii(c);
    return text;
}

void setConversionRow(UserSettings& settings, int32_t output) {
    int8_t(&m)[4][4] = settings.conversionMatrix;
    bool yuvOutput = output == kFormatYUY2 || output == kFormatYV12;
    // A YUV row never takes RGB input from the command line either.
    matrixCell(m, output, kFormatRGB32) = yuvOutput ? 0 : 1;
    matrixCell(m, output, kFormatRGB24) = yuvOutput ? 0 : 1;
    matrixCell(m, output, kFormatYUY2) = 1;
    matrixCell(m, output, kFormatYV12) = 1;
}

bool copyPath(char (&field)[kPathCapacity], const char* path, PathFit fitLongPath) {
    if (std::strlen(path) <= kMaxPathLength) {
        std::strcpy(field, path);
        return true;
    }
    return fitLongPath != nullptr && fitLongPath(path, field, kPathCapacity);
}

}  // namespace

ArgumentTable splitCommandLine(const char* text) {
    ArgumentTable table;
    size_t length = std::strlen(text);
    table.copy.assign(std::max<size_t>(length + 1, 10), '\0');
    static const char empty[] = "";
    for (const char*& slot : table.slots) slot = empty;

    // Characters are compacted towards `write` so that quotes inside an
    // argument vanish without splitting it.
    size_t write = 0, argumentStart = 0;
    int used = 0;
    bool quoted = false;
    auto endArgument = [&] {
        if (write == argumentStart) return;  // empty arguments do not exist
        table.copy[write++] = '\0';
        if (used < kArgumentSlots) table.slots[used++] = &table.copy[argumentStart];
        ++table.count;
        argumentStart = write;
    };
    for (size_t i = 0; i <= length; ++i) {
        char c = text[i];
        if (c == '\0') {
            endArgument();
        } else if (c == '"') {
            quoted = !quoted;
            if (!quoted) endArgument();
        } else if (c == ' ' && !quoted) {
            endArgument();
        } else {
            table.copy[write++] = c;
        }
    }
    return table;
}

int32_t formatCodeFromName(const char* name) {
    if (std::strcmp(name, "RGB32") == 0) return kFormatRGB32;
    if (std::strcmp(name, "RGB24") == 0) return kFormatRGB24;
    if (std::strcmp(name, "YUY2") == 0 || std::strcmp(name, "4:2:2") == 0) return kFormatYUY2;
    if (std::strcmp(name, "YV12") == 0 || std::strcmp(name, "4:2:0") == 0) return kFormatYV12;
    return kFormatNone;
}

std::string deriveOutputName(const std::string& input) {
    size_t dot = input.rfind('.');
    bool hasDot = dot != std::string::npos && dot != 0;
    std::string candidate = (hasDot ? input.substr(0, dot + 1) : input) + "AVI";
    if (lowerAscii(candidate) != lowerAscii(input)) return candidate;
    return input.substr(0, dot) + "_.AVI";
}

bool quietSwitchGiven(const char* text) {
    ArgumentTable table = splitCommandLine(text);
    for (int index = 0; index < kArgumentSlots && table.slots[index][0] == '-'; ++index) {
        char letter = lowerAscii(table.slots[index][1]);
        if (letter == 'q') return true;
        if (letter == 'f' || letter == 'c') ++index;  // skip the FORMAT
    }
    return false;
}

CommandLineOutcome applyCommandLine(const char* text, UserSettings& settings, PathFit fitLongPath) {
    ArgumentTable table = splitCommandLine(text);
    // An eleventh argument would push the output path or the input out of
    // the table, and the link would land beside the source.
    if (table.count > kArgumentSlots) return CommandLineOutcome::tooManyArguments;
    settings.rawAudio = 0;
    settings.forceFormatSet = 0;
    settings.forcedFormat = kFormatNone;
    settings.conversionEnabled = 0;
    std::memset(settings.conversionMatrix, 0, sizeof settings.conversionMatrix);

    int index = 0;
    auto next = [&]() -> const char* { return index < kArgumentSlots ? table.slots[index] : ""; };
    while (next()[0] == '-') {
        char letter = lowerAscii(next()[1]);
        ++index;
        if (letter == 'r') {
            settings.rawAudio = 1;
        } else if (letter == 'f') {
            settings.forceFormatSet = 1;
            settings.forcedFormat = formatCodeFromName(next());
            ++index;
        } else if (letter == 'c') {
            settings.conversionEnabled = 1;
            int32_t row = formatCodeFromName(next());
            if (row != kFormatNone) setConversionRow(settings, row);
            ++index;
        }
    }
    if (!isSet(settings.conversionEnabled)) {
        for (int32_t code : {kFormatRGB32, kFormatRGB24, kFormatYUY2, kFormatYV12})
            matrixCell(settings.conversionMatrix, code, code) = 1;
    }

    const char* input = next();
    ++index;
    const char* output = next();
    if (!copyPath(settings.sourcePath, input, fitLongPath)) return CommandLineOutcome::pathTooLong;
    if (output[0] != '\0') {
        if (!copyPath(settings.outputPath, output, fitLongPath)) return CommandLineOutcome::pathTooLong;
    } else if (!copyPath(settings.outputPath, deriveOutputName(input).c_str(), fitLongPath)) {
        return CommandLineOutcome::pathTooLong;
    }
    return CommandLineOutcome::ok;
}

std::vector<std::string> commandLineReport(const UserSettings& settings) {
    std::vector<std::string> lines;
    lines.push_back(std::string("Inputfilename       : ") + settings.sourcePath + "\n");
    lines.push_back(std::string("Outputfilename      : ") + settings.outputPath + "\n");
    if (isSet(settings.forceFormatSet)) {
        const char* name = "Unknown format";
        switch (settings.forcedFormat) {
            case kFormatRGB32: name = "RGB32"; break;
            case kFormatRGB24: name = "RGB24"; break;
            case kFormatYUY2: name = "YUY2"; break;
            case kFormatYV12: name = "YV12"; break;
        }
        lines.push_back(std::string("Forced outputformat      : ") + name + "\n");
    } else {
        lines.push_back("Forced outputformat : None\n");
    }
    if (isSet(settings.conversionEnabled)) {
        std::string line = "Possible output format(s): ";
        const std::pair<int32_t, const char*> outputs[] = {
            {kFormatYV12, "YV12 "}, {kFormatYUY2, "YUY2 "}, {kFormatRGB24, "RGB24 "}, {kFormatRGB32, "RGB32 "}};
        for (const auto& [code, name] : outputs)
            if (matrixCell(settings.conversionMatrix, code, kFormatYV12) == 1) line += name;
        lines.push_back(line + "\n");
    } else {
        lines.push_back("Input format conversions:  Disabled\n");
    }
    lines.push_back(isSet(settings.rawAudio) ? "Audio mode          : RAW\n"
                                             : "Audio mode          : normal\n");
    lines.push_back("\n");
    return lines;
}

const char* commandLineTail(const char* full) {
    const char* p = full;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    if (*p == ' ' || *p == '\t') ++p;
    return p;
}
