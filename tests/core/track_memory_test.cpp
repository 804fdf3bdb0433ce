// The table of remembered track files on its own: which entry a path finds, and which entry a new
// file takes. What it costs when these go wrong (a walk of a whole file at every append) is what
// track_file_test.cpp measures; here the choice itself is pinned, whatever order the entries lie in.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tracklog/track_memory.h"

namespace {

std::u16string pathOf(int i) { return u"\\My Documents\\Car " + std::u16string(1, char16_t(u'A' + i)); }

// Fills the whole table with known files, as appends that went through leave it; returns their
// entries in the order they were remembered.
std::vector<RememberedTrackFile*> fillTable() {
    forgetTrackFiles();
    std::vector<RememberedTrackFile*> entries;
    for (size_t i = 0; i < kRememberedTrackFiles; ++i) {
        RememberedTrackFile* entry = rememberTrackFile(pathOf(int(i)).c_str());
        entry->known = true;
        entries.push_back(entry);
    }
    return entries;
}

TEST(TrackMemory, APathFindsItsOwnEntryNotOneItIsThePrefixOf) {
    const std::u16string shortPath = u"\\My Documents\\Van(12.8.2002).way";
    const std::u16string longPath = shortPath + u"(12.8.2002).way";
    for (bool shortFirst : {true, false}) {
        forgetTrackFiles();
        const std::u16string& first = shortFirst ? shortPath : longPath;
        const std::u16string& second = shortFirst ? longPath : shortPath;
        RememberedTrackFile* a = rememberTrackFile(first.c_str());
        a->known = true;
        RememberedTrackFile* b = rememberTrackFile(second.c_str());
        b->known = true;
        ASSERT_NE(a, b);
        EXPECT_EQ(findRememberedTrackFile(first.c_str()), a) << "short first: " << shortFirst;
        EXPECT_EQ(findRememberedTrackFile(second.c_str()), b) << "short first: " << shortFirst;
    }
}

// A full table gives up the entry used least recently: a file found counts as used then.
TEST(TrackMemory, ANewFileTakesTheEntryUsedLeastRecently) {
    for (size_t least = 0; least < kRememberedTrackFiles; ++least) {
        std::vector<RememberedTrackFile*> entries = fillTable();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i != least)
                findRememberedTrackFile(entries[i]->path);  // a use
        }
        EXPECT_EQ(rememberTrackFile(u"\\My Documents\\New"), entries[least])
            << "least recently used: the file remembered as number " << least;
    }
}

// An append that went wrong forgets its file while it is the one used last; a new file takes
// that free entry, and no known file is given up for it, wherever the free entry lies.
TEST(TrackMemory, ANewFileTakesAFreeEntryBeforeAnyKnownOne) {
    for (size_t freed = 0; freed < kRememberedTrackFiles; ++freed) {
        std::vector<RememberedTrackFile*> entries = fillTable();
        std::sort(entries.begin(), entries.end());  // in the order they lie in the table
        findRememberedTrackFile(entries[freed]->path)->known = false;
        EXPECT_EQ(rememberTrackFile(u"\\My Documents\\New"), entries[freed])
            << "free entry " << freed;
    }
}

// An append that runs forgets its file until it went through; its entry is its own again then,
// and no second entry holds the same path.
TEST(TrackMemory, AFileComesBackToItsOwnEntry) {
    std::vector<RememberedTrackFile*> entries = fillTable();
    RememberedTrackFile* own = findRememberedTrackFile(entries[3]->path);
    own->known = false;
    EXPECT_EQ(rememberTrackFile(own->path), own);
}

}  // namespace
