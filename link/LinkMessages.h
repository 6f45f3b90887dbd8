#pragma once
#include <cstdio>
#include <cstring>
#include <string>

// What the link writer tells the user, in message boxes without an owner.
// In a namespace of their own: other parts of the program have texts of the
// same name (the dialog's and the command line's path limits).
namespace linkText {

inline constexpr char kLinkCaption[] = "AVI2ORV";
inline constexpr char kWriteErrorCaption[] = "Write error";
inline constexpr char kAviErrorCaption[] = "AVI error";
inline constexpr char kDecodeErrorCaption[] = "Decode error";

inline constexpr char kPathTooLongText[] = "Path+File name are to long\n Max length=%d";
inline constexpr char kNoOutputFormatText[] =
    "No possible output format is selected for this input format.\nDisable the conversion "
    "matrix, or select an output format for this input format";
inline constexpr char kOutputInUseText[] = "Cannot open AVIfile for writing\nAlready in use ??";
inline constexpr char kVideoWriteText[] = "Video:: Cannot write to AVIfile";
inline constexpr char kTooManySamplesText[] = "Audio:: audioSampleThisBlock>MaxAudioSamplesPerBlock";
inline constexpr char kAudioBufferProblemText[] = "Audio:: AVI write buffer problems.";
inline constexpr char kAudioWriteText[] = "Audio:: Cannot write to AVIfile";
inline constexpr char kRawBufferTooSmallText[] = "Audio:: Buffer to small";
inline constexpr char kAudioReadText[] = "Audio:: Could not decode/retrieve Audio";

// Refusals of values that would otherwise divide by zero, overflow a field or
// ask for absurd amounts of memory; all shown before the output is touched.
inline constexpr char kFrameRateText[] =
    "The source reports a frame rate of %d/%d.\nA link needs a numerator and a denominator "
    "above zero.";
inline constexpr char kFrameRateTooHighText[] =
    "The source's frame rate %d/%d is too high to be stored in a link file.";
inline constexpr char kNegativeCountText[] =
    "The source reports %d frames and %d audio samples.\nA link cannot be made from a "
    "negative count.";
inline constexpr char kSampleRateText[] =
    "The source reports %d audio samples at a sample rate of %d.\nA link needs a sample rate "
    "above zero.";
inline constexpr char kPictureSizeText[] =
    "The source's picture size %d x %d cannot be stored in a link file.";
inline constexpr char kRawAudioFormatText[] =
    "The source's audio (%d channels, %d bits per sample, %d Hz) cannot be written as RAW "
    "audio.";
inline constexpr char kAudioSpanText[] =
    "The source's audio (%d samples at %d Hz) lasts more frame periods than a link file can "
    "count.";
inline constexpr char kVideoBlockSizeText[] =
    "videoSHIMblockSize in the registry is %u bytes.\nA frame record may have at most %u bytes.";
inline constexpr char kAudioBlockSizeText[] =
    "audioSHIMblockSize in the registry is %u bytes.\nA linked audio block may have at most %u "
    "bytes.";
inline constexpr char kAudioBufferText[] =
    "This link would need an audio buffer of %.0f bytes, more than the %d bytes allowed.\n"
    "Check interleave in the registry (%d) and the source's audio and frame rate.";
inline constexpr char kInterleaveText[] =
    "interleave in the registry (%d) does not fit a source at %d/%d frames per second with "
    "audio at %d Hz.";
inline constexpr char kFileTooLargeText[] =
    "This link file would take about %.0f MB, more than the 2048 MB an AVI file can hold.";
inline constexpr char kOutOfMemoryText[] = "Not enough memory for the link's buffers (%u bytes).";
inline constexpr char kSameFileText[] =
    "The output file\n%s\nis the source file\n%s\nA link cannot replace its own source: "
    "choose another output name.";
inline constexpr char kNothingToLinkText[] =
    "The source has neither video frames nor audio samples: a link would hold nothing.";
inline constexpr char kOutputNameText[] = "The link file's name \"%s\" is not a usable path.";
inline constexpr char kReplaceFailedText[] =
    "Cannot put the new link in place of\n%s\nThe file there is unchanged.";
inline constexpr char kFinishFailedText[] =
    "Cannot finish the AVI file:\nits index and headers could not be written.";

// `text` with its one %s filled by `path`, whatever the path's length.
inline std::string withPath(const char* text, const char* path) {
    std::string result(std::strlen(text) + std::strlen(path) + 1, '\0');
    int length = std::snprintf(result.data(), result.size(), text, path);
    result.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return result;
}

}  // namespace linkText
