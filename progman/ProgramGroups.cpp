// Program Manager groups over DDE.
#include "progman/ProgramGroups.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <dde.h>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"

namespace {

constexpr char kClientClass[] = "InsDDEClass";
constexpr char kProgman[] = "PROGMAN";
constexpr char kInstallerCopy[] = "nvins32b.exe";
constexpr UINT_PTR kWaitTimer = 30;
constexpr UINT kWaitMs = 2000;
constexpr size_t kCommandSize = 128;
constexpr size_t kAddItemSize = 200;
constexpr size_t kFieldMax = 127;  // longest field a command takes
constexpr size_t kPathSize = 128;
constexpr int kSpecifierNameOffset = 5;  // a path specifier's name starts at its sixth character

enum class Field { Absent, Present, TooLong };

// Field n of line into out (kFieldMax + 1 bytes). A field longer than
// kFieldMax characters is refused (out empty), never cut.
Field ReadField(IniLine line, int n, char (&out)[kFieldMax + 1]) {
    char whole[2 * kFieldMax + 2];
    out[0] = '\0';
    if (!GetField(line, n, whole))
        return Field::Absent;
    if (std::strlen(whole) > kFieldMax)
        return Field::TooLong;
    CopyText(out, whole);
    return Field::Present;
}

// Formats into out; 0 when the text does not fit (out is then not sent).
int Format(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(out, size, format, args);
    va_end(args);
    return n >= 0 && static_cast<size_t>(n) < size;
}

void UnderscoresToBlanks(char* text) {
    for (; *text; ++text)
        if (*text == '_')
            *text = ' ';
}

// A group section name made a title: "_" as blanks, cut at its last ".".
void GroupTitle(char* name) {
    UnderscoresToBlanks(name);
    // Guard: a name without "." keeps its whole text.
    if (char* dot = std::strrchr(name, '.'))
        *dot = '\0';
}

// The first line of [PROGMAN.GROUPS], or with ".<languageCode>" after the name.
IniLine GroupsSection(bool withLanguage) {
    char name[64];
    GetMessageText(TXT_PROGMAN_GROUPS, name, sizeof name);
    if (withLanguage) {
        AppendText(name, ".");
        AppendText(name, state.languageCode);
    }
    return FindSection(nullptr, name);
}

int MakeClientWindow() {
    WNDCLASSA existing;
    if (!GetClassInfoA(state.instance, kClientClass, &existing)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = InsDDEWndProc;
        wc.hInstance = state.instance;
        wc.lpszClassName = kClientClass;
        if (!RegisterClassA(&wc))
            return 0;
    }
    state.ddeServer = nullptr;
    state.ddeClient = CreateWindowExA(0, kClientClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, state.instance, nullptr);
    return state.ddeClient != nullptr;
}

// Dispatches DDE messages, the wait timer and Program Manager's own timers
// until the outstanding execute is answered, its wait ends or Program
// Manager is gone.
void WaitForAnswer() {
    state.ddeWaitOver = 0;
    if (!state.ddeClient || !SetTimer(state.ddeClient, kWaitTimer, kWaitMs, nullptr))
        return;
    MSG msg;
    while (!state.ddeWaitOver && state.ddeServer) {
        BOOL got = PeekMessageA(&msg, nullptr, WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE) ||
                   PeekMessageA(&msg, state.ddeClient, WM_TIMER, WM_TIMER, PM_REMOVE) ||
                   // Guard: Program Manager is another program; its timers
                   // run on a real machine whatever this loop takes.
                   (state.ddeServer && PeekMessageA(&msg, state.ddeServer, WM_TIMER, WM_TIMER, PM_REMOVE));
        if (!got)
            continue;
        if (msg.message == WM_QUIT) {
            // Guard: the run is ending; the quit stays for the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchMessageA(&msg);
    }
    if (state.ddeClient)
        KillTimer(state.ddeClient, kWaitTimer);
}

// Enables Program Manager again, sends the last command and forgets it.
void EndProgmanConversation() {
    if (!state.ddeServer)
        return;
    EnableWindow(state.ddeServer, TRUE);
    SendProgmanCommand("[exitprogman(1)]");
    state.ddeServer = nullptr;
}

// The end of every group call: the client window goes.
void ForgetConversation() {
    // Guard: whichever way the call ends, Program Manager is not left disabled.
    if (state.ddeServer && IsWindow(state.ddeServer))
        EnableWindow(state.ddeServer, TRUE);
    state.ddeServer = nullptr;
    if (state.ddeClient)
        DestroyWindow(state.ddeClient);
    state.ddeClient = nullptr;
}

// A path specifier field resolved, or "" when absent, too long or not found.
int ResolveField(IniLine line, int n, char (&out)[kPathSize], Field* seen = nullptr) {
    char specifier[kFieldMax + 1];
    Field f = ReadField(line, n, specifier);
    if (seen)
        *seen = f != Field::Present || !specifier[0] ? Field::Absent : Field::Present;
    out[0] = '\0';
    return f == Field::Present && specifier[0] && ResolveItemPath(specifier, out);
}

int LeadingNumber(const char* text) {
    int n = 0;
    // Guard: digits beyond nine would overflow the index.
    for (int i = 0; i < 9 && text[i] >= '0' && text[i] <= '9'; ++i)
        n = n * 10 + (text[i] - '0');
    return n;
}

void AddItem(IniLine line) {
    char icon[kPathSize];
    ResolveField(line, 4, icon);
    char indexText[kFieldMax + 1];
    ReadField(line, 5, indexText);
    int index = LeadingNumber(indexText);
    char title[kFieldMax + 1];
    if (ReadField(line, 1, title) != Field::Present)
        return;
    char arguments[kPathSize];
    Field argumentField;
    if (!ResolveField(line, 3, arguments, &argumentField) && argumentField == Field::Present)
        return;  // an item whose argument file is missing is left out
    char program[kPathSize];
    ResolveField(line, 2, program);
    char replace[kCommandSize], add[kAddItemSize];
    if (!Format(replace, sizeof replace, "[replaceitem(%s)]", title) ||
        !Format(add, sizeof add, "[additem(%s %s,%s,%s,%d)]", program, arguments, title, icon, index))
        return;
    SendProgmanCommand(replace);
    SendProgmanCommand(add);
}

// One group line: the group afresh or from its file, then its items. 0 only
// when Program Manager does not answer.
int CreateGroup(IniLine line) {
    char section[kFieldMax + 1];
    if (ReadField(line, 1, section) != Field::Present)
        return 1;
    char title[kFieldMax + 1];
    CopyText(title, section);
    GroupTitle(title);
    char groupFile[kFieldMax + 1];
    char groupPath[kCommandSize] = "";
    bool deleteFirst = true;
    if (ReadField(line, 2, groupFile) == Field::Present && groupFile[0]) {
        if (!JoinPath(groupPath, state.windowsDir, groupFile))
            return 1;
        deleteFirst = !FileExists(groupPath);
    }
    if (!state.ddeServer && !OpenProgmanConversation())
        return 0;
    char remove[kCommandSize], create[kCommandSize], show[kCommandSize];
    if (!Format(remove, sizeof remove, "[deletegroup(%s)]", title) ||
        !(groupPath[0] ? Format(create, sizeof create, "[creategroup(%s,%s)]", title, groupPath)
                       : Format(create, sizeof create, "[creategroup(%s)]", title)) ||
        !Format(show, sizeof show, "[showgroup(%s,1)]", title))
        return 1;
    if (deleteFirst)
        SendProgmanCommand(remove);
    SendProgmanCommand(create);
    SendProgmanCommand(show);
    for (IniLine item = FindSection(nullptr, section); item; item = NextLine(item))
        AddItem(item);
    return 1;
}

// Shows each group of [PROGMAN.GROUPS] without field 2 minimized and brings
// the first one with a field 2 to the front.
void ArrangeGroups() {
    IniLine first = GroupsSection(false);
    char name[kFieldMax + 1], second[kFieldMax + 1], command[kCommandSize];
    for (IniLine line = first; line; line = NextLine(line)) {
        if (ReadField(line, 2, second) == Field::Present && second[0])
            continue;
        if (ReadField(line, 1, name) != Field::Present)
            continue;
        UnderscoresToBlanks(name);
        if (Format(command, sizeof command, "[showgroup(%s,2)]", name))
            SendProgmanCommand(command);
    }
    for (IniLine line = first; line; line = NextLine(line)) {
        if (ReadField(line, 2, second) == Field::Absent)
            continue;
        if (ReadField(line, 1, name) == Field::Present) {
            UnderscoresToBlanks(name);
            if (Format(command, sizeof command, "[showgroup(%s,1)]", name))
                SendProgmanCommand(command);
        }
        break;
    }
}

}  // namespace

int ResolveItemPath(LPCSTR specifier, LPSTR out) {
    out[0] = '\0';
    if (!specifier || std::strlen(specifier) <= kSpecifierNameOffset)
        return 0;
    const char* name = specifier + kSpecifierNameOffset;
    char path[kPathSize];
    int fits = 0;
    switch (specifier[0]) {
    case '3':
    case '5':
        fits = JoinPath(path, state.systemDir, name);
        break;
    case '6':
        fits = JoinPath(path, state.systemDir, kInstallerCopy);
        break;
    case '7':
        fits = CopyText(path, name);
        break;
    default:
        fits = JoinPath(path, state.windowsDir, name);
        break;
    }
    if (!fits || (specifier[0] != '7' && !FileExists(path)))
        return 0;
    CopyText(out, kPathSize, path);
    return 1;
}

int OpenProgmanConversation() {
    if (!state.ddeClient)
        return 0;
    ATOM application = GlobalAddAtomA(kProgman);
    ATOM topic = GlobalAddAtomA(kProgman);
    state.ddeInitiating = 1;
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(state.ddeClient),
                 MAKELPARAM(application, topic));
    state.ddeInitiating = 0;
    GlobalDeleteAtom(application);
    GlobalDeleteAtom(topic);
    if (!state.ddeServer)
        return 0;
    BringWindowToTop(state.ddeServer);
    ShowWindow(state.ddeServer, IsZoomed(state.ddeServer) ? SW_SHOWMAXIMIZED : SW_RESTORE);
    EnableWindow(state.ddeServer, FALSE);
    return 1;
}

int SendProgmanCommand(LPCSTR command) {
    if (!state.ddeServer || !state.ddeClient || !command)
        return 0;
    size_t size = std::strlen(command) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    if (!block)
        return 0;
    void* text = GlobalLock(block);
    if (!text) {
        GlobalFree(block);
        return 0;
    }
    std::memcpy(text, command, size);
    GlobalUnlock(block);
    if (PostMessageA(state.ddeServer, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(state.ddeClient),
                     reinterpret_cast<LPARAM>(block)))
        WaitForAnswer();
    GlobalFree(block);
    return 1;
}

LRESULT CALLBACK InsDDEWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DDE_ACK:
        if (state.ddeInitiating) {
            state.ddeServer = reinterpret_cast<HWND>(wParam);
            // The answer's atoms are the client's to delete.
            GlobalDeleteAtom(LOWORD(lParam));
            GlobalDeleteAtom(HIWORD(lParam));
            return 0;
        }
        state.ddeStatus = LOWORD(lParam);
        FreeDDElParam(WM_DDE_ACK, lParam);
        if (reinterpret_cast<HWND>(wParam) == state.ddeServer)
            state.ddeWaitOver = 1;
        return 0;
    case WM_DDE_TERMINATE:
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        if (reinterpret_cast<HWND>(wParam) == state.ddeServer)
            state.ddeServer = nullptr;
        return 0;
    case WM_TIMER:
        if (wParam != kWaitTimer)
            return 0;
        // The wait ends here even when Program Manager is still there but silent.
        state.ddeWaitOver = 1;
        if (!IsWindow(state.ddeServer)) {
            DestroyWindow(window);
            state.ddeClient = nullptr;
            state.ddeServer = nullptr;
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int CreateProgramGroups(HWND mainWindow) {
    if (!MakeClientWindow())
        return 0;
    int result = 0;
    IniLine line = GroupsSection(true);
    if (line) {
        result = 1;
        for (; line && result; line = NextLine(line))
            result = CreateGroup(line);
        if (result) {
            ArrangeGroups();
            EndProgmanConversation();
        }
    }
    OpenIcon(mainWindow);
    ForgetConversation();
    return result;
}

int RemoveProgramGroups(HWND mainWindow) {
    if (!MakeClientWindow())
        return 0;
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    int result = 0;
    IniLine line = GroupsSection(true);
    if (line) {
        result = 1;
        char name[kFieldMax + 1], groupFile[kFieldMax + 1], command[kCommandSize];
        for (; line; line = NextLine(line)) {
            if (ReadField(line, 1, name) != Field::Present)
                continue;
            if (ReadField(line, 2, groupFile) != Field::Present || !groupFile[0])
                continue;
            GroupTitle(name);
            if (!Format(command, sizeof command, "[deletegroup(%s,0)]", name))
                continue;
            if (!state.ddeServer && !OpenProgmanConversation())
                continue;  // nobody answered: this line is passed over
            SendProgmanCommand(command);
        }
        EndProgmanConversation();
    }
    OpenIcon(mainWindow);
    SetCursor(previous);
    ForgetConversation();
    return result;
}
