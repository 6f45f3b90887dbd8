#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// UTF-8 is the program's own text form; these answer what the system would
// make of a text without asking it.

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isUtf8(const uint8_t* bytes, size_t size);
// UTF-16 units of well-formed UTF-8 text: the length Windows counts in.
size_t utf16Units(const std::string& utf8);
