// Every way the start can fail, one case each: the message boxes it shows
// (text, caption and style, in the language of the moment: English until
// the private INI has been read, the chosen one after), whether the start
// goes on to the main window, and what it leaves on disk.
#include "StartupRun.h"

#include <functional>

namespace {

using namespace startup_test;

// One piece of a message: a string id (in the language the message is
// shown in) or a literal text.
struct Piece {
    UINT id = 0;
    std::string literal;
};

struct Box {
    std::vector<Piece> text;
    UINT caption;
    UINT style = MB_ICONHAND;
};

class FailureTable;

struct Row {
    std::string name;
    int language;         // Language= of the private INI
    int shownLanguage;    // the language the boxes are shown in
    std::string commandLine;
    std::vector<Box> boxes;
    bool startGoesOn;     // the main window is created all the same
    std::function<void(FailureTable&)> arrange;
    std::function<void(FailureTable&, const Outcome&)> check;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class FailureTable : public Startup, public ::testing::WithParamInterface<Row> {
public:
    void privateIni(const std::string& lines) {
        m().put('C', "WINDOWS/qs8000.ini",
                "[Install]\r\nLanguage=" + std::to_string(GetParam().language) + "\r\n" + lines);
    }
    // Started from the system directory with a setup-information file that
    // names the kept copies QS8000.IN1 and QS8000.IN2 there.
    void uninstallStart(const std::string& inf1 = "C:\\WINDOWS\\SYSTEM\\QS8000.IN1",
                        const std::string& inf2 = "C:\\WINDOWS\\SYSTEM\\QS8000.IN2") {
        m().machine().modulePath = "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE";
        ASSERT_TRUE(m().machine().setCurrentDirectory("C:\\WINDOWS\\SYSTEM").ok());
        m().put('C', "WINDOWS/SYSTEM/QS8000.IN1", kScript);
        m().put('C', "WINDOWS/SYSTEM/QS8000.IN2", kOemInf);
        std::string info = "[Install]\r\n";
        if (!inf1.empty())
            info += "inf1=" + inf1 + "\r\n";
        if (!inf2.empty())
            info += "inf2=" + inf2 + "\r\n";
        m().put('C', "WINDOWS/SETUP.INF", info);
    }
    void withSettings(const std::function<void(nv::machine::Settings&)>& change) {
        auto settings = TempMachine::defaultSettings();
        change(settings);
        remake(settings);
        privateIni("");
    }
};

std::string Compose(const std::vector<Piece>& pieces, int language) {
    std::string s;
    for (const auto& p : pieces)
        s += p.id ? text(p.id, language) : p.literal;
    return s;
}

TEST_P(FailureTable, ShowsItsMessages) {
    const Row& row = GetParam();
    prepare();
    privateIni("");
    if (row.arrange)
        row.arrange(*this);

    std::vector<std::string> answers;
    std::vector<std::string> expected;
    for (const Box& b : row.boxes) {
        answers.push_back(text(b.caption, row.shownLanguage));
        expected.push_back(box(Compose(b.text, row.shownLanguage), text(b.caption, row.shownLanguage), b.style));
    }
    Outcome out = run(row.commandLine, answers, row.startGoesOn ? declineQuestions(3, row.shownLanguage) : "");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.boxes, expected);
    EXPECT_EQ(out.called("CreateWindowExA("), row.startGoesOn);
    // Whatever happened, the run leaves no script copy behind.
    EXPECT_FALSE(onC("WINDOWS/~NV00001.txt"));
    if (row.check)
        row.check(*this, out);
}

const Piece kInstallInf{11, ""};
const Piece kNotFound{132, ""};

std::vector<Row> Rows() {
    std::vector<Row> rows;
    // Before the private INI is read the language is English, whatever it says.
    rows.push_back({"AnotherInstanceRuns", 2, 0, "", {{{{134, ""}}, 163, MB_SYSTEMMODAL | MB_ICONINFORMATION}}, false,
                    [](FailureTable& t) {
                        t.withSettings([](auto& s) { s.windows.push_back({"WLInstallWClass", "x"}); });
                    },
                    [](FailureTable& t, const Outcome& out) { EXPECT_FALSE(out.called("GetWindowsDirectoryA(")); }});
    rows.push_back({"HandOverFileEmpty", 2, 0, "", {{{{170, ""}}, 171}}, false,
                    [](FailureTable& t) { t.m().put('C', "WINDOWS/~NV00001.txt", ""); },
                    [](FailureTable& t, const Outcome& out) {
                        EXPECT_TRUE(out.inOrder({"_lopen(\"C:\\WINDOWS\\~NV00001.txt\"", "_lclose(",
                                                 "DeleteFileA(\"C:\\WINDOWS\\~NV00001.txt\")", "MessageBoxA("}));
                    }});

    // The setup-information file of an uninstall start: its own message, then 131.
    const Box cannotRead{{{131, ""}}, 163};
    rows.push_back({"SetupInfoFileMissing", 2, 0, "C:\\WINDOWS\\GONE.INF",
                    {{{{0, "C:\\WINDOWS\\GONE.INF"}}, 163}, cannotRead}, false,
                    [](FailureTable& t) { t.uninstallStart(); }, nullptr});
    rows.push_back({"SetupInfoWithoutInf1", 2, 0, "C:\\WINDOWS\\SETUP.INF", {{{{0, "ERROR"}}, 163}, cannotRead}, false,
                    [](FailureTable& t) { t.uninstallStart("", "C:\\WINDOWS\\SYSTEM\\QS8000.IN2"); }, nullptr});
    rows.push_back({"SetupInfoWithoutInf2", 2, 0, "C:\\WINDOWS\\SETUP.INF", {cannotRead}, false,
                    [](FailureTable& t) { t.uninstallStart("C:\\WINDOWS\\SYSTEM\\QS8000.IN1", ""); }, nullptr});
    rows.push_back({"KeptScriptMissing", 2, 0, "C:\\WINDOWS\\SETUP.INF",
                    {{{{0, "C:\\WINDOWS\\SYSTEM\\QS8000.IN9"}}, 163}, cannotRead}, false,
                    [](FailureTable& t) { t.uninstallStart("C:\\WINDOWS\\SYSTEM\\QS8000.IN9"); }, nullptr});
    rows.push_back({"KeptOemInfMissing", 2, 0, "C:\\WINDOWS\\SETUP.INF",
                    {{{{0, "C:\\WINDOWS\\SYSTEM\\QS8000.IN9"}}, 163}, cannotRead}, false,
                    [](FailureTable& t) {
                        t.uninstallStart("C:\\WINDOWS\\SYSTEM\\QS8000.IN1", "C:\\WINDOWS\\SYSTEM\\QS8000.IN9");
                    },
                    [](FailureTable& t, const Outcome& out) { EXPECT_FALSE(out.called("CopyFileA(")); }});
    rows.push_back({"KeptScriptEmpty", 2, 0, "C:\\WINDOWS\\SETUP.INF", {cannotRead, cannotRead}, false,
                    [](FailureTable& t) {
                        t.uninstallStart();
                        t.m().put('C', "WINDOWS/SYSTEM/QS8000.IN1", "");
                    },
                    nullptr});
    // The first allocation of the run is the read buffer of the kept script.
    rows.push_back({"KeptScriptLoadGivesNoText", 2, 0, "C:\\WINDOWS\\SETUP.INF",
                    {{{{0, "C:\\WINDOWS\\SYSTEM\\QS8000.IN2"}}, 163}, {{{133, ""}}, 163}, cannotRead}, false,
                    [](FailureTable& t) {
                        t.withSettings([](auto& s) { s.failAllocation = 1; });
                        t.uninstallStart();
                    },
                    nullptr});
    rows.push_back({"KeptScriptWithoutOemInfName", 2, 0, "C:\\WINDOWS\\SETUP.INF",
                    {{{{133, ""}}, 163}, cannotRead}, false,
                    [](FailureTable& t) {
                        t.uninstallStart();
                        t.m().put('C', "WINDOWS/SYSTEM/QS8000.IN1", withSection(kScript, "[OEM.INF]", ""));
                    },
                    // The OEM INF copy is not made.
                    [](FailureTable& t, const Outcome&) { EXPECT_FALSE(t.onC("WINDOWS/SYSTEM/OEMSETUP.INF")); }});

    rows.push_back({"NoScriptBesideProgram", 2, 0, "", {{{kInstallInf, kNotFound}, 161}}, false,
                    [](FailureTable& t) { std::filesystem::remove(t.m().host('A', "INSTALL.INF")); }, nullptr});
    rows.push_back({"ScriptBesideProgramEmpty", 2, 0, "", {cannotRead}, false,
                    [](FailureTable& t) { t.m().put('A', "INSTALL.INF", ""); }, nullptr});

    // From here on the private INI has been read: the chosen language.
    rows.push_back({"ScriptSourceCannotBeOpened", 2, 2, "", {{{kInstallInf, kNotFound}, 161}}, false,
                    [](FailureTable& t) { t.privateIni("DiskPath=C:\\NOWHERE\r\n"); },
                    [](FailureTable& t, const Outcome& out) {
                        // The copy is only created once the source is open.
                        EXPECT_FALSE(out.called("LZOpenFileA(\"C:\\WINDOWS\\~NV00001.txt\""));
                    }});
    rows.push_back({"ScriptCopyCannotBeCreated", 1, 1, "", {{{kInstallInf, kNotFound}, 161}}, false,
                    [](FailureTable& t) {
                        t.withSettings([](auto& s) { s.openFiles.push_back("C:\\WINDOWS\\~NV00001.txt"); });
                    },
                    [](FailureTable& t, const Outcome& out) {
                        EXPECT_TRUE(out.inOrder({"LZOpenFileA(\"A:\\INSTALL.INF\", 8192) = ",
                                                 "LZOpenFileA(\"C:\\WINDOWS\\~NV00001.txt\", 4096) = -",
                                                 "LZClose(", "MessageBoxA("}));
                    }});
    rows.push_back({"ScriptCannotBeExpanded", 5, 5, "", {{{kInstallInf, kNotFound}, 161}}, false,
                    [](FailureTable& t) {
                        std::filesystem::remove(t.m().host('A', "INSTALL.INF"));
                        t.m().put('A', "INSTALL.IN_", compress(kScript).substr(0, 60));  // cut short
                        t.m().put('A', "SRC/INSTALL.INF", kScript);
                        t.privateIni("DiskPath=A:\\\r\n");
                        // The script beside the program names the private INI; the source is cut.
                        t.m().machine().modulePath = "A:\\SRC\\NVINS32B.EXE";
                    },
                    [](FailureTable& t, const Outcome& out) {
                        EXPECT_TRUE(out.inOrder({"LZCopy(", "LZClose(", "LZClose(",
                                                 "LZOpenFileA(\"C:\\WINDOWS\\~NV00001.txt\", 512)", "MessageBoxA("}));
                    }});
    rows.push_back({"ScriptCopyEmpty", 2, 2, "", {{{{131, ""}}, 163}}, false,
                    [](FailureTable& t) {
                        t.m().put('A', "EMPTY/INSTALL.INF", "");
                        t.privateIni("DiskPath=A:\\EMPTY\r\n");
                    },
                    nullptr});
    // The reader's allocations: a read buffer and a block per load. The
    // third is the read buffer of the script copy.
    rows.push_back({"ScriptCopyLoadGivesNoText", 2, 2, "", {{{{133, ""}}, 163}}, false,
                    [](FailureTable& t) { t.withSettings([](auto& s) { s.failAllocation = 3; }); }, nullptr});
    rows.push_back({"ScriptLoadBesideProgramGivesNoText", 2, 0, "", {{{{133, ""}}, 163}}, false,
                    [](FailureTable& t) { t.withSettings([](auto& s) { s.failAllocation = 1; }); }, nullptr});
    // The seventh: the script copy loaded again after the OEM INF check.
    rows.push_back({"ScriptReloadGivesNoText", 2, 2, "", {{{{133, ""}}, 163}}, false,
                    [](FailureTable& t) { t.withSettings([](auto& s) { s.failAllocation = 7; }); }, nullptr});

    // OEM INF problems are reported and the start goes on without the mode choice.
    auto noModeChoice = [](FailureTable&, const Outcome&) { EXPECT_EQ(state.modeChoiceOffered, 0); };
    rows.push_back({"OemInfMissing", 2, 2, "", {{{{19, ""}, kNotFound}, 161}}, true,
                    [](FailureTable& t) { std::filesystem::remove(t.m().host('A', "OEMSETUP.INF")); },
                    noModeChoice});
    rows.push_back({"OemInfEmpty", 1, 1, "", {{{{133, ""}}, 161}}, true,
                    [](FailureTable& t) { t.m().put('A', "OEMSETUP.INF", ""); }, noModeChoice});
    rows.push_back({"OemInfLoadGivesNoText", 3, 3, "", {{{{133, ""}}, 161}}, true,
                    [](FailureTable& t) { t.withSettings([](auto& s) { s.failAllocation = 5; }); },
                    noModeChoice});
    rows.push_back({"OemInfWithoutManufacturer", 4, 4, "", {{{{133, ""}}, 161}}, true,
                    [](FailureTable& t) {
                        t.m().put('A', "OEMSETUP.INF", withSection(kOemInf, "[Manufacturer]", ""));
                    },
                    noModeChoice});
    rows.push_back({"OemInfWithoutModelSection", 5, 5, "", {{{{133, ""}}, 161}}, true,
                    [](FailureTable& t) {
                        t.m().put('A', "OEMSETUP.INF", withSection(kOemInf, "[Norvalk.Models]", ""));
                    },
                    noModeChoice});
    rows.push_back({"OemInfWithoutInstallSection", 2, 2, "", {{{{133, ""}}, 161}}, true,
                    [](FailureTable& t) {
                        t.m().put('A', "OEMSETUP.INF", withSection(kOemInf, "[QS8000.Install]", ""));
                    },
                    [](FailureTable& t, const Outcome& out) {
                        EXPECT_EQ(state.modeChoiceOffered, 0);
                        // The driver file is looked for only when the entry was read.
                        EXPECT_FALSE(out.called("OpenFile(\"C:\\WINDOWS\\SYSTEM\\QS8000.DRV\""));
                    }});

    rows.push_back({"RegistryKeysMissing", 2, 2, "", {}, true, nullptr, [](FailureTable& t, const Outcome&) {
                        EXPECT_NE(t.winIni().find("[Norvalk QS-8000 series]\r\nLPT1=0\r\nLPT2=0\r\nLPT3=0\r\n"
                                                  "ICMPath=\r\n"),
                                  std::string::npos)
                            << t.winIni();
                    }});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Start, FailureTable, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.name; });

// Whichever single allocation fails, the start ends cleanly: a message or a
// quiet stop, exit status 0, nothing left open or behind.
TEST_F(Startup, EveryAllocationFailureEndsCleanly) {
    prepare();
    Outcome good = run("");
    size_t allocations = 0;
    for (const auto& c : good.calls)
        allocations += c.rfind("GlobalAlloc(", 0) == 0 || c.rfind("LocalAlloc(", 0) == 0 ||
                       c.rfind("CreateWindowExA(", 0) == 0;
    ASSERT_GT(allocations, 6u);
    for (size_t n = 1; n <= allocations + 2; ++n) {
        auto settings = TempMachine::defaultSettings();
        settings.failAllocation = static_cast<int>(n);
        remake(settings);
        std::string answers;
        nv::user::reset();
        ASSERT_TRUE(input::UseAnswerText("", "none").ok());
        // Any message box may come up; a stopped input only ends the run.
        input::SetStopHandler([](input::Status, const std::string&) {});
        int status = InstallerMain(reinterpret_cast<HINSTANCE>(0x400000), "", SW_SHOWNORMAL);
        EXPECT_EQ(status, 0) << "allocation " << n;
        EXPECT_FALSE(onC("WINDOWS/~NV00001.txt")) << "allocation " << n;
        EXPECT_EQ(state.currentText, nullptr) << "allocation " << n;
    }
}

}  // namespace
