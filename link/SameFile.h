#pragma once
#include <string>

// True when `output` names the file `source` names, in any spelling: the same
// full path in another letter case or relative form, another drive letter
// or a short name for the same file. Writing a link there would destroy its
// own source.
bool outputNamesSource(const char* output, const char* source);

// The refusal to show (caption "AVI2ORV"), naming both paths.
std::string sameFileText(const char* output, const char* source);
