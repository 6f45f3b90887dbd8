#pragma once

// The reader's own texts, kept in `lastError` or shown to the user.
inline constexpr char kUnknownReaderError[] = "Unknown AVI reader error";
inline constexpr char kCouldNotOpenPrefix[] = "Could not open AVI file : ";
inline constexpr char kForcedFormatEnding[] = "with forced video format.";
inline constexpr char kVideoAlreadyOpened[] = "Requesting video while video already opened\n";
inline constexpr char kVideoFrameUnreadable[] = "Unable to read RAW video date from AVI file";
inline constexpr char kVideoUnreadable[] = "Unable to read video from AVI file";
inline constexpr char kVideoBufferTooSmall[] = "Video frame buffer too small for the picture";
inline constexpr char kAudioAlreadyOpened[] = "Requesting audio while audio already opened\n";
inline constexpr char kAudioAlreadyOpenedCaption[] = "Velqo plugin";
inline constexpr char kUnknownAudioError[] = "Unknown audio from AVI file error";
inline constexpr char kAudioUnreadable[] = "Unable to read RAW audio data from AVI file";
inline constexpr char kAudioUndecodable[] = "Unable to decode audio data";
inline constexpr char kAudioBufferTooSmall[] = "Audio buffer too small for the requested samples";

// Refusals of sources that would crash the platform's AVIFile (Wine 8 aborts
// or faults on these); shown in a box, since no caller shows lastError.
inline constexpr char kSourceRefusedCaption[] = "Quorl";
inline constexpr unsigned kMaxAviFilePath = 258;
inline constexpr char kPathTooLongForAviFile[] =
    "Source paths of 259 characters or more cannot be opened:\n%s";
inline constexpr char kNoIndexText[] =
    "%s\nhas no index (no idx1 chunk and no OpenDML index), so its frames and sound cannot "
    "be read safely.\nRemux the file so that it gets an index.";
inline constexpr char kOpenDmlIndexOnlyText[] =
    "%s\nhas only an OpenDML index (indx) and no idx1 index, and Video for Windows reads only "
    "an idx1 index, so its frames and sound cannot be read safely.\nRemux the file so that it "
    "gets an idx1 index.";
inline constexpr char kSecondPartText[] =
    "%s\nis an AVI file over 1 GB in the OpenDML form (a second RIFF part, AVIX). Video for "
    "Windows reads only the first part, about 1 GB, so its frames and sound cannot be read "
    "completely.\nCut it into files under 1 GB, or open it through an AviSynth script.";
inline constexpr char kAudioBlockAlignZeroText[] =
    "%s\nhas an audio stream whose block alignment (nBlockAlign) is 0, so its sound cannot "
    "be read.";
