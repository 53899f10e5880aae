// The uninstall's WIN.INI and SYSTEM.INI clean-up: every [DEL.WIN.INI] line
// shape for each removed model, the backup before the first change, and the
// installer's own device line after a full removal only.
#include "sysconfig/CleanUpIni.h"

#include <string>

#include "ProgramTest.h"
#include "shared/BoundedText.h"

namespace {

const char kScript[] =
    "[VxD]\r\n0:NVBIDI.386\r\n"
    "[DEL.WIN.INI]\r\n"
    "\"Norvalk QS-8000 series\"\r\n"
    "\"Norvalk QS-8300 series\"\r\n"
    "PrinterPorts, \"Norvalk QS-8000 series\"\r\n"
    "PrinterPorts, \"Norvalk QS-8300 series\"\r\n"
    "Devices, \"Norvalk QS-8300 series\", \"qs8300,LPT1:\"\r\n"
    "Extra, Missing, value\r\n"
    "windows, device, none\r\n";

const char kWinIni[] =
    "[windows]\r\nload=\r\ndevice=Norvalk QS-8300 series,qs8300,LPT1:\r\n"
    "[Devices]\r\nNorvalk QS-8300 series=qs8300,LPT1:\r\nAcme Jet=acme,LPT2:\r\n"
    "[PrinterPorts]\r\nNorvalk QS-8000 series=qs8000,LPT1:,15,45\r\nNorvalk QS-8300 series=qs8300,LPT1:,15,45\r\n"
    "Acme Jet=acme,LPT2:,15,45\r\n"
    "[Norvalk QS-8000 series]\r\nLPT1=0\r\n"
    "[Norvalk QS-8300 series]\r\nPaper=A4\r\n";

const char kSystemIni[] = "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\ndevice=NVBIDI.386\r\ndevice=*vpicd\r\n";

class CleanUp : public nv::testing::ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        loadScript("INSTALL.INF", kScript);
        tm().put('C', "WINDOWS/WIN.INI", kWinIni);
        tm().put('C', "WINDOWS/SYSTEM.INI", kSystemIni);
        CopyText(state.modelTable[0], "Norvalk QS-8000 series");
        CopyText(state.modelTable[1], "Norvalk QS-8300 series");
        state.modelTable[0][MODEL_SELECTED_BYTE] = '0';
        state.modelTable[1][MODEL_SELECTED_BYTE] = '1';
    }
    static std::string profile(const char* section, const char* key) {
        char value[256];
        GetProfileStringA(section, key, "(none)", value, sizeof value);
        return value;
    }
    static bool hasSection(const char* section) {
        char keys[256];
        return GetProfileStringA(section, nullptr, "", keys, sizeof keys) > 0;
    }
};

// Removing one of two models: its section, its keys and the default printer
// that names it go; the other model's entries and another maker's stay;
// SYSTEM.INI keeps the device line the remaining model needs.
TEST_F(CleanUp, PartialRemovalTakesOutTheRemovedModelsEntriesOnly) {
    EXPECT_EQ(CleanUpIniFiles(nullptr, 2), 1);
    EXPECT_FALSE(hasSection("Norvalk QS-8300 series"));
    EXPECT_EQ(profile("Norvalk QS-8000 series", "LPT1"), "0");
    EXPECT_EQ(profile("PrinterPorts", "Norvalk QS-8300 series"), "(none)");
    EXPECT_EQ(profile("PrinterPorts", "Norvalk QS-8000 series"), "qs8000,LPT1:,15,45");
    EXPECT_EQ(profile("PrinterPorts", "Acme Jet"), "acme,LPT2:,15,45");
    // Key and value: the value given is the present one, so the key goes.
    EXPECT_EQ(profile("Devices", "Norvalk QS-8300 series"), "(none)");
    EXPECT_EQ(profile("Devices", "Acme Jet"), "acme,LPT2:");
    // A present value that begins with the model's name is emptied.
    EXPECT_EQ(profile("windows", "device"), "");
    EXPECT_EQ(profile("windows", "load"), "");
    // WIN.INI as it was is kept beside it; SYSTEM.INI is untouched.
    EXPECT_EQ(file("WINDOWS/WIN.B00"), kWinIni);
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), kSystemIni);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM.B00"));
}

TEST_F(CleanUp, FullRemovalCommentsOutTheOwnDeviceLine) {
    state.modelTable[0][MODEL_SELECTED_BYTE] = '1';
    EXPECT_EQ(CleanUpIniFiles(nullptr, 1), 1);
    EXPECT_FALSE(hasSection("Norvalk QS-8000 series"));
    EXPECT_FALSE(hasSection("Norvalk QS-8300 series"));
    EXPECT_EQ(profile("PrinterPorts", "Norvalk QS-8000 series"), "(none)");
    EXPECT_EQ(profile("PrinterPorts", "Acme Jet"), "acme,LPT2:,15,45");
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"),
              "[boot]\r\nshell=Explorer.exe\r\n[386Enh]\r\n"
              ";Removed by Norvalk Printer Driver Uninstall: device=NVBIDI.386\r\ndevice=*vpicd\r\n");
    EXPECT_EQ(file("WINDOWS/SYSTEM.B00"), kSystemIni);
    char recorded[MAX_PATH];
    GetPrivateProfileStringA("Install", "BFileSysIni", "", recorded, sizeof recorded, state.privateIniPath);
    EXPECT_STREQ(recorded, "C:\\WINDOWS\\SYSTEM.B00");
    // One backup of WIN.INI for the whole clean-up.
    EXPECT_TRUE(exists("WINDOWS/WIN.B00"));
    EXPECT_FALSE(exists("WINDOWS/WIN.B01"));
}

// Entries that are not there, or name another printer, change nothing and
// leave no backup.
TEST_F(CleanUp, NothingToDeleteLeavesWinIniAndNoBackup) {
    const char other[] = "[windows]\r\ndevice=Acme Jet,acme,LPT2:\r\n[PrinterPorts]\r\nAcme Jet=acme,LPT2:,15,45\r\n";
    tm().put('C', "WINDOWS/WIN.INI", other);
    EXPECT_EQ(CleanUpIniFiles(nullptr, 2), 1);
    EXPECT_EQ(file("WINDOWS/WIN.INI"), other);
    EXPECT_FALSE(exists("WINDOWS/WIN.B00"));
}

TEST_F(CleanUp, MissingSectionOrFiles) {
    loadScript("INSTALL.INF", "[VxD]\r\n0:NVBIDI.386\r\n");
    EXPECT_EQ(CleanUpIniFiles(nullptr, 2), 0);
    EXPECT_EQ(file("WINDOWS/WIN.INI"), kWinIni);
    // Without SYSTEM.INI a full removal has nothing to edit.
    std::filesystem::remove(tm().host('C', "WINDOWS/SYSTEM.INI"));
    EXPECT_EQ(CleanUpIniFiles(nullptr, 1), 0);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM.INI"));
    // Without WIN.INI the WIN.INI step is skipped; SYSTEM.INI is still edited.
    tm().put('C', "WINDOWS/SYSTEM.INI", kSystemIni);
    loadScript("INSTALL.INF", kScript);
    std::filesystem::remove(tm().host('C', "WINDOWS/WIN.INI"));
    EXPECT_EQ(CleanUpIniFiles(nullptr, 1), 1);
    EXPECT_FALSE(exists("WINDOWS/WIN.INI"));
    EXPECT_NE(file("WINDOWS/SYSTEM.INI").find(";Removed by Norvalk"), std::string::npos);
}

}  // namespace

// A machine that refuses the SYSTEM.INI edit (the Nth write of the clean-up
// fails: the backup's copy, then the rewrite): SYSTEM.INI keeps its content
// and the clean-up says so, since it still loads the virtual device driver.
class CleanUpWriteFault : public CleanUp, public ::testing::WithParamInterface<int> {};

TEST_P(CleanUpWriteFault, ReportsTheDeviceLineKept) {
    state.modelTable[1][MODEL_SELECTED_BYTE] = '0';  // WIN.INI has nothing to lose: only SYSTEM.INI is written
    ASSERT_EQ(tm().setting("failWrite", std::to_string(GetParam())), "");
    EXPECT_EQ(CleanUpIniFiles(nullptr, 1), CLEANUP_DEVICE_LINE_KEPT);
    EXPECT_EQ(file("WINDOWS/SYSTEM.INI"), kSystemIni);
    EXPECT_FALSE(exists("WINDOWS/SYSTEM.B00"));
}

INSTANTIATE_TEST_SUITE_P(Writes, CleanUpWriteFault, ::testing::Values(1, 2));
