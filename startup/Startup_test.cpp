// Start-up paths run whole through InstallerMain on a throw-away machine:
// message boxes are answered by an answer text, effects checked on disk,
// in the installer state and in the call trace.
#include "StartupRun.h"

namespace {

using namespace startup_test;

TEST_F(Startup, NormalStartFillsTheStateAndRecordsTheMachine) {
    prepare();
    // [DEL.INST] asks for the program's copies in the system directory to go.
    m().put('C', "WINDOWS/SYSTEM/nvins32b.dll", "MZ");
    m().put('C', "WINDOWS/SYSTEM/nvins32b.exe", "MZ");
    m().put('A', "NVINS32B.EXE", "MZ");
    Outcome out = run("");
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(out.boxes.empty());

    EXPECT_STREQ(state.windowsDir, "C:\\WINDOWS");
    EXPECT_STREQ(state.privateIniPath, "C:\\WINDOWS\\qs8000.ini");
    EXPECT_STREQ(state.sourceDir, "A:");
    EXPECT_STREQ(state.driverSourceDir, "A:\\DRIVER");
    EXPECT_STREQ(state.fontDir, "C:\\WINDOWS\\SYSTEM");
    EXPECT_STREQ(state.languageCode, "ENU");
    // The driver stage works from its copy of the OEM INF; the finish names
    // the driver "Printer" in its outcome message.
    EXPECT_STREQ(state.oemInfPath, "C:\\WINDOWS\\~NV00002.txt");
    EXPECT_STREQ(state.driverName, "Printer");
    EXPECT_STREQ(state.vxdName, "NVBIDI.386");
    EXPECT_EQ(state.installParts, 3);
    EXPECT_EQ(state.showBidiNote, 1);
    EXPECT_EQ(state.setinfOff, 1);
    EXPECT_EQ(state.demoFileOffered, 1);
    EXPECT_EQ(state.deletePrograms, 1);
    EXPECT_EQ(state.rebootMode, 2);
    EXPECT_EQ(state.instVersionShown, 1);
    EXPECT_EQ(state.checkEcp, 1);
    EXPECT_EQ(state.modeChoiceOffered, 0);
    EXPECT_EQ(state.runFlags, 0);

    // No ECP device and no ICMPath in the registry.
    EXPECT_NE(winIni().find("[Norvalk QS-8000 series]\r\nLPT1=0\r\nLPT2=0\r\nLPT3=0\r\nICMPath=\r\n"),
              std::string::npos)
        << winIni();
    // The script copy was made and, after the loop, deleted again.
    EXPECT_TRUE(out.inOrder({"FindWindowA(\"WLInstallWClass\"", "LZOpenFileA(\"A:\\INSTALL.INF\"",
                             "LZOpenFileA(\"C:\\WINDOWS\\~NV00001.txt\"", "LZCopy(", "LZClose(", "LZClose(",
                             "WriteProfileStringA(\"Norvalk QS-8000 series\", \"LPT1\"",
                             "WriteProfileStringA(\"Norvalk QS-8000 series\", \"ICMPath\"",
                             "RegisterClassA(\"WLInstallWClass\")", "RegisterClassA(\"probar\")",
                             "RegisterClassA(\"text\")", "CreateWindowExA(", "ShowWindow(", "UpdateWindow(",
                             "SendMessageA(*, 400, 0, 0)", "PostMessageA(*, 405, 0, 0)", "DestroyWindow(",
                             "PostQuitMessage(0)", "OpenFile(\"C:\\WINDOWS\\~NV00001.txt\", 512)"}));
    EXPECT_FALSE(onC("WINDOWS/~NV00001.txt"));
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/nvins32b.dll"));
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/nvins32b.exe"));
    EXPECT_TRUE(std::filesystem::exists(m().host('A', "NVINS32B.EXE")));
}

// The calls of a normal start in the order the program makes them, from the
// instance test to the deletion of the script copy after the loop.
TEST_F(Startup, NormalStartCallsInOrder) {
    prepare(withSection(kScript, "[WIN95SETUP]", "1\r\n"));
    Outcome out = run("", {}, declineQuestions(1) + kWin95Note);
    EXPECT_TRUE(out.inOrder({
        "FindWindowA(\"WLInstallWClass\", NULL) = NULL",
        "GetWindowsDirectoryA(144)",
        "OpenFile(\"C:\\WINDOWS\\~NV00001.txt\", 16384) = -1",  // OF_EXIST: no hand-over file
        "GetModuleFileNameA(NULL, 144)",
        "OpenFile(\"A:\\INSTALL.INF\", 16384) = 1",
        "_lopen(\"A:\\INSTALL.INF\", 0)",
        "GetSystemDirectoryA(144)",
        "GetPrivateProfileStringA(\"Install\", \"FontPath\", \"C:\\WINDOWS\\SYSTEM\", 144, "
        "\"C:\\WINDOWS\\qs8000.ini\")",
        "GetPrivateProfileIntA(\"Install\", \"Language\", 0, \"C:\\WINDOWS\\qs8000.ini\")",
        "GetModuleFileNameA(NULL, 256)",
        "GetPrivateProfileStringA(\"Install\", \"DiskPath\", \"A:\\\", 144, \"C:\\WINDOWS\\qs8000.ini\")",
        "LZOpenFileA(\"A:\\INSTALL.INF\", 8192)",               // OF_PROMPT
        "LZOpenFileA(\"C:\\WINDOWS\\~NV00001.txt\", 4096)",     // OF_CREATE
        "LZCopy(", "LZClose(", "LZClose(",
        "OpenFile(\"C:\\WINDOWS\\~NV00001.txt\", 16384) = 1",
        "_lopen(\"C:\\WINDOWS\\~NV00001.txt\", 0)",
        "GetPrivateProfileStringA(\"VxD\", \"message\", \"\", 384, \"A:\\INSTALL.INF\")",
        "GetPrivateProfileStringA(\"VxD\", \"setinf\", \"1\", 16, \"A:\\INSTALL.INF\")",
        "GetVersion(",
        "OpenFile(\"A:\\OEMSETUP.INF\", 16384) = 1",
        "_lopen(\"A:\\OEMSETUP.INF\", 0)",
        "OpenFile(\"C:\\WINDOWS\\SYSTEM\\QS8000.DRV\", 16384) = -1",
        "_lopen(\"C:\\WINDOWS\\~NV00001.txt\", 0)",
        "RegOpenKeyExA(*, \"Enum\\Root\\*PNP0401\", 0, 983103",
        "RegOpenKeyExA(*, \"Enum\\Root\\*CPQA0E0\", 0, 983103",
        "RegOpenKeyExA(*, \"Enum\\BIOS\\*PNP0401\", 0, 983103",
        "RegOpenKeyExA(*, \"Enum\\BIOS\\*CPQA0E0\", 0, 983103",
        "WriteProfileStringA(\"Norvalk QS-8000 series\", \"LPT1\", \"0\")",
        "WriteProfileStringA(\"Norvalk QS-8000 series\", \"LPT2\", \"0\")",
        "WriteProfileStringA(\"Norvalk QS-8000 series\", \"LPT3\", \"0\")",
        "RegOpenKeyExA(*, \"Software\\Microsoft\\Windows\\CurrentVersion\\Setup\", 0, 983103",
        "WriteProfileStringA(\"Norvalk QS-8000 series\", \"ICMPath\", \"\")",
        "LoadCursorA(NULL, #32514)",                            // IDC_WAIT
        "RegisterClassA(\"WLInstallWClass\")", "RegisterClassA(\"probar\")", "RegisterClassA(\"text\")",
        "GetSystemMetrics(0)", "GetSystemMetrics(1)",
        // WS_POPUP | WS_MAXIMIZE | WS_BORDER, the screen less one pixel each way.
        "CreateWindowExA(0, \"WLInstallWClass\", \"Norvalk Driver Installation\", 2172649472, 0, 0, 799, 599, "
        "NULL, NULL)",
        "ShowWindow(*, 1)", "UpdateWindow(", "SendMessageA(*, 400, 0, 0)",
        "GetMessageA(",
        "OpenFile(\"C:\\WINDOWS\\~NV00001.txt\", 512)"}));     // OF_DELETE, after the loop
    EXPECT_EQ(state.win95NoteOnly, 1);
}

TEST_F(Startup, UninstallCleanUpAlsoDeletesTheKeptCopiesAndThePrivateIni) {
    prepare();
    for (const char* f : {"SYSTEM/OEMSETUP.INF", "SYSTEM/INSTALL.INF", "SYSTEM/qs8000.in1", "SYSTEM/qs8000.in2",
                          "SYSTEM/other.inf", "qs8000.ini"})
        m().put('C', std::string("WINDOWS/") + f, "x");
    ResetInstallState();
    std::strcpy(state.systemDir, "C:\\WINDOWS\\SYSTEM");
    std::strcpy(state.oemInfPath, "A:\\OEMSETUP.INF");
    std::strcpy(state.privateIniPath, "C:\\WINDOWS\\qs8000.ini");
    DeleteInfCopies(InfCopies::Temporary);
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/OEMSETUP.INF"));
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/INSTALL.INF"));
    EXPECT_TRUE(onC("WINDOWS/SYSTEM/qs8000.in1"));
    EXPECT_TRUE(onC("WINDOWS/qs8000.ini"));
    DeleteInfCopies(InfCopies::AlsoKeptAndPrivateIni);
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/qs8000.in1"));
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/qs8000.in2"));
    EXPECT_FALSE(onC("WINDOWS/qs8000.ini"));
    EXPECT_TRUE(onC("WINDOWS/SYSTEM/other.inf"));
}

TEST_F(Startup, SecondInstanceOnlyShowsTheNoteAndTouchesNoFile) {
    auto settings = TempMachine::defaultSettings();
    settings.windows.push_back({"WLInstallWClass", "Norvalk Driver Installation"});
    remake(settings);
    m().put('C', "WINDOWS/~NV00001.txt", "C:\\WINDOWS\\qs8000.ini");
    auto before = snapshot(m().dir());
    Outcome out = run("", {"Warning"}, "");
    EXPECT_EQ(out.status, 0);
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_EQ(out.boxes[0], box(text(134), text(163), MB_SYSTEMMODAL | MB_ICONINFORMATION));
    EXPECT_EQ(snapshot(m().dir()), before);
}

TEST_F(Startup, CommandLinesCompareExactly) {
    prepare();
    // Unattended: no questions; the test OEM INF lists no files for its model.
    run("/1", {}, "message \"Cannot read the information file\"\npress Enter\n");
    EXPECT_EQ(state.runFlags, RUN_UNATTENDED);
    EXPECT_EQ(state.operationMode, 0);

    // Anything but "", "/1" and "/ND" names a setup-information file.
    for (const char* other : {"/1 ", "/nd"}) {
        Outcome out = run(other, {"Warning", "Warning"}, "");
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(state.runFlags, 0);
        ASSERT_EQ(out.boxes.size(), 2u) << other;
        EXPECT_EQ(out.boxes[0], box(other, text(163), MB_ICONHAND));
        EXPECT_EQ(out.boxes[1], box(text(131), text(163), MB_ICONHAND));
    }

    // Too long for the 128-byte field: refused rather than cut.
    Outcome out = run(std::string(130, 'X'), {"Warning"}, "");
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_EQ(out.boxes[0], box(text(131), text(163), MB_ICONHAND));
    EXPECT_FALSE(out.called("LZOpenFileA("));
}

TEST_F(Startup, HandOverFile) {
    prepare();
    // A path, a NUL and rubbish; DiskPath and FontPath with trailing backslashes.
    m().put('C', "WINDOWS/~NV00001.txt", std::string("C:\\WINDOWS\\OTHER.INI\0rubbish", 28));
    m().put('C', "WINDOWS/OTHER.INI", "[Install]\r\nDiskPath=A:\\\\\r\nFontPath=C:\\FONTS\\\\\r\nLanguage=2\r\n");
    Outcome out = run("", {}, declineQuestions(3, 2));
    EXPECT_TRUE(out.boxes.empty());
    EXPECT_STREQ(state.privateIniPath, "C:\\WINDOWS\\OTHER.INI");
    EXPECT_STREQ(state.sourceDir, "A:");
    EXPECT_STREQ(state.fontDir, "C:\\FONTS\\");  // only one backslash goes
    EXPECT_STREQ(state.languageCode, "DEU");
    EXPECT_FALSE(onC("WINDOWS/~NV00001.txt"));

    // 512 bytes without a NUL: the path is cut to its field.
    m().put('C', "WINDOWS/~NV00001.txt", "C:\\" + std::string(600, 'P'));
    run("");
    EXPECT_EQ(std::strlen(state.privateIniPath), sizeof state.privateIniPath - 1);

    // The script copy left by a run stopped before its clean-up names no
    // file: the private INI is the one the script names, as on a plain start.
    m().put('C', "WINDOWS/~NV00001.txt", "; INSTALL.INF of the disks\r\n[PRIVATE.INI]\r\nOTHER.INI\r\n");
    out = run("");
    EXPECT_TRUE(out.boxes.empty());
    EXPECT_STREQ(state.privateIniPath, "C:\\WINDOWS\\qs8000.ini");
    EXPECT_STREQ(state.languageCode, "ENU");
}

TEST_F(Startup, PrivateIniValues) {
    prepare();
    m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\nFontPath=C:\\FONTS\\\r\nLanguage=7\r\n");
    run("");
    EXPECT_STREQ(state.fontDir, "C:\\FONTS");
    EXPECT_EQ(state.languageIndex, 0);  // out of range counts as English
    EXPECT_STREQ(state.languageCode, "ENU");
}

// The program's resources hold icon groups 500 and 501, each a 16-colour
// image of 32 x 32 and one of 16 x 16; the main window class shows group 500.
TEST_F(Startup, IconGroupsAndTheMainWindowsIcon) {
    prepare();
    run("");
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x400000);
    for (WORD group : {500, 501}) {
        SCOPED_TRACE(group);
        HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(group), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr);
        const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
        ASSERT_EQ(SizeofResource(instance, found), 6u + 2 * 14);
        auto word = [](const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); };
        EXPECT_EQ(word(dir + 2), 1);  // icons
        ASSERT_EQ(word(dir + 4), 2);
        int sizes[2] = {32, 16};
        for (int i = 0; i < 2; ++i) {
            const BYTE* e = dir + 6 + 14 * i;
            EXPECT_EQ(e[0], sizes[i]);
            EXPECT_EQ(e[1], sizes[i]);
            EXPECT_EQ(e[2], 16);          // colours
            EXPECT_EQ(word(e + 6), 4);   // bits per pixel
            HRSRC image = FindResourceA(instance, MAKEINTRESOURCEA(word(e + 12)), RT_ICON);
            ASSERT_NE(image, nullptr);
            DWORD bytes = e[8] | e[9] << 8 | e[10] << 16 | static_cast<DWORD>(e[11]) << 24;
            EXPECT_EQ(SizeofResource(instance, image), bytes);
            BITMAPINFOHEADER h;
            std::memcpy(&h, LockResource(LoadResource(instance, image)), sizeof h);
            EXPECT_EQ(h.biWidth, sizes[i]);
            EXPECT_EQ(h.biHeight, 2 * sizes[i]);  // colour rows and mask rows
            EXPECT_EQ(h.biBitCount, 4);
            EXPECT_EQ(bytes, sizeof h + 64 + (sizes[i] / 2) * sizes[i] + 4 * sizes[i]);
        }
        EXPECT_NE(LoadIconA(instance, MAKEINTRESOURCEA(group)), nullptr);
    }
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(instance, "WLInstallWClass", &wc));
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hIcon, LoadIconA(instance, MAKEINTRESOURCEA(500)));
}

// The language index at its last value and one past it.
TEST_F(Startup, LanguageAtItsBounds) {
    prepare();
    m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\nLanguage=5\r\n");
    run("", {}, declineQuestions(3, 5));
    EXPECT_EQ(state.languageIndex, 5);
    EXPECT_STREQ(state.languageCode, "SVE");
    prepare();
    m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\nLanguage=6\r\n");
    run("");
    EXPECT_EQ(state.languageIndex, 0);
    EXPECT_STREQ(state.languageCode, "ENU");
}

TEST_F(Startup, ScriptSwitchesFromSectionEdges) {
    std::string script = withSection(kScript, "[PRINTERDRIVER]", "PATH=\r\n");
    script = withSection(script, "[TRUETYPEFONTS]", "FONTLIST=\r\n");
    script = withSection(script, "[VxD]", "NVBIDI.386\r\n");
    script = withSection(script, "[DEMOFILE]", "");  // header directly followed by the next one
    script = withSection(script, "[CheckECP]", "0\r\n");
    prepare(script);
    // Only the driver part: its question, and nothing after it.
    Outcome out = run("", {}, declineQuestions(1));
    EXPECT_EQ(state.installParts, 1);
    EXPECT_STREQ(state.driverSourceDir, "A:");
    EXPECT_EQ(state.demoFileOffered, 0);
    EXPECT_EQ(state.showBidiNote, 0);
    EXPECT_EQ(state.setinfOff, 0);
    EXPECT_EQ(state.checkEcp, 0);
    EXPECT_EQ(winIni().find("LPT1"), std::string::npos);
    EXPECT_NE(winIni().find("ICMPath="), std::string::npos);
}

TEST_F(Startup, EcpPortsAndColourProfileDirectory) {
    prepare();
    setRegistryString("Enum\\Root\\*PNP0401\\0000", "PortName", "LPT4");
    setRegistryString("Enum\\BIOS\\*CPQA0E0\\0001", "PortName", "COM1");
    setRegistryString("Enum\\BIOS\\*PNP0401\\0002", "PortName", "LPT2");
    setRegistryString("Enum\\BIOS\\*PNP0401\\0003", "Other", "LPT3");
    setRegistryString("Enum\\BIOS\\*PNP0401\\0004", "PortName", "LPT13");
    // Only the first eight subkeys of a device are looked at.
    for (int i = 0; i < 9; ++i) {
        std::string key = "Enum\\Root\\*CPQA0E0\\000" + std::to_string(i);
        setRegistryString(key.c_str(), "PortName", i < 8 ? "LPT9" : "LPT3");
    }
    setRegistryString("Software\\Microsoft\\Windows\\CurrentVersion\\Setup", "ICMPath", "C:\\WINDOWS\\SYSTEM\\COLOR");
    run("");
    EXPECT_NE(winIni().find("LPT1=0\r\nLPT2=1\r\nLPT3=0\r\nICMPath=C:\\WINDOWS\\SYSTEM\\COLOR\r\n"), std::string::npos)
        << winIni();
}

// Values of exactly the read sizes (80 bytes for PortName, 256 for ICMPath,
// NUL included) are read; one byte more is not.
TEST_F(Startup, PortNameAndIcmPathAtTheirSizes) {
    std::string port80 = "LPT2" + std::string(75, ' ');   // 79 characters and the NUL
    std::string icm256 = "C:\\" + std::string(252, 'C');  // 255 characters and the NUL
    prepare();
    setRegistryString("Enum\\Root\\*PNP0401\\0000", "PortName", port80.c_str());
    setRegistryString("Software\\Microsoft\\Windows\\CurrentVersion\\Setup", "ICMPath", icm256.c_str());
    run("");
    EXPECT_NE(winIni().find("LPT1=0\r\nLPT2=1\r\nLPT3=0\r\nICMPath=" + icm256 + "\r\n"), std::string::npos) << winIni();

    prepare();
    setRegistryString("Enum\\Root\\*PNP0401\\0000", "PortName", (port80 + " ").c_str());
    setRegistryString("Software\\Microsoft\\Windows\\CurrentVersion\\Setup", "ICMPath", (icm256 + "C").c_str());
    run("");
    EXPECT_NE(winIni().find("LPT1=0\r\nLPT2=0\r\nLPT3=0\r\nICMPath=\r\n"), std::string::npos) << winIni();
}

TEST_F(Startup, WindowsVersionBoundary) {
    struct Case {
        int major, minor, noteOnly;
    };
    for (Case c : {Case{3, 10, 0}, Case{3, 89, 0}, Case{3, 90, 1}, Case{3, 95, 1}, Case{4, 0, 1}}) {
        auto settings = TempMachine::defaultSettings();
        settings.versionMajor = c.major;
        settings.versionMinor = c.minor;
        remake(settings);
        prepare(withSection(kScript, "[WIN95SETUP]", "1\r\n"));
        run("", {}, c.noteOnly ? declineQuestions(1) + kWin95Note : declineQuestions(3));
        EXPECT_EQ(state.win95NoteOnly, c.noteOnly) << c.major << "." << c.minor;
    }
}

TEST_F(Startup, ScriptWithoutPrivateIniNameIsRefused) {
    // Refused with the file and the section named, rather than taking the
    // Windows directory itself for the private INI.
    prepare(withSection(kScript, "[PRIVATE.INI]", ""));
    Outcome out = run("", {"Warning"}, "");
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_NE(out.boxes[0].find("A:\\INSTALL.INF: [PRIVATE.INI]\\n" + text(131)), std::string::npos) << out.boxes[0];
    EXPECT_FALSE(out.called("LZOpenFileA("));
}

TEST_F(Startup, InstalledDriverOffersTheModeChoice) {
    prepare();
    m().put('C', "WINDOWS/SYSTEM/QS8000.DRV", "MZ");
    Outcome out = run("", {}, "dialog MODE_INSTALL\nclick 1\n" + declineQuestions(3));
    EXPECT_TRUE(out.boxes.empty());
    EXPECT_EQ(state.modeChoiceOffered, 1);
    EXPECT_EQ(state.operationMode, 0);
}

TEST_F(Startup, UninstallStartPutsTheKeptCopiesInPlace) {
    prepare();
    m().machine().modulePath = "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE";
    ASSERT_TRUE(m().machine().setCurrentDirectory("C:\\WINDOWS\\SYSTEM").ok());
    m().put('C', "WINDOWS/SYSTEM/QS8000.IN1", kScript);
    m().put('C', "WINDOWS/SYSTEM/QS8000.IN2", kOemInf);
    m().put('C', "WINDOWS/QS8000.INI",
            "[Install]\r\ninf1=C:\\WINDOWS\\SYSTEM\\QS8000.IN1\r\ninf2=C:\\WINDOWS\\SYSTEM\\QS8000.IN2\r\n");
    // The driver stage reads the OEM INF copy put in place; the mode choice
    // offers Uninstall only, and is cancelled here.
    Outcome out = run("C:\\WINDOWS\\QS8000.INI", {},
                      "dialog MODE_INSTALL\n  press Escape\nmessage \"cancel\"\n  press Y\n");
    ASSERT_EQ(out.boxes.size(), 1u);
    EXPECT_NE(out.boxes[0].find("cancel"), std::string::npos) << out.boxes[0];
    EXPECT_EQ(state.operationMode, 1);
    EXPECT_EQ(state.modeChoiceOffered, 1);
    EXPECT_STREQ(state.sourceDir, "C:\\WINDOWS\\SYSTEM");
    EXPECT_TRUE(out.inOrder({"CopyFileA(\"C:\\WINDOWS\\SYSTEM\\QS8000.IN1\", \"INSTALL.INF\"",
                             "CopyFileA(\"C:\\WINDOWS\\SYSTEM\\QS8000.IN2\", \"C:\\WINDOWS\\SYSTEM\\OEMSETUP.INF\""}));
    // The exit clean-up removes both copies again; the kept ones stay.
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/INSTALL.INF"));
    EXPECT_FALSE(onC("WINDOWS/SYSTEM/OEMSETUP.INF"));
    EXPECT_TRUE(onC("WINDOWS/SYSTEM/QS8000.IN1"));
}

TEST_F(Startup, GroupOnlyRunWaitsForItsTimerAndSkipsThePortProbe) {
    prepare();
    Outcome out = run("/ND", {}, declineQuestions(1));
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(out.boxes.empty());
    EXPECT_EQ(state.checkEcp, 0);
    EXPECT_EQ(winIni().find("LPT1"), std::string::npos);
    // The timer is set while the window is created (its procedure runs
    // inside CreateWindowExA); the driver stage comes only from the timer.
    EXPECT_TRUE(out.inOrder({"CreateWindowExA(", "SetTimer(*, 1, 2000)", "UpdateWindow(", "KillTimer(*, 1)",
                             "PostMessageA(*, 400, 0, 0)", "PostMessageA(*, 404, 0, 0)", "DestroyWindow("}));
    EXPECT_FALSE(out.called("SendMessageA(*, 400,"));
}

TEST_F(Startup, FailedGroupOnlyStartLeavesNoCopyForTheNextStart) {
    // A compressed script on the disk; the OEM INF is missing, so the
    // group-only run cannot load it and stops after the expansion.
    prepare();
    std::filesystem::remove(m().host('A', "INSTALL.INF"));
    std::filesystem::remove(m().host('A', "OEMSETUP.INF"));
    m().put('A', "DISK/INSTALL.IN_", compress(kScript));
    m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\nDiskPath=A:\\DISK\r\n");
    m().put('C', "WINDOWS/~NV00001.txt", "C:\\WINDOWS\\qs8000.ini");
    Outcome out = run("/ND", {"Norvalk Driver Installation", "Warning"}, "");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.boxes, (std::vector<std::string>{box("OEMSETUP.INF is not found.", text(161), MB_ICONHAND),
                                                   box(text(133), text(163), MB_ICONHAND)}));
    // The script was expanded whole and read from the copy ...
    EXPECT_TRUE(out.called("LZCopy(*) = " + std::to_string(std::strlen(kScript))));
    EXPECT_EQ(state.rebootMode, 2);
    // ... which is gone, so the next start is not handed the script as a path.
    EXPECT_FALSE(onC("WINDOWS/~NV00001.txt"));
    prepare();
    m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\n");
    out = run("");
    EXPECT_TRUE(out.boxes.empty());
    EXPECT_STREQ(state.privateIniPath, "C:\\WINDOWS\\qs8000.ini");
}

}  // namespace
