// The module's append (one read, only the changes written) against the literal append of
// literal_track_append.cpp (a read call per field, every symbol written back) on generated
// files: both must leave the same bytes, append after append.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tests/core/literal_track_append.h"
#include "tracklog/track_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char16_t kPath[] = u"\\My Documents\\Truck 7(12.8.2002).way";

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

// Text of `length` non-zero bytes.
void putText(Bytes& b, std::mt19937& random, size_t length) {
    for (size_t i = 0; i < length; ++i)
        b.push_back(uint8_t(1 + random() % 255));
    b.push_back(0);
}

// A sound track file as another program might have written it: any header, names from empty to
// a few thousand bytes, records with and without symbols, symbols of every kind.
Bytes generatedFile(std::mt19937& random, int records) {
    const uint32_t symbols[] = {0,  1,  17,   23,         24,         25,
                                29, 30, 1000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    const size_t nameLengths[] = {0, 1, 9, 40, 255, 256, 3000};
    Bytes b;
    for (int i = 0; i < 64; ++i)
        b.push_back(uint8_t(random()));
    put32(b, uint32_t(records));
    for (int i = 0; i < records; ++i) {
        putText(b, random, nameLengths[random() % 7]);
        putText(b, random, random() % 3 == 0 ? 0 : 32);
        for (int j = 0; j < 20; ++j)
            b.push_back(uint8_t(random()));
        uint8_t flag = random() % 4 == 0 ? 0 : uint8_t(1 + random() % 255);
        b.push_back(flag);
        if (flag != 0)
            put32(b, symbols[random() % 12]);
    }
    return b;
}

class Differential : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        root = makeTestRoot();
        resetFakeFiles(root);
        std::u16string folder = u"\\My Documents";
        std::copy(folder.begin(), folder.end(), moduleState.documentsFolder);
    }
    void TearDown() override { removeTestRoot(root); }

    // Runs both appends from `start` (no file when null) for three points in a row and compares
    // the files after each.
    void expectSameAsLiteral(const Bytes* start, const std::string& what) {
        const LocalTime times[] = {{2002, 12, 0, 8, 9, 1, 2, 0},
                                   {2002, 12, 0, 8, 10, 11, 12, 0},
                                   {2002, 12, 0, 8, 23, 59, 59, 0}};
        const int32_t coordinates[][2] = {{12, -34}, {-89999999, 179999999}, {0, 5}};
        Bytes literal, module;
        bool exists = start != nullptr;
        if (exists)
            literal = module = *start;
        for (int i = 0; i < 3; ++i) {
            literal = afterAppend(exists, literal, literalAppendTrackPoint, times[i],
                                  coordinates[i], i * 2);
            module = afterAppend(exists, module, appendTrackPoint, times[i], coordinates[i], i * 2);
            exists = true;
            ASSERT_EQ(module, literal) << what << ", append " << i + 1;
        }
    }

    using Append = void (*)(const char*, const LocalTime&, int32_t, int32_t, int32_t);
    static Bytes afterAppend(bool exists, const Bytes& file, Append append, const LocalTime& at,
                             const int32_t* coordinates, int32_t icon) {
        std::filesystem::remove(realPath(kPath));
        if (exists)
            writeRealFile(kPath, file);
        append("Truck 7", at, coordinates[0], coordinates[1], icon);
        return readRealFile(kPath);
    }

    std::string root;
};

TEST_F(Differential, GeneratedFilesEndTheSame) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        Bytes start = generatedFile(random, int(random() % 60));
        expectSameAsLiteral(&start, "seed " + std::to_string(seed));
    }
}

TEST_F(Differential, NewEmptyAndShortFilesEndTheSame) {
    expectSameAsLiteral(nullptr, "no file");
    Bytes empty;
    expectSameAsLiteral(&empty, "an empty file");
    Bytes partHeader(40, 0x33);
    expectSameAsLiteral(&partHeader, "a file that ends inside its header");
    Bytes countZero(68, 0x44);
    std::fill(countZero.begin() + 64, countZero.end(), 0);
    expectSameAsLiteral(&countZero, "a header and the count 0");
}

}  // namespace
