#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Utf8.h"
#include "link/AudioRecords.h"
#include "link/LittleEndian.h"
#include "link/VideoRecords.h"

// How a link names its source. The 40-byte field of both link data blocks
// holds at most 38 8-bit characters in the ANSI code page, and every reader of
// the format follows it. A path that fits there neither whole nor by its short
// (8.3) form is written as UTF-8 into a path block behind the link data,
// which only our codec reads; the field then stays empty, so that a reader
// that does not know the block finds no file rather than a wrong one.
//
// Path block (all integers little-endian), appended to the 112-byte video
// format (biSize grows by the block's size) and to the 82-byte linked audio
// format (cbSize grows likewise):
//   0  4  tag "PATH"
//   4  4  text length L: bytes of the UTF-8 path including its NUL
//   8  L  the path, NUL last and nowhere else
//      zero bytes up to the next multiple of 4
// The bytes behind the fixed formats are a sequence of such tagged blocks;
// blocks of other tags are skipped, so later additions stay readable.

// The longest source path, in UTF-16 units, that the system's AVIFile opens:
// it crashes on 259 and more, so the reader refuses those.
inline constexpr size_t kMaxSourcePathUnits = 258;
// Room for the text of a path block, NUL included: the longest source path
// even when every unit takes three bytes of UTF-8.
inline constexpr uint32_t kMaxPathText = 1024;
inline constexpr uint32_t kPathBlockTag = fourcc("PATH");
inline constexpr uint32_t kBlockHeaderSize = 8;
// The most bytes of blocks a format may carry. A caller's size field is all a
// reader has to go by; one claiming more is refused before anything is read.
inline constexpr uint32_t kMaxFormatBlocks = 4096;

// The forms the platform found for one source: its full path, and where they
// exist its ANSI bytes and the ANSI bytes of its short form.
struct PathForms {
    std::string fullUtf8;
    std::optional<std::string> fullAnsi;   // none when a character has no ANSI byte
    std::optional<std::string> shortAnsi;  // none without a short form
};

enum class StoredPathKind {
    field,      // the full path in the 8-bit field, byte for byte as ever
    shortForm,  // its short form in the field
    block,      // empty field, the full path in the path block
    tooLong,    // fits nowhere: refused
};

struct StoredPath {
    StoredPathKind kind = StoredPathKind::tooLong;
    std::string field;  // the 8-bit field's text (at most 38 bytes)
    std::string block;  // UTF-8 for the path block; empty when there is none
};

// In this order: the full path when it fits the field, its short form when
// that fits, the path block when the path is within the limits, else tooLong.
StoredPath chooseStoredPath(const PathForms& forms);

// The path block for `utf8` (which must be within the limits).
std::vector<uint8_t> buildPathBlock(const std::string& utf8);

// The formats with the path block behind them and their size field grown.
std::vector<uint8_t> videoFormatWithPath(const VideoFormat& format, const std::string& utf8);
std::vector<uint8_t> audioFormatWithPath(const LinkedAudioFormat& format, const std::string& utf8);

enum class PathBlockFault {
    none,
    absent,      // no path block among the blocks
    truncated,   // a block reaches past the bytes given
    badText,     // empty, not NUL-terminated, a NUL inside, or too long
    notUtf8,
    twice,       // two path blocks: which one would be meant?
};

// Reads the tagged blocks in the `size` bytes at `blocks`; on `none` the
// path's text (with its NUL) is in `text`, which holds kMaxPathText bytes.
PathBlockFault readPathBlock(const uint8_t* blocks, size_t size, char* text);
