// The plug-and-play keys of the maker's models, deleted when a model is
// removed: one key for each of the two series, one for every other model.
#include <windows.h>

#include "printer/Removal.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "startup/StageSteps.h"

namespace {

struct PlugAndPlayKey {
    const char* model;
    const char* key;
};
const PlugAndPlayKey kPlugAndPlayKeys[] = {
    {"Norvalk QS-8000 series", "Enum\\LPTENUM\\NORVALKQS-8000_SERIEC9E2"},
    {"Norvalk QS-8300 series", "Enum\\LPTENUM\\NORVALKQS-8300_SERIED1A8"},
};
const char kOtherModelsKey[] = "Enum\\LPTENUM\\NorvalkQX-7700C7F05";

}  // namespace

LPCSTR PlugAndPlayKeyOf(LPCSTR model) {
    for (const PlugAndPlayKey& k : kPlugAndPlayKeys)
        if (EqualsNoCase(model, k.model))
            return k.key;
    return kOtherModelsKey;
}

void DeletePlugAndPlayKeys() {
    for (int i = 0; i < ModelSlotCount(); ++i) {
        if (!ModelSelected(i))
            continue;
        LPCSTR key = PlugAndPlayKeyOf(state.modelTable[i]);
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
            continue;
        RegCloseKey(opened);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    }
}
