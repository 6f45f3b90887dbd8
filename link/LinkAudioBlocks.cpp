// The audio blocks of a link: position records (linked audio) or PCM read
// from the source (RAW audio).
#include "link/LinkMessages.h"
#include "link/LinkWriter.h"

using namespace linkText;

bool LinkWriter::writeLinkedAudioBlock(int32_t frame) {
    const uint32_t blockSize = tuning_.audioSHIMblockSize;
    if (blockSize < kAudioBlockRecordSize) {
        closeOutput();
        return false;
    }
    int32_t samplesThisBlock = 0;
    int32_t streamSamples = 0;
    if (!blockSourceSamples(frame, blockSpacing_, audioSamplesPerSecond_, fpsNumerator_,
                            fpsDenominator_, samplesWritten_, numAudioSamples_,
                            &samplesThisBlock) ||
        samplesThisBlock > maxAudioSamplesPerBlock_)
        return fail(kTooManySamplesText, kAviErrorCaption);
    if (audioBufferSize_ < static_cast<int64_t>(kAudioBlockRecordSize) ||
        audioBufferSize_ < static_cast<int64_t>(blockSize))
        return fail(kAudioBufferProblemText, kWriteErrorCaption);
    fillAudioBlockRecord(audioBuffer_.get(), blockSize, blockIndex_, samplesWritten_,
                         samplesThisBlock);
    if (file_ == nullptr || audioStream_ == nullptr) {
        closeOutput();
        return false;
    }
    const double endTime = blockEndTime(frame, blockSpacing_, fpsNumerator_, fpsDenominator_);
    if (!truncateToInt32(linkedStreamSamples(endTime, audioBytesPerSecond_, audioBlockAlign_,
                                             streamPosition_),
                         &streamSamples) ||
        aviStreamWrite(audioStream_, streamPosition_, streamSamples, audioBuffer_.get(),
                       static_cast<int32_t>(blockSize), 0, nullptr, nullptr) != kAviOk)
        return fail(kAudioWriteText, kWriteErrorCaption);
    streamPosition_ += streamSamples;
    samplesWritten_ += samplesThisBlock;
    ++blockIndex_;
    return true;
}

bool LinkWriter::writeRawAudioBlock(int32_t frame) {
    int32_t count = 0;
    if (!blockSourceSamples(frame, blockSpacing_, audioSamplesPerSecond_, fpsNumerator_,
                            fpsDenominator_, streamPosition_, numAudioSamples_, &count))
        return fail(kRawBufferTooSmallText, kWriteErrorCaption);
    int64_t bytes = (int64_t{bitsPerSample_} * nrChannels_ * count) >> 3;
    if (audioBufferSize_ < bytes) return fail(kRawBufferTooSmallText, kWriteErrorCaption);
    if (file_ == nullptr || audioStream_ == nullptr) {
        closeOutput();
        return false;
    }
    // The samples are read straight into the file's write buffer, where the
    // chunk goes: on their way from the source to the file they are copied
    // once by us, not twice.
    auto* samples = static_cast<uint8_t*>(aviStreamChunkRoom(audioStream_, audioBufferSize_));
    if (samples == nullptr) samples = audioBuffer_.get();
    if (source_.audioEntry == nullptr ||
        !source_.audioEntry(streamPosition_, count, samples, audioBufferSize_, source_.reader))
        return fail(kAudioReadText, kDecodeErrorCaption);
    if (aviStreamWrite(audioStream_, streamPosition_, count, samples,
                       static_cast<int32_t>(bytes), 0, nullptr, nullptr) != kAviOk)
        return fail(kAudioWriteText, kWriteErrorCaption);
    streamPosition_ += count;
    return true;
}
