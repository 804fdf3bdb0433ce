// What the CDPD setup dialogs decide without a window: the list row, the typed address, the
// tests a new entry passes, the new slot and Delete.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cdpd/cdpd_setup.h"
#include "module/module_state.h"
#include "tests/core/fake_platform.h"

namespace {

uint32_t addressOf(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    uint8_t bytes[4] = {a, b, c, d}; // network byte order: the first number first
    uint32_t address;
    std::memcpy(&address, bytes, 4);
    return address;
}

CdpdAddress entryNamed(const char* description, uint32_t address = 0) {
    CdpdAddress entry{};
    entry.address = address;
    std::strncpy(entry.description, description, sizeof entry.description);
    return entry;
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text)
        out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

// ---- Row text ----

struct RowCase {
    const char* name;
    CdpdAddress entry;
    const char* row;
};

CdpdAddress withNumbers(CdpdAddress entry, float frequency, int32_t resolution) {
    entry.frequency = frequency;
    entry.resolution = resolution;
    return entry;
}

CdpdAddress brimFull() {
    CdpdAddress entry{};
    entry.address = addressOf(192, 168, 0, 255);
    std::memset(entry.description, 'x', sizeof entry.description); // no terminator
    entry.iconIndex = 0x78787878;                                  // what follows it
    return entry;
}

TEST(CdpdRowText, ShowsAddressDescriptionFrequencyAndResolution) {
    const RowCase cases[] = {
        {"example", withNumbers(entryNamed("Van", addressOf(10, 1, 2, 3)), 2.5f, 100),
         "10.1.2.3, Van, 2.5, 100"},
        {"new entry", entryNamed("Truck 7", addressOf(127, 0, 0, 1)), "127.0.0.1, Truck 7, 0.0, 0"},
        {"tenth truncated, negative resolution",
         withNumbers(entryNamed("a", addressOf(255, 255, 255, 255)), 1.99f, -40),
         "255.255.255.255, a, 1.9, -40"},
        {"description filling its 52 bytes", brimFull(),
         "192.168.0.255, xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx, 0.0, 0"},
    };
    for (const RowCase& c : cases)
        EXPECT_EQ(narrow(cdpdRowText(c.entry)), c.row) << c.name;
}

TEST(CdpdRowText, WidensHighBytesAsSignedBytes) {
    std::u16string row = cdpdRowText(entryNamed("\xE9t\xE9"));
    EXPECT_EQ(row, u"0.0.0.0, \uFFE9t\uFFE9, 0.0, 0");
}

// ---- The typed address ----

TEST(JoinOctetFields, DropsLeadingZerosSoNoFieldReadsAsOctal) {
    struct Case {
        const char* fields[4];
        const char* joined;
    };
    const Case cases[] = {
        {{"10", "1", "2", "3"}, "10.1.2.3"},
        {{"010", "08", "0", "000"}, "10.8.0.0"},
        {{"000000255", "00", "1", "0009"}, "255.0.1.9"},
        {{"", "1", "", "256"}, ".1..256"}, // left for inet_addr to refuse
    };
    for (const Case& c : cases) {
        char joined[kJoinedAddressSize];
        joinOctetFields(c.fields, joined);
        EXPECT_STREQ(joined, c.joined);
    }
}

// ---- A new entry ----

TEST(CheckNewEntry, RefusesEmptyDuplicateAndAFullList) {
    CdpdAddress list[kCdpdCapacity] = {entryNamed("Van"), brimFull()};
    std::string fiftyTwo(52, 'x');
    struct Case {
        int32_t count;
        const char* description;
        NewEntryCheck result;
    };
    const Case cases[] = {
        {2, "Truck", NewEntryCheck::Accepted},
        {2, "van", NewEntryCheck::Accepted}, // exact and case-sensitive
        {2, "Van ", NewEntryCheck::Accepted},
        {2, "Va", NewEntryCheck::Accepted},
        {2, "", NewEntryCheck::EmptyDescription},
        {2, "Van", NewEntryCheck::DuplicateDescription},
        {2, fiftyTwo.c_str(), NewEntryCheck::DuplicateDescription}, // read within its bound
        {1, fiftyTwo.c_str(), NewEntryCheck::Accepted},
        {0, "Van", NewEntryCheck::Accepted},
        {kCdpdCapacity - 1, "New", NewEntryCheck::Accepted},
        {kCdpdCapacity, "New", NewEntryCheck::ListFull},
        {kCdpdCapacity + 7, "New", NewEntryCheck::ListFull},
        {-1, "New", NewEntryCheck::ListFull},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkNewEntry(list, c.count, kCdpdCapacity, c.description), c.result)
            << "count " << c.count << ", '" << c.description << "'";
}

TEST(MakeNewEntry, IsZeroBeyondWhatTheDialogSets) {
    CdpdAddress entry = makeNewEntry(addressOf(10, 1, 2, 3), "Van", true, 3);
    CdpdAddress expected;
    std::memset(&expected, 0, sizeof expected);
    expected.address = addressOf(10, 1, 2, 3);
    std::memcpy(expected.description, "Van", 3);
    expected.modemFlag = 1;
    expected.iconIndex = 3;
    EXPECT_EQ(std::memcmp(&entry, &expected, sizeof entry), 0);

    std::string long60(60, 'd'); // never longer than 51 bytes and a terminator
    entry = makeNewEntry(0, long60.c_str(), false, 0);
    EXPECT_EQ(std::string(entry.description), std::string(51, 'd'));
    EXPECT_EQ(entry.modemFlag, 0);
}

TEST(SetDescription, ClearsWhatALongerTextLeftBehind) {
    CdpdAddress entry = entryNamed("A much longer description");
    entry.iconIndex = 4;
    setDescription(entry, "Short");
    char expected[52] = "Short";
    EXPECT_EQ(std::memcmp(entry.description, expected, 52), 0);
    EXPECT_EQ(entry.iconIndex, 4);
}

// ---- Delete ----

TEST(DeleteCdpdEntry, MovesLaterEntriesDownAndClearsTheFreedSlot) {
    struct Case {
        int32_t row;
        bool deleted;
        const char* left; // first letters of the descriptions left, in order
    };
    const Case cases[] = {
        {0, true, "BC"},    {1, true, "AC"},   {2, true, "AB"},
        {-1, false, "ABC"}, {3, false, "ABC"}, {kCdpdCapacity, false, "ABC"},
    };
    for (const Case& c : cases) {
        CdpdAddress list[kCdpdCapacity] = {entryNamed("A"), entryNamed("B"), entryNamed("C")};
        int32_t count = 3;
        EXPECT_EQ(removeEntry(list, count, c.row), c.deleted) << "row " << c.row;
        std::string left;
        for (int32_t i = 0; i < count; ++i)
            left += list[i].description[0];
        EXPECT_EQ(left, c.left) << "row " << c.row;
        if (c.deleted) {
            CdpdAddress zero{};
            EXPECT_EQ(std::memcmp(&list[count], &zero, sizeof zero), 0) << "row " << c.row;
        }
    }
}

TEST(DeleteCdpdEntry, OfAnEmptyListDoesNothing) {
    CdpdAddress list[kCdpdCapacity] = {};
    int32_t count = 0;
    EXPECT_FALSE(removeEntry(list, count, 0));
    EXPECT_EQ(count, 0);
}

// ---- The dialogs' changes of cdpdList ----

class CdpdEdits : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        moduleState.cdpdList[0] = entryNamed("Van", addressOf(10, 0, 0, 1));
        moduleState.cdpdList[1] = entryNamed("Truck", addressOf(10, 0, 0, 2));
        moduleState.cdpdCount = 2;
    }
};

// The add dialog's refusals come in this order, and only an accepted entry is counted.
TEST_F(CdpdEdits, AddRefusesInOrderAndCountsOnlyAWholeEntry) {
    uint32_t address = addressOf(10, 1, 2, 3);
    struct Case {
        int32_t count;
        const char16_t* typed;
        const uint32_t* address;
        NewEntryCheck result;
    } cases[] = {
        {kCdpdCapacity, u"", nullptr, NewEntryCheck::ListFull},
        {2, u"", nullptr, NewEntryCheck::EmptyDescription},
        {2, u"Va\x016E", nullptr, NewEntryCheck::DuplicateDescription}, // narrows to "Van"
        {2, u"Bus", nullptr, NewEntryCheck::UnreadableAddress},
        {2, u"Bus", &address, NewEntryCheck::Accepted},
    };
    for (const Case& c : cases) {
        moduleState.cdpdCount = c.count;
        EXPECT_EQ(addCdpdEntry(c.typed, c.address, true, 4), c.result);
        EXPECT_EQ(moduleState.cdpdCount, c.result == NewEntryCheck::Accepted ? 3 : c.count);
    }
    CdpdAddress expected = makeNewEntry(address, "Bus", true, 4);
    EXPECT_EQ(std::memcmp(&moduleState.cdpdList[2], &expected, sizeof expected), 0);
}

TEST_F(CdpdEdits, ModifyIconAndMarksReachOnlyEntriesInTheList) {
    ASSERT_TRUE(modifyCdpdEntry(1, u"Lorry", u"2.25", u"150.9", true));
    const CdpdAddress& e = moduleState.cdpdList[1];
    EXPECT_STREQ(e.description, "Lorry");
    EXPECT_EQ(e.frequency, 2.25f);
    EXPECT_EQ(e.resolution, 150);
    EXPECT_EQ(e.modemFlag, 1);
    EXPECT_EQ(e.address, addressOf(10, 0, 0, 2));
    ASSERT_TRUE(modifyCdpdEntry(1, u"Lorry", u"2.25", u"150.9", false));
    EXPECT_EQ(e.modemFlag, 0) << "an OK with the box cleared clears the modem mark";

    for (int32_t icon : {-1, 6})
        EXPECT_FALSE(setCdpdIcon(1, icon)) << icon;
    EXPECT_TRUE(setCdpdIcon(1, 5));
    EXPECT_EQ(e.iconIndex, 5);

    for (int32_t index : {-1, 2, kCdpdCapacity}) {
        EXPECT_FALSE(modifyCdpdEntry(index, u"x", u"1", u"1", false)) << index;
        EXPECT_FALSE(setCdpdIcon(index, 1)) << index;
        EXPECT_FALSE(removeCdpdEntry(index)) << index;
        setCdpdSelection(index);
        EXPECT_EQ(selectedCdpdEntry(), -1) << index;
    }
    EXPECT_EQ(moduleState.cdpdList[2].description[0], 0);

    // A row's state image: 2 is a ticked box, 1 an empty one, 0 none.
    EXPECT_EQ(enabledFromStateImage(2), 1);
    for (uint32_t image : {0u, 1u, 3u})
        EXPECT_EQ(enabledFromStateImage(image), 0) << image;
    int32_t marks[3] = {1, 0, 1};  // one row more than entries
    storeEnabledMarks(marks, 3);
    EXPECT_EQ(moduleState.cdpdList[0].enabled, 1);
    EXPECT_EQ(moduleState.cdpdList[1].enabled, 0);
    EXPECT_EQ(moduleState.cdpdList[2].enabled, 0);
}

} // namespace
