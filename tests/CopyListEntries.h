// Copy-list entries for tests, built and read by name instead of spelled as
// bytes: Entry{CopyKind::File, '1', "NVQS.DRV"}.compared() is the entry of a
// driver file on disk 1 whose version is checked before it is replaced.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "shared/CopyList.h"
#include "shared/InstallState.h"

namespace nv::testing {

struct Entry {
    CopyKind kind = CopyKind::Skip;
    char disk = '1';
    std::string name;
    std::string destination;  // empty: copied under its own name
    CompareVersions compare = CompareVersions::No;

    Entry() = default;
    Entry(CopyKind k, char d, std::string n, std::string dest = "", CompareVersions c = CompareVersions::No)
        : kind(k), disk(d), name(std::move(n)), destination(std::move(dest)), compare(c) {}

    Entry& compared() {
        compare = CompareVersions::Yes;
        return *this;
    }
    Entry& as(std::string dest) {
        destination = std::move(dest);
        return *this;
    }
    bool operator==(const Entry&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Entry& e) {
    out << "{kind " << static_cast<int>(e.kind) << (e.compare == CompareVersions::Yes ? " compared" : "")
        << ", disk " << e.disk << ", " << e.name;
    if (!e.destination.empty())
        out << " as " << e.destination;
    return out << "}";
}

// Writes entry e into slot.
inline void PutEntry(char* slot, const Entry& e) {
    ASSERT_EQ(WriteCopyEntry(slot, e.kind, e.compare, e.disk, e.name.c_str(),
                             e.destination.empty() ? nullptr : e.destination.c_str()),
              1)
        << e;
}

// Replaces state.copyList by entries (from index 0), ends the list after
// them and sets copyListCount.
inline void SetCopyList(std::initializer_list<Entry> entries) {
    std::memset(state.copyList, 0, sizeof state.copyList);
    int i = 0;
    for (const Entry& e : entries)
        PutEntry(state.copyList[i++], e);
    state.copyListCount = i;
}

// Reads one entry back.
inline Entry ReadEntry(const char* slot) {
    Entry e{EntryKind(slot), EntryDisk(slot), EntryName(slot), "", EntryComparesVersions(slot)};
    if (EntryDestination(slot) != EntryName(slot))  // a name of its own after the source name
        e.destination = EntryDestination(slot);
    return e;
}

// The entries of state.copyList up to its end.
inline std::vector<Entry> CopyListEntries() {
    std::vector<Entry> out;
    for (int i = 0; i < CopyListLength(); ++i)
        out.push_back(ReadEntry(state.copyList[i]));
    return out;
}

}  // namespace nv::testing
