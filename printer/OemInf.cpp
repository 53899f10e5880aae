#include "printer/OemInf.h"

#include <cstdio>
#include <cstring>

#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"

namespace {

constexpr int kFieldSize = 128;        // values and fields of the OEM INF

bool Unattended() { return (state.runFlags & RUN_UNATTENDED) != 0; }

IniLine StepLines(IniLine line, int count) {
    for (int i = 0; i < count && line; ++i)
        line = NextLine(line);
    return line;
}

// Guard: a field that filled its buffer may have been cut into another name; it is refused.
bool FieldFits(const char* field, int size) { return std::strlen(field) < static_cast<size_t>(size - 1); }

bool ExtensionIs(const char* ext, const char* want) { return ext && std::strcmp(ext, want) == 0; }
bool ExtensionIsNoCase(const char* ext, const char* want) { return ext && EqualsNoCase(ext, want); }

void ShowInUse() {
    if (Unattended())
        return;
    char text[512];
    char piece[256];
    char caption[256];
    GetMessageText(MSG_DRIVER_IN_USE, text);
    AppendText(text, GetMessageText(MSG_DRIVER_IN_USE_ADVICE, piece));
    GetMessageText(CAPTION_WARNING, caption);
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void ShowInfError(HWND window, LPCSTR name) {
    char text[512];
    GetMessageText(MSG_CANNOT_READ_INFO, text);
    if (name) {
        char suffix[128];
        std::snprintf(suffix, sizeof suffix, "\n strings = %s", name);
        AppendText(text, suffix);
    }
    MessageBoxA(window, text, "Error", MB_OK | MB_ICONHAND);
}

int IsFileInUse(LPCSTR fileName) {
    char path[MAX_PATH];
    if (!JoinPath(path, state.systemDir, fileName))
        return 0;
    HANDLE h = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return 0;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? 1 : 0;
}

void GetLanguageMonitorPart(LPSTR out, int size, int n) {
    if (size < 1)
        return;
    out[0] = '\0';
    IniLine line = FindSection(nullptr, "Printer1");
    char key[kFieldSize] = "";  // a line without "=" leaves it untouched
    for (; line; line = NextLine(line)) {
        if (GetField(line, 0, key) && std::strcmp(key, "LanguageMonitor") == 0)
            break;
    }
    if (!line)
        return;
    char pair[kFieldSize];
    if (!GetField(line, 1, pair))
        return;
    const char* part = pair;
    for (int i = 1; i < n && part; ++i) {
        part = std::strchr(part, ',');
        if (part)
            ++part;
    }
    if (!part)
        return;
    const char* end = std::strchr(part, ',');
    size_t len = end ? static_cast<size_t>(end - part) : std::strlen(part);
    if (len >= static_cast<size_t>(size))
        len = static_cast<size_t>(size) - 1;
    std::memcpy(out, part, len);
    out[len] = '\0';
}

int ListModels(HWND window, IniLine firstLine, int skip) {
    char sectionName[kFieldSize];
    IniLine line = StepLines(firstLine, skip);
    if (!line || !GetField(line, 1, sectionName) || !FieldFits(sectionName, kFieldSize)) {
        ShowInfError(window, nullptr);
        return 0;
    }
    IniLine model = FindSection(nullptr, sectionName);
    if (!model) {
        ShowInfError(window, nullptr);
        return 0;
    }
    int n = CountLines(model);
    if (n > MODEL_SLOTS) {
        // Guard: the table has five slots; more models would be lost without a word.
        ShowInfError(window, sectionName);
        return 0;
    }
    std::memset(state.modelTable, 0, sizeof state.modelTable);
    for (int i = 0; i < n && model; ++i, model = NextLine(model)) {
        char name[kFieldSize] = "";  // a model line without "=" leaves it untouched
        GetField(model, 0, name);
        if (std::strlen(name) >= sizeof state.driverName || !name[0]) {
            std::memset(state.modelTable, 0, sizeof state.modelTable);
            ShowInfError(window, name);
            return 0;
        }
        CopyText(state.modelTable[i], MODEL_NAME_MAX, name);
        state.modelTable[i][MODEL_SELECTED_BYTE] = '0';
    }
    return n;
}

int PrepareModel(HWND window, IniLine firstLine, int skip, int modelIndex) {
    char sectionName[kFieldSize];
    IniLine line = StepLines(firstLine, skip);
    IniLine model = nullptr;
    if (line && GetField(line, 1, sectionName) && FieldFits(sectionName, kFieldSize))
        model = FindSection(nullptr, sectionName);
    if (!model) {
        ShowInfError(window, nullptr);
        return 0;
    }
    model = StepLines(model, modelIndex);
    if (!model) {
        ShowInfError(window, nullptr);
        return 0;
    }
    char name[kFieldSize] = "";  // a model line without "=" leaves it untouched
    GetField(model, 0, name);
    if (!name[0] || std::strlen(name) >= sizeof state.driverName) {
        ShowInfError(window, name);
        return 0;
    }
    WritePrivateProfileStringA("Install", "DriverName", name, state.privateIniPath);
    CopyText(state.driverName, name);

    char installName[kFieldSize];
    IniLine install = nullptr;
    if (GetField(model, 1, installName) && FieldFits(installName, kFieldSize))
        install = FindSection(nullptr, installName);
    if (!install) {
        ShowInfError(window, nullptr);
        return 0;
    }
    char copyFiles[384];
    if (!GetKeyValue(install, "CopyFiles", copyFiles) || !FieldFits(copyFiles, kFieldSize)) {
        ShowInfError(window, "");
        return 0;
    }

    HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, DRIVER_ENTRY_BLOCK_SIZE);
    if (!block) {
        char text[256];
        MessageBoxA(window, GetMessageText(MSG_NOT_ENOUGH_MEMORY, text), "Error", MB_OK | MB_ICONHAND);
        return 0;
    }
    state.driverEntry = block;
    auto* entry = static_cast<DriverEntry*>(LocalLock(block));
    if (entry) {
        GetKeyValue(install, "DriverFile", entry->driverFile);
        GetKeyValue(install, "DefaultDataType", entry->defaultDataType);
        GetKeyValue(install, "HelpFile", entry->helpFile);
        GetKeyValue(install, "LanguageMonitor", entry->languageMonitor);
        GetKeyValue(install, "PrintProcessor", entry->printProcessor);
        LocalUnlock(block);
    }

    // Each comma-separated name is a file-list section, in copy order.
    int index = 0;
    char* cursor = copyFiles;
    for (;;) {
        char* comma = std::strchr(cursor, ',');
        if (comma)
            *comma = '\0';
        if (!AddFileList(window, cursor, index))
            return 0;
        if (!comma)
            break;
        cursor = comma + 1;
        ++index;
    }
    return 1;
}

int AddFileList(HWND window, LPCSTR sectionName, int listIndex) {
    char monitorDll[kFieldSize];
    GetLanguageMonitorPart(monitorDll, sizeof monitorDll, 2);

    IniLine line = FindSection(nullptr, sectionName);
    if (!line) {
        ShowInfError(window, sectionName);
        return 0;
    }
    int n = CountLines(line);
    int result = 1;
    char sourceDisksName[64];
    GetMessageText(TXT_SOURCEDISKSFILES, sourceDisksName);
    IniLine disks = FindSection(nullptr, sourceDisksName);
    if (!disks) {
        ShowInfError(window, nullptr);
        result = 0;
    }
    for (int i = 0; result && i < n && line; ++i, line = NextLine(line)) {
        // A paired line is "destination,source"; the reader has removed blanks.
        char whole[384];
        CopyText(whole, line);
        if (!FieldFits(whole, sizeof whole)) {
            ShowInfError(window, sectionName);
            result = 0;
            break;
        }
        char* comma = std::strchr(whole, ',');
        bool paired = comma != nullptr;
        const char* dest = whole;
        const char* source = whole;
        if (paired) {
            *comma = '\0';
            source = comma + 1;
        }
        // Guard: a name with a path in it would be copied outside its
        // destination directory.
        if (!IsPlainFileName(dest) || !IsPlainFileName(source)) {
            ShowInfError(window, dest);
            result = 0;
            break;
        }
        char disk[kFieldSize];
        // Guard: the disk number must be 1 to 9: any other entry would never
        // be copied, as the copy run goes disk by disk, yet count as done.
        if (!GetKeyValue(disks, dest, disk) || disk[0] < '1' || disk[0] > '9') {
            ShowInfError(window, dest);
            result = 0;
            break;
        }
        const char* ext = std::strchr(dest, '.');
        if (ext)
            ++ext;

        if (Unattended()) {
            if (listIndex == 0) {
                if (ext && EqualsNoCase(ext, "drv") && IsFileInUse(dest)) {
                    char text[256];
                    MessageBoxA(window, GetMessageText(MSG_ENGLISH_INSTALLED, text), "", MB_OK);
                    result = 0;
                    break;
                }
                if (!ExtensionIs(ext, "386"))
                    continue;
            } else if (listIndex == 2 && !ExtensionIsNoCase(ext, "dll")) {
                continue;
            }
        }

        // Guard: the entry must fit: more files than the list holds would
        // overflow it, and names longer than an entry would be cut into
        // other names; both are refused.
        size_t need = std::strlen(source) + 1 + (paired ? std::strlen(dest) + 1 : 0);
        if (state.copyListCount >= COPY_LIST_ENTRIES || need > static_cast<size_t>(COPY_ENTRY_NAME_ROOM)) {
            ShowInfError(window, dest);
            result = 0;
            break;
        }
        char* entry = state.copyList[state.copyListCount];
        std::memset(entry, 0, COPY_LIST_ENTRY_SIZE);

        CopyKind kind = paired ? CopyKind::Renamed : CopyKind::File;
        CompareVersions compare = CompareVersions::No;
        bool inUse = false;
        if (ExtensionIs(ext, "drv")) {
            compare = CompareVersions::Yes;
            inUse = IsFileInUse(source) != 0;
        } else if (ExtensionIs(ext, "386")) {
            kind = state.setinfOff == 1 ? CopyKind::QuietFile : CopyKind::DeviceDriver;
            compare = CompareVersions::Yes;
        } else if (ExtensionIs(ext, "prn")) {
            kind = CopyKind::Skip;
        } else if (ExtensionIs(ext, "exe")) {
            inUse = IsFileInUse(source) != 0;
        } else if (ExtensionIsNoCase(ext, "dll")) {
            if (EqualsNoCase(source, monitorDll) && IsFileInUse(source))
                kind = CopyKind::Skip;
        } else if (ExtensionIsNoCase(ext, "icm")) {
            kind = CopyKind::ColourProfile;
        }
        if (inUse) {
            ShowInUse();
            result = 0;
            break;
        }
        // A file already listed is copied once.
        for (int k = 0; k < state.copyListCount; ++k) {
            if (std::strcmp(CopyListSource(k), source) == 0) {
                kind = CopyKind::Skip;
                compare = CompareVersions::No;
                break;
            }
        }
        // A skipped entry is never copied, so it keeps no destination name.
        bool renamed = paired && kind != CopyKind::Skip;
        WriteCopyEntry(entry, kind, compare, disk[0], source, renamed ? dest : nullptr);
        ++state.copyListCount;
    }
    if (state.copyListCount < COPY_LIST_ENTRIES)
        EndCopyList(state.copyList[state.copyListCount]);
    return result;
}

void SortCopyListByDisk() {
    int n = CopyListLength();
    if (n == 0)
        return;
    // Whole entries are copied, so the destination names move with them.
    HGLOBAL scratch = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(n) * COPY_LIST_ENTRY_SIZE);
    char* copy = scratch ? static_cast<char*>(GlobalLock(scratch)) : nullptr;
    if (!copy) {
        if (scratch)
            GlobalFree(scratch);
        char text[256];
        char caption[256];
        MessageBoxA(nullptr, GetMessageText(MSG_NOT_ENOUGH_MEMORY, text), GetMessageText(CAPTION_INSTALLATION, caption),
                    MB_OK | MB_ICONHAND);
        return;
    }
    std::memcpy(copy, state.copyList, static_cast<size_t>(n) * COPY_LIST_ENTRY_SIZE);
    int placed = 0;
    for (char digit = '1'; digit <= '9' && placed < n; ++digit) {
        for (int i = 0; i < n; ++i) {
            const char* e = copy + static_cast<size_t>(i) * COPY_LIST_ENTRY_SIZE;
            if (EntryDisk(e) == digit)
                std::memcpy(state.copyList[placed++], e, COPY_LIST_ENTRY_SIZE);
        }
    }
    for (int i = placed; i < n; ++i)
        std::memset(state.copyList[i], 0, COPY_LIST_ENTRY_SIZE);
    state.copyListCount = placed;
    GlobalUnlock(scratch);
    GlobalFree(scratch);
}
