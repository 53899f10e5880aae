#include <algorithm>

#include "resources/strings/StringTable.h"

const char* FindStringResource(unsigned resourceId) {
    const StringTableEntry* end = kStringTable + kStringTableSize;
    const StringTableEntry* it = std::lower_bound(
        kStringTable, end, resourceId, [](const StringTableEntry& e, unsigned id) { return e.id < id; });
    return it != end && it->id == resourceId ? it->text : nullptr;
}
