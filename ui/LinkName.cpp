#include "ui/LinkName.h"

#include <cstring>
#include <string>

namespace {

void lowerAsciiLetters(char* text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
    }
}

// Length of the path before its extension's dot; a dot in first place (or
// none at all) counts as no extension.
size_t stemLength(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || dot == path) return std::strlen(path);
    return static_cast<size_t>(dot - path);
}

bool store(char (&field)[kPathCapacity], const std::string& text) {
    if (text.size() >= kPathCapacity) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

void proposeLinkName(char (&sourcePath)[kPathCapacity], char (&outputPath)[kPathCapacity]) {
    sourcePath[kPathCapacity - 1] = '\0';
    const std::string original = sourcePath;
    const size_t stem = stemLength(sourcePath);
    const bool hasExtension = stem < original.size();
    // Keep the dot itself: "clip.avs" becomes "clip.AVI", "clip" becomes "clipAVI".
    const std::string proposal = original.substr(0, hasExtension ? stem + 1 : stem) + "AVI";
    lowerAsciiLetters(sourcePath);
    if (!store(outputPath, proposal)) return;
    lowerAsciiLetters(outputPath);
    if (std::strcmp(sourcePath, outputPath) != 0) return;

    std::string stemText = original.substr(0, stem);
    lowerAsciiLetters(stemText.data());
    store(outputPath, stemText + "_SHIM.AVI");
}
