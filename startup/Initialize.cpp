// InitializeInstaller: fills the installer state from the hand-over file or
// the INSTALL.INF beside the program, the private INI, the script copy and
// the machine, then registers the main window class.
#include <cctype>
#include <cstring>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/StartKind.h"
#include "startup/MainWindow.h"
#include "startup/ScriptLines.h"
#include "startup/Startup.h"
#include "startup/StartupMessages.h"

namespace {

// Every start-up message has no owner and the stop icon.
constexpr UINT kStartStyle = MB_ICONHAND;


// Loads `path` as a text; shows 133 (none) or 131 (empty) under "Warning".
IniText LoadOrComplain(LPCSTR path) {
    IniText text = LoadIniText(path);
    if (text == INITEXT_EMPTY) {
        ShowIdMessage(nullptr, MSG_CANNOT_READ_INFO, CAPTION_WARNING, kStartStyle);
        return nullptr;
    }
    if (!text)
        ShowIdMessage(nullptr, MSG_NOT_ENOUGH_MEMORY, CAPTION_WARNING, kStartStyle);
    return text;
}

// Whether a hand-over text names a file: a drive and a root ("C:\") or a
// network share ("\\"), on one line.
bool IsFullPath(LPCSTR text) {
    bool drive = std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' && text[2] == '\\';
    bool share = text[0] == '\\' && text[1] == '\\';
    return (drive || share) && !std::strpbrk(text, "\r\n");
}

// The hand-over file holds the private INI path, written by another
// component of the product; it is read once and deleted. Returns 0 after the
// "cannot run" message for an empty file, 2 when the file held no path.
int TakeHandOverFile(LPCSTR handOver) {
    HFILE file = _lopen(handOver, OF_READ);
    if (file == HFILE_ERROR)
        return 1;  // exists but cannot be read: go on without a private INI path
    LONG length = _llseek(file, 0, FILE_END);
    if (length == 0) {
        _lclose(file);
        DeleteFileA(handOver);
        char text[256];
        GetMessageText(MSG_DISK_FULL_OR_MEMORY, text);
        ShowTextMessage(nullptr, text, MSG_CANNOT_RUN, kStartStyle);
        return 0;
    }
    char buffer[513] = {};
    _llseek(file, 0, FILE_BEGIN);
    UINT got = _lread(file, buffer, 512);
    if (got == static_cast<UINT>(HFILE_ERROR))
        got = 0;
    buffer[got < 512 ? got : 512] = '\0';
    // The text up to the first NUL, cut to the field: a longer path could
    // not be opened through the 128-byte OFSTRUCT anyway.
    _lclose(file);
    DeleteFileA(handOver);
    // Guard: the script copy of a run stopped before its clean-up has the
    // hand-over file's name; taken as a path, its first lines would become
    // the private INI's name and the run's records would go astray.
    if (!IsFullPath(buffer))
        return 2;
    CopyText(state.privateIniPath, buffer);
    return 1;
}

// No hand-over file: the private INI is named by the INSTALL.INF beside the
// program (after the setup-information copies of an uninstall start).
int FindPrivateIniBesideProgram() {
    GetModuleFileNameA(nullptr, state.sourceDir, sizeof state.sourceDir);
    if (CurrentStartKind() == StartKind::Uninstall && !ReadSetupInfoFile()) {
        ShowIdMessage(nullptr, MSG_CANNOT_READ_INFO, CAPTION_WARNING, kStartStyle);
        return 0;
    }
    if (char* slash = std::strrchr(state.sourceDir, '\\'))
        *slash = '\0';

    char script[MAX_PATH];
    JoinPath(script, state.sourceDir, GetMessageText(TXT_INSTALL_INF));
    if (!FileExists(script)) {
        ShowNotFound(nullptr, TXT_INSTALL_INF, CAPTION_INSTALLATION, kStartStyle);
        return 0;
    }
    char loadedPath[sizeof state.lastOpen.szPathName];
    CopyText(loadedPath, state.lastOpen.szPathName);
    IniText text = LoadOrComplain(loadedPath);
    if (!text)
        return 0;
    char name[256] = {};
    int found = FirstLineOf(text, GetMessageText(TXT_PRIVATE_INI), name);
    FreeIniText(text);
    // Guard: without a name the private INI would be the Windows directory
    // itself; refused, naming the file and the section.
    if (!found || !name[0]) {
        char text131[256];
        GetMessageText(MSG_CANNOT_READ_INFO, text131);
        char message[512];
        CopyText(message, loadedPath);
        AppendText(message, ": [PRIVATE.INI]\n");
        AppendText(message, text131);
        ShowTextMessage(nullptr, message, CAPTION_WARNING, kStartStyle);
        return 0;
    }
    JoinPath(state.privateIniPath, state.windowsDir, name);
    return 1;
}

// Everything from the private INI: font directory, language, source directory.
void ReadPrivateIni() {
    GetPrivateProfileStringA("Install", "FontPath", state.systemDir, state.fontDir, sizeof state.fontDir,
                             state.privateIniPath);
    size_t n = std::strlen(state.fontDir);
    if (n > 0 && state.fontDir[n - 1] == '\\')
        state.fontDir[n - 1] = '\0';  // one backslash only: "C:\\" keeps its root

    int language = static_cast<int>(GetPrivateProfileIntA("Install", "Language", 0, state.privateIniPath));
    // Guard: a value outside the six languages would fetch missing texts.
    state.languageIndex = (language >= 0 && language <= 5) ? language : 0;
    CopyText(state.languageCode, GetMessageText(TXT_LANGUAGE_CODE_FIRST + state.languageIndex));

    GetModuleFileNameA(nullptr, state.driverSourceDir, sizeof state.driverSourceDir);
    if (char* slash = std::strrchr(state.driverSourceDir, '\\'))
        slash[1] = '\0';

    GetPrivateProfileStringA("Install", "DiskPath", state.driverSourceDir, state.sourceDir,
                             sizeof state.sourceDir, state.privateIniPath);
    if (CurrentStartKind() == StartKind::Uninstall)
        CopyText(state.sourceDir, state.driverSourceDir);
    TrimBackslashes(state.sourceDir);
}

// The run's switches, from the script copy (the current text).
void ReadScriptSwitches() {
    CopyText(state.driverSourceDir, state.sourceDir);
    char value[256];
    if (GetDottedValue(GetMessageText(TXT_PRINTERDRIVER_PATH), value)) {
        state.installParts |= 1;
        if (value[0]) {
            AppendText(state.driverSourceDir, "\\");
            AppendText(state.driverSourceDir, value);
        }
    }
    if (GetDottedValue(GetMessageText(TXT_TRUETYPEFONTS_FONTLIST), value) && value[0])
        state.installParts |= 2;

    char line[256];
    IniLine vxd = FindSection(nullptr, GetMessageText(TXT_VXD));
    if (vxd)
        CopyText(state.vxdName, vxd);
    state.showBidiNote = 0;
    if (vxd && NextLine(vxd)) {
        // These two keys are read the platform's way, from the source file.
        char script[MAX_PATH];
        JoinPath(script, state.sourceDir, GetMessageText(TXT_INSTALL_INF));
        char section[32];
        GetMessageText(TXT_VXD, section);
        char message[384];
        char setinf[16];
        GetPrivateProfileStringA(section, "message", "", message, sizeof message, script);
        GetPrivateProfileStringA(section, "setinf", "1", setinf, sizeof setinf, script);
        state.setinfOff = setinf[0] == '0' ? 1 : 0;
        UpperAscii(message);
        state.showBidiNote = std::strcmp(message, "TRUE") == 0 ? 1 : 0;
    }

    state.demoFileOffered = FindSection(nullptr, GetMessageText(TXT_DEMOFILE)) ? 1 : 0;
    state.deletePrograms =
        FirstLineOf(nullptr, GetMessageText(TXT_DEL_INST), line) && !std::strcmp(line, "1");
    state.rebootMode = 0;
    if (FirstLineOf(nullptr, "REBOOTSYSTEM", line)) {
        if (!std::strcmp(line, "1"))
            state.rebootMode = 1;
        else if (!std::strcmp(line, "2"))
            state.rebootMode = 2;
    }
    state.instVersionShown = FindSection(nullptr, "InstVersion") ? 1 : 0;

    state.win95NoteOnly = 0;
    if (FirstLineOf(nullptr, GetMessageText(TXT_WIN95SETUP), line) && !std::strcmp(line, "1")) {
        DWORD version = GetVersion();
        int major = LOBYTE(LOWORD(version));
        int minor = HIBYTE(LOWORD(version));
        if (major > 3 || (major == 3 && minor >= 90))
            state.win95NoteOnly = 1;
    }
    state.versionTypeFlag =
        FirstLineOf(nullptr, GetMessageText(TXT_VERSION_TYPE), line) && !std::strcmp(line, "1");
}

ATOM RegisterMainClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    // The program's own icon group 500, when its resources hold one.
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(500));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassA(&wc);
}

}  // namespace

ATOM InitializeInstaller(HINSTANCE instance) {
    state.instance = instance;
    GetWindowsDirectoryA(state.windowsDir, sizeof state.windowsDir);
    UpperAscii(state.windowsDir);

    char handOver[MAX_PATH];
    JoinPath(handOver, state.windowsDir, GetMessageText(TXT_SCRIPT_COPY));
    int handedOver = FileExists(handOver) ? TakeHandOverFile(handOver) : 2;
    if (handedOver == 0)
        return 0;
    if (handedOver == 2 && !FindPrivateIniBesideProgram())
        return 0;

    GetSystemDirectoryA(state.systemDir, sizeof state.systemDir);
    ReadPrivateIni();

    char source[MAX_PATH];
    JoinPath(source, state.sourceDir, GetMessageText(TXT_INSTALL_INF));
    JoinPath(state.scriptCopyPath, state.windowsDir, GetMessageText(TXT_SCRIPT_COPY));
    if (!ExpandFile(source, state.scriptCopyPath))
        return 0;
    if (!FileExists(state.scriptCopyPath)) {
        ShowNotFound(nullptr, TXT_INSTALL_INF, CAPTION_INSTALLATION, kStartStyle);
        return 0;
    }
    CopyText(state.scriptCopyPath, state.lastOpen.szPathName);
    state.currentText = LoadOrComplain(state.scriptCopyPath);
    if (!state.currentText)
        return 0;

    ReadScriptSwitches();

    state.modeChoiceOffered = CheckInstalledDriver();
    if (state.operationMode == 1)
        state.modeChoiceOffered = 1;

    // CheckInstalledDriver leaves no current text when it got past its
    // first check; when it stopped there the script copy is still current.
    if (state.currentText)
        FreeIniText(nullptr);
    state.currentText = LoadOrComplain(state.scriptCopyPath);
    if (!state.currentText)
        return 0;

    if (CurrentStartKind() != StartKind::GroupOnly) {
        char line[256];
        state.checkEcp = 1;
        if (FirstLineOf(nullptr, "CheckECP", line) && line[0] == '0')
            state.checkEcp = 0;
        if (state.checkEcp)
            ProbeEcpPorts();
    } else {
        FreeIniText(nullptr);
        state.currentText = LoadOrComplain(state.oemInfPath);
        if (!state.currentText)
            return 0;
    }

    ReadIcmPath();
    WriteIcmPath();

    state.waitCursor = LoadCursorA(nullptr, IDC_WAIT);
    return RegisterMainClass(instance);
}
