#include "ui/ChoiceDialogs.h"

#include <cstring>
#include <string>
#include <vector>

#include "ProgramTest.h"
#include "ui/RecordingDialog_test.h"
#include "script/MessageText.h"
#include "ui/DialogPlumbing.h"
#include "ui/RuntimeTemplates.h"

using nv::testing::ProgramTest;
using nv::testing::sequenceIs;

namespace {

using nv::testing::inner;
using nv::testing::Recording;
using nv::testing::MessageLog;
using nv::testing::MessageSequence;
using nv::testing::recorded;
using nv::testing::snapshot;
using nv::testing::text;

// Expected sequences of the recorded dialogs.
const MessageSequence kModeEnter{"Enter confirms the preselected Install",
                                 {"dlg:WM_INITDIALOG Select Mode|Select an operation.",
                                  "dlg:WM_COMMAND(1) Select Mode|Select an operation."}};
const MessageSequence kModelEscapeThenF3ThenCancel{
    "Escape does nothing, F3 and Cancel both ask (F3 comes as Cancel's command)",
    {"dlg:WM_INITDIALOG", "dlg:WM_COMMAND(2)", "dlg:WM_COMMAND(118)", "dlg:WM_COMMAND(118)"}};
const MessageSequence kUninstallFollowsTheSelection{
    "Uninstall disabled without a selection; Enter then does nothing",
    {"dlg:WM_INITDIALOG 1|enabled", "dlg:WM_COMMAND(119:1) 1|disabled", "dlg:WM_COMMAND(119:1) 1|enabled",
     "dlg:WM_COMMAND(1) 1|enabled"}};

std::string in(int language, UINT id) {
    char t[256];
    return GetMessageTextIn(language, id, t, sizeof t);
}

}  // namespace

class ChoiceDialogs : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        MessageLog::current().clear();
        snapshot = nullptr;
    }
    void TearDown() override {
        EXPECT_EQ(DialogFont(), nullptr) << "the dialog font outlived its dialog";
        snapshot = nullptr;
        ProgramTest::TearDown();
    }

    // languageChoices from language positions, each with its own name.
    void offer(std::vector<int> languages, int defaultEntry) {
        for (size_t i = 0; i < languages.size(); ++i) {
            char name[64];
            GetMessageTextIn(0, 60 + languages[i], name, sizeof name);
            std::strcpy(state.languageChoices[i].name, name);
            state.languageChoices[i].position = languages[i];
        }
        state.defaultLanguageChoice = defaultEntry;
    }

    // The language dialog on its built template, recorded.
    INT_PTR runLanguage(const std::string& answerText) {
        int n = 0;
        while (n < LANGUAGE_CHOICES && state.languageChoices[n].name[0])
            ++n;
        std::vector<BYTE> block(LANGUAGE_TEMPLATE_BYTES, 0);
        EXPECT_GT(WriteLanguageTemplate(block.data(), LANGUAGE_TEMPLATE_BYTES, n, BS_AUTORADIOBUTTON), 0);
        answers(answerText);
        inner = SelLangProc;
        INT_PTR r = DialogBoxIndirectParamA(state.instance, reinterpret_cast<LPCDLGTEMPLATEA>(block.data()), nullptr,
                                            Recording, 0);
        expectAnswersUsed();
        return r;
    }

    INT_PTR runResource(DLGPROC procedure, const char* name, const std::string& answerText) {
        answers(answerText);
        inner = procedure;
        INT_PTR r = RunDialog(nullptr, Recording, name);
        expectAnswersUsed();
        return r;
    }

    void models(std::vector<std::pair<const char*, char>> slots) {
        for (size_t i = 0; i < slots.size(); ++i) {
            std::strcpy(state.modelTable[i], slots[i].first);
            state.modelTable[i][MODEL_SELECTED_BYTE] = slots[i].second;
        }
    }
    char flag(int slot) const { return state.modelTable[slot][MODEL_SELECTED_BYTE]; }
};

// ---------------------------------------------------------------- language

TEST_F(ChoiceDialogs, EnglishMovesToTheTopAndEachRowSpeaksItsLanguage) {
    offer({1, 0, 2}, 2);  // FRC, ENU, DEU; German is the current language
    std::vector<std::string> rows;
    snapshot = [&](HWND d) {
        if (rows.empty())
            for (int r = 0; r < 3; ++r)
                rows.push_back(text(d, 20 + r) + "|" + text(d, 3 + r) +
                               (IsDlgButtonChecked(d, 20 + r) == BST_CHECKED ? "|on" : ""));
        return text(d, 0) + "|" + text(d, IDOK) + "|" + text(d, IDCANCEL);
    };
    EXPECT_EQ(runLanguage("dialog \"" + in(2, 189) + "\"\n  click 22\n  click 1\n"), 1);
    EXPECT_EQ(rows, (std::vector<std::string>{in(0, 60) + "|" + in(0, 188), in(0, 61) + "|" + in(1, 188),
                                              in(0, 62) + "|" + in(2, 188) + "|on"}));
    EXPECT_EQ(state.languageIndex, 2);
    EXPECT_EQ(state.manufacturerSkip, 2);

    // French is entry 0, shown in row 1.
    EXPECT_EQ(runLanguage("dialog \"" + in(2, 189) + "\"\n  click 21\n  click 1\n"), 1);
    EXPECT_EQ(state.languageIndex, 1);
    EXPECT_EQ(state.manufacturerSkip, 0);

    // English, from the top row, is entry 1.
    EXPECT_EQ(runLanguage("dialog \"" + in(2, 189) + "\"\n  click 20\n  click 1\n"), 1);
    EXPECT_EQ(state.languageIndex, 0);
    EXPECT_EQ(state.manufacturerSkip, 1);
}

TEST_F(ChoiceDialogs, EnglishFirstOrAbsentKeepsTheTableOrder) {
    offer({0, 3, 5}, 0);
    std::string firstRows;
    snapshot = [&](HWND d) {
        if (firstRows.empty())
            firstRows = text(d, 20) + text(d, 21) + text(d, 22);
        return std::string();
    };
    EXPECT_EQ(runLanguage("dialog \"Select Language\"\n  click 22\n  click 1\n"), 1);
    EXPECT_EQ(firstRows, "&English&Nederlands&Svenska");
    EXPECT_EQ(state.languageIndex, 5);
    EXPECT_EQ(state.manufacturerSkip, 2);

    ResetInstallState();
    state.instance = reinterpret_cast<HINSTANCE>(0x400000);
    offer({4, 1}, 1);  // no English: Norwegian, French
    firstRows.clear();
    EXPECT_EQ(runLanguage("dialog \"" + in(1, 189) + "\"\n  press Enter\n"), 1);
    EXPECT_EQ(firstRows.substr(0, 6), "Nors&k");
    EXPECT_EQ(state.languageIndex, 1);  // the default, French, was on
    EXPECT_EQ(state.manufacturerSkip, 1);
}

TEST_F(ChoiceDialogs, AClickRelabelsButtonsAndCaptionAndTheTimerRaisesOnce) {
    offer({0, 1, 2, 3, 4, 5}, 0);
    snapshot = [](HWND d) { return text(d, 0) + "|" + text(d, IDOK) + "|" + text(d, IDCANCEL); };
    // A long wait after the clicks: the 800 ms timer still ticks only once.
    EXPECT_EQ(runLanguage("dialog \"Select Language\"\n  click 21\n  click 22\n  wait 3000\n  click 2\n"), 0);
    std::string en = in(0, 189) + "|" + in(0, 186) + "|" + in(0, 187);
    std::string fr = in(1, 189) + "|" + in(1, 186) + "|" + in(1, 187);
    std::string de = in(2, 189) + "|" + in(2, 186) + "|" + in(2, 187);
    const MessageSequence relabelled{"caption and buttons follow each click, the timer fires once",
                                     {"dlg:WM_INITDIALOG " + en, "dlg:WM_TIMER", "dlg:WM_COMMAND(21) " + fr,
                                      "dlg:WM_COMMAND(22) " + de, "dlg:WM_COMMAND(2) " + de}};
    EXPECT_TRUE(sequenceIs(recorded(), relabelled));
    EXPECT_EQ(state.languageIndex, 0);  // Cancel leaves the state as it was
    EXPECT_EQ(state.manufacturerSkip, 0);
}

TEST_F(ChoiceDialogs, LanguageKeyboardTabMnemonicEscapeAndTheUninstallQuestion) {
    offer({0, 1}, 0);
    state.operationMode = 1;
    std::string question;
    snapshot = [&](HWND d) {
        question = text(d, 4);
        return std::string();
    };
    // The mnemonic F turns French on; Tab goes on to OK; Enter presses it.
    EXPECT_EQ(runLanguage("dialog \"Select Language\"\n  press F\n  press Tab\n  press Enter\n"), 1);
    EXPECT_EQ(question, in(1, 234));
    EXPECT_EQ(state.languageIndex, 1);
    // The captions follow the default entry (English), not the language chosen last.
    EXPECT_EQ(runLanguage("dialog \"Select Language\"\n  press Escape\n"), 0);
    EXPECT_EQ(state.languageIndex, 1);
}

TEST_F(ChoiceDialogs, TheDialogFontIsEightPointsAtTheScreenResolution) {
    offer({0, 1}, 0);
    LOGFONTA lf{};
    snapshot = [&](HWND d) {
        HFONT f = reinterpret_cast<HFONT>(SendDlgItemMessageA(d, 20, WM_GETFONT, 0, 0));
        if (f && !lf.lfHeight)
            GetObjectA(f, sizeof lf, &lf);
        return std::string();
    };
    EXPECT_EQ(runLanguage("dialog \"Select Language\"\n  click 1\n"), 1);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
}

TEST_F(ChoiceDialogs, BuildLanguageDialogRunsTheBuiltTemplate) {
    offer({0, 1}, 1);
    std::string names = std::string("&English") + '\0' + "&Français" + '\0' + '\0';
    HGLOBAL block = GlobalAlloc(GHND, names.size());
    std::memcpy(GlobalLock(block), names.data(), names.size());
    GlobalUnlock(block);
    answers("dialog \"" + in(1, 189) + "\"\n  click 20\n  click \"&OK\"\n");
    EXPECT_EQ(BuildLanguageDialog(nullptr, block, 189, 188, BS_AUTORADIOBUTTON), 1);
    expectAnswersUsed();
    EXPECT_EQ(state.languageIndex, 0);
    GlobalFree(block);
}

// ---------------------------------------------------------------- mode

TEST_F(ChoiceDialogs, ModeInstallChoosesByButtonAndKeyboard) {
    snapshot = [](HWND d) {
        return text(d, 0) + "|" + text(d, IDC_MODE_TEXT) + (IsWindowEnabled(GetDlgItem(d, IDC_MODE_INSTALL)) ? "" : "|disabled");
    };
    EXPECT_EQ(runResource(ModeInstall, "MODE_INSTALL", "dialog MODE_INSTALL\n  press Enter\n"), 1);
    EXPECT_EQ(state.operationMode, 0);
    EXPECT_TRUE(sequenceIs(recorded(), kModeEnter));

    // The mnemonic U picks Uninstall.
    EXPECT_EQ(runResource(ModeInstall, "MODE_INSTALL", "dialog MODE_INSTALL\n  press U\n  click 1\n"), 1);
    EXPECT_EQ(state.operationMode, 1);
    // Install again by click; Tab order: the radio group, then OK.
    EXPECT_EQ(runResource(ModeInstall, "MODE_INSTALL", "dialog MODE_INSTALL\n  click 620\n  press Tab\n  press Enter\n"), 1);
    EXPECT_EQ(state.operationMode, 0);
    // Escape cancels and keeps the mode.
    EXPECT_EQ(runResource(ModeInstall, "MODE_INSTALL", "dialog MODE_INSTALL\n  click 621\n  press Escape\n"), 0);
    EXPECT_EQ(state.operationMode, 0);
}

TEST_F(ChoiceDialogs, ModeInstallAfterASetupInformationStartOnlyUninstalls) {
    std::strcpy(state.commandLine, "C:\\WINDOWS\\QS8000.INI");
    state.operationMode = 1;
    state.languageIndex = 1;
    MessageLog::current().clear();
    snapshot = [](HWND d) {
        return std::string(IsWindowEnabled(GetDlgItem(d, IDC_MODE_INSTALL)) ? "install" : "no-install") +
               (IsDlgButtonChecked(d, IDC_MODE_UNINSTALL) == BST_CHECKED ? "|uninstall-on" : "");
    };
    EXPECT_EQ(runResource(ModeInstall, "MODE_INSTALL", "dialog \"" + in(1, 232) + "\"\n  click \"&OK\"\n"), 1);
    EXPECT_EQ(state.operationMode, 1);
    EXPECT_EQ(recorded().front(), "dlg:WM_INITDIALOG no-install|uninstall-on");

    // "/ND" does not count as such a start.
    std::strcpy(state.commandLine, "/ND");
    state.operationMode = 0;
    MessageLog::current().clear();
    EXPECT_EQ(runResource(ModeInstall, "MODE_INSTALL", "dialog MODE_INSTALL\n  click 1\n"), 1);
    EXPECT_EQ(recorded().front(), "dlg:WM_INITDIALOG install");
}

// ---------------------------------------------------------------- models

TEST_F(ChoiceDialogs, SelectDriverSetsTheFlagOfEachRow) {
    models({{"QS-8000", '0'}, {"QS-8100", '0'}, {"QS-8200", '1'}});
    snapshot = [](HWND d) {
        return std::to_string(SendDlgItemMessageA(d, IDC_MODEL_LIST, LB_GETCOUNT, 0, 0)) + "|" +
               text(d, IDOK) + "|" + text(d, IDC_MODEL_TEXT);
    };
    EXPECT_EQ(runResource(SelectDriver, "SELECTDRV", "dialog SELECTDRV\n  select 119 \"QS-8100\"\n  click 1\n"), 1);
    EXPECT_EQ(std::string() + flag(0) + flag(1) + flag(2), "010");
    EXPECT_EQ(recorded().front(), "dlg:WM_INITDIALOG 3|&Install|Please select the driver you want to install.");

    // Row 0 is chosen at first: Enter installs it.
    EXPECT_EQ(runResource(SelectDriver, "SELECTDRV", "dialog SELECTDRV\n  press Enter\n"), 1);
    EXPECT_EQ(std::string() + flag(0) + flag(1) + flag(2), "100");
}

TEST_F(ChoiceDialogs, SelectDriverShowsTheMemoryNoteForA600Model) {
    models({{"QS-8000", '0'}, {"QS-8000 600", '0'}, {"QS-6000A", '0'}});
    EXPECT_EQ(runResource(SelectDriver, "SELECTDRV",
                          "dialog SELECTDRV\n  select 119 1\n  click 1\n"
                          "message \"600dpi printing requires 6Mbytes or more memory !\"\n  press Enter\n"),
              1);
    EXPECT_EQ(flag(1), '1');
    // Other names: no note (an unexpected message box would stop the run).
    EXPECT_EQ(runResource(SelectDriver, "SELECTDRV", "dialog SELECTDRV\n  select 119 2\n  click 1\n"), 1);
    EXPECT_EQ(flag(2), '1');
    EXPECT_EQ(flag(1), '0');
}

TEST_F(ChoiceDialogs, SelectDriverIgnoresEscapeAndAsksOnF3) {
    models({{"QS-8000", '0'}, {"QS-8100", '0'}});
    EXPECT_EQ(runResource(SelectDriver, "SELECTDRV",
                          "dialog SELECTDRV\n  press Escape\n  press F3\n"
                          "message \"Do you really want to cancel the installation?\"\n  press Enter\n"
                          "dialog SELECTDRV\n  click 118\n"
                          "message \"Do you really want to cancel\"\n  click \"&Yes\"\n"),
              0);
    // The list's own notifications left out.
    EXPECT_TRUE(sequenceIs(MessageLog::current().without({"(119"}), kModelEscapeThenF3ThenCancel));
    EXPECT_EQ(std::string() + flag(0) + flag(1), "00");
}

TEST_F(ChoiceDialogs, SelectDriverListsAtMostFiveModels) {
    for (int i = 0; i < MODEL_SLOTS; ++i) {
        std::memset(state.modelTable[i], 'M', MODEL_NAME_MAX);  // names that fill their 120 bytes
        state.modelTable[i][MODEL_SELECTED_BYTE] = '0';
    }
    LRESULT rows = 0;
    std::string first;
    snapshot = [&](HWND d) {
        rows = SendDlgItemMessageA(d, IDC_MODEL_LIST, LB_GETCOUNT, 0, 0);
        char t[256];
        SendDlgItemMessageA(d, IDC_MODEL_LIST, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(t));
        first = t;
        return std::string();
    };
    EXPECT_EQ(runResource(SelectDriver, "SELECTDRV", "dialog SELECTDRV\n  select 119 4\n  click 1\n"), 1);
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(first, std::string(MODEL_NAME_MAX, 'M'));
    EXPECT_EQ(flag(4), '1');
    EXPECT_EQ(flag(0), '0');
}

TEST_F(ChoiceDialogs, SelectDriver2ListsTheInstalledModelsOnly) {
    models({{"QS-8000", '0'}, {"QS-8100", '1'}});
    state.languageIndex = 1;
    snapshot = [](HWND d) {
        return std::to_string(SendDlgItemMessageA(d, IDC_MODEL_LIST, LB_GETCOUNT, 0, 0)) +
               (IsWindowEnabled(GetDlgItem(d, IDOK)) ? "|enabled" : "|disabled");
    };
    // Deselecting the one row disables Uninstall, so Enter does nothing;
    // selecting it again enables it.
    EXPECT_EQ(runResource(SelectDriver2, "SELECTDRVMULTI",
                          "dialog SELECTDRVMULTI\n  deselect 119 0\n  press Enter\n  select 119 0\n  click \"" +
                              in(1, 231) + "\"\n"),
              1);
    // Selection changes and the buttons' commands.
    EXPECT_TRUE(sequenceIs(MessageLog::current().with({"WM_INITDIALOG", "(119:1)", "(1)", "(2)", "(118)"}),
                           kUninstallFollowsTheSelection));
    EXPECT_EQ(std::string() + flag(0) + flag(1), "01");

    // Deselected rows are written back as not chosen.
    models({{"QS-8000", '1'}, {"QS-8100", '1'}});
    EXPECT_EQ(runResource(SelectDriver2, "SELECTDRVMULTI",
                          "dialog SELECTDRVMULTI\n  select 119 1\n  deselect 119 0\n  click 1\n"),
              1);
    EXPECT_EQ(std::string() + flag(0) + flag(1), "01");
}

TEST_F(ChoiceDialogs, SelectDriver2CancelsOnF3AfterTheQuestion) {
    models({{"QS-8000", '1'}});
    EXPECT_EQ(runResource(SelectDriver2, "SELECTDRVMULTI",
                          "dialog SELECTDRVMULTI\n  press Escape\n  press F3\n"
                          "message \"Do you really want to cancel\"\n  click \"&Yes\"\n"),
              0);
    EXPECT_EQ(flag(0), '1');
}

// ---------------------------------------------------------------- restart

class RestartDialog : public ChoiceDialogs {
protected:
    std::string shutdown() const { return nv::machine::currentOrDie().settings().shutdownRequest; }
    INT_PTR run(const std::string& answerText) {
        answers(answerText);
        INT_PTR r = BuildRestartDialog(nullptr, SelWinRestart, "WIN_RESTART");
        expectAnswersUsed();
        return r;
    }
};

TEST_F(RestartDialog, ModeOneLogsOffWithTheReservedBitsSet) {
    state.rebootMode = 1;
    EXPECT_EQ(run("dialog \"Norvalk Driver Installation\"\n  click \"&Restart Windows\"\n"), 1);
    EXPECT_EQ(shutdown(), "logoff,reserved=0xFFFFFFFF");
}

TEST_F(RestartDialog, ModeTwoRestartsAndEnterIsRestart) {
    state.rebootMode = 2;
    EXPECT_EQ(run("dialog \"Norvalk Driver Installation\"\n  press Escape\n  press Enter\n"), 1);
    EXPECT_EQ(shutdown(), "reboot");
}

TEST_F(RestartDialog, ReturnLeavesWindowsRunningAndTheTextFollowsTheMode) {
    state.rebootMode = 2;
    state.operationMode = 1;
    state.languageIndex = 1;
    EXPECT_EQ(run("dialog \"" + in(1, 161) + "\"\n  click \"" + in(1, 214) + "\"\n"), 0);
    EXPECT_EQ(shutdown(), "");
    EXPECT_STREQ(state.scratchText, in(1, 230).c_str());
    state.operationMode = 0;
    state.languageIndex = 0;
    EXPECT_EQ(run("dialog \"Norvalk Driver Installation\"\n  press W\n"), 0);
    EXPECT_STREQ(state.scratchText, "You must restart Windows so that the installed programs can take effect !!");
}

// ---------------------------------------------------------------- texts

TEST_F(ChoiceDialogs, EveryTextOfTheseDialogsExistsInAllSixLanguages) {
    const UINT ids[] = {115, 116, 117, 118, 119, 120, 123, 161, 162, 175, 176, 177, 186, 187, 188, 189,
                        190, 191, 192, 193, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207,
                        208, 209, 210, 213, 214, 215, 230, 231, 232, 233, 234, 235, 239};
    for (int language = 0; language < LANGUAGE_COUNT; ++language)
        for (UINT id : ids)
            EXPECT_NE(in(language, id), "") << "text " << id << " in language " << language;
    for (int language = 1; language < LANGUAGE_COUNT; ++language)
        for (UINT id : {121u, 122u})
            EXPECT_NE(in(language, id), "") << "help text " << id << " in language " << language;
}
