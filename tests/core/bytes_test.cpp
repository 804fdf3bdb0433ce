// The sticky-error byte reader that every reader of a file or datagram stands on: a read that
// fits takes exactly its bytes; one that does not yields zeros, fails the reader for good and
// leaves the position where the bytes stopped making sense.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "module/bytes.h"

namespace {

// "ab", its zero, then 01 02 03 04 05: seven bytes after the text.
const uint8_t kBytes[] = {'a', 'b', 0, 1, 2, 3, 4, 5};

struct ReadCase {
    const char* what;
    size_t start;          // where the reader starts
    size_t readSize;       // 1, 2 or 4 (readU8/16/32) or any other: readBytes of that many
    uint32_t value;        // what it yields (readBytes: its first four bytes, little-endian)
    bool fails;
    size_t positionAfter;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.what; }

uint32_t readOnce(ByteReader& in, size_t size, uint8_t* out) {
    switch (size) {
    case 1:
        return readU8(in);
    case 2:
        return readU16(in);
    case 4:
        return readU32(in);
    default:
        readBytes(in, out, size);
        return getLe32(out);
    }
}

class ByteReads : public testing::TestWithParam<ReadCase> {};

TEST_P(ByteReads, FitOrYieldZerosAndStay) {
    const ReadCase& c = GetParam();
    ByteReader in = byteReader(kBytes, sizeof kBytes, c.start);
    uint8_t out[8];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(readOnce(in, c.readSize, out), c.value) << c.what;
    EXPECT_EQ(in.failed, c.fails) << c.what;
    EXPECT_EQ(in.position, c.positionAfter) << c.what;
    if (c.fails && c.readSize > 4) {
        for (size_t i = 0; i < c.readSize; ++i)
            EXPECT_EQ(out[i], 0) << c.what << ": byte " << i << " of a failed read not zeroed";
    }
    // Once failed, a reader stays failed even for a read that would fit.
    if (c.fails) {
        EXPECT_EQ(readU8(in), 0) << c.what;
        EXPECT_EQ(in.position, c.positionAfter) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ByteReads,
    testing::Values(ReadCase{"u32 taking the last four bytes", 4, 4, 0x05040302u, false, 8},
                    ReadCase{"u32 one byte short", 5, 4, 0, true, 5},
                    ReadCase{"u16 taking the last two", 6, 2, 0x0504u, false, 8},
                    ReadCase{"u16 at the very end", 8, 2, 0, true, 8},
                    ReadCase{"u8 of the last byte", 7, 1, 5, false, 8},
                    ReadCase{"bytes taking exactly the rest", 3, 5, 0x04030201u, false, 8},
                    ReadCase{"bytes one more than the rest", 3, 6, 0, true, 3},
                    ReadCase{"bytes from a start beyond the end", 9, 6, 0, true, 8}));

TEST(ByteReader, SkipsWithinTheBytesAndFailsInPlaceBeyondThem) {
    ByteReader in = byteReader(kBytes, sizeof kBytes);
    skipBytes(in, 8);
    EXPECT_FALSE(in.failed);
    EXPECT_EQ(in.position, 8u);

    ByteReader cut = byteReader(kBytes, sizeof kBytes, 2);
    skipBytes(cut, 7);
    EXPECT_TRUE(cut.failed);
    EXPECT_EQ(cut.position, 2u) << "the position must say where the bytes stopped";
}

TEST(ByteReader, TextsEndAtTheirZeroAndNeedOne) {
    ByteReader in = byteReader(kBytes, sizeof kBytes);
    size_t length = 99;
    const char* text = readText(in, &length);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text, length), "ab");
    EXPECT_EQ(in.position, 3u) << "the text's zero is read with it";
    EXPECT_EQ(readU8(in), 1) << "the next field starts after the zero";

    // From 3 on there is no zero byte: no text, and the reader fails where the text began.
    ByteReader noZero = byteReader(kBytes, sizeof kBytes, 4);
    EXPECT_EQ(readText(noZero, &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(noZero.failed);
    EXPECT_EQ(noZero.position, 4u);
}

}  // namespace
