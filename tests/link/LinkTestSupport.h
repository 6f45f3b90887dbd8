#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/TuningValues.h"
#include "tests/link/AviReadback.h"
#include "tests/link/LinkRequest.h"
#include "tests/link/RiffReader.h"
#include "tests/support/WindowAnswerer.h"

// Presses OK on every message box with one of the given captions and keeps
// what they said, so a test can tell which messages a link showed.
class MessageWatch {
public:
    explicit MessageWatch(std::vector<std::string> captions);
    // Waits a moment for boxes still being answered, then lists their texts.
    std::vector<std::string> texts(size_t expected = 0) const;

private:
    std::vector<std::unique_ptr<WindowAnswerer>> answerers_;
};

// The captions of every message box the link writer shows with an OK button.
std::vector<std::string> linkWriterCaptions();

// Writes all five tuning values, as a person editing the registry would.
void storeTuningValues(const TuningValues& values);

// A written link file, parsed from its bytes and read through AVIFile.
struct LinkFile {
    std::vector<uint8_t> bytes;
    ParsedAvi parsed;
    Readback system;
};
LinkFile inspectLink(const std::string& path);

uint32_t u32of(const std::vector<uint8_t>& bytes, size_t offset);

// Links written into this program's scratch folder, each test starting from
// a registry without the program's key (so the tuning values are defaults).
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    LinkRequest request(const std::string& outputName) const;
};
