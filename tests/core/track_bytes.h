// Track files as tests write them: a head, records given field by field, and the file they make,
// for every test that needs a track file's bytes (the track log's, the differential test's, the
// tool's). Nothing here comes from the module's own encoder, so a test of the encoder is not
// held against itself. And the start every test of the appends shares.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using TrackBytes = std::vector<uint8_t>;

// One record as a file holds it; symbolFlag 0 leaves the symbol out. The defaults are the first
// point of Truck 7 on 8 December 2002 as the module writes it, but for its name.
struct TrackRecordFields {
    std::string name;
    std::string comment = "Address: Unknown  Time: 14:05:09";
    int32_t longitude = -340;
    int32_t latitude = 120;
    uint32_t symbol = 26;
    uint8_t symbolFlag = 1;
    std::array<uint8_t, 8> shortTexts{};
    uint32_t word = 1;
};

// A record with the defaults but for its name and symbol.
TrackRecordFields trackRecord(std::string name, uint32_t symbol = 26, uint8_t symbolFlag = 1);

void appendLe32(TrackBytes& bytes, uint32_t value);

// The 64-byte header of a new file (zero but the words 0, 4098 and 1) and `count`.
TrackBytes newTrackHead(int32_t count);

void appendTrackRecord(TrackBytes& bytes, const TrackRecordFields& record);

// `head` followed by the records.
TrackBytes trackBytes(TrackBytes head, const std::vector<TrackRecordFields>& records);

// A new root for the fake files (removed with removeTestRoot), the fake platform reset, the
// documents folder "\My Documents", and no file remembered from an earlier test: returns the root.
std::string startTrackFiles();
