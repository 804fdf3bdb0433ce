// The module's file functions over real files, as the device's older calls make them: positions
// and sizes past 4 GB (in two words, where a low word of all ones is no failure), and the
// replacement of a list file in one step, whose failure leaves both files as they were.
#include <gtest/gtest.h>

#include "module/platform.h"
#include "tests/wine/wine_support.h"

namespace {

const char16_t* utf16(const wchar_t* path) { return reinterpret_cast<const char16_t*>(path); }

// A sparse file of 8 GB less a byte: its size's low word is all ones. Byte 'L' sits at
// 0xFFFFFFFF, whose low word is all ones too, and 'H' is its last byte.
constexpr wchar_t kBigFile[] = L"L:\\big.bin";
constexpr uint64_t kBigSize = 0x1FFFFFFFFull;

void writeByteAt(HANDLE file, uint64_t offset, char byte) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD n = 0;
    ASSERT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) << "error " << GetLastError();
    ASSERT_TRUE(WriteFile(file, &byte, 1, &n, nullptr)) << "error " << GetLastError();
}

class BigFile : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(enterDeviceRoot()) << "no L: drive: run the tests through `make test`";
        HANDLE f = CreateFileW(kBigFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        DWORD ignored = 0;
        DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        writeByteAt(f, 0xFFFFFFFF, 'L');
        writeByteAt(f, kBigSize - 1, 'H');
        CloseHandle(f);
        file = platformOpenFile(utf16(kBigFile), FileAccess::Read, FileDisposition::OpenExisting);
        ASSERT_NE(file, kNoFile);
    }
    void TearDown() override {
        if (file != kNoFile)
            platformCloseFile(file);
        DeleteFileW(kBigFile);
    }
    // The byte at the file position, or '-' when none could be read.
    char byteHere() {
        char byte = '-';
        return platformReadFile(file, &byte, 1) == 1 ? byte : '-';
    }
    FileHandle file = kNoFile;
};

TEST_F(BigFile, ItsSizeInBothWords) { EXPECT_EQ(platformFileSize(file), int64_t(kBigSize)); }

TEST_F(BigFile, SeeksPast4GBFromEachOrigin) {
    struct {
        const char* what;
        int64_t offset;
        FileOrigin origin;
        char byte;
    } seeks[] = {
        {"to 0xFFFFFFFF from the start", 0xFFFFFFFF, FileOrigin::Begin, 'L'},
        {"to the last byte from the start", int64_t(kBigSize) - 1, FileOrigin::Begin, 'H'},
        {"back a byte from the end", -1, FileOrigin::End, 'H'},
        {"back 4 GB from after the last byte", -int64_t(0x100000000), FileOrigin::Current, 'L'},
    };
    for (const auto& s : seeks) {
        ASSERT_TRUE(platformSeekFile(file, s.offset, s.origin)) << s.what;
        EXPECT_EQ(byteHere(), s.byte) << s.what;
    }
    char byte = '-';
    EXPECT_EQ(platformReadFileAt(file, 0xFFFFFFFF, &byte, 1), 1);
    EXPECT_EQ(byte, 'L');
}

TEST_F(BigFile, ASeekBeforeTheStartFailsAndLeavesThePosition) {
    ASSERT_TRUE(platformSeekFile(file, 0xFFFFFFFF, FileOrigin::Begin));
    EXPECT_FALSE(platformSeekFile(file, -int64_t(0x100000000), FileOrigin::Current));
    EXPECT_FALSE(platformSeekFile(file, -int64_t(kBigSize) - 1, FileOrigin::End));
    EXPECT_EQ(byteHere(), 'L') << "a failed seek moved the position";
}

TEST(Files, NoSizeOfAClosedHandle) {
    FileHandle closed = reinterpret_cast<FileHandle>(INVALID_HANDLE_VALUE);
    EXPECT_EQ(platformFileSize(closed), -1);
    EXPECT_FALSE(platformSeekFile(closed, 0, FileOrigin::Begin));
}

// ---- Replacing a list file with its new copy

constexpr wchar_t kList[] = L"L:\\Windows\\zqList";
constexpr wchar_t kNewList[] = L"L:\\Windows\\zqList.new";

struct Replacement {
    const char* what;
    const char* existing;     // the list before, or null for none
    const char* replacement;  // the new copy, or null for none
    bool holdExisting;        // another handle holds the list (share mode 0)
    bool replaced;
};

const Replacement kReplacements[] = {
    {"a list replaced", "old list", "new list", false, true},
    {"the first save: nothing to replace", nullptr, "new list", false, true},
    {"the list held open", "old list", "new list", true, false},
    {"no new copy", "old list", nullptr, false, false},
};

void PrintTo(const Replacement& r, std::ostream* out) { *out << r.what; }

class Replace : public testing::TestWithParam<Replacement> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(enterDeviceRoot()) << "no L: drive: run the tests through `make test`";
        DeleteFileW(kList);
        DeleteFileW(kNewList);
    }
    void TearDown() override {
        DeleteFileW(kList);
        DeleteFileW(kNewList);
    }
};

TEST_P(Replace, InOneStepOrNotAtAll) {
    const Replacement& r = GetParam();
    if (r.existing != nullptr)
        writeFileBytes(kList, r.existing);
    if (r.replacement != nullptr)
        writeFileBytes(kNewList, r.replacement);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (r.holdExisting)
        held = CreateFileW(kList, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    bool replaced = platformReplaceFile(utf16(kNewList), utf16(kList));
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);

    EXPECT_EQ(replaced, r.replaced) << r.what;
    if (r.replaced) {
        EXPECT_EQ(fileBytes(kList), r.replacement) << r.what;
        EXPECT_EQ(fileBytes(kNewList), "(none)") << r.what;
    } else {
        EXPECT_EQ(fileBytes(kList), r.existing ? r.existing : "(none)") << r.what;
        EXPECT_EQ(fileBytes(kNewList), r.replacement ? r.replacement : "(none)") << r.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Replace, testing::ValuesIn(kReplacements));

} // namespace
