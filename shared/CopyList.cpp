#include "shared/CopyList.h"

#include <cstring>

#include "shared/InstallState.h"

namespace {

constexpr BYTE kCompareBit = 0x80;
constexpr int kNameOffset = 3;

BYTE FirstByte(const char* entry) { return static_cast<BYTE>(entry[0]); }

}  // namespace

bool EntryInUse(const char* entry) { return entry[0] != '\0'; }

CopyKind EntryKind(const char* entry) {
    return static_cast<CopyKind>(static_cast<BYTE>(FirstByte(entry) - '0') & 0x7F);
}

CompareVersions EntryComparesVersions(const char* entry) {
    return (FirstByte(entry) & kCompareBit) ? CompareVersions::Yes : CompareVersions::No;
}

char EntryDisk(const char* entry) { return entry[1]; }

LPCSTR EntryName(const char* entry) { return entry + kNameOffset; }

LPCSTR EntryDestination(const char* entry) {
    const char* source = entry + kNameOffset;
    // Guard: a name that fills its room has no NUL inside the entry; reading
    // on would run into the next entry.
    size_t len = strnlen(source, COPY_ENTRY_NAME_ROOM);
    if (len + 1 < static_cast<size_t>(COPY_ENTRY_NAME_ROOM) && source[len + 1])
        return source + len + 1;
    return source;
}

int WriteCopyEntry(char* entry, CopyKind kind, CompareVersions compare, char disk, LPCSTR name, LPCSTR destination) {
    size_t nameLen = std::strlen(name);
    size_t need = nameLen + 1 + (destination ? std::strlen(destination) + 1 : 0);
    // Guard: a longer name would be cut into another file's name, or run
    // into the next entry.
    if (need > static_cast<size_t>(COPY_ENTRY_NAME_ROOM))
        return 0;
    std::memset(entry, 0, COPY_LIST_ENTRY_SIZE);
    BYTE first = static_cast<BYTE>('0' + static_cast<BYTE>(kind));
    if (compare == CompareVersions::Yes)
        first |= kCompareBit;
    entry[0] = static_cast<char>(first);
    entry[1] = disk;
    entry[2] = ':';
    std::memcpy(entry + kNameOffset, name, nameLen + 1);
    if (destination)
        std::memcpy(entry + kNameOffset + nameLen + 1, destination, std::strlen(destination) + 1);
    return 1;
}

void SetEntryKind(char* entry, CopyKind kind) { entry[0] = static_cast<char>('0' + static_cast<BYTE>(kind)); }

void ClearVersionCheck(char* entry) { entry[0] = static_cast<char>(FirstByte(entry) & ~kCompareBit); }

void EndCopyList(char* entry) { entry[0] = '\0'; }

int CopyListLength() {
    int n = 0;
    while (n < COPY_LIST_ENTRIES && EntryInUse(state.copyList[n]))
        ++n;
    return n;
}

LPCSTR CopyListSource(int index) { return EntryName(state.copyList[index]); }

LPCSTR CopyListDestination(int index) { return EntryDestination(state.copyList[index]); }
