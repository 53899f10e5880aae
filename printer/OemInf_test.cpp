#include "printer/OemInf.h"

#include <cstring>
#include <string>
#include <vector>

#include "CopyListEntries.h"
#include "ProgramTest.h"
#include "platform/core/Trace.h"

using nv::testing::CopyListEntries;
using nv::testing::Entry;
using nv::testing::ProgramTest;

namespace {

const char* const kOemInf =
    "[Manufacturer]\r\n"
    "\"Norvalk\"=NORVALK.ENU\r\n"
    "\"Norvalk\"=NORVALK.DEU\r\n"
    "[NORVALK.ENU]\r\n"
    "\"Norvalk QS-8000 series\"=QS8000\r\n"
    "\"Norvalk QS-8600\"=QS8600\r\n"
    "[NORVALK.DEU]\r\n"
    "\"Norvalk QS-8000 Serie\"=QS8000\r\n"
    "[QS8000]\r\n"
    "CopyFiles=DRIVER,BIDI,HELPERS,COLOR\r\n"
    "DriverFile=nvqs.drv\r\n"
    "DefaultDataType=EMF\r\n"
    "HelpFile=NVQS.HLP\r\n"
    "LanguageMonitor=\"Norvalk Monitor,NVMON.DLL\"\r\n"
    "PrintProcessor=WinPrint,WINPRINT.DLL\r\n"
    "[QS8600]\r\n"
    "CopyFiles=DRIVER\r\n"
    "DriverFile=nvqs.drv\r\n"
    "[DRIVER]\r\n"
    "nvqs.drv\r\n"
    "NVQSUI.DLL\r\n"
    "NVQS.HLP\r\n"
    "nvqs.prn\r\n"
    "[BIDI]\r\n"
    "NVBIDI.386\r\n"
    "nvqs.drv\r\n"
    "[HELPERS]\r\n"
    "NVMON.DLL\r\n"
    "nvstat.exe\r\n"
    "nvupper.drv,nvup16.drv\r\n"
    "[COLOR]\r\n"
    "NVQS.ICM\r\n"
    "QSRGB.ICM,QSRGB16.ICM\r\n"
    "[SourceDisksFiles]\r\n"
    "nvqs.drv=2\r\n"
    "NVQSUI.DLL=1\r\n"
    "NVQS.HLP=3\r\n"
    "nvqs.prn=1\r\n"
    "NVBIDI.386=1\r\n"
    "NVMON.DLL=2\r\n"
    "nvstat.exe=1\r\n"
    "nvupper.drv=3\r\n"
    "NVQS.ICM=2\r\n"
    "QSRGB.ICM=1\r\n"
    "[Printer1]\r\n"
    "LanguageMonitor=\"Norvalk Monitor,NVMON.DLL\"\r\n";

}  // namespace

class OemInf : public ProgramTest {
protected:
    IniLine manufacturer() { return FindSection(nullptr, "Manufacturer"); }
    void load(const std::string& text = kOemInf) { loadScript("OEMSETUP.INF", text); }
};

TEST_F(OemInf, ModelsOfTheChosenLanguage) {
    load();
    EXPECT_EQ(ListModels(nullptr, manufacturer(), 0), 2);
    EXPECT_STREQ(state.modelTable[0], "Norvalk QS-8000 series");
    EXPECT_STREQ(state.modelTable[1], "Norvalk QS-8600");
    EXPECT_STREQ(state.modelTable[2], "");
    EXPECT_EQ(ListModels(nullptr, manufacturer(), 1), 1);
    EXPECT_STREQ(state.modelTable[0], "Norvalk QS-8000 Serie");
    EXPECT_STREQ(state.modelTable[1], "");  // the earlier list is gone
}

TEST_F(OemInf, KindsFlagsDisksAndDestinationNames) {
    load();
    ASSERT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 1);
    EXPECT_STREQ(state.driverName, "Norvalk QS-8000 series");
    char value[64];
    GetPrivateProfileStringA("Install", "DriverName", "", value, sizeof value, state.privateIniPath);
    EXPECT_STREQ(value, "Norvalk QS-8000 series");

    auto list = CopyListEntries();
    ASSERT_EQ(list.size(), 11u);
    EXPECT_EQ(state.copyListCount, 11);
    std::vector<Entry> want = {
        // list 0
        Entry{CopyKind::File, '2', "nvqs.drv"}.compared(),
        {CopyKind::File, '1', "NVQSUI.DLL"},
        {CopyKind::File, '3', "NVQS.HLP"},
        {CopyKind::Skip, '1', "nvqs.prn"},
        // list 1: a duplicate
        Entry{CopyKind::DeviceDriver, '1', "NVBIDI.386"}.compared(),
        {CopyKind::Skip, '2', "nvqs.drv"},
        // list 2: the paired line keeps its own name and is found by the
        // destination's disk
        {CopyKind::File, '2', "NVMON.DLL"},
        {CopyKind::File, '1', "nvstat.exe"},
        Entry{CopyKind::Renamed, '3', "nvup16.drv"}.as("nvupper.drv").compared(),
        // list 3: the destination is kept with its entry, though not of kind 6
        {CopyKind::ColourProfile, '2', "NVQS.ICM"},
        Entry{CopyKind::ColourProfile, '1', "QSRGB16.ICM"}.as("QSRGB.ICM"),
    };
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(list[i], want[i]) << "entry " << i;
    EXPECT_STREQ(CopyListDestination(1), "NVQSUI.DLL");

    auto* entry = static_cast<DriverEntry*>(LocalLock(state.driverEntry));
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->driverFile, "nvqs.drv");
    EXPECT_STREQ(entry->defaultDataType, "EMF");
    EXPECT_STREQ(entry->helpFile, "NVQS.HLP");
    EXPECT_STREQ(entry->languageMonitor, "Norvalk Monitor,NVMON.DLL");
    EXPECT_STREQ(entry->printProcessor, "WinPrint,WINPRINT.DLL");
    LocalUnlock(state.driverEntry);
    LocalFree(state.driverEntry);
}

TEST_F(OemInf, ExtensionCaseRules) {
    std::string inf = kOemInf;
    inf.replace(inf.find("[DRIVER]\r\nnvqs.drv"), 18, "[DRIVER]\r\nnvqs.drv\r\nBIG.DRV\r\nPROFILE.Icm");
    inf += "[SourceDisksFiles]\r\n";  // a second section of that name is never read
    inf.replace(inf.find("nvqs.drv=2"), 10, "nvqs.drv=2\r\nBIG.DRV=1\r\nPROFILE.Icm=1");
    load(inf);
    ASSERT_EQ(PrepareModel(nullptr, manufacturer(), 0, 1), 1);
    auto list = CopyListEntries();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[1], (Entry{CopyKind::File, '1', "BIG.DRV"}));             // "DRV" is not "drv": no check bit
    EXPECT_EQ(list[2], (Entry{CopyKind::ColourProfile, '1', "PROFILE.Icm"})); // "Icm" still makes a colour profile
    LocalFree(state.driverEntry);
}

TEST_F(OemInf, UnattendedRunTakesOnlyItsFiles) {
    load();
    state.runFlags = RUN_UNATTENDED;
    ASSERT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 1);
    std::vector<std::string> names;
    for (auto& e : CopyListEntries())
        names.push_back(e.name);
    // List 0 gives only "386" files (none), list 2 only "dll" files; lists 1 and 3 everything.
    std::vector<std::string> want = {"NVBIDI.386", "nvqs.drv", "NVMON.DLL", "NVQS.ICM", "QSRGB16.ICM"};
    EXPECT_EQ(names, want);
    LocalFree(state.driverEntry);
}

TEST_F(OemInf, FilesInUseStopTheList) {
    auto settings = tm().machine().settings();
    tm().machine().settings().openFiles.push_back("C:\\WINDOWS\\SYSTEM\\nvstat.exe");
    tm().put('C', "WINDOWS/SYSTEM/nvstat.exe", "x");
    EXPECT_EQ(IsFileInUse("nvstat.exe"), 1);
    EXPECT_EQ(IsFileInUse("NONE.EXE"), 0);
    load();
    answers("message \"currently being used by Windows\"\n  press Enter\n");
    EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0);
    expectAnswersUsed();
    EXPECT_EQ(state.copyListCount, 7);
    EXPECT_FALSE(EntryInUse(state.copyList[7]));  // the half-written entry is discarded
    LocalFree(state.driverEntry);
}

TEST_F(OemInf, MonitorDllInUseIsNotCopied) {
    tm().machine().settings().openFiles.push_back("C:\\WINDOWS\\SYSTEM\\NVMON.DLL");
    tm().put('C', "WINDOWS/SYSTEM/NVMON.DLL", "x");
    load();
    ASSERT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 1);
    EXPECT_EQ(CopyListEntries()[6], (Entry{CopyKind::Skip, '2', "NVMON.DLL"}));
    char part[128];
    GetLanguageMonitorPart(part, sizeof part, 1);
    EXPECT_STREQ(part, "Norvalk Monitor");
    GetLanguageMonitorPart(part, sizeof part, 3);
    EXPECT_STREQ(part, "");
    LocalFree(state.driverEntry);
}

TEST_F(OemInf, SortByDiskKeepsOrderAndNames) {
    load();
    ASSERT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 1);
    SortCopyListByDisk();
    auto list = CopyListEntries();
    std::string disks;
    for (auto& e : list)
        disks += e.disk;
    EXPECT_EQ(disks, "11111222233");
    // Within disk 1 the old order stays; the paired entries keep their names.
    EXPECT_EQ(list[0].name, "NVQSUI.DLL");
    EXPECT_EQ(list[1].name, "nvqs.prn");
    EXPECT_EQ(list[2].name, "NVBIDI.386");
    for (auto& e : list) {
        if (e.name == "nvup16.drv") {
            EXPECT_EQ(e.destination, "nvupper.drv");
        }
        if (e.name == "QSRGB16.ICM") {
            EXPECT_EQ(e.destination, "QSRGB.ICM");
        }
    }
    LocalFree(state.driverEntry);
}

TEST_F(OemInf, BadInformationIsRefusedWithAMessage) {
    std::string sixModels = "[Manufacturer]\r\nN=M\r\n[M]\r\nA=I\r\nB=I\r\nC=I\r\nD=I\r\nE=I\r\nF=I\r\n";
    load(sixModels);
    answers("message \"strings = M\"\n  press Enter\n");
    EXPECT_EQ(ListModels(nullptr, manufacturer(), 0), 0);

    std::string longName = "[Manufacturer]\r\nN=M\r\n[M]\r\n\"" + std::string(40, 'x') + "\"=I\r\n";
    load(longName);
    answers("message \"Cannot read the information file.\"\n  press Enter\n");
    EXPECT_EQ(ListModels(nullptr, manufacturer(), 0), 0);

    std::string escape = "[Manufacturer]\r\nN=M\r\n[M]\r\nA=I\r\n[I]\r\nCopyFiles=F\r\n[F]\r\n..\\..\\AUTOEXEC.BAT\r\n"
                         "[SourceDisksFiles]\r\n..\\..\\AUTOEXEC.BAT=1\r\n";
    load(escape);
    answers("message \"AUTOEXEC.BAT\"\n  press Enter\n");
    EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0);
    EXPECT_FALSE(EntryInUse(state.copyList[0]));
    LocalFree(state.driverEntry);

    std::string noDisk = "[Manufacturer]\r\nN=M\r\n[M]\r\nA=I\r\n[I]\r\nCopyFiles=F\r\n[F]\r\nX.DLL\r\n"
                         "[SourceDisksFiles]\r\nY.DLL=1\r\n";
    load(noDisk);
    answers("message \"strings = X.DLL\"\n  press Enter\n");
    EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0);
    LocalFree(state.driverEntry);

    // A disk that is not 1 to 9 would leave the file out of every copy run.
    for (const char* disk : {"", "A", "0"}) {
        load("[Manufacturer]\r\nN=M\r\n[M]\r\nA=I\r\n[I]\r\nCopyFiles=F\r\n[F]\r\nX.HLP\r\n"
             "[SourceDisksFiles]\r\nX.HLP=" + std::string(disk) + "\r\n");
        answers("message \"strings = X.HLP\"\n  press Enter\n");
        EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0) << "disk '" << disk << "'";
        LocalFree(state.driverEntry);
    }

    std::string noCopyFiles = "[Manufacturer]\r\nN=M\r\n[M]\r\nA=I\r\n[I]\r\nDriverFile=X.DRV\r\n";
    load(noCopyFiles);
    answers("message \"strings = \"\n  press Enter\n");
    EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0);
    expectAnswersUsed();
}

namespace {
// Leaves recognisable bytes where the next call's locals will lie, so that a
// buffer read before anything wrote it shows.
__attribute__((noinline)) void dirtyStack() {
    volatile char junk[16384];
    for (auto& c : junk)
        c = 'Q';
}

std::string lastMessageBox(const std::vector<std::string>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->find("MessageBoxA(") != std::string::npos)
            return *it;
    return "";
}
}  // namespace

// A model line without "=" has no name: the message names it as empty, not
// with whatever the stack held.
TEST_F(OemInf, AModelLineWithoutANameIsRefusedWithAnEmptyName) {
    load("[Manufacturer]\r\nN=M\r\n[M]\r\nPlainModel\r\n[I]\r\nCopyFiles=F\r\n");
    answers("message \"Cannot read the information file.\"\n  press Enter\n"
            "message \"Cannot read the information file.\"\n  press Enter\n");
    nv::trace::startCapture();
    dirtyStack();
    EXPECT_EQ(ListModels(nullptr, manufacturer(), 0), 0);
    std::string shown = lastMessageBox(nv::trace::captured());
    EXPECT_NE(shown.find("strings = \", \"Error\""), std::string::npos) << shown;
    dirtyStack();
    EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0);
    shown = lastMessageBox(nv::trace::stopCapture());
    EXPECT_NE(shown.find("strings = \", \"Error\""), std::string::npos) << shown;
    EXPECT_EQ(shown.find("QQ"), std::string::npos) << shown;
    expectAnswersUsed();
}

TEST_F(OemInf, TheListNeverOverflows) {
    std::string inf = "[Manufacturer]\r\nN=M\r\n[M]\r\nA=I\r\n[I]\r\nCopyFiles=F\r\n[F]\r\n";
    std::string disks = "[SourceDisksFiles]\r\n";
    for (int i = 0; i < 170; ++i) {
        inf += "F" + std::to_string(i) + ".DLL\r\n";
        disks += "F" + std::to_string(i) + ".DLL=1\r\n";
    }
    load(inf + disks);
    answers("message \"strings = F160.DLL\"\n  press Enter\n");
    EXPECT_EQ(PrepareModel(nullptr, manufacturer(), 0, 0), 0);
    expectAnswersUsed();
    EXPECT_EQ(state.copyListCount, COPY_LIST_ENTRIES);
    LocalFree(state.driverEntry);
}
