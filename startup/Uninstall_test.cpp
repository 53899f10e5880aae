// The uninstall branch run whole from a normal start: what a full and a
// partial removal take away and keep, each way the branch ends early, and
// the plug-and-play keys by model name.
#include "StartupRun.h"

#include "InstalledPrinters.h"
#include "startup/StageSteps.h"

namespace {

using namespace startup_test;
using nv::testing::addLocalPrinter;
using nv::testing::addProductDriver;
using nv::testing::addProductMonitor;
using nv::testing::localPrinterNames;

const char* const kTwoModelsOem =
    "[Manufacturer]\r\n\"Norvalk\"=Norvalk.Models\r\n"
    "[Norvalk.Models]\r\n\"Norvalk QS-8000 series\"=QS8000.Install\r\n"
    "\"Norvalk QS-8300 series\"=QS8300.Install\r\n"
    "[QS8000.Install]\r\nDriverFile=QS8000.DRV\r\n"
    "[QS8300.Install]\r\nDriverFile=QS8300.DRV\r\n"
    "[Printer1]\r\nLanguageMonitor=\"Norvalk Language Monitor,NVLMON.DLL\"\r\n";

const char* const kUninstallScript =
    "[PRIVATE.INI]\r\nqs8000.ini\r\n"
    "[OEM.INF]\r\nOEMSETUP.INF\r\n"
    "[PRINTERDRIVER]\r\nPATH=DRIVER\r\n"
    "[VxD]\r\n0:NVBIDI.386\r\n"
    "[DEL.WIN.INI]\r\n\"Norvalk QS-8000 series\"\r\nPrinterPorts,\"Norvalk QS-8000 series\"\r\n"
    "PrinterPorts,\"Norvalk QS-8300 series\"\r\nwindows,device,none\r\n";

const char* const kKey8000 = "Enum\\LPTENUM\\NORVALKQS-8000_SERIEC9E2";
const char* const kKey8300 = "Enum\\LPTENUM\\NORVALKQS-8300_SERIED1A8";
const char* const kKeyOther = "Enum\\LPTENUM\\NorvalkQX-7700C7F05";

const std::string kChooseUninstall = "dialog MODE_INSTALL\n  click 621\n  click 1\n";
// Row 0 comes selected; the second installed model is added.
const std::string kSelectAll = "dialog SELECTDRVMULTI\n  select 119 1\n  click 1\n";

// Message boxes answered with Enter, in order.
std::string Boxes(const std::vector<std::string>& texts) {
    std::string answers;
    for (const auto& t : texts)
        answers += "message \"" + t + "\"\n  press Enter\n";
    return answers;
}
const std::string kRemoved = "has been removed from your system.";
const std::string kNotRemoved = "has not been removed from your system.";
const std::string kRestartNote = "You must restart Windows so that the uninstalled programs";

class Uninstall : public Startup {
protected:
    void SetUp() override {
        Startup::SetUp();
        prepare(kUninstallScript);
        m().put('A', "DRIVER/OEMSETUP.INF", kTwoModelsOem);
        m().put('A', "OEMSETUP.INF", kTwoModelsOem);
        for (const char* f : {"QS8000.DRV", "QS8300.DRV", "QS8000.HLP", "NVLMON.DLL", "SHARED.DLL"})
            m().put('C', std::string("WINDOWS/SYSTEM/") + f, "stub");
        m().put('C', "WINDOWS/SYSTEM.INI", "[386Enh]\r\ndevice=NVBIDI.386\r\n");
        m().put('C', "WINDOWS/SYSTEM/QS8000.IN1", "kept script");
        m().put('C', "WINDOWS/SYSTEM/QS8000.IN2", "kept OEM INF");
        m().put('C', "WINDOWS/qs8000.ini", "[Install]\r\nLanguage=0\r\n");
        for (const char* key : {kKey8000, kKey8300, kKeyOther})
            setRegistryString(key, "HardwareID", "LPTENUM");
    }
    // Both models installed, each with its printer; another maker's printer beside them.
    void installBoth() {
        ASSERT_TRUE(addProductMonitor());
        ASSERT_TRUE(addProductDriver("Norvalk QS-8000 series", "QS8000.DRV", {"QS8000.DRV", "SHARED.DLL", "NVLMON.DLL"}));
        ASSERT_TRUE(addProductDriver("Norvalk QS-8300 series", "QS8300.DRV", {"QS8300.DRV", "SHARED.DLL", "NVLMON.DLL"}));
        ASSERT_TRUE(addLocalPrinter("Norvalk QS-8000 series", "Norvalk QS-8000 series"));
        ASSERT_TRUE(addLocalPrinter("Norvalk QS-8300 series", "Norvalk QS-8300 series"));
        m().put('C', "WINDOWS/SYSTEM/ACME.DRV", "stub");
        ASSERT_TRUE(addProductDriver("Acme Jet", "ACME.DRV", {"ACME.DRV"}, nullptr));
        ASSERT_TRUE(addLocalPrinter("Acme Jet", "Acme Jet"));
    }
    bool key(const char* path) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }
    bool sys(const std::string& name) { return onC("WINDOWS/SYSTEM/" + name); }
};

TEST_F(Uninstall, FullRemovalTakesEverythingOfTheProductAndNothingElse) {
    installBoth();
    Outcome out = run("", {}, kChooseUninstall + kSelectAll + Boxes({kRemoved, kRestartNote}));
    EXPECT_EQ(state.runResult, RESULT_REMOVED);
    EXPECT_EQ(localPrinterNames(), std::vector<std::string>{"Acme Jet"});
    for (const char* f : {"QS8000.DRV", "QS8300.DRV", "SHARED.DLL", "NVLMON.DLL", "QS8000.IN1", "QS8000.IN2"})
        EXPECT_FALSE(sys(f)) << f;
    EXPECT_TRUE(sys("ACME.DRV"));
    EXPECT_FALSE(onC("WINDOWS/qs8000.ini"));
    EXPECT_FALSE(key(kKey8000));
    EXPECT_FALSE(key(kKey8300));
    EXPECT_TRUE(key(kKeyOther));
    EXPECT_NE(m().get('C', "WINDOWS/SYSTEM.INI").find(";Removed by Norvalk Printer Driver Uninstall: device=NVBIDI.386"),
              std::string::npos);
    // The files go before the INI entries, the printers after them, the monitor last.
    EXPECT_TRUE(out.inOrder({"OpenFile(\"C:\\WINDOWS\\SYSTEM\\QS8000.DRV\", 512)",
                             "WriteProfileStringA(\"Norvalk QS-8000 series\"", "DeletePrinter(",
                             "DeletePrinterDriverA(NULL, \"Windows 4.0\", \"Norvalk QS-8300 series\")",
                             "DeleteMonitorA(", "RegDeleteKeyA("}));
}

TEST_F(Uninstall, PartialRemovalKeepsWhatTheOtherModelNeeds) {
    installBoth();
    run("", {}, kChooseUninstall + "dialog SELECTDRVMULTI\n  select 119 1\n  deselect 119 0\n  click 1\n" + Boxes({kRemoved, kRestartNote}));
    EXPECT_EQ(state.runResult, RESULT_REMOVED);
    EXPECT_EQ(localPrinterNames(), (std::vector<std::string>{"Norvalk QS-8000 series", "Acme Jet"}));
    for (const char* f : {"QS8000.DRV", "QS8300.DRV", "SHARED.DLL", "NVLMON.DLL", "QS8000.IN1", "QS8000.IN2"})
        EXPECT_TRUE(sys(f)) << f;
    EXPECT_TRUE(onC("WINDOWS/qs8000.ini"));
    EXPECT_TRUE(key(kKey8000));
    EXPECT_FALSE(key(kKey8300));
    EXPECT_EQ(m().get('C', "WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=NVBIDI.386\r\n");
}

// Each way the branch ends before the removal is done.
TEST_F(Uninstall, CancelledOrRefusedRemovalChangesNothing) {
    installBoth();
    // Cancelled in SELECTDRVMULTI: no outcome message at all.
    Outcome out = run("", {}, kChooseUninstall + "dialog SELECTDRVMULTI\n  press F3\n"
                                                 "message \"Do you really want to cancel\"\n  click \"&Yes\"\n");
    EXPECT_EQ(state.runResult, RESULT_NONE);
    EXPECT_TRUE(out.boxes.empty() || out.boxes.back().find("removed") == std::string::npos);
    EXPECT_EQ(localPrinterNames().size(), 3u);

    // A driver file in use: the warning, then "not removed".
    HANDLE held = CreateFileA("C:\\WINDOWS\\SYSTEM\\SHARED.DLL", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    run("", {}, kChooseUninstall + kSelectAll + Boxes({"currently being used by Windows", kNotRemoved}));
    CloseHandle(held);
    EXPECT_EQ(state.runResult, RESULT_NOT_REMOVED);
    EXPECT_EQ(localPrinterNames().size(), 3u);
    EXPECT_TRUE(sys("QS8000.DRV"));
    EXPECT_TRUE(key(kKey8000));
    EXPECT_EQ(m().get('C', "WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=NVBIDI.386\r\n");
}

// SYSTEM.INI that cannot be rewritten after the files are gone: the run
// says "not removed" and keeps the printers, the kept INF copies and the
// keys, so that the uninstall can run again once the file can be written.
TEST_F(Uninstall, SystemIniThatCannotBeRewrittenIsNotRemoved) {
    installBoth();
    ASSERT_EQ(m().setting("readOnlyFolders", "C:\\WINDOWS\\SYSTEM.INI"), "");
    run("", {}, kChooseUninstall + kSelectAll + Boxes({kNotRemoved}));
    EXPECT_EQ(state.runResult, RESULT_NOT_REMOVED);
    EXPECT_EQ(m().get('C', "WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=NVBIDI.386\r\n");
    EXPECT_FALSE(onC("WINDOWS/SYSTEM.B00"));
    EXPECT_EQ(localPrinterNames().size(), 3u);
    EXPECT_TRUE(sys("QS8000.IN1"));
    EXPECT_TRUE(onC("WINDOWS/qs8000.ini"));
    EXPECT_TRUE(key(kKey8000));
}

// A spooler that does not answer: nothing is taken away, and the outcome
// says the driver was not removed.
TEST_F(Uninstall, SpoolerNotRunningRemovesNothing) {
    installBoth();
    ASSERT_EQ(m().setting("spooler", "0"), "");
    // Without the spooler no model is found installed: the first is offered.
    run("", {}, kChooseUninstall + "dialog SELECTDRVMULTI\n  click 1\n" + Boxes({kNotRemoved}));
    EXPECT_EQ(state.runResult, RESULT_NOT_REMOVED);
    EXPECT_TRUE(sys("QS8000.DRV"));
    EXPECT_TRUE(sys("QS8000.IN1"));
    EXPECT_TRUE(key(kKey8000));
    EXPECT_EQ(m().get('C', "WINDOWS/SYSTEM.INI"), "[386Enh]\r\ndevice=NVBIDI.386\r\n");
    ASSERT_EQ(m().setting("spooler", "1"), "");
    EXPECT_EQ(localPrinterNames().size(), 3u);
}

}  // namespace
