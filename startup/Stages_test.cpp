// The stage chain run whole through the entry point: which stage messages
// each branch posts, in order (each stage exactly one; the finish on every
// failure or cancel), the finish's notes and outcome, and the exit
// clean-up's deletions in order.
#include "StartupRun.h"

namespace {

using namespace startup_test;

// The stage messages a run posted or sent, in order.
std::vector<int> StageMessages(const Outcome& out) {
    std::vector<int> messages;
    for (const auto& c : out.calls) {
        // 400, the driver stage, is left out: the lists start after it.
        for (int m : {403, 404, 405}) {
            std::string tail = ", " + std::to_string(m) + ", 0, 0)";
            bool stage = (c.rfind("PostMessageA(", 0) == 0 || c.rfind("SendMessageA(", 0) == 0) &&
                         c.find(tail) != std::string::npos;
            if (stage)
                messages.push_back(m);
        }
    }
    return messages;
}

const char* const kLanguagesOem =
    "[Manufacturer]\r\n\"Norvalk\"=Norvalk.Models\r\nNorvalk(English)=Norvalk.Models\r\n"
    "Norvalk(Esperanto)=Norvalk.Models\r\nNorvalk(Deutsch)=Norvalk.Models\r\n"
    "[Norvalk.Models]\r\n\"Norvalk QS-8000 series\"=QS8000.Install\r\n"
    "[QS8000.Install]\r\nDriverFile=QS8000.DRV\r\nDataFile=QS8000.DRV\r\n";

struct Branch {
    std::string name;
    std::string script;     // the script, or "" for the default one
    std::string oemInf;     // the OEM INF in the driver folder, or "" for the default one
    std::string commandLine;
    std::string answers;
    std::vector<int> messages;  // the stage messages after the driver stage, in order
};

void PrintTo(const Branch& b, std::ostream* os) { *os << b.name; }

class StageChain : public Startup, public ::testing::WithParamInterface<Branch> {};

TEST_P(StageChain, PostsOneMessageAStage) {
    const Branch& b = GetParam();
    prepare(b.script.empty() ? std::string(kScript) : b.script);
    if (!b.oemInf.empty())
        m().put('A', "DRIVER/OEMSETUP.INF", b.oemInf);
    if (b.oemInf == "-")
        std::filesystem::remove(m().host('A', "DRIVER/OEMSETUP.INF"));
    Outcome out = run(b.commandLine, {}, b.answers);
    EXPECT_EQ(StageMessages(out), b.messages);
    EXPECT_EQ(out.status, 0);
    // Whatever the branch, the temporary copies are gone and no text is held.
    EXPECT_FALSE(onC("WINDOWS/~NV00001.txt"));
    EXPECT_FALSE(onC("WINDOWS/~NV00002.txt"));
    EXPECT_EQ(state.currentText, nullptr);
}

std::vector<Branch> Branches() {
    // Built before the resources are loaded: the captions are written out.
    auto no = [](int n) {
        std::string a;
        for (int i = 0; i < n; ++i)
            a += "message \"Question\"\npress N\n";
        return a;
    };
    const std::string decline = no(3);
    const std::string noFonts = no(1);
    return {
        {"AllDeclined", "", "", "", decline, {405, 403, 404}},
        {"Win95NoteOnly", withSection(kScript, "[WIN95SETUP]", "1\r\n"), "", "", noFonts + kWin95Note,
         {403, 404}},
        {"NoDriverPart", withSection(kScript, "[PRINTERDRIVER]", ""), "", "", noFonts,
         {403, 404}},
        {"OemInfMissing", "", "-", "", "message \"OEMSETUP.INF is not found\"\npress Enter\n", {404}},
        {"NoManufacturerSection", "", "[Other]\r\nx=1\r\n", "", noFonts, {403, 404}},
        {"GroupOnly", "", "", "/ND", noFonts, {403, 404}},
        {"LanguageCancelled", "", kLanguagesOem, "",
         "message \"Esperanto\"\npress Enter\ndialog \"Select Language\"\nclick 2\n", {404}},
        {"LanguageChosen", "", kLanguagesOem, "",
         "message \"Esperanto\"\npress Enter\ndialog \"Select Language\"\nclick 1\n" + decline,
         {405, 403, 404}},
        {"DemoDeclinedAfterNoDriver", "", "", "",
         no(1) + "message \"install the Demo file\"\npress N\n" + noFonts, {405, 403, 404}},
        {"FontDirectoryCancelled", "", "", "",
         no(2) +
             "message \"install TrueType-compatible fonts\"\npress Y\ndialog DIRECTORY\nclick 118\n"
             "message \"cancel the installation\"\npress Y\n",
         {405, 403, 404}},
        {"DriverDriveCheckFails", withSection(kScript, "[NEEDED.DiskSpace]", "99999999\r\n"), "", "",
         "message \"install the Norvalk printer driver\"\npress Y\nmessage \"disk space\"\npress Enter\n" + noFonts,
         {403, 404}},
    };
}

INSTANTIATE_TEST_SUITE_P(Stages, StageChain, ::testing::ValuesIn(Branches()),
                         [](const ::testing::TestParamInfo<Branch>& info) { return info.param.name; });

// The language lines: a plain first line is skipped, an unknown tag is
// reported and left out, and the choice counts lines of the whole section.
TEST_F(Startup, LanguageChoiceFromManufacturerLines) {
    prepare();
    m().put('A', "DRIVER/OEMSETUP.INF", kLanguagesOem);
    Outcome out = run("", {"Error"},
                      "dialog \"Select Language\"\nclick 21\nclick 1\n" + declineQuestions(3, 2));
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_EQ(out.boxes[0], box("oem.inf\n section [Manufacturer]\n Entry ' Norvalk(Esperanto) ' is invalid", "Error",
                                MB_OK));
    EXPECT_EQ(state.languageChoices[0].position, 0);
    EXPECT_EQ(state.languageChoices[1].position, 2);
    EXPECT_EQ(state.languageChoices[2].name[0], 0);
    EXPECT_EQ(state.languageIndex, 2);
    EXPECT_STREQ(state.languageCode, "DEU");
    // Deutsch is line 3 of the section (plain line, English, Esperanto, Deutsch).
    EXPECT_EQ(state.manufacturerSkip, 3);
    EXPECT_NE(m().get('C', "WINDOWS/qs8000.ini").find("Language=2"), std::string::npos);
}

// More language lines than the table holds: the dialog offers seven, and
// nothing is written past the table.
TEST_F(Startup, LanguageLinesBoundedByTheTable) {
    std::string oem = "[Manufacturer]\r\n";
    for (int i = 0; i < 9; ++i)
        oem += "Norvalk(English)=Norvalk.Models\r\n";
    oem += "[Norvalk.Models]\r\n\"Norvalk QS-8000 series\"=QS8000.Install\r\n";
    prepare();
    m().put('A', "DRIVER/OEMSETUP.INF", oem);
    Outcome out = run("", {}, "dialog \"Select Language\"\nclick 1\n" + declineQuestions(3));
    EXPECT_EQ(state.languageChoices[6].position, 0);
    EXPECT_EQ(state.languageChoices[7].name[0], 0);
    EXPECT_EQ(state.defaultLanguageChoice, 6);
}

std::string Finish(const std::vector<std::string>& boxes, UINT id) {
    for (const auto& b : boxes)
        if (b.find(text(id)) != std::string::npos)
            return b;
    return "";
}

// The finish's notes: no WIN.INI note for a one-character record, the
// bi-directional atom, the Windows 95 note alone, the restart note.
TEST_F(Startup, FinishNotes) {
    // A one-character BFileWinIni and no driver installed: no note, no outcome.
    prepare();
    m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\nBFileWinIni=E\r\nBFileSysIni=C:\\WINDOWS\\SYSTEM.B03\r\n");
    Outcome out = run("");
    EXPECT_TRUE(out.boxes.empty());

    // The atom in a normal run is deleted; the outcome stays as it was (none).
    auto settings = TempMachine::defaultSettings();
    settings.atoms = {"bi-di.386"};
    remake(settings);
    out = run("");
    EXPECT_TRUE(out.boxes.empty());
    EXPECT_TRUE(out.called("GlobalDeleteAtom("));
    EXPECT_EQ(state.runResult, RESULT_NONE);

    // In a group-only run it means a restart: the notes, then the offer
    // (rebootMode 2 of the test script).
    remake(settings);
    const std::string notes = "message Note\npress Enter\nmessage Note\npress Enter\nmessage Note\npress Enter\n";
    out = run("/ND", {}, declineQuestions(1) + notes + "dialog \"Norvalk Driver Installation\"\nclick 1021\n");
    EXPECT_EQ(state.runResult, RESULT_INSTALLED_RESTART);
    ASSERT_EQ(out.boxes.size(), 3u);
    EXPECT_NE(out.boxes[0].find("\"" + text(165) + "\", \"" + text(162) + "\", 48)"), std::string::npos);

    // ... and with rebootMode 0, the note to restart instead of the dialog,
    // and no "installation is finished".
    remake(settings);
    prepare(withSection(kScript, "[REBOOTSYSTEM]", "0\r\n"));
    out = run("/1", {},
              "message \"Cannot read the information file\"\npress Enter\n" + notes +
                  "message \"Norvalk Driver Installation\"\npress Enter\n");
    ASSERT_EQ(out.boxes.size(), 5u);
    EXPECT_NE(out.boxes[4].find("\"" + text(215) + "\", \"" + text(161) + "\", 48)"), std::string::npos);
    EXPECT_EQ(Finish(out.boxes, 156), "");

    // The Windows 95 note replaces the outcome, whatever runResult is.
    remake(settings);
    prepare(withSection(kScript, "[WIN95SETUP]", "1\r\n"));
    out = run("", {}, declineQuestions(1) + kWin95Note);
    EXPECT_EQ(Finish(out.boxes, 156), "");
    EXPECT_EQ(Finish(out.boxes, 215), "");
}

// After the loop: the program's copies, the temporary copies, the INF
// copies, the script copy once more; in that order.
TEST_F(Startup, ExitCleanUpDeletesInOrder) {
    prepare();
    m().put('C', "WINDOWS/SYSTEM/nvins32b.dll", "MZ");
    m().put('C', "WINDOWS/SYSTEM/nvins32b.exe", "MZ");
    m().put('C', "WINDOWS/SYSTEM/~NV00002.txt", "x");
    m().put('C', "WINDOWS/SYSTEM/INSTALL.INF", "x");
    Outcome out = run("");
    EXPECT_TRUE(out.inOrder({"PostQuitMessage(0)", "DeleteFileA(\"C:\\WINDOWS\\SYSTEM\\nvins32b.dll\")",
                             "DeleteFileA(\"C:\\WINDOWS\\SYSTEM\\nvins32b.exe\")",
                             "OpenFile(\"C:\\WINDOWS\\~NV00001.txt\", 512)",
                             "OpenFile(\"C:\\WINDOWS\\~NV00002.txt\", 512)",
                             "LZOpenFileA(\"C:\\WINDOWS\\SYSTEM\\~NV00002.txt\", 512)",
                             "LZOpenFileA(\"C:\\WINDOWS\\SYSTEM\\INSTALL.INF\", 512)",
                             "OpenFile(\"C:\\WINDOWS\\~NV00001.txt\", 16384)"}));
    for (const char* f : {"WINDOWS/SYSTEM/nvins32b.dll", "WINDOWS/SYSTEM/nvins32b.exe", "WINDOWS/SYSTEM/~NV00002.txt",
                          "WINDOWS/SYSTEM/INSTALL.INF", "WINDOWS/~NV00001.txt", "WINDOWS/~NV00002.txt"})
        EXPECT_FALSE(onC(f)) << f;
}

}  // namespace
