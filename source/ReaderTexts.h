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
