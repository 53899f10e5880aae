#include "transfer/VersionCheck.h"

#include <cstring>
#include <string>

#include "CopyListEntries.h"
#include "platform/core/Trace.h"
#include "ProgramTest.h"
#include "tools/exefile/ExeWriter.h"
#include "tools/szdd/SzddCompressor.h"

using nv::testing::Entry;
using nv::testing::ProgramTest;
using nv::testing::PutEntry;
using nv::testing::ReadEntry;

namespace {

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::string Vxd(std::array<uint16_t, 4> version) {
    nv::exefile::VersionInfo info;
    info.fileVersion = version;
    return Bytes(nv::exefile::writeLe(&info, "LPT"));
}

// Sets a file's last-write time through the machine's own file functions.
void SetTime(const char* path, ULONGLONG t) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    FILETIME ft{static_cast<DWORD>(t & 0xFFFFFFFF), static_cast<DWORD>(t >> 32)};
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

ULONGLONG GetTime(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    FILETIME ft{};
    GetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// 1998-01-06 14:05:09 UTC, a Tuesday.
constexpr ULONGLONG kJan1998 = 125285691090000000ull;
constexpr ULONGLONG kDay = 864000000000ull;

}  // namespace

TEST(VersionNumber, BothFormats) {
    ResetInstallState();
    VS_FIXEDFILEINFO info{};
    char out[32];
    info.dwFileVersionMS = MAKELONG(0, 4);
    info.dwFileVersionLS = MAKELONG(0, 3);
    FormatFileVersion(&info, out, sizeof out);
    EXPECT_STREQ(out, "4.03");
    info.dwFileVersionMS = MAKELONG(10, 5);
    info.dwFileVersionLS = MAKELONG(0, 2);
    FormatFileVersion(&info, out, sizeof out);
    EXPECT_STREQ(out, "5.102");
    state.versionTypeFlag = 1;
    FormatFileVersion(&info, out, sizeof out);
    EXPECT_STREQ(out, "2.0");
    info.dwFileVersionLS = MAKELONG(7, 3);
    FormatFileVersion(&info, out, sizeof out);
    EXPECT_STREQ(out, "3.7");
}

class VersionCheck : public ProgramTest {
protected:
    // Entry 0: NVQS.DRV with the check bit; installed and source files present.
    void driverEntry(ULONGLONG installedTime, ULONGLONG sourceTime) {
        PutEntry(state.copyList[0], Entry{CopyKind::File, '1', "NVQS.DRV"}.compared());
        tm().put('C', "WINDOWS/SYSTEM/NVQS.DRV", Vxd({4, 0, 3, 0}));
        tm().put('A', "NVQS.DRV", Vxd({5, 10, 2, 0}));
        SetTime("C:\\WINDOWS\\SYSTEM\\NVQS.DRV", installedTime);
        SetTime("A:\\NVQS.DRV", sourceTime);
    }
};

TEST_F(VersionCheck, EntriesWithoutTheBitAreCopiedWithoutLooking) {
    const Entry plain{CopyKind::File, '1', "PLAIN.DLL"};
    PutEntry(state.copyList[0], plain);
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 1);
    EXPECT_EQ(ReadEntry(state.entryUnderCheck), plain);
}

TEST_F(VersionCheck, SourceNotOnThisDiskKeepsTheBit) {
    const Entry onDisk2 = Entry{CopyKind::DeviceDriver, '2', "NVBIDI.386"}.compared();
    PutEntry(state.copyList[0], onDisk2);
    tm().put('C', "WINDOWS/SYSTEM/NVBIDI.386", "old");
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 1);
    EXPECT_EQ(ReadEntry(state.copyList[0]), onDisk2);
}

TEST_F(VersionCheck, CompressedSourceIsFoundAndAbsentInstalledFileClearsTheBit) {
    PutEntry(state.copyList[0], Entry{CopyKind::DeviceDriver, '1', "NVBIDI.386"}.compared());
    tm().put('A', "NVBIDI.38_", "compressed");
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 1);
    EXPECT_EQ(ReadEntry(state.copyList[0]), (Entry{CopyKind::DeviceDriver, '1', "NVBIDI.386"}));
}

TEST_F(VersionCheck, EqualOrOlderTimesReplaceWithoutAQuestion) {
    driverEntry(kJan1998, kJan1998);
    EXPECT_EQ(InstalledIsNewer(), 0);  // entryUnderCheck is not set yet
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 1);
    EXPECT_EQ(ReadEntry(state.copyList[0]), (Entry{CopyKind::File, '1', "NVQS.DRV"}));
    EXPECT_EQ(InstalledIsNewer(), 0);
}

TEST_F(VersionCheck, NewerInstalledFileAsksAndEnterKeeps) {
    driverEntry(kJan1998 + kDay, kJan1998);
    answers("dialog VER_CHECK\n  press Enter\n");
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 0);
    // Asked once: the bit is gone.
    EXPECT_EQ(ReadEntry(state.copyList[0]), (Entry{CopyKind::File, '1', "NVQS.DRV"}));
    expectAnswersUsed();
}

TEST_F(VersionCheck, PairedEntryIsComparedUnderItsInstalledName) {
    // "NVUPPER.DRV,NVUP16.DRV": the disk holds NVUP16.DRV, the system
    // directory NVUPPER.DRV, which is newer.
    PutEntry(state.copyList[0], Entry{CopyKind::Renamed, '1', "NVUP16.DRV"}.as("NVUPPER.DRV").compared());
    tm().put('C', "WINDOWS/SYSTEM/NVUPPER.DRV", Vxd({4, 0, 3, 0}));
    tm().put('A', "NVUP16.DRV", Vxd({5, 10, 2, 0}));
    SetTime("C:\\WINDOWS\\SYSTEM\\NVUPPER.DRV", kJan1998 + kDay);
    SetTime("A:\\NVUP16.DRV", kJan1998);
    answers("dialog VER_CHECK\n  press Enter\n");
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 0);
    expectAnswersUsed();

    HWND dlg = CreateDialogParamA(state.instance, "VER_CHECK", nullptr, VerCheck, 0);
    ASSERT_NE(dlg, nullptr);
    char text[2048];
    GetDlgItemTextA(dlg, IDC_VERCHECK_TEXT, text, sizeof text);
    DestroyWindow(dlg);
    EXPECT_EQ(std::string(text).rfind("      NVUPPER.DRV already exists!!!", 0), 0u) << text;
    EXPECT_NE(std::string(text).find("Ver. 4.03\nwith:"), std::string::npos) << text;
}

TEST_F(VersionCheck, NewerInstalledFileReplacedOnOk) {
    driverEntry(kJan1998 + kDay, kJan1998);
    answers("dialog VER_CHECK\n  click \"&OK\"\n");
    EXPECT_EQ(CheckEntryVersion(nullptr, 0), 1);
    expectAnswersUsed();
}

TEST_F(VersionCheck, QuestionTextShowsDatesVersionsAndTheGermanVerb) {
    driverEntry(kJan1998 + kDay, kJan1998);
    std::memcpy(state.entryUnderCheck, state.copyList[0], COPY_LIST_ENTRY_SIZE);
    HWND dlg = CreateDialogParamA(state.instance, "VER_CHECK", nullptr, VerCheck, 0);
    ASSERT_NE(dlg, nullptr);
    char text[2048];
    GetDlgItemTextA(dlg, IDC_VERCHECK_TEXT, text, sizeof text);
    DestroyWindow(dlg);
    EXPECT_EQ(std::string(text),
              "      NVQS.DRV already exists!!!\nDo you want to replace:\n     Wed Jan 7 14:05:09 1998\n      Ver. 4.03"
              "\nwith:\n     Tue Jan 6 14:05:09 1998\n      Ver. 5.102\n\n");

    state.languageIndex = 2;
    dlg = CreateDialogParamA(state.instance, "VER_CHECK", nullptr, VerCheck, 0);
    ASSERT_NE(dlg, nullptr);
    GetDlgItemTextA(dlg, IDC_VERCHECK_TEXT, text, sizeof text);
    DestroyWindow(dlg);
    std::string german(text);
    EXPECT_NE(german.find("\nersetzen\n\n"), std::string::npos) << german;
    EXPECT_EQ(german.size() - german.rfind("ersetzen"), std::strlen("ersetzen\n\n"));
}

TEST_F(VersionCheck, ConfirmOffersYesToAllOnlyBeforeAnotherFont) {
    nv::testing::SetCopyList({{CopyKind::Font, '1', "A.TTF"},
                              {CopyKind::Skip, '1', "Face A"},
                              {CopyKind::Font, '1', "B.TTF"},
                              {CopyKind::Skip, '1', "Face B"}});
    std::strcpy(state.confirmFileName, "A.TTF");
    state.confirmIndex = 0;
    HWND dlg = CreateDialogParamA(state.instance, "CONFIRMDLG", nullptr, ConfirmDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_YES_TO_ALL)));
    DestroyWindow(dlg);
    state.confirmIndex = 2;
    dlg = CreateDialogParamA(state.instance, "CONFIRMDLG", nullptr, ConfirmDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_YES_TO_ALL)));
    DestroyWindow(dlg);

    state.confirmIndex = 0;
    answers("dialog CONFIRMDLG\n  click \"Yes to &All\"\n");
    EXPECT_EQ(DialogBoxParamA(state.instance, "CONFIRMDLG", nullptr, ConfirmDlgProc, 0), IDC_YES_TO_ALL);
    expectAnswersUsed();
}

class PortDriver : public ProgramTest {
protected:
    void install(std::array<uint16_t, 4> installed) {
        tm().put('C', "WINDOWS/SYSTEM/lpt.vxd", Vxd(installed));
        // The product's port driver is carried compressed, without its "MZ".
        std::string ours = Vxd({4, 0, 0, 1111});
        ours[0] = 'N';
        ours[1] = 'V';
        auto packed = nv::szdd::compress(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(ours.data()), ours.size()), 0);
        ASSERT_TRUE(packed.has_value());
        tm().put('C', "WINDOWS/SYSTEM/lpt.bz", Bytes(*packed));
        ours_ = ours;
    }
    std::string ours_;
};

TEST_F(PortDriver, KnownVersionIsSavedAndReplaced) {
    install({4, 0, 0, 950});
    std::string before = file("WINDOWS/SYSTEM/lpt.vxd");
    ReplacePortDriver();
    EXPECT_EQ(file("WINDOWS/SYSTEM/lpt.vxz"), before);
    std::string after = file("WINDOWS/SYSTEM/lpt.vxd");
    ASSERT_EQ(after.size(), ours_.size());
    EXPECT_EQ(after.substr(0, 2), "MZ");
    EXPECT_EQ(after.substr(2), ours_.substr(2));
    EXPECT_EQ(GetTime("C:\\WINDOWS\\SYSTEM\\lpt.vxd"), 0x01BAD719EA8EDE00ull);
}

TEST_F(PortDriver, OtherVersionsOrNoReplacementLeaveItAlone) {
    install({4, 0, 0, 951});
    std::string before = file("WINDOWS/SYSTEM/lpt.vxd");
    ReplacePortDriver();
    EXPECT_EQ(file("WINDOWS/SYSTEM/lpt.vxd"), before);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/lpt.vxz"));

    tm().put('C', "WINDOWS/SYSTEM/lpt.vxd", Vxd({4, 0, 0, 950}));
    std::filesystem::remove(tm().host('C', "WINDOWS/SYSTEM/lpt.bz"));
    ReplacePortDriver();
    EXPECT_FALSE(exists("WINDOWS/SYSTEM/lpt.vxz"));
}

// Whichever write of the replacement fails, lpt.vxd is a driver Windows can
// load: the platform's, or the product's whole with its "MZ".
class PortDriverWriteFault : public PortDriver, public ::testing::WithParamInterface<int> {};

TEST_P(PortDriverWriteFault, LeavesAWholeDriver) {
    install({4, 0, 0, 950});
    std::string before = file("WINDOWS/SYSTEM/lpt.vxd");
    ASSERT_EQ(tm().setting("failWrite", std::to_string(GetParam())), "");
    ReplacePortDriver();
    std::string after = file("WINDOWS/SYSTEM/lpt.vxd");
    if (after != before) {
        EXPECT_EQ(after, "MZ" + ours_.substr(2));
    }
}

INSTANTIATE_TEST_SUITE_P(EachWrite, PortDriverWriteFault, ::testing::Range(1, 9));

TEST_F(VersionCheck, KeptSetupFilesAreNamedAfterThePrivateIni) {
    tm().put('C', "WINDOWS/~NV00001.txt", "[OEM.INF]\r\nQSPRN.INF\r\n");
    tm().put('C', "WINDOWS/~NV00002.txt", "[Manufacturer]\r\n");
    std::strcpy(state.scriptCopyPath, "C:\\WINDOWS\\~NV00001.txt");
    std::strcpy(state.oemInfPath, "C:\\WINDOWS\\~NV00002.txt");
    KeepSetupFiles();
    EXPECT_EQ(file("WINDOWS/SYSTEM/QS8000.IN1"), "[OEM.INF]\r\nQSPRN.INF\r\n");
    EXPECT_EQ(file("WINDOWS/SYSTEM/QS8000.IN2"), "[Manufacturer]\r\n");
    char value[MAX_PATH];
    GetPrivateProfileStringA("Install", "inf1", "", value, sizeof value, state.privateIniPath);
    EXPECT_STREQ(value, "C:\\WINDOWS\\SYSTEM\\QS8000.IN1");
    GetPrivateProfileStringA("Install", "inf2", "", value, sizeof value, state.privateIniPath);
    EXPECT_STREQ(value, "C:\\WINDOWS\\SYSTEM\\QS8000.IN2");

    // A long private INI name keeps every character but the last, as the
    // uninstall looks for it.
    std::strcpy(state.privateIniPath, "C:\\WINDOWS\\NORVALKSETUP.INI");
    KeepSetupFiles();
    EXPECT_EQ(file("WINDOWS/SYSTEM/NORVALKSETUP.IN1"), "[OEM.INF]\r\nQSPRN.INF\r\n");
    EXPECT_EQ(file("WINDOWS/SYSTEM/NORVALKSETUP.IN2"), "[Manufacturer]\r\n");
}

TEST_F(PortDriver, CallsComeInTheirOrder) {
    install({4, 0, 0, 950});
    nv::trace::startCapture();
    ReplacePortDriver();
    std::vector<std::string> calls;
    for (const auto& line : nv::trace::stopCapture()) {
        std::string name = line.substr(0, line.find('('));
        if (name == "LZOpenFileA" || name == "LZCopy" || name == "OpenFile" || name == "_lwrite" ||
            name == "SetFileTime" || name == "GetFileVersionInfoA" || name == "VerQueryValueA")
            calls.push_back(name);
    }
    // LZOpenFileA opens through OpenFile: the inner call is recorded just before it.
    for (size_t i = 0; i + 1 < calls.size(); ++i) {
        if (calls[i] == "OpenFile" && calls[i + 1] == "LZOpenFileA")
            calls.erase(calls.begin() + static_cast<long>(i));
    }
    std::vector<std::string> want = {"OpenFile",    "GetFileVersionInfoA", "VerQueryValueA", "LZOpenFileA",
                                     "LZOpenFileA", "LZCopy",              "LZOpenFileA",    "LZOpenFileA",
                                     "LZCopy",      "OpenFile",            "_lwrite",        "SetFileTime"};
    auto join = [](const std::vector<std::string>& v) {
        std::string s;
        for (auto& x : v)
            s += x + " ";
        return s;
    };
    EXPECT_EQ(calls, want) << "got:      " << join(calls) << "\nexpected: " << join(want);
}

TEST_F(VersionCheck, KeepingTheDriverKeepsAllButItsVirtualDeviceDrivers) {
    driverEntry(kJan1998 + kDay, kJan1998);  // entry 0: the newer installed driver
    PutEntry(state.copyList[1], {CopyKind::File, '1', "NVQSUI.DLL"});
    PutEntry(state.copyList[2], Entry{CopyKind::DeviceDriver, '1', "NVBIDI.386"}.compared());
    PutEntry(state.copyList[3], {CopyKind::ColourProfile, '1', "NVQS.ICM"});
    tm().put('A', "NVBIDI.386", "new");
    tm().put('C', "WINDOWS/SYSTEM/NVBIDI.386", "old");
    SetTime("A:\\NVBIDI.386", kJan1998);
    SetTime("C:\\WINDOWS\\SYSTEM\\NVBIDI.386", kJan1998 + kDay);
    // Keep the driver, replace the virtual device driver.
    answers("dialog VER_CHECK\n  press Enter\ndialog VER_CHECK\n  click \"&OK\"\n");
    CheckCopyListVersions(nullptr);
    expectAnswersUsed();
    EXPECT_EQ(nv::testing::CopyListEntries(), (std::vector<Entry>{{CopyKind::Skip, '1', "NVQS.DRV"},
                                                                   {CopyKind::Skip, '1', "NVQSUI.DLL"},
                                                                   {CopyKind::DeviceDriver, '1', "NVBIDI.386"},
                                                                   {CopyKind::Skip, '1', "NVQS.ICM"}}));
}

TEST_F(VersionCheck, KeepingAVirtualDeviceDriverDropsOnlyIt) {
    nv::testing::SetCopyList({{CopyKind::File, '1', "NVQSUI.DLL"},
                              Entry{CopyKind::DeviceDriver, '1', "NVBIDI.386"}.compared()});
    tm().put('A', "NVBIDI.386", "new");
    tm().put('C', "WINDOWS/SYSTEM/NVBIDI.386", "old");
    SetTime("A:\\NVBIDI.386", kJan1998);
    SetTime("C:\\WINDOWS\\SYSTEM\\NVBIDI.386", kJan1998 + kDay);
    answers("dialog VER_CHECK\n  click \"&Cancel\"\n");
    CheckCopyListVersions(nullptr);
    expectAnswersUsed();
    EXPECT_EQ(nv::testing::CopyListEntries(),
              (std::vector<Entry>{{CopyKind::File, '1', "NVQSUI.DLL"}, {CopyKind::Skip, '1', "NVBIDI.386"}}));
}
