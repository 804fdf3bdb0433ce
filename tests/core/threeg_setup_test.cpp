// The 3G setup dialogs' decisions over the target list: row texts from records that may fill
// their fields to the brim, the add dialog's checks on the bytes that would be stored, and
// changes that never reach a slot outside the list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "module/module_state.h"
#include "tests/core/fake_platform.h"
#include "threeg/threeg_setup.h"

namespace {

ThreeGTarget target(const char16_t* id, const char* description, float frequency,
                    int32_t resolution) {
    ThreeGTarget t{};
    std::memcpy(t.targetId, id, std::char_traits<char16_t>::length(id) * 2);
    std::memcpy(t.description, description, std::strlen(description));
    t.frequency = frequency;
    t.resolution = resolution;
    return t;
}

std::u16string rowOf(const ThreeGTarget& t) {
    char16_t text[kTargetRowTextSize];
    formatTargetRow(t, text);
    return text;
}

TEST(TargetRow, ShowsDescriptionIdFrequencyAndResolution) {
    ThreeGTarget full{};
    std::memset(full.description, 'D', sizeof full.description);  // no terminator in either
    for (char16_t& unit : full.targetId)
        unit = u'I';
    full.frequency = -2147483648.0f;
    full.resolution = INT32_MIN;
    const std::u16string fullRow = std::u16string(64, u'D') + u", " + std::u16string(16, u'I') +
                                   u", -2147483648.0, -2147483648";

    struct {
        ThreeGTarget target;
        std::u16string row;
    } cases[] = {
        {target(u"T100", "Truck 7", 1.5f, 200), u"Truck 7, T100, 1.5, 200"},
        {target(u"T9", "new", 0.0f, 0), u"new, T9, 0.0, 0"},
        {target(u"T9", "x", 2.55f, -40), u"x, T9, 2.5, -40"},
        {target(u"\xFFE9", "caf\xE9", 10.0f, 7), u"caf\xFFE9, \xFFE9, 10.0, 7"},
        {target(u"", "", 0.25f, 1), u", , 0.2, 1"},
        {full, fullRow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rowOf(c.target), c.row);
    EXPECT_EQ(fullRow.size() + 1, kTargetRowTextSize);
}

class TargetSetup : public testing::Test {
  protected:
    void SetUp() override {
        resetFakePlatform();
        put(target(u"T1", "Car", 1.0f, 10));
        put(target(u"T2", "Truck 7", 2.0f, 20));
        put(target(u"T3", "Van", 3.0f, 30));
    }
    void put(const ThreeGTarget& t) { moduleState.targetList[moduleState.targetCount++] = t; }
    static std::string description(int index) {
        const char* d = moduleState.targetList[index].description;
        return std::string(d, strnlen(d, 64));
    }
};

struct AddCase {
    const char16_t* typed;
    NewEntryCheck result;
};

const AddCase addCases[] = {
    {u"", NewEntryCheck::EmptyDescription},
    {u"\x0100" u"abc", NewEntryCheck::EmptyDescription},  // narrows to nothing
    {u"Car", NewEntryCheck::DuplicateDescription},
    {u"Ca\x0172", NewEntryCheck::DuplicateDescription},   // narrows to "Car"
    {u"car", NewEntryCheck::Accepted},                     // letter case counts
};

class TargetAdd : public TargetSetup, public testing::WithParamInterface<AddCase> {};

TEST_P(TargetAdd, ChecksTheDescriptionAsItWouldBeStored) {
    const AddCase& c = GetParam();
    EXPECT_EQ(addTarget(u"T9", c.typed, 0), c.result);
    EXPECT_EQ(moduleState.targetCount, c.result == NewEntryCheck::Accepted ? 4 : 3);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, TargetAdd, testing::ValuesIn(addCases));

TEST_F(TargetSetup, AddFillsAZeroedSlotWithTheStoredForms) {
    std::memset(&moduleState.targetList[3], 0xA5, sizeof(ThreeGTarget));  // left from before
    ASSERT_EQ(addTarget(u"\x00E9" u"bcdefghijklmnopqrs", u"Bus", 3), NewEntryCheck::Accepted);

    ThreeGTarget expected{};
    expected.targetId[0] = u'\xFFE9';  // the ID narrowed and widened again, first 15 characters
    std::memcpy(expected.targetId + 1, u"bcdefghijklmno", 14 * 2);
    std::memcpy(expected.description, "Bus", 3);
    expected.iconIndex = 3;
    EXPECT_EQ(std::memcmp(&moduleState.targetList[3], &expected, sizeof expected), 0);
    EXPECT_EQ(moduleState.targetCount, 4);
}

TEST_F(TargetSetup, AddCutsTheDescriptionAt63AndRefusesAFullListUnchanged) {
    std::u16string typed(70, u'd');
    ASSERT_EQ(addTarget(u"T4", typed.c_str(), 9), NewEntryCheck::Accepted);
    EXPECT_EQ(description(3), std::string(63, 'd'));
    EXPECT_EQ(moduleState.targetList[3].iconIndex, 0);  // no icon 9: the first icon

    while (moduleState.targetCount < kTargetCapacity) {
        std::u16string description(1, char16_t(u'A' + moduleState.targetCount));
        ASSERT_EQ(addTarget(u"T", description.c_str(), 0), NewEntryCheck::Accepted);
    }
    ThreeGTarget list[kTargetCapacity];
    std::memcpy(list, moduleState.targetList, sizeof list);
    EXPECT_EQ(addTarget(u"T", u"one more", 0), NewEntryCheck::ListFull);
    EXPECT_EQ(moduleState.targetCount, kTargetCapacity);
    EXPECT_EQ(std::memcmp(list, moduleState.targetList, sizeof list), 0);
}

TEST_F(TargetSetup, ModifyStoresWhatTheParsersGiveAndKeepsTheRest) {
    moduleState.targetList[1].iconIndex = 4;
    moduleState.targetList[1].enabled = 1;
    moduleState.targetList[1].lastLongitude = -5;
    moduleState.targetList[1].lastLatitude = 6;
    std::memset(moduleState.targetList[1].description, 'x', 64);
    ThreeGTarget before = moduleState.targetList[1];

    std::u16string forty(40, u'n');
    ASSERT_TRUE(modifyTarget(1, forty.c_str(), u"2.55", u"-12.9"));
    const ThreeGTarget& after = moduleState.targetList[1];
    EXPECT_EQ(description(1), std::string(29, 'n'));
    EXPECT_EQ(std::string(after.description + 29, 35), std::string(35, '\0'));
    EXPECT_EQ(after.frequency, 2.55f);
    EXPECT_EQ(after.resolution, -12);
    EXPECT_EQ(std::memcmp(after.targetId, before.targetId, sizeof before.targetId), 0);
    EXPECT_EQ(std::memcmp(&after.iconIndex, &before.iconIndex, 16), 0);  // icon to last latitude

    ASSERT_TRUE(modifyTarget(1, u"", u"", u"x"));  // nothing is validated
    EXPECT_EQ(description(1), "");
    EXPECT_EQ(after.frequency, 0.0f);
    EXPECT_EQ(after.resolution, 0);
}

TEST_F(TargetSetup, RemoveMovesTheLaterTargetsDownAndZeroesTheSlotLeft) {
    ThreeGTarget last = moduleState.targetList[2];
    ASSERT_TRUE(removeTarget(1));
    EXPECT_EQ(moduleState.targetCount, 2);
    EXPECT_EQ(description(0), "Car");
    EXPECT_EQ(std::memcmp(&moduleState.targetList[1], &last, sizeof last), 0);
    ThreeGTarget zero{};
    EXPECT_EQ(std::memcmp(&moduleState.targetList[2], &zero, sizeof zero), 0);
}

// Whatever names no target (no row selected, or a list that shrank under the selection) changes
// nothing and reads nothing outside the list.
TEST_F(TargetSetup, AnIndexThatNamesNoTargetChangesNothing) {
    std::memset(&moduleState.targetList[3], 0x5A, sizeof(ThreeGTarget));
    ThreeGTarget list[kTargetCapacity];
    std::memcpy(list, moduleState.targetList, sizeof list);
    ThreeGTarget copy;
    for (int32_t index : {-1, 3, kTargetCapacity, INT32_MIN}) {
        EXPECT_FALSE(modifyTarget(index, u"x", u"1", u"1")) << index;
        EXPECT_FALSE(removeTarget(index)) << index;
        EXPECT_FALSE(setTargetIcon(index, 2)) << index;
        EXPECT_FALSE(copyTargetAt(index, &copy)) << index;
        setTargetSelection(index);
        EXPECT_EQ(selectedTarget(), -1) << index;
    }
    EXPECT_EQ(moduleState.targetCount, 3);
    EXPECT_EQ(std::memcmp(list, moduleState.targetList, sizeof list), 0);

    setTargetSelection(2);
    EXPECT_EQ(selectedTarget(), 2);
    moduleState.targetCount = 2;  // the selected target was deleted
    EXPECT_EQ(selectedTarget(), -1);
}

TEST_F(TargetSetup, AnIconPickStoresOnlyOneOfTheSixIcons) {
    moduleState.targetList[0].iconIndex = 2;
    for (int32_t icon : {-1, 6, 194, INT32_MIN})
        EXPECT_FALSE(setTargetIcon(0, icon)) << icon;
    EXPECT_EQ(moduleState.targetList[0].iconIndex, 2);
    EXPECT_TRUE(setTargetIcon(0, 5));
    EXPECT_EQ(moduleState.targetList[0].iconIndex, 5);
}

} // namespace
