#include "shared/CopyList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CopyListEntries.h"
#include "shared/InstallState.h"

using nv::testing::Entry;
using nv::testing::ReadEntry;

namespace {

std::string Bytes(const char* entry, size_t n) { return std::string(entry, n); }

}  // namespace

// The stored layout is what other parts of the run (and an earlier run's
// habits) rely on: kind digit with the check bit, disk digit, ':', name.
TEST(CopyListEntry, LayoutStaysByteForByte) {
    char entry[COPY_LIST_ENTRY_SIZE];
    std::memset(entry, 'x', sizeof entry);
    ASSERT_EQ(WriteCopyEntry(entry, CopyKind::File, CompareVersions::Yes, '1', "NVQS.DRV"), 1);
    EXPECT_EQ(Bytes(entry, 12), std::string("\xB1" "1:NVQS.DRV\0\0", 12));
    EXPECT_EQ(entry[COPY_LIST_ENTRY_SIZE - 1], '\0');  // the rest is zero-filled

    ASSERT_EQ(WriteCopyEntry(entry, CopyKind::Renamed, CompareVersions::No, '3', "NVUP16.DRV", "NVUPPER.DRV"), 1);
    EXPECT_EQ(Bytes(entry, 26), std::string("63:NVUP16.DRV\0NVUPPER.DRV\0", 26));

    ASSERT_EQ(WriteCopyEntry(entry, CopyKind::DeviceDriver, CompareVersions::Yes, '2', "NVBIDI.386"), 1);
    EXPECT_EQ(static_cast<BYTE>(entry[0]), 0xB2);
}

TEST(CopyListEntry, ReadsWhatWasWritten) {
    char entry[COPY_LIST_ENTRY_SIZE];
    for (int k = 0; k < COPY_KIND_COUNT; ++k) {
        for (CompareVersions compare : {CompareVersions::No, CompareVersions::Yes}) {
            Entry e{static_cast<CopyKind>(k), '9', "NAME.EXT", "", compare};
            ASSERT_EQ(WriteCopyEntry(entry, e.kind, compare, '9', "NAME.EXT"), 1);
            EXPECT_TRUE(EntryInUse(entry));
            EXPECT_EQ(ReadEntry(entry), e);
            EXPECT_EQ(EntryDestination(entry), EntryName(entry));  // copied under its own name
        }
    }
}

TEST(CopyListEntry, KindAndCheckBitChangeAlone) {
    char entry[COPY_LIST_ENTRY_SIZE];
    WriteCopyEntry(entry, CopyKind::Renamed, CompareVersions::Yes, '1', "A.DRV", "B.DRV");
    ClearVersionCheck(entry);
    EXPECT_EQ(ReadEntry(entry), (Entry{CopyKind::Renamed, '1', "A.DRV", "B.DRV"}));
    WriteCopyEntry(entry, CopyKind::File, CompareVersions::Yes, '1', "A.DRV");
    SetEntryKind(entry, CopyKind::Skip);  // a decided entry has nothing left to compare
    EXPECT_EQ(ReadEntry(entry), (Entry{CopyKind::Skip, '1', "A.DRV"}));
    EndCopyList(entry);
    EXPECT_FALSE(EntryInUse(entry));
}

TEST(CopyListEntry, UndefinedKindsReadAsThemselves) {
    char entry[COPY_LIST_ENTRY_SIZE] = "81:X.DLL";
    EXPECT_EQ(static_cast<int>(EntryKind(entry)), 8);
    entry[0] = static_cast<char>(0x80 | '9');
    EXPECT_EQ(static_cast<int>(EntryKind(entry)), 9);
    EXPECT_EQ(EntryComparesVersions(entry), CompareVersions::Yes);
}

// Names fill bytes 3 to 143: at the limit they fit, one more is refused and
// the entry is left as it was.
TEST(CopyListEntry, NamesAtTheLimitAndOnePast) {
    char entry[COPY_LIST_ENTRY_SIZE];
    std::string longest(COPY_ENTRY_NAME_ROOM - 1, 'N');
    ASSERT_EQ(WriteCopyEntry(entry, CopyKind::File, CompareVersions::No, '1', longest.c_str()), 1);
    EXPECT_EQ(std::string(EntryName(entry)), longest);
    EXPECT_EQ(EntryDestination(entry), EntryName(entry));

    char before[COPY_LIST_ENTRY_SIZE];
    std::memcpy(before, entry, sizeof entry);
    std::string tooLong(COPY_ENTRY_NAME_ROOM, 'N');
    EXPECT_EQ(WriteCopyEntry(entry, CopyKind::File, CompareVersions::No, '1', tooLong.c_str()), 0);
    EXPECT_EQ(std::memcmp(before, entry, sizeof entry), 0);

    // Name and destination share the room, each with its NUL.
    std::string half(COPY_ENTRY_NAME_ROOM / 2 - 1, 'S');
    std::string rest(COPY_ENTRY_NAME_ROOM - half.size() - 2, 'D');
    ASSERT_EQ(WriteCopyEntry(entry, CopyKind::Renamed, CompareVersions::No, '1', half.c_str(), rest.c_str()), 1);
    EXPECT_EQ(std::string(EntryDestination(entry)), rest);
    EXPECT_EQ(WriteCopyEntry(entry, CopyKind::Renamed, CompareVersions::No, '1', half.c_str(), (rest + "D").c_str()), 0);
}

// An entry whose name fills the whole room without a NUL (a damaged entry)
// gives no destination read beyond the entry.
TEST(CopyListEntry, DestinationOfAFullEntryStaysInside) {
    char entries[2][COPY_LIST_ENTRY_SIZE];
    std::memset(entries, 'Z', sizeof entries);
    std::memcpy(entries[0], "11:", 3);
    EXPECT_EQ(EntryDestination(entries[0]), EntryName(entries[0]));
}

TEST(CopyList, LengthEndsAtTheFirstEmptyEntryOrTheLast) {
    ResetInstallState();
    EXPECT_EQ(CopyListLength(), 0);
    nv::testing::SetCopyList({{CopyKind::File, '1', "A"}, {CopyKind::Font, '2', "B.TTF"}, {CopyKind::Skip, '2', "Face"}});
    EXPECT_EQ(CopyListLength(), 3);
    EXPECT_STREQ(CopyListSource(1), "B.TTF");
    EXPECT_STREQ(CopyListDestination(1), "B.TTF");
    for (auto& entry : state.copyList)
        WriteCopyEntry(entry, CopyKind::File, CompareVersions::No, '1', "F");
    EXPECT_EQ(CopyListLength(), COPY_LIST_ENTRIES);
}
