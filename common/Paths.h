#pragma once
#include <cstddef>
#include <optional>
#include <string>

#include "link/StoredPath.h"

// The one place where paths and texts change form. Inside the program every
// path and every text is UTF-8; the system is called with UTF-16 through the
// W functions, so whatever name a file system holds can be opened. Only two
// stored formats keep 8-bit text in the ANSI code page: the settings record
// and the link's path field, both read by older programs too.
namespace paths {

// Bytes that are no UTF-8 become U+FFFD.
std::wstring wide(const char* utf8);
std::wstring wide(const std::string& utf8);
std::string utf8(const wchar_t* text);
std::string utf8(const std::wstring& text);

// The ANSI code page's bytes for `text`; none when a character has no byte
// of its own there (the system would put a look-alike or '?' in its place,
// naming another file).
std::optional<std::string> ansi(const std::wstring& text);
// UTF-8 of 8-bit text in the ANSI code page.
std::string fromAnsi(const char* text);

// The full path (GetFullPathNameW): relative to the current folder, with
// "." and ".." resolved. None for an empty path or one that cannot be made full.
std::optional<std::wstring> fullPath(const std::wstring& path);
std::optional<std::string> fullPath(const char* utf8);
// The short (8.3) form of an existing file or folder; none where the volume
// keeps no short names or the path does not exist.
std::optional<std::wstring> shortPath(const std::wstring& path);
// The long form of an existing file or folder: every short (8.3) name in
// it spelled out.
std::optional<std::wstring> longPath(const std::wstring& path);
// The short form of the folder followed by the name as it is: the nearest
// thing to a short form for a file that does not exist yet.
std::optional<std::wstring> shortFolderPath(const std::wstring& path);

// What a link stores to name the source at `utf8`, made full first.
StoredPath storedSourcePath(const char* utf8);

// 8-bit text in the ANSI code page that names the same file as `utf8` (made
// full first): the path's own bytes, else its short form, else the short
// form of its folder with the name. False, with `field` empty, when none fits
// `capacity` bytes with the terminator.
bool toAnsiField(const char* utf8, char* field, size_t capacity);
// The UTF-8 form of `typed` (a path a person gave), or where that does not
// fit `capacity` bytes, of its short form. False, with `field` empty, when
// neither fits.
bool toUtf8Field(const std::wstring& typed, char* field, size_t capacity);

// A path read from a link: the field's 8-bit text becomes UTF-8 in place, so
// that the reader, which takes UTF-8, opens what the writer meant.
void makeLinkedPathUtf8(char* path, size_t capacity, bool* isUtf8);

}  // namespace paths
