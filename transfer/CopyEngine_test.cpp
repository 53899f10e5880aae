#include "transfer/CopyEngine.h"

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "CopyListEntries.h"
#include "ProgramTest.h"
#include "platform/core/Trace.h"
#include "shared/WindowMessages.h"
#include "tools/szdd/SzddCompressor.h"
#include "ui/ProgressClasses.h"
#include "ui/ProgressWindow.h"

using nv::testing::Entry;
using nv::testing::ProgramTest;
using nv::testing::SetCopyList;

namespace {

constexpr const char* kScript =
    "[DISK1]\r\n1 = \"Driver disk #1\", DISK1.TAG\r\n"
    "[DISK2]\r\n1 = \"Driver disk #2\", DISK2.TAG\r\n"
    "[DISK3]\r\n1 = \"Font disk #3\", FONT3.TT_\r\n";
constexpr const char* kFontsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

std::string Compressed(const std::string& text, const std::string& name) {
    std::vector<uint8_t> data(text.begin(), text.end());
    auto out = nv::szdd::compress(data, nv::szdd::missingCharOf(name));
    return std::string(out->begin(), out->end());
}

std::string RegistryValue(const char* keyName, const char* valueName) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[MAX_PATH] = "";
    DWORD size = sizeof data;
    LONG r = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? data : "<none>";
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Ejects A: right before the first file's data is copied.
WORD CALLBACK EjectingNotify(HWND window, int code, int value, LPCSTR text) {
    if (code == 2 && value == 0)
        nv::machine::currentOrDie().drive('A')->hasDisk = false;
    return CopyNotify(window, code, value, text);
}

// Uses the progress window's close box after the first file.
WORD CALLBACK ClosingNotify(HWND window, int code, int value, LPCSTR text) {
    WORD r = CopyNotify(window, code, value, text);
    if (code == 2 && value == 100 && ProgressWindow())
        PostMessageA(ProgressWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    return r;
}

// Messages that a box or dialog of the run took while the run's window still
// held the mouse capture (a pressed button capturing itself is no matter).
HWND runWindow;
int capturesSeenInBoxes;
LRESULT CALLBACK CaptureWatch(int code, WPARAM wParam, LPARAM lParam) {
    if ((code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX) && GetCapture() == runWindow)
        ++capturesSeenInBoxes;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

class CopyRun : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        loadScript("INSTALL.INF", kScript);
        std::strcpy(state.languageCode, "ENU");
        std::strcpy(state.fontDir, "C:\\WINDOWS\\FONTS");
        std::strcpy(state.fontDirTyped, "C:\\WINDOWS\\FONTS");
        std::strcpy(state.icmPath, "C:\\WINDOWS\\SYSTEM\\COLOR");
        tm().put('C', "WINDOWS/SYSTEM.INI", "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=*vmm\r\n");
        tm().put('A', "DISK1.TAG", "");
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = state.instance;
        wc.lpszClassName = "CopyOwner";
        RegisterClassA(&wc);
        RegisterProBarClass(state.instance);
        RegisterTextClass(state.instance);
        owner_ = CreateWindowA("CopyOwner", "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, state.instance, nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner_);
        ProgramTest::TearDown();
    }
    void putDisk(const std::string& folder, const std::string& rel, const std::string& content = "") {
        auto p = tm().dir() / folder / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    std::string record(const char* key) {
        char value[MAX_PATH];
        GetPrivateProfileStringA("Install", key, "<none>", value, sizeof value, state.privateIniPath);
        return value;
    }
    bool finishPosted() {
        MSG msg;
        return PeekMessageA(&msg, owner_, IM_FINISH, IM_FINISH, PM_REMOVE) != FALSE;
    }
    void addFontValue(const char* name, const char* value) {
        HKEY key;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_ALL_ACCESS, &key);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), std::strlen(value) + 1);
        RegCloseKey(key);
    }
    // Runs the list inside the progress window, as the sequence does.
    int run(COPYNOTIFYPROC notify = CopyNotify) {
        HDC dc = OpenProgress(owner_);
        int r = CopyListFiles(owner_, notify);
        barWords_[0] = GetWindowWord(bar(), 0);
        barWords_[1] = GetWindowWord(bar(), 2);
        CloseProgress(owner_, dc);
        return r;
    }
    HWND bar() {
        for (HWND c = GetWindow(ProgressWindow(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char name[16];
            GetClassNameA(c, name, sizeof name);
            if (std::strcmp(name, "probar") == 0)
                return c;
        }
        return nullptr;
    }
    HWND owner_ = nullptr;
    WORD barWords_[2] = {};
};

TEST_F(CopyRun, FilesOfEveryKindFromTwoFloppies) {
    tm().put('A', "QS8000.DR_", Compressed("driver", "QS8000.DRV"));
    tm().put('A', "NVBIDI.386", "vxd new");
    tm().put('C', "WINDOWS/SYSTEM/NVBIDI.386", "vxd old");
    putDisk("disks/two", "DISK2.TAG");
    putDisk("disks/two", "NVUP16.DRV", "paired");
    putDisk("disks/two", "QS8000.IC_", Compressed("profile", "QS8000.ICM"));
    putDisk("disks/two", "ENU/QSRES.DLL", "english");
    putDisk("disks/two", "QSRES.DLL", "neutral");
    SetCopyList({{CopyKind::File, '1', "QS8000.DRV"},
                 {CopyKind::DeviceDriver, '1', "NVBIDI.386"},
                 {CopyKind::Renamed, '2', "NVUP16.DRV", "NVUPPER.DRV"},
                 {CopyKind::ColourProfile, '2', "QS8000.ICM"},
                 {CopyKind::LanguageFile, '2', "QSRES.DLL"}});
    answers("message \"Insert the Driver disk #2 into your disk drive.\"\n  insert A: disks/two\n  press Enter\n");
    EXPECT_EQ(run(), 1);
    expectAnswersUsed();

    EXPECT_EQ(file("WINDOWS/SYSTEM/QS8000.DRV"), "driver");  // expanded, under the plain name
    EXPECT_EQ(file("WINDOWS/SYSTEM/NVBIDI.386"), "vxd new");
    EXPECT_EQ(file("WINDOWS/SYSTEM/NVBIDI.B00"), "vxd old");
    EXPECT_EQ(file("WINDOWS/SYSTEM/NVUPPER.DRV"), "paired");
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/NVUP16.DRV"));
    EXPECT_EQ(file("WINDOWS/SYSTEM/QSRES.DLL"), "english");
    EXPECT_EQ(file("WINDOWS/SYSTEM/COLOR/QS8000.ICM"), "profile");
    EXPECT_NE(file("WINDOWS/SYSTEM.INI").find("device=NVBIDI.386"), std::string::npos);
    EXPECT_EQ(state.runResult, RESULT_INSTALLED_RESTART);

    // Disk 1 needed no check; disk 2 raised the count to 2.
    EXPECT_EQ(record("File0100"), "C:\\WINDOWS\\SYSTEM\\QS8000.DRV");
    EXPECT_EQ(record("File0101"), "C:\\WINDOWS\\SYSTEM\\NVBIDI.386");
    EXPECT_EQ(record("BFile0101"), "C:\\WINDOWS\\SYSTEM\\NVBIDI.B00");
    EXPECT_EQ(record("File0202"), "C:\\WINDOWS\\SYSTEM\\NVUPPER.DRV");
    EXPECT_EQ(record("File0204"), "C:\\WINDOWS\\SYSTEM\\QSRES.DLL");
    EXPECT_EQ(state.diskChangeCount, 2);
    EXPECT_EQ(state.lastDisk, 2);
    // The bar counted five files and took five steps.
    EXPECT_EQ(barWords_[0], 5);
    EXPECT_EQ(barWords_[1], 5);
}

TEST_F(CopyRun, ColourProfileIsListedUnderItsClassAndMaker) {
    std::string icc(128, '\0');
    std::memcpy(&icc[12], "prtr", 4);
    std::memcpy(&icc[36], "acsp", 4);
    std::memcpy(&icc[48], "NRVK", 4);
    std::memcpy(&icc[52], "QS80", 4);
    tm().put('A', "QS8000.ICM", icc);
    SetCopyList({{CopyKind::ColourProfile, '1', "QS8000.ICM"}});
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(RegistryValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ICM\\prtr\\NRVK\\QS80\\MediaUnknown\\"
                            "DitherUnknown\\ResolutionUnknown",
                            "profile00"),
              "C:\\WINDOWS\\SYSTEM\\COLOR\\QS8000.ICM");
    // Installed again: listed once.
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(RegistryValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\ICM\\prtr\\NRVK\\QS80\\MediaUnknown\\"
                            "DitherUnknown\\ResolutionUnknown",
                            "profile01"),
              "<none>");
    // Not a profile: refused.
    tm().put('A', "BAD.ICM", std::string(200, 'x'));
    EXPECT_FALSE(UpdateICMRegKeyA(0, nullptr, const_cast<LPSTR>("A:\\BAD.ICM"), ICM_ADDFILE));
}

TEST_F(CopyRun, VirtualDeviceDriverBackupsCountUp) {
    tm().put('A', "NVBIDI.386", "new");
    tm().put('C', "WINDOWS/SYSTEM/NVBIDI.386", "first");
    SetCopyList({{CopyKind::DeviceDriver, '1', "NVBIDI.386"}});
    EXPECT_EQ(run(), 1);
    SetCopyList({{CopyKind::DeviceDriver, '1', "NVBIDI.386"}});
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(file("WINDOWS/SYSTEM/NVBIDI.B00"), "first");
    EXPECT_EQ(file("WINDOWS/SYSTEM/NVBIDI.B01"), "new");
    EXPECT_EQ(record("BFile0100"), "C:\\WINDOWS\\SYSTEM\\NVBIDI.B01");  // the same key, written again
}

TEST_F(CopyRun, HardDiskCopyFollowsNumberedFoldersWithoutAPrompt) {
    tm().put('C', "SETUP/DISK1/DISK1.TAG", "");
    tm().put('C', "SETUP/DISK1/ONE.DLL", "1");
    tm().put('C', "SETUP/DISK2/DISK2.TAG", "");
    tm().put('C', "SETUP/DISK2/TWO.DLL", "2");
    std::strcpy(state.sourceDir, "C:\\SETUP\\DISK1");
    std::strcpy(state.driverSourceDir, "C:\\SETUP\\DISK1");
    SetCopyList({{CopyKind::File, '1', "ONE.DLL"}, {CopyKind::File, '2', "TWO.DLL"}});
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(file("WINDOWS/SYSTEM/TWO.DLL"), "2");
    EXPECT_STREQ(state.sourceDir, "C:\\SETUP\\DISK2");
}

TEST_F(CopyRun, WrongPathTypedFirstThenTheRightOne) {
    tm().put('C', "COPY2/DISK2.TAG", "");
    tm().put('C', "COPY2/TWO.DLL", "2");
    SetCopyList({{CopyKind::File, '2', "TWO.DLL"}});
    answers("message \"Insert the Driver disk #2\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  type 650 \"C:\\WINDOWS\"\n  click 1\n"
            "message \"File not found.\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  type 650 \"C:\\COPY2\"\n  click 1\n");
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(file("WINDOWS/SYSTEM/TWO.DLL"), "2");
    EXPECT_STREQ(state.promptedSourceDir, "C:\\COPY2");
    expectAnswersUsed();
}

TEST_F(CopyRun, CancelledDiskPromptPostsTheFinish) {
    SetCopyList({{CopyKind::File, '2', "TWO.DLL"}});
    answers("message \"Insert the\"\n  press Enter\n"
            "dialog SELECTDRIVE\n  click 2\n");
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(finishPosted());
    EXPECT_EQ(state.runResult, RESULT_NONE);
    expectAnswersUsed();
}

TEST_F(CopyRun, RegisteredFontOkSkipsCancelCancels) {
    addFontValue("Norvalk Sans (TrueType)", "NVSANS.TTF");
    tm().put('A', "NVSANS.TTF", "sans");
    tm().put('A', "NVMONO.TTF", "mono");
    SetCopyList({{CopyKind::Font, '1', "NVSANS.TTF"},
                 {CopyKind::Skip, '0', "Norvalk Sans"},
                 {CopyKind::Font, '1', "NVMONO.TTF"},
                 {CopyKind::Skip, '0', "Norvalk Mono"}});
    answers("message \"The Norvalk Sans (TrueType) font is already installed.\"\n  click \"OK\"\n");
    EXPECT_EQ(run(), 1);
    EXPECT_FALSE(exists("WINDOWS/FONTS/NVSANS.TTF"));
    EXPECT_EQ(file("WINDOWS/FONTS/NVMONO.TTF"), "mono");
    EXPECT_EQ(RegistryValue(kFontsKey, "Norvalk Mono (TrueType)"), "C:\\WINDOWS\\FONTS\\NVMONO.TTF");
    EXPECT_EQ(barWords_[0], 2);  // the face-name entries are not counted

    answers("message \"font is already installed\"\n  click \"Cancel\"\n");
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(finishPosted());
    expectAnswersUsed();
}

TEST_F(CopyRun, YesToAllHoldsForLaterFonts) {
    tm().put('A', "NVSANS.TTF", "sans new");
    tm().put('A', "NVMONO.TTF", "mono new");
    tm().put('C', "WINDOWS/FONTS/NVSANS.TTF", "sans old");
    tm().put('C', "WINDOWS/FONTS/NVMONO.TTF", "mono old");
    SetCopyList({{CopyKind::Font, '1', "NVSANS.TTF"},
                 {CopyKind::Skip, '0', "Norvalk Sans"},
                 {CopyKind::Font, '1', "NVMONO.TTF"},
                 {CopyKind::Skip, '0', "Norvalk Mono"}});
    answers("dialog CONFIRMDLG\n  click 1004\n");
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(state.askBeforeReplace, 0);
    EXPECT_EQ(file("WINDOWS/FONTS/NVSANS.TTF"), "sans new");
    EXPECT_EQ(file("WINDOWS/FONTS/NVMONO.TTF"), "mono new");
    expectAnswersUsed();
}

TEST_F(CopyRun, NoKeepsTheFontAndRegistersItOnlyInAnotherDirectory) {
    tm().put('A', "NVSANS.TTF", "sans new");
    tm().put('C', "WINDOWS/FONTS/NVSANS.TTF", "sans old");
    SetCopyList({{CopyKind::Font, '1', "NVSANS.TTF"}, {CopyKind::Skip, '0', "Norvalk Sans"}});
    state.fontDirIsDefault = 1;
    answers("dialog CONFIRMDLG\n  click 4\n");
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(file("WINDOWS/FONTS/NVSANS.TTF"), "sans old");
    EXPECT_EQ(RegistryValue(kFontsKey, "Norvalk Sans (TrueType)"), "<none>");

    state.fontDirIsDefault = 0;
    std::strcpy(state.fontDirTyped, "\\WINDOWS\\FONTS");
    answers("dialog CONFIRMDLG\n  click 4\n");
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(file("WINDOWS/FONTS/NVSANS.TTF"), "sans old");
    EXPECT_EQ(RegistryValue(kFontsKey, "Norvalk Sans (TrueType)"), "\\WINDOWS\\FONTS\\NVSANS.TTF");

    // Cancel asks; No shows the question again, Yes cancels the run.
    HKEY key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueA(key, "Norvalk Sans (TrueType)");
    RegCloseKey(key);
    answers("dialog CONFIRMDLG\n  click 2\n"
            "message \"Do you really want to cancel\"\n  press N\n"
            "dialog CONFIRMDLG\n  click 2\n"
            "message \"Do you really want to cancel\"\n  press Y\n");
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(finishPosted());
    expectAnswersUsed();
}

// The stage holds the mouse capture for the whole run; every box of the run
// (owned by the main window or by the progress window) must still take clicks.
TEST_F(CopyRun, BoxesOfARunUnderTheMouseCaptureTakeClicks) {
    addFontValue("Norvalk Sans (TrueType)", "NVSANS.TTF");
    tm().put('A', "NVSANS.TTF", "sans");
    putDisk("disks/two", "DISK2.TAG");
    putDisk("disks/two", "TWO.DLL", "2");
    SetCopyList({{CopyKind::Font, '1', "NVSANS.TTF"},
                 {CopyKind::Skip, '0', "Norvalk Sans"},
                 {CopyKind::File, '2', "TWO.DLL"},
                 {CopyKind::File, '2', "GONE.DLL"}});
    answers("message \"font is already installed\"\n  click \"OK\"\n"
            "message \"Insert the Driver disk #2\"\n  insert A: disks/two\n  click \"OK\"\n"
            "message \"Cannot find file\"\n  click \"Cancel\"\n");
    capturesSeenInBoxes = 0;
    runWindow = owner_;
    HHOOK hook = SetWindowsHookExA(WH_MSGFILTER, CaptureWatch, nullptr, 0);
    SetCapture(owner_);
    EXPECT_EQ(run(), 0);
    UnhookWindowsHookEx(hook);
    expectAnswersUsed();
    EXPECT_EQ(file("WINDOWS/SYSTEM/TWO.DLL"), "2");
    EXPECT_EQ(capturesSeenInBoxes, 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CopyRun, FailuresLeaveNoPartialFile) {
    // Source missing under both names (after the platform's retry box).
    SetCopyList({{CopyKind::File, '1', "GONE.DLL"}});
    answers("message \"Cannot find file\"\n  click \"Cancel\"\n");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
    EXPECT_FALSE(finishPosted());

    // A damaged compressed file (unknown method) cannot be opened.
    std::string damaged = Compressed("data", "BAD.DLL");
    damaged[8] = 'B';
    tm().put('A', "BAD.DL_", damaged);
    state.runResult = RESULT_NONE;
    SetCopyList({{CopyKind::File, '1', "BAD.DLL"}});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/BAD.DLL"));

    // The disk fills up in the middle of the copy.
    tm().put('A', "BIG.DLL", std::string(20000, 'b'));
    tm().machine().drive('C')->fullAfter = 5000;
    state.runResult = RESULT_NONE;
    SetCopyList({{CopyKind::File, '1', "BIG.DLL"}});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/BIG.DLL"));
    EXPECT_EQ(record("File0100"), "C:\\WINDOWS\\SYSTEM\\BIG.DLL");  // recorded before the data
    tm().machine().drive('C')->fullAfter.reset();

    // Every write fails.
    tm().machine().drive('C')->failWrites = true;
    state.runResult = RESULT_NONE;
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/BIG.DLL"));
    tm().machine().drive('C')->failWrites = false;

    // The disk is taken out while the file is copied.
    state.runResult = RESULT_NONE;
    EXPECT_EQ(run(EjectingNotify), 0);
    EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/BIG.DLL"));
}

// A read-only destination folder: the destination cannot be created, so the
// run stops as a failure with nothing written there and nothing recorded;
// a folder still to be made below it gets the cannot-create message.
TEST_F(CopyRun, ReadOnlyFolderLeavesNoDestination) {
    tm().put('A', "BIG.DLL", std::string(20000, 'b'));
    tm().put('A', "PACKED.DL_", Compressed(std::string(3000, 'p'), "PACKED.DLL"));
    tm().machine().settings().readOnlyFolders = {"C:\\WINDOWS\\SYSTEM"};
    for (const char* name : {"BIG.DLL", "PACKED.DLL"}) {
        SCOPED_TRACE(name);
        state.runResult = RESULT_NONE;
        SetCopyList({{CopyKind::File, '1', name}});
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
        EXPECT_FALSE(exists(std::string("WINDOWS/SYSTEM/") + name));
        EXPECT_EQ(record("File0100"), "<none>");
        EXPECT_FALSE(finishPosted());
    }
    tm().put('A', "QS8000.ICM", "profile");
    SetCopyList({{CopyKind::ColourProfile, '1', "QS8000.ICM"}});
    answers("message \"Cannot create directory\"\n  press Enter\n");
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/COLOR"));
    expectAnswersUsed();
}

TEST_F(CopyRun, DirectoryThatIsAFileIsReported) {
    tm().put('C', "WINDOWS/SYSTEM/COLOR", "not a directory");
    tm().put('A', "QS8000.ICM", "profile");
    SetCopyList({{CopyKind::ColourProfile, '1', "QS8000.ICM"}});
    answers("message \"Cannot create directory\"\n  press Enter\n");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(file("WINDOWS/SYSTEM/COLOR"), "not a directory");
    expectAnswersUsed();
}

TEST_F(CopyRun, NamesThatLeaveTheirDirectoryAreNeverCopied) {
    tm().put('A', "EVIL.DLL", "x");
    SetCopyList({{CopyKind::Renamed, '1', "EVIL.DLL", "..\\..\\EVIL.DLL"}});
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
    EXPECT_FALSE(exists("EVIL.DLL"));
    SetCopyList({{CopyKind::File, '1', "A:EVIL.DLL"}});
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/EVIL.DLL"));
}

TEST_F(CopyRun, CloseBoxStopsBetweenFilesAsACancel) {
    tm().put('A', "ONE.DLL", "1");
    tm().put('A', "TWO.DLL", "2");
    SetCopyList({{CopyKind::File, '1', "ONE.DLL"}, {CopyKind::File, '1', "TWO.DLL"}});
    HDC dc = OpenProgress(owner_);
    EXPECT_EQ(CopyListFiles(owner_, ClosingNotify), 0);
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    CloseProgress(owner_, dc);
    EXPECT_TRUE(finishPosted());
    EXPECT_EQ(file("WINDOWS/SYSTEM/ONE.DLL"), "1");
    EXPECT_EQ(record("File0100"), "C:\\WINDOWS\\SYSTEM\\ONE.DLL");
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/TWO.DLL"));
    EXPECT_EQ(record("File0101"), "<none>");
    EXPECT_EQ(state.runResult, RESULT_NONE);
}

TEST_F(CopyRun, DeleteListFiles) {
    // Nothing to delete: no progress, no error mode change.
    std::memset(state.copyList, 0, sizeof state.copyList);
    std::strcpy(state.copyList[0], "0C:\\KEEP.DLL");
    SetErrorMode(SEM_NOOPENFILEERRORBOX);
    nv::trace::startCapture();
    EXPECT_EQ(DeleteListFiles(owner_, CopyNotify), 1);
    EXPECT_TRUE(nv::trace::stopCapture().empty());
    EXPECT_EQ(SetErrorMode(0), static_cast<UINT>(SEM_NOOPENFILEERRORBOX));

    tm().put('C', "WINDOWS/SYSTEM/A.DLL", "a");
    tm().put('C', "WINDOWS/SYSTEM/B.DLL", "b");
    WritePrivateProfileStringA("Install", "File0100", "C:\\WINDOWS\\SYSTEM\\A.DLL", state.privateIniPath);
    WritePrivateProfileStringA("Install", "File0101", "C:\\WINDOWS\\SYSTEM\\B.DLL", state.privateIniPath);
    std::memset(state.copyList, 0, sizeof state.copyList);
    std::strcpy(state.copyList[0], "C:\\WINDOWS\\SYSTEM\\A.DLL");
    std::strcpy(state.copyList[1], "0:\\WINDOWS\\SYSTEM\\B.DLL");  // kept
    std::strcpy(state.copyList[2], "C:\\WINDOWS\\SYSTEM\\MISSING.DLL");
    state.operationMode = 1;
    HDC dc = OpenProgress(owner_);
    EXPECT_EQ(DeleteListFiles(owner_, CopyNotify), 1);
    EXPECT_EQ(GetWindowWord(bar(), 0), 2);
    EXPECT_EQ(GetWindowWord(bar(), 2), 2);
    CloseProgress(owner_, dc);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/A.DLL"));
    EXPECT_TRUE(exists("WINDOWS/SYSTEM/B.DLL"));
    EXPECT_EQ(record("File0100"), "<none>");
    EXPECT_EQ(record("File0101"), "C:\\WINDOWS\\SYSTEM\\B.DLL");
    EXPECT_STREQ(state.statusFileName, "MISSING.DLL");
}

TEST_F(CopyRun, NotifyCodes) {
    std::strcpy(state.driverName, "QS-8000");
    answers("message \"QS-8000 driver installation has failed.\"\n  press Enter\n"
            "message \" is not found.\"\n  press Enter\n");
    EXPECT_EQ(CopyNotify(nullptr, 1, 0, nullptr), 1);
    EXPECT_EQ(CopyNotify(nullptr, 7, 0, nullptr), 1);
    EXPECT_EQ(CopyNotify(nullptr, 4, 0, "1 = A:\\*.DLL"), 0);
    EXPECT_EQ(CopyNotify(nullptr, 4, 0, "1 = A:\\X.DLL"), 1);
    EXPECT_EQ(CopyNotify(nullptr, 5, 0, nullptr), 1);
    EXPECT_EQ(SetErrorMode(0), static_cast<UINT>(SEM_FAILCRITICALERRORS));
    EXPECT_EQ(CopyNotify(nullptr, 9, 0, nullptr), 1);
    expectAnswersUsed();
}
