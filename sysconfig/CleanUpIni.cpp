// The WIN.INI and SYSTEM.INI clean-up after the removal of printer models.
#include "sysconfig/CleanUpIni.h"

#include <cstring>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "sysconfig/IniEdit.h"
#include "sysconfig/IniLines.h"

namespace {

const char kUninstallComment[] = "Removed by Norvalk Printer Driver Uninstall:";
constexpr int kValueSize = 128;

// What one [DEL.WIN.INI] line does for one removed model.
struct Deletion {
    char section[kValueSize] = "";
    char key[kValueSize] = "";
    char value[kValueSize] = "";
};

// Settles the line's value against WIN.INI: the present value when it
// differs from the line's, none when they agree. 0 when the entry is absent.
int SettleValue(Deletion& d) {
    if (!d.value[0])
        return 1;
    char present[kValueSize];
    GetProfileStringA(d.section, d.key, "123", present, kValueSize);
    if (EqualsNoCase(present, "123"))
        return 0;
    if (!EqualsNoCase(present, d.value))
        CopyText(d.value, present);
    else
        d.value[0] = 0;
    return 1;
}

// Whether the write would change WIN.INI: the section or key is there (an
// emptied value was present and began with the model's name).
bool WouldChange(LPCSTR section, LPCSTR key, LPCSTR value) {
    if (value)
        return true;
    char present[kValueSize];
    const char absent[] = "\x01";
    // Without a key the call lists the section's keys (a missing section, none).
    GetProfileStringA(section, key, key ? absent : "", present, kValueSize);
    return key ? std::strcmp(present, absent) != 0 : present[0] != 0;
}

// Applies one line for the model named name; backedUp tells whether WIN.INI
// has its backup of this clean-up already.
void ApplyLine(IniLine line, LPCSTR name, LPCSTR winIni, bool* backedUp) {
    Deletion d;
    GetField(line, 1, d.section);
    GetField(line, 2, d.key);
    GetField(line, 3, d.value);
    if (!SettleValue(d))
        return;
    const int n = static_cast<int>(std::strlen(name));
    bool hit = false;
    LPCSTR section = nullptr;
    LPCSTR key = nullptr;
    LPCSTR value = nullptr;
    if (d.section[0]) {
        section = d.section;
        hit = hit || PrefixEqual(name, d.section, n);
    }
    if (d.key[0]) {
        key = d.key;
        hit = hit || PrefixEqual(name, d.key, n);
    }
    if (d.value[0]) {
        value = d.value;
        if (PrefixEqual(name, d.value, n)) {
            d.value[0] = 0;
            hit = true;
        }
    }
    if (!hit)
        return;
    if (!*backedUp && WouldChange(section, key, value)) {
        char backup[BACKUP_PATH_SIZE];
        // Guard: WIN.INI is rewritten by the profile functions; without a copy
        // of it as it was, a failed write could lose the user's settings.
        if (!MakeBackup(winIni, backup))
            return;
        *backedUp = true;
    }
    WriteProfileStringA(section, key, value);
}

}  // namespace

int CleanUpIniFiles(HWND owner, int removal) {
    int result = 0;
    char sectionName[32];
    GetMessageText(TXT_DEL_WIN_INI, sectionName);
    IniLine first = FindSection(nullptr, sectionName);
    char winIni[MAX_PATH];
    if (first && JoinPath(winIni, state.windowsDir, GetMessageText(TXT_WIN_INI)) && FileExists(winIni)) {
        bool backedUp = false;
        for (int i = 0; i < MODEL_SLOTS && state.modelTable[i][0]; ++i) {
            if (state.modelTable[i][MODEL_SELECTED_BYTE] != '1')
                continue;
            for (IniLine line = first; line; line = NextLine(line))
                ApplyLine(line, state.modelTable[i], winIni, &backedUp);
        }
        result = 1;
    }
    if (removal >= 2)
        return result;
    char vxdSection[16];
    GetMessageText(TXT_VXD, vxdSection);
    IniLine vxd = FindSection(nullptr, vxdSection);
    char systemIni[MAX_PATH];
    if (!vxd || !JoinPath(systemIni, state.windowsDir, "SYSTEM.INI") || !FileExists(systemIni))
        return result;
    char valueSpec[144];
    CopyText(valueSpec, vxd);
    state.iniEditMode[0] = INI_MODE_ACCEPTED;
    // Guard: reported as done, a SYSTEM.INI the machine would not let us
    // rewrite would go on loading a virtual device driver whose file is gone.
    if (EditIniEntry(owner, "20:SYSTEM.INI", "386Enh", "device", valueSpec, kUninstallComment) != 1)
        return CLEANUP_DEVICE_LINE_KEPT;
    return 1;
}
