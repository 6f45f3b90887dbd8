#pragma once
#include <cstdint>
#include <vector>

// Small AVI files written in memory by the program's own writer and link
// records: what the reader's look at a file's chunks must understand.
struct MemoryAviContent {
    bool video = true;
    bool audio = true;
    uint32_t audioBlockAlign = 128;  // nBlockAlign of the linked audio format
    uint32_t secondAudioBlockAlign = 0;  // a second audio stream when not 0
};

std::vector<uint8_t> writeMemoryAvi(const MemoryAviContent& content);
