// Removal of installed models against the machine's spooler: which models
// are marked, the files listed and deleted, the order of the spooler calls,
// and what a refused or partial removal leaves alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "InstalledPrinters.h"
#include "ProgramTest.h"
#include "platform/core/Trace.h"
#include "printer/Removal.h"
#include "shared/BoundedText.h"
#include "shared/CopyList.h"
#include "shared/InstallState.h"

namespace {

const char kModelA[] = "Norvalk QS-8000 series";
const char kModelB[] = "Norvalk QS-8300 series";
const char kOemInf[] = "[Printer1]\r\nLanguageMonitor = \"Norvalk Language Monitor,NVLMON.DLL\"\r\n";

class Removal : public nv::testing::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        for (const char* f : {"QS8000.DRV", "QS8300.DRV", "QS8000.HLP", "NVLMON.DLL", "SHARED.DLL", "OTHER.DRV",
                              "COLOR/QS8000.ICM"})
            tm().put('C', std::string("WINDOWS/SYSTEM/") + f, "stub");
        tm().put('C', "WINDOWS/~NV00001.txt", "[VxD]\r\n0:NVBIDI.386\r\n");
        loadScript("OEM.INF", kOemInf);
        CopyText(state.modelTable[0], kModelA);
        CopyText(state.modelTable[1], kModelB);
        CopyText(state.modelTable[2], "Norvalk QS-8600");
    }

    static BOOL addDriver(const char* name, const char* file, const std::vector<std::string>& dependents) {
        return nv::testing::addProductDriver(name, file, dependents);
    }
    static void addPrinter(const char* name, const char* driver) {
        ASSERT_TRUE(nv::testing::addLocalPrinter(name, driver)) << name << " " << GetLastError();
    }
    static void addMonitor() { ASSERT_TRUE(nv::testing::addProductMonitor()); }
    // The sample's shape: model A with two printers, each model's driver
    // listing its own file, the shared files, the monitor DLL and a profile.
    void installBoth(bool secondModel = true) {
        addMonitor();
        ASSERT_TRUE(addDriver(kModelA, "QS8000.DRV",
                              {"QS8000.DRV", "SHARED.DLL", "NVLMON.DLL", "Color\\QS8000.ICM", "QS8000.HLP"}));
        addPrinter(kModelA, kModelA);
        addPrinter("Norvalk QS-8000 series (Copy 2)", kModelA);
        if (secondModel) {
            ASSERT_TRUE(addDriver(kModelB, "QS8300.DRV", {"QS8300.DRV", "SHARED.DLL", "NVLMON.DLL", "QS8000.HLP"}));
            addPrinter(kModelB, kModelB);
        }
    }
    void select(const char* flags) {
        for (int i = 0; flags[i]; ++i)
            state.modelTable[i][MODEL_SELECTED_BYTE] = flags[i];
    }
    std::vector<std::string> deleteList() const {
        std::vector<std::string> out;
        for (int i = 0; i < CopyListLength(); ++i)
            out.emplace_back(state.copyList[i]);
        return out;
    }
    static std::vector<std::string> printerNames() { return nv::testing::localPrinterNames(); }
    bool sys(const std::string& name) const { return exists("WINDOWS/SYSTEM/" + name); }

    // The spooler calls, file deletions and profile changes of a capture,
    // each as its name and first argument.
    static std::vector<std::string> removalCalls(const std::vector<std::string>& lines) {
        std::vector<std::string> out;
        for (const auto& l : lines) {
            std::string name = l.substr(0, l.find('('));
            static const char* const kept[] = {"EnumPrintersA", "OpenPrinterA", "GetPrinterDriverA", "ClosePrinter",
                                               "DeletePrinter", "DeletePrinterDriverA", "DeleteMonitorA",
                                               "UpdateICMRegKeyA", "OpenFile"};
            bool keep = false;
            for (const char* k : kept)
                keep = keep || name == k;
            if (!keep)
                continue;
            if (name == "OpenFile" && l.find(", 512) =") == std::string::npos)
                continue;  // only deletions
            size_t open = l.find('(');
            size_t end = l.find(", ", open);
            std::string first = l.substr(open + 1, end - open - 1);
            if (name == "OpenPrinterA" || name == "UpdateICMRegKeyA" || name == "OpenFile" ||
                name == "DeletePrinterDriverA" || name == "DeleteMonitorA")
                out.push_back(name + " " + (name.rfind("Delete", 0) == 0 ? l.substr(open + 1, l.find(") =") - open - 1)
                                                                             : first));
            else
                out.push_back(name);
        }
        return out;
    }
};

TEST_F(Removal, MarksTheModelsThatHavePrintersIgnoringCase) {
    installBoth();
    ASSERT_TRUE(addDriver("Acme Jet", "OTHER.DRV", {"OTHER.DRV"}));  // another maker's
    addPrinter("Acme Jet", "Acme Jet");
    EXPECT_EQ(MarkInstalledModels(3), 2);
    EXPECT_EQ(state.modelTable[0][MODEL_SELECTED_BYTE], '1');
    EXPECT_EQ(state.modelTable[1][MODEL_SELECTED_BYTE], '1');
    EXPECT_EQ(state.modelTable[2][MODEL_SELECTED_BYTE], '0');

    CopyText(state.modelTable[1], "NORVALK QS-8300 SERIES");
    EXPECT_EQ(MarkInstalledModels(2), 2);
    // Only the first count models are looked at.
    EXPECT_EQ(MarkInstalledModels(1), 1);
    EXPECT_EQ(state.modelTable[1][MODEL_SELECTED_BYTE], '0');
}

TEST_F(Removal, NothingInstalledMarksTheFirstModel) {
    select("111");
    EXPECT_EQ(MarkInstalledModels(3), 1);
    EXPECT_EQ(std::string(1, state.modelTable[0][MODEL_SELECTED_BYTE]) + state.modelTable[1][MODEL_SELECTED_BYTE] +
                  state.modelTable[2][MODEL_SELECTED_BYTE],
              "100");
    // A spooler that does not run is the same to the marking.
    ASSERT_EQ(tm().setting("spooler", "0"), "");
    EXPECT_EQ(MarkInstalledModels(3), 1);
}

TEST_F(Removal, FullRemovalInCallOrder) {
    installBoth(false);
    tm().put('C', "WINDOWS/SYSTEM/QS8300.DRV", "another maker's stays");
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    nv::trace::startCapture();
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_FULL);
    for (int i = 0; i < MODEL_SLOTS && state.modelTable[i][0]; ++i) {
        if (state.modelTable[i][MODEL_SELECTED_BYTE] == '1') {
            EXPECT_EQ(DeleteModelPrinters(i), 1);
        }
    }
    EXPECT_EQ(RemoveLanguageMonitor(), 1);
    std::vector<std::string> calls = removalCalls(nv::trace::stopCapture());

    const std::vector<std::string> expected = {
        // The driver's files, from its first printer.
        "EnumPrintersA", "OpenPrinterA \"Norvalk QS-8000 series\"", "GetPrinterDriverA", "ClosePrinter",
        // Is a printer of an unselected model left?
        "EnumPrintersA",
        // The profile leaves the colour management list before its file goes.
        "UpdateICMRegKeyA \"C:\\WINDOWS\\SYSTEM\\Color\\QS8000.ICM\"",
        "OpenFile \"C:\\WINDOWS\\SYSTEM\\QS8000.DRV\"", "OpenFile \"C:\\WINDOWS\\SYSTEM\\SHARED.DLL\"",
        "OpenFile \"C:\\WINDOWS\\SYSTEM\\Color\\QS8000.ICM\"",
        "OpenFile \"C:\\WINDOWS\\SYSTEM\\QS8000.HLP\"",
        // Each printer of the model, then its driver.
        "EnumPrintersA", "OpenPrinterA \"Norvalk QS-8000 series\"", "DeletePrinter", "ClosePrinter",
        "OpenPrinterA \"Norvalk QS-8000 series (Copy 2)\"", "DeletePrinter", "ClosePrinter",
        "DeletePrinterDriverA NULL, \"Windows 4.0\", \"Norvalk QS-8000 series\"",
        // The monitor, and its DLL only once the spooler let it go.
        "DeleteMonitorA NULL, \"Windows 4.0\", \"Norvalk Language Monitor\"",
        "OpenFile \"C:\\WINDOWS\\SYSTEM\\NVLMON.DLL\""};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(state.runResult, RESULT_REMOVED);
    for (const char* f : {"QS8000.DRV", "SHARED.DLL", "NVLMON.DLL", "QS8000.HLP", "COLOR/QS8000.ICM"})
        EXPECT_FALSE(sys(f)) << f;
    EXPECT_TRUE(sys("QS8300.DRV"));
    EXPECT_TRUE(printerNames().empty());
}

TEST_F(Removal, TwoModelsMakeOneEndedListWithoutRepeats) {
    installBoth();
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    std::memset(state.copyList, 0, sizeof state.copyList);
    EXPECT_EQ(CollectDriverFiles(0), COLLECT_LISTED);
    EXPECT_EQ(CollectDriverFiles(1), COLLECT_LISTED);
    EXPECT_EQ(CollectDriverFiles(2), COLLECT_NO_PRINTER);
    const std::vector<std::string> expected = {
        "C:\\WINDOWS\\SYSTEM\\QS8000.DRV", "C:\\WINDOWS\\SYSTEM\\SHARED.DLL",
        "C:\\WINDOWS\\SYSTEM\\NVLMON.DLL", "C:\\WINDOWS\\SYSTEM\\Color\\QS8000.ICM",
        "C:\\WINDOWS\\SYSTEM\\QS8000.HLP", "C:\\WINDOWS\\SYSTEM\\QS8300.DRV"};
    EXPECT_EQ(deleteList(), expected);

    // Removing both deletes the files of both; the list starts afresh.
    std::memset(state.copyList, 'x', sizeof state.copyList);
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_FULL);
    EXPECT_EQ(CopyListLength(), 6);
    EXPECT_FALSE(sys("QS8000.DRV"));
    EXPECT_FALSE(sys("QS8300.DRV"));
    EXPECT_TRUE(sys("NVLMON.DLL"));  // kept for RemoveLanguageMonitor
    EXPECT_EQ(state.copyList[2][0], '0');
}

TEST_F(Removal, PartialRemovalDeletesNoFileAndOnlyTheSelectedModelsPrinters) {
    installBoth();
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    ASSERT_EQ(state.selectedModelCount, 2);
    select("01");
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_PARTIAL);
    EXPECT_EQ(state.runResult, RESULT_REMOVED);
    for (const char* f : {"QS8000.DRV", "QS8300.DRV", "SHARED.DLL", "NVLMON.DLL", "QS8000.HLP"})
        EXPECT_TRUE(sys(f)) << f;
    EXPECT_EQ(DeleteModelPrinters(1), 1);
    EXPECT_EQ(printerNames(), (std::vector<std::string>{kModelA, "Norvalk QS-8000 series (Copy 2)"}));
}

// A model swapped for one without printers keeps the count, but the model
// left behind still needs the shared files.
TEST_F(Removal, SwappedSelectionIsStillPartial) {
    installBoth();
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    select("101");
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_PARTIAL);
    EXPECT_TRUE(sys("SHARED.DLL"));
}

TEST_F(Removal, FileInUseRefusesBeforeAnythingChanges) {
    installBoth(false);
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    HANDLE held = CreateFileA("C:\\WINDOWS\\SYSTEM\\QS8000.HLP", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    answers("message \"cannot be removed because it is currently being used by Windows\"\n  press Enter\n");
    nv::trace::startCapture();
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_REFUSED);
    std::vector<std::string> calls = removalCalls(nv::trace::stopCapture());
    CloseHandle(held);
    expectAnswersUsed();
    for (const auto& c : calls) {
        EXPECT_EQ(c.find("UpdateICMRegKeyA"), std::string::npos) << "a profile was unregistered";
        EXPECT_EQ(c.find("OpenFile"), std::string::npos) << "a file was deleted: " << c;
    }
    for (const char* f : {"QS8000.DRV", "SHARED.DLL", "COLOR/QS8000.ICM"})
        EXPECT_TRUE(sys(f)) << f;
}

TEST_F(Removal, MissingScriptCopyRefuses) {
    installBoth(false);
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    std::filesystem::remove(tm().host('C', "WINDOWS/~NV00001.txt"));
    answers("message \"INSTALL.INF is not found.\"\n  press Enter\n");
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_REFUSED);
    expectAnswersUsed();
    EXPECT_TRUE(sys("QS8000.DRV"));
}

// The driver information of a driver with many files needs more than the
// 1024 bytes first offered; names that would leave the system directory or
// not fit an entry are passed over.
TEST_F(Removal, LargeDriverInformationAndUnsafeNames) {
    addMonitor();
    std::vector<std::string> deps;
    for (int i = 0; i < 60; ++i)
        deps.push_back("DEPENDENT_FILE_" + std::to_string(100 + i) + ".DLL");
    deps.push_back("..\\WIN.INI");
    deps.push_back("C:\\AUTOEXEC.BAT");
    deps.push_back("\\CONFIG.SYS");
    deps.push_back(std::string(130, 'N') + ".DLL");
    ASSERT_TRUE(addDriver(kModelA, "QS8000.DRV", deps));
    addPrinter(kModelA, kModelA);
    std::memset(state.copyList, 0, sizeof state.copyList);
    EXPECT_EQ(CollectDriverFiles(0), COLLECT_LISTED);
    std::vector<std::string> list = deleteList();
    ASSERT_EQ(list.size(), 60u);
    EXPECT_EQ(list.front(), "C:\\WINDOWS\\SYSTEM\\DEPENDENT_FILE_100.DLL");
    EXPECT_EQ(list.back(), "C:\\WINDOWS\\SYSTEM\\DEPENDENT_FILE_159.DLL");
}

// A dependent colour profile leaves the colour management list (its path
// compared without regard to case) before its file is deleted.
TEST_F(Removal, ColourProfileIsUnregistered) {
    std::string icc(128, '\0');
    std::memcpy(&icc[12], "prtr", 4);
    std::memcpy(&icc[36], "acsp", 4);
    std::memcpy(&icc[48], "NRVK", 4);
    std::memcpy(&icc[52], "QS80", 4);
    tm().put('C', "WINDOWS/SYSTEM/COLOR/QS8000.ICM", icc);
    ASSERT_TRUE(UpdateICMRegKeyA(0, nullptr, const_cast<LPSTR>("C:\\WINDOWS\\SYSTEM\\COLOR\\QS8000.ICM"),
                                 ICM_ADDPROFILE));
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\ICM\\prtr\\NRVK\\QS80\\MediaUnknown\\"
                      "DitherUnknown\\ResolutionUnknown";
    auto listed = [&] {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        char value[MAX_PATH];
        DWORD size = sizeof value;
        bool found = RegQueryValueExA(k, "profile00", nullptr, nullptr, reinterpret_cast<LPBYTE>(value), &size) ==
                     ERROR_SUCCESS;
        RegCloseKey(k);
        return found;
    };
    ASSERT_TRUE(listed());
    installBoth(false);
    state.selectedModelCount = static_cast<WORD>(MarkInstalledModels(3));
    EXPECT_EQ(PrepareRemoval(nullptr), REMOVAL_FULL);
    EXPECT_FALSE(listed());
    EXPECT_FALSE(sys("COLOR/QS8000.ICM"));
}

// What is not there counts as removed: a driver without printers that the
// spooler does not know, a monitor it does not know (its DLL, nobody's, goes).
TEST_F(Removal, AbsentDriverAndMonitorCountAsRemoved) {
    EXPECT_EQ(DeleteModelPrinters(2), 1);
    EXPECT_EQ(RemoveLanguageMonitor(), 1);
    EXPECT_FALSE(sys("NVLMON.DLL"));
    // A monitor a driver still names stays, and so does its DLL.
    tm().put('C', "WINDOWS/SYSTEM/NVLMON.DLL", "stub");
    installBoth(false);
    EXPECT_EQ(RemoveLanguageMonitor(), 0);
    EXPECT_TRUE(sys("NVLMON.DLL"));
}

// Spooler calls made so far in this capture (each counts for spoolerFail).
int SpoolerCallsSoFar() {
    static const char* const kSpooler[] = {"AddPrinterDriverA", "DeletePrinterDriverA", "GetPrinterDriverA",
                                           "AddMonitorA", "DeleteMonitorA", "AddPrinterA", "DeletePrinter",
                                           "OpenPrinterA", "ClosePrinter", "EnumPrintersA"};
    int n = 0;
    for (const auto& l : nv::trace::captured())
        for (const char* k : kSpooler)
            if (l.substr(0, l.find('(')) == k)
                ++n;
    return n;
}

TEST_F(Removal, SpoolerFaults) {
    nv::trace::startCapture();
    installBoth(false);
    auto failCall = [&](int ahead, int error) {
        ASSERT_EQ(tm().setting("spoolerFail", std::to_string(SpoolerCallsSoFar() + ahead) + "," +
                                                  std::to_string(error)),
                  "");
    };
    // The driver cannot be read: the model counts as having no printer.
    failCall(3, ERROR_ACCESS_DENIED);  // EnumPrintersA, OpenPrinterA, GetPrinterDriverA
    std::memset(state.copyList, 0, sizeof state.copyList);
    EXPECT_EQ(CollectDriverFiles(0), COLLECT_NO_PRINTER);
    EXPECT_EQ(CopyListLength(), 0);
    // A driver the spooler keeps is reported; its printers are gone all the same.
    failCall(8, ERROR_ACCESS_DENIED);  // Enum, (Open, Delete, Close) x 2, DeletePrinterDriverA
    EXPECT_EQ(DeleteModelPrinters(0), 0);
    EXPECT_TRUE(printerNames().empty());
    // A monitor the spooler keeps keeps its DLL.
    failCall(1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(RemoveLanguageMonitor(), 0);
    EXPECT_TRUE(sys("NVLMON.DLL"));
    // A spooler that does not run: nothing to enumerate.
    ASSERT_EQ(tm().setting("spooler", "0"), "");
    EXPECT_EQ(DeleteModelPrinters(0), 0);
    nv::trace::stopCapture();
}

}  // namespace
