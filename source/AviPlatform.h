#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <vfw.h>

#include <cstdint>

#include "source/AviFileFacts.h"

// The thin layer through which the reader reaches AVIFIL32 and MSACM32. It
// forwards each call unchanged, except where a platform is known to answer
// differently from Windows; each such compensation says what it mends and
// where it was seen.
namespace avi {

void initLibrary();
void exitLibrary();
// `path` is UTF-8, like every path inside the program.
HRESULT openFile(PAVIFILE* file, const char* path);
// The first stream of the type ('vids' or 'auds'), or null.
PAVISTREAM firstStream(PAVIFILE file, DWORD type);
void releaseFile(PAVIFILE file);
void releaseStream(PAVISTREAM stream);

HRESULT streamInfo(PAVISTREAM stream, AVISTREAMINFOA* info);
// Like streamInfo for an audio stream, with the rate, scale and length the
// file itself states where the platform rewrote them (see AviPlatform.cpp).
// `path` is the file the stream came from.
HRESULT audioStreamInfo(PAVISTREAM stream, const char* path, AVISTREAMINFOA* info);
// Start of the stream in milliseconds. `info` is the reader's copy of the
// stream information, which may carry compensated rate and scale.
int32_t streamStartMs(PAVISTREAM stream, const AVISTREAMINFOA& info);
LONG streamLength(PAVISTREAM stream);
HRESULT readFormat(PAVISTREAM stream, void* format, LONG* size);
HRESULT read(PAVISTREAM stream, LONG start, LONG samples, void* buffer, LONG size,
             LONG* bytesRead, LONG* samplesRead);

PGETFRAME openDecompressor(PAVISTREAM stream, BITMAPINFOHEADER* wanted);
// The decompressed frame as a packed DIB (header, then pixels), or null.
const BITMAPINFOHEADER* decompressFrame(PGETFRAME decompressor, LONG frame);
void closeDecompressor(PGETFRAME decompressor);

// Reads the header of the first audio stream of the RIFF AVI file at `path`;
// false when the file is no AVI file or has no audio stream header.
bool readAudioStreamHeader(const char* path, StreamHeaderFields* fields);

// inspectAviChunks on the file at `path`; false also when it cannot be read.
bool inspectAviFile(const char* path, AviFileFacts* facts);
// True when the file at `path` is a link file (see AviFileFacts::isLink).
bool isLinkFile(const char* path);

}  // namespace avi

namespace acm {

MMRESULT largestFormatSize(DWORD* size);
MMRESULT suggestPcm(WAVEFORMATEX* source, WAVEFORMATEX* pcm, DWORD pcmSize);
MMRESULT openStream(HACMSTREAM* stream, WAVEFORMATEX* source, WAVEFORMATEX* pcm);
MMRESULT sourceBytesFor(HACMSTREAM stream, DWORD outputBytes, DWORD* sourceBytes);
MMRESULT prepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header);
MMRESULT unprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header);
MMRESULT convert(HACMSTREAM stream, ACMSTREAMHEADER* header);
void closeStream(HACMSTREAM stream);

}  // namespace acm
