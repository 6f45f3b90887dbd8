#pragma once
#include <cstdint>
#include <string>

// The console progress line, e.g. "Progress: 042% | [0%--25%--]\r": a dash per
// ten percent with marks at 25, 50, 75 and 100, ending in a carriage return so
// that the next drawing overwrites it. Values are not clamped.
std::string progressLine(int32_t percent);

// The progress dialog's caption, "<title> (<percent>%)", cut to fit 259 characters.
std::string progressCaption(const char* title, int32_t percent);
