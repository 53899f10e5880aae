// Removing installed models through the spooler: the printers that use a
// model's driver, the driver's files, the driver itself and the language
// monitor.
#include "printer/Removal.h"

#include <cstring>

#include "printer/OemInf.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/CopyList.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "transfer/CopyEngine.h"
#include "ui/ProgressWindow.h"

namespace {

constexpr UINT kDriverNotRemovable = 136;  // "This driver cannot be removed because it is currently being used by Windows.\n\n"
constexpr DWORD kPrinterBufferSize = 51200;
constexpr DWORD kDriverBufferSize = 1024;
constexpr DWORD kPrintersCompared = 100;
char kEnvironment[] = "Windows 4.0";

// The local printers at level 2, in a block of their own.
class LocalPrinters {
public:
    enum Listing { NoMemory, Failed, Listed };

    // Enumerates into a 51200-byte block, or a larger one when the spooler
    // says it needs more.
    Listing list() {
        DWORD size = kPrinterBufferSize;
        for (int attempt = 0; attempt < 2; ++attempt) {
            release();
            block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
            if (!block_)
                return NoMemory;
            auto* bytes = static_cast<LPBYTE>(GlobalLock(block_));
            if (!bytes)
                return NoMemory;
            DWORD needed = 0;
            DWORD returned = 0;
            if (EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, bytes, size, &needed, &returned)) {
                printers_ = reinterpret_cast<PRINTER_INFO_2A*>(bytes);
                count_ = returned < kPrintersCompared ? returned : kPrintersCompared;
                return Listed;
            }
            // Guard: a machine with many printers would otherwise look as if it
            // had none, and their models as not installed.
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= size)
                return Failed;
            size = needed;
        }
        return Failed;
    }

    // The first printer (of the first 100) whose driver is name, or -1.
    int firstOf(LPCSTR name) const {
        for (DWORD i = 0; i < count_; ++i)
            if (usesDriver(i, name))
                return static_cast<int>(i);
        return -1;
    }

    bool usesDriver(DWORD i, LPCSTR name) const {
        return printers_[i].pDriverName && EqualsNoCase(printers_[i].pDriverName, name);
    }
    DWORD count() const { return count_; }
    LPSTR printerName(DWORD i) const { return printers_[i].pPrinterName; }

    LocalPrinters() = default;
    LocalPrinters(const LocalPrinters&) = delete;
    LocalPrinters& operator=(const LocalPrinters&) = delete;
    ~LocalPrinters() { release(); }

private:
    void release() {
        if (block_) {
            GlobalUnlock(block_);
            GlobalFree(block_);
        }
        block_ = nullptr;
        printers_ = nullptr;
        count_ = 0;
    }

    HGLOBAL block_ = nullptr;
    PRINTER_INFO_2A* printers_ = nullptr;
    DWORD count_ = 0;
};

// Deleting and reading the driver both need the printer opened for all access.
BOOL OpenForRemoval(LPSTR name, HANDLE* printer) {
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    return OpenPrinterA(name, printer, &defaults);
}

// The printer's DRIVER_INFO_3 in a block (1024 bytes, or what the
// spooler asks for), or NULL when it cannot be read. *noMemory tells why.
HGLOBAL ReadDriverInfo(HANDLE printer, bool* noMemory) {
    DWORD size = kDriverBufferSize;
    *noMemory = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        LPBYTE bytes = block ? static_cast<LPBYTE>(GlobalLock(block)) : nullptr;
        if (!bytes) {
            if (block)
                GlobalFree(block);
            *noMemory = true;
            return nullptr;
        }
        DWORD needed = 0;
        if (GetPrinterDriverA(printer, kEnvironment, 3, bytes, size, &needed)) {
            GlobalUnlock(block);
            return block;
        }
        DWORD error = GetLastError();
        GlobalUnlock(block);
        GlobalFree(block);
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= size)
            return nullptr;
        size = needed;
    }
    return nullptr;
}

// Guard: dependent file names come from the spooler's registry; a name with a
// drive, a leading separator or ".." would delete a file outside the system
// directory.
bool StaysInSystemDir(LPCSTR name) {
    if (!name[0] || name[0] == '\\' || name[0] == '/' || std::strchr(name, ':'))
        return false;
    for (const char* p = name; *p;) {
        const char* end = p;
        while (*end && *end != '\\' && *end != '/')
            ++end;
        if (end - p == 2 && p[0] == '.' && p[1] == '.')
            return false;
        p = *end ? end + 1 : end;
    }
    return true;
}

bool AlreadyListed(int n, LPCSTR path) {
    for (int j = 0; j < n; ++j)
        if (EqualsNoCase(state.copyList[j], path))
            return true;
    return false;
}

// Appends systemDir\name to the delete list; 0 when the list is full.
int AppendPath(int* n, LPCSTR name) {
    if (*n >= COPY_LIST_ENTRIES)
        return 0;
    char path[COPY_LIST_ENTRY_SIZE];
    // Guard: a cut path would name another file, which would then be deleted.
    if (!StaysInSystemDir(name) || !JoinPath(path, state.systemDir, name) || AlreadyListed(*n, path))
        return 1;
    std::memset(state.copyList[*n], 0, COPY_LIST_ENTRY_SIZE);
    CopyText(state.copyList[*n], COPY_LIST_ENTRY_SIZE, path);
    ++*n;
    if (*n < COPY_LIST_ENTRIES)
        EndCopyList(state.copyList[*n]);
    return 1;
}

// The entry's path below the system directory ("Color\X.ICM" stays whole, so
// the in-use test looks at the file that will be deleted).
LPCSTR BelowSystemDir(LPCSTR path) {
    size_t n = std::strlen(state.systemDir);
    if (std::strlen(path) > n && path[n] == '\\' && std::strncmp(path, state.systemDir, n) == 0)
        return path + n + 1;
    return FileNamePart(path);
}

// Whether printers of a model that is not selected remain.
enum class Remaining { None, Some, Unknown };
Remaining PrintersOfUnselectedModels() {
    LocalPrinters printers;
    if (printers.list() != LocalPrinters::Listed)
        return Remaining::Unknown;
    for (int i = 0; i < ModelSlotCount(); ++i)
        if (!ModelSelected(i) && printers.firstOf(state.modelTable[i]) >= 0)
            return Remaining::Some;
    return Remaining::None;
}

// Shows text first followed by text second under caption.
void ShowJoined(HWND owner, UINT first, UINT second, UINT caption, UINT style) {
    char text[512];
    char part[256];
    char title[256];
    CopyText(text, GetMessageText(first, part));
    AppendText(text, GetMessageText(second, part));
    MessageBoxA(owner, text, GetMessageText(caption, title), MB_OK | style);
}

}  // namespace

int ModelSlotCount() {
    int n = 0;
    while (n < MODEL_SLOTS && state.modelTable[n][0])
        ++n;
    return n;
}

bool ModelSelected(int slot) { return state.modelTable[slot][MODEL_SELECTED_BYTE] == '1'; }

int MarkInstalledModels(int count) {
    const int slots = ModelSlotCount();
    for (int i = 0; i < slots; ++i)
        state.modelTable[i][MODEL_SELECTED_BYTE] = '0';
    int marked = 0;
    LocalPrinters printers;
    if (printers.list() == LocalPrinters::Listed) {
        for (int i = 0; i < count && i < slots; ++i) {
            if (printers.firstOf(state.modelTable[i]) >= 0) {
                state.modelTable[i][MODEL_SELECTED_BYTE] = '1';
                ++marked;
            }
        }
    }
    if (marked == 0 && slots > 0) {
        state.modelTable[0][MODEL_SELECTED_BYTE] = '1';
        marked = 1;
    }
    return marked;
}

int CollectDriverFiles(int modelIndex) {
    LocalPrinters printers;
    LocalPrinters::Listing listing = printers.list();
    if (listing == LocalPrinters::NoMemory)
        return COLLECT_NO_MEMORY;
    int p = listing == LocalPrinters::Listed ? printers.firstOf(state.modelTable[modelIndex]) : -1;
    HANDLE printer = nullptr;
    if (p < 0 || !OpenForRemoval(printers.printerName(static_cast<DWORD>(p)), &printer))
        return COLLECT_NO_PRINTER;
    bool noMemory = false;
    HGLOBAL block = ReadDriverInfo(printer, &noMemory);
    ClosePrinter(printer);
    if (!block)
        return noMemory ? COLLECT_NO_MEMORY : COLLECT_NO_PRINTER;
    const auto* info = static_cast<const DRIVER_INFO_3A*>(GlobalLock(block));
    int n = CopyListLength();
    if (info->pDependentFiles) {
        for (LPCSTR name = info->pDependentFiles; *name; name += std::strlen(name) + 1)
            if (!AppendPath(&n, name))
                break;
    }
    GlobalUnlock(block);
    GlobalFree(block);
    return COLLECT_LISTED;
}

int PrepareRemoval(HWND window) {
    // The list holds the files of every selected model, one after another.
    std::memset(state.copyList, 0, sizeof state.copyList);
    int counted = 0;
    for (int i = 0; i < ModelSlotCount(); ++i) {
        if (!ModelSelected(i))
            continue;
        if (CollectDriverFiles(i) == COLLECT_NO_MEMORY) {
            state.runResult = RESULT_NOT_REMOVED;
            return REMOVAL_REFUSED;
        }
        ++counted;
    }
    // Guard: a spooler that cannot list its printers would have the files
    // and INI entries of printers it still keeps taken away.
    Remaining remaining = PrintersOfUnselectedModels();
    if (remaining == Remaining::Unknown) {
        state.runResult = RESULT_NOT_REMOVED;
        return REMOVAL_REFUSED;
    }
    // Guard: the count alone misses a model the user swapped for another;
    // the files it shares with the removed ones must stay all the same.
    if (counted < state.selectedModelCount || remaining == Remaining::Some) {
        UpdateWindow(window);
        state.runResult = RESULT_REMOVED;
        return REMOVAL_PARTIAL;
    }
    char monitorDll[MAX_PATH];
    char monitorPath[MAX_PATH] = "";
    GetLanguageMonitorPart(monitorDll, sizeof monitorDll, 2);
    if (monitorDll[0])
        JoinPath(monitorPath, state.systemDir, monitorDll);

    char scriptCopy[MAX_PATH];
    JoinPath(scriptCopy, state.windowsDir, GetMessageText(TXT_SCRIPT_COPY));
    if (!FileExists(scriptCopy)) {
        ShowJoined(nullptr, TXT_INSTALL_INF, MSG_NOT_FOUND, CAPTION_INSTALLATION, MB_ICONERROR);
        return REMOVAL_REFUSED;
    }
    const int n = CopyListLength();
    // Every file is tested before anything changes, so a file in use leaves
    // the machine as it was (colour profiles still registered).
    for (int j = 0; j < n; ++j) {
        char* entry = state.copyList[j];
        if (monitorPath[0] && EqualsNoCase(entry, monitorPath)) {
            entry[0] = '0';  // RemoveLanguageMonitor deletes it with the monitor
            continue;
        }
        if (IsFileInUse(BelowSystemDir(entry))) {
            ShowJoined(window, kDriverNotRemovable, MSG_DRIVER_IN_USE_ADVICE, CAPTION_WARNING, MB_ICONEXCLAMATION);
            return REMOVAL_REFUSED;
        }
    }
    for (int j = 0; j < n; ++j) {
        char* entry = state.copyList[j];
        LPCSTR ext = entry[0] == '0' ? nullptr : ExtensionPart(FileNamePart(entry));
        if (ext && EqualsNoCase(ext, "icm"))
            UpdateICMRegKeyA(0, nullptr, entry, ICM_DELETEPROFILE);
    }
    SetCapture(window);
    state.savedCursor = SetCursor(state.waitCursor);
    state.runResult = RESULT_REMOVED;
    HDC dc = OpenProgress(window);
    DeleteListFiles(window, CopyNotify);
    CloseProgress(window, dc);
    SetCursor(state.savedCursor);
    ReleaseCapture();
    UpdateWindow(window);
    return REMOVAL_FULL;
}

int DeleteModelPrinters(int modelIndex) {
    LocalPrinters printers;
    if (printers.list() != LocalPrinters::Listed)
        return 0;
    int result = 1;
    for (DWORD i = 0; i < printers.count(); ++i) {
        if (!printers.usesDriver(i, state.modelTable[modelIndex]))
            continue;
        HANDLE printer = nullptr;
        if (!OpenForRemoval(printers.printerName(i), &printer))
            continue;
        // Guard: a printer the spooler keeps must not be reported as removed.
        if (!DeletePrinter(printer))
            result = 0;
        ClosePrinter(printer);
    }
    // A driver the spooler does not know is gone already.
    if (!DeletePrinterDriverA(nullptr, kEnvironment, state.modelTable[modelIndex]) &&
        GetLastError() != ERROR_UNKNOWN_PRINTER_DRIVER)
        return 0;
    return result;
}

int RemoveLanguageMonitor() {
    char name[MAX_PATH];
    char dll[MAX_PATH];
    GetLanguageMonitorPart(name, sizeof name, 1);
    GetLanguageMonitorPart(dll, sizeof dll, 2);
    if (!name[0])
        return 1;
    // A monitor the spooler does not know leaves its DLL to nobody.
    if (!DeleteMonitorA(nullptr, kEnvironment, name) && GetLastError() != ERROR_UNKNOWN_PRINT_MONITOR)
        return 0;
    char path[MAX_PATH];
    // Guard: the DLL's name comes from the OEM INF; it must name a file of the
    // system directory.
    if (!IsPlainFileName(dll) || !JoinPath(path, state.systemDir, dll))
        return 1;
    OFSTRUCT of;
    OpenFile(path, &of, OF_DELETE);
    return 1;
}
