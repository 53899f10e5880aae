// The font stage: the fonts directory, the font choice, and the chosen
// fonts' files with their face names, copied disk by disk.
#include <cstring>

#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "shared/InstallState.h"
#include "shared/PathOps.h"
#include "shared/WindowMessages.h"
#include "startup/StageSteps.h"
#include "startup/Stages.h"
#include "startup/StartupMessages.h"
#include "ui/DialogPlumbing.h"
#include "ui/DriveDialogs.h"
#include "ui/FontDialogs.h"

namespace {

constexpr UINT kQuestionFonts = 143;  // "Do you want to install TrueType-compatible fonts?\n"
constexpr char kFontSectionSuffix[] = ".TrueType";
// One pair of the work block: a font file's record and its companion's.
constexpr SIZE_T kPairBytes = 2 * COPY_LIST_ENTRY_SIZE;

LRESULT Finish(HWND hwnd) {
    PostMessageA(hwnd, IM_FINISH, 0, 0);
    return 0;
}

// Calls visit(font field, companion field or "") for every font file of the
// chosen fonts' sections, in list order.
template <typename Visit>
void ForEachFontField(Visit visit) {
    char list[sizeof state.scratchText];
    CopyText(list, state.scratchText);
    char name[sizeof state.scratchText];
    for (int n = 1; GetField(list, n, name); ++n) {
        char section[sizeof name + sizeof kFontSectionSuffix];
        CopyText(section, name);
        AppendText(section, kFontSectionSuffix);
        for (IniLine line = FindSection(nullptr, section); line; line = NextLine(line)) {
            char field[COPY_LIST_ENTRY_SIZE];
            char font[COPY_LIST_ENTRY_SIZE] = "";
            for (int f = 1; GetField(line, f, field); ++f) {
                if (field[0] >= '1' && field[0] <= '9') {
                    if (font[0])
                        visit(font, "");
                    CopyText(font, field);
                } else if (field[0] == '0' && font[0]) {
                    visit(font, field);
                    font[0] = 0;
                } else if (field[0] != '0') {
                    break;
                }
            }
            if (font[0])
                visit(font, "");
        }
    }
}

// A record: the kind digit followed by the field ("5" + "2:FILE.TTF").
void WriteRecord(char* record, char kind, LPCSTR field) {
    std::memset(record, 0, COPY_LIST_ENTRY_SIZE);
    record[0] = kind;
    CopyText(record + 1, COPY_LIST_ENTRY_SIZE - 1, field);
}

// Fills copyList with the chosen fonts, disk by disk. 0 when the work block
// cannot be had (after the memory message).
int ListFonts() {
    int pairs = 0;
    ForEachFontField([&](LPCSTR, LPCSTR) { ++pairs; });
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(pairs > 0 ? pairs : 1) * kPairBytes);
    char* records = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!records) {
        if (block)
            GlobalFree(block);
        ShowIdMessage(nullptr, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        return 0;
    }
    int written = 0;
    char lowest = '9';
    char highest = '0';
    ForEachFontField([&](LPCSTR font, LPCSTR face) {
        if (written >= pairs)
            return;
        char* pair = records + static_cast<SIZE_T>(written) * kPairBytes;
        WriteRecord(pair, '5', font);
        WriteRecord(pair + COPY_LIST_ENTRY_SIZE, '0', face[0] ? face : "0:");
        lowest = font[0] < lowest ? font[0] : lowest;
        highest = font[0] > highest ? font[0] : highest;
        ++written;
    });
    int out = 0;
    for (char d = lowest; d <= highest; ++d) {
        for (int p = 0; p < written; ++p) {
            const char* pair = records + static_cast<SIZE_T>(p) * kPairBytes;
            // Guard: the list holds 160 entries; pairs beyond it are left
            // out whole rather than split from their face names.
            if (pair[1] != d || out + 2 > COPY_LIST_ENTRIES)
                continue;
            std::memcpy(state.copyList[out++], pair, COPY_LIST_ENTRY_SIZE);
            std::memcpy(state.copyList[out++], pair + COPY_LIST_ENTRY_SIZE, COPY_LIST_ENTRY_SIZE);
        }
    }
    if (out < COPY_LIST_ENTRIES)
        EndCopyList(state.copyList[out]);
    GlobalUnlock(block);
    GlobalFree(block);
    return 1;
}

}  // namespace

LRESULT FontStage(HWND hwnd) {
    UpdateWindow(hwnd);
    FreeIniText(nullptr);
    if (!FileExists(state.scriptCopyPath)) {
        ShowNotFound(nullptr, TXT_INSTALL_INF, CAPTION_INSTALLATION, MB_OK);
        return Finish(hwnd);
    }
    IniText script = LoadIniText(state.scriptCopyPath);
    if (!(state.installParts & 0x02))
        return Finish(hwnd);
    if (!script || script == INITEXT_EMPTY) {
        ShowIdMessage(nullptr, MSG_NOT_ENOUGH_MEMORY, CAPTION_INSTALLATION, MB_OK);
        return Finish(hwnd);
    }
    if (ShowIdMessage(hwnd, kQuestionFonts, CAPTION_QUESTION, MB_YESNO) == IDNO)
        return Finish(hwnd);
    UpdateWindow(hwnd);
    if (RunDialog(hwnd, Direc_Set, "DIRECTORY") < 1)
        return Finish(hwnd);
    WritePrivateProfileStringA("Install", "FontPath", state.fontDir, state.privateIniPath);
    if (RunDialog(hwnd, FONT_Set, "FONT") < 1)
        return Finish(hwnd);
    if (!ListFonts())
        return Finish(hwnd);
    RunCopy(hwnd, ResultOnStart::KeepRestart);
    UpdateWindow(hwnd);
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    return Finish(hwnd);
}
