#include "tools/nvins32b/DialogTryout.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "printer/OemInf.h"
#include "script/IniText.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "startup/ExitCleanUp.h"
#include "shared/InstallState.h"
#include "startup/Startup.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"
#include "ui/FontDialogs.h"
#include "ui/RuntimeTemplates.h"

namespace {

const char* const kNames[] = {"language", "MODE_INSTALL", "SELECTDRV", "SELECTDRVMULTI", "WIN_RESTART", "FONT"};

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The six languages in table order, the current one preselected.
INT_PTR language() {
    std::string names;
    for (int i = 0; i < LANGUAGE_COUNT; ++i) {
        GetMessageText(TXT_LANGUAGE_NAME_FIRST + i, state.languageChoices[i].name);
        state.languageChoices[i].position = i;
        names += state.languageChoices[i].name;
        names += '\0';
    }
    names += '\0';
    state.defaultLanguageChoice = state.languageIndex >= 0 && state.languageIndex < LANGUAGE_COUNT ? state.languageIndex : 0;
    HGLOBAL block = GlobalAlloc(GHND, names.size());
    if (!block)
        return -1;
    std::memcpy(GlobalLock(block), names.data(), names.size());
    GlobalUnlock(block);
    INT_PTR r = BuildLanguageDialog(nullptr, block, 189, 188, BS_AUTORADIOBUTTON);
    GlobalFree(block);
    std::printf("languageIndex=%d manufacturerSkip=%d\n", state.languageIndex, state.manufacturerSkip);
    return r;
}

// The models of the OEM INF's first manufacturer line; the script copy is
// the current text again afterwards.
bool listModels(char flag) {
    FreeIniText(nullptr);
    if (!LoadIniText(state.oemInfPath))
        return false;
    char manufacturer[32];
    int n = ListModels(nullptr, FindSection(nullptr, GetMessageText(TXT_MANUFACTURER, manufacturer)), 0);
    FreeIniText(nullptr);
    LoadIniText(state.scriptCopyPath);
    for (int i = 0; i < n; ++i)
        state.modelTable[i][MODEL_SELECTED_BYTE] = flag;
    return n > 0;
}

void printModels() {
    for (int i = 0; i < MODEL_SLOTS && state.modelTable[i][0]; ++i)
        std::printf("model %d: %s selected=%c\n", i, state.modelTable[i], state.modelTable[i][MODEL_SELECTED_BYTE]);
}

INT_PTR show(const std::string& name) {
    if (name == "LANGUAGE")
        return language();
    if (name == "MODE_INSTALL") {
        INT_PTR r = RunDialog(nullptr, ModeInstall, "MODE_INSTALL");
        std::printf("operationMode=%d\n", state.operationMode);
        return r;
    }
    if (name == "SELECTDRV" || name == "SELECTDRVMULTI") {
        bool multi = name == "SELECTDRVMULTI";
        if (!listModels(multi ? '1' : '0'))
            return -1;
        INT_PTR r = multi ? RunDialog(nullptr, SelectDriver2, "SELECTDRVMULTI") : RunDialog(nullptr, SelectDriver, "SELECTDRV");
        printModels();
        return r;
    }
    if (name == "WIN_RESTART")
        return BuildRestartDialog(nullptr, SelWinRestart, "WIN_RESTART");
    INT_PTR r = RunDialog(nullptr, FONT_Set, "FONT");
    std::printf("fontDir=%s\nfonts=%s\n", state.fontDir, r == 1 ? state.scratchText : "");
    return r;
}

}  // namespace

bool IsTryoutDialog(const std::string& name) {
    for (const char* n : kNames)
        if (upper(name) == upper(n))
            return true;
    return false;
}

int RunDialogTryout(HINSTANCE instance, const std::string& name, const char* commandLine) {
    if (!IsTryoutDialog(name))
        return 2;
    ResetInstallState();
    state.instance = instance;
    if (!CopyText(state.commandLine, commandLine ? commandLine : ""))
        return 1;
    if (std::strcmp(state.commandLine, "/1") == 0)
        state.runFlags |= 1;
    if (!InitializeInstaller(instance)) {
        FailedStartCleanUp();
        return 1;
    }
    INT_PTR r = show(upper(name));
    std::printf("dialog %s ended with %ld\n", name.c_str(), static_cast<long>(r));
    ExitCleanUp();
    return 0;
}
