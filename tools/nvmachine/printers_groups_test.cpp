// A test client (not the installer) on a fresh machine directory: adds a
// print processor, monitor, driver and printer and a Program Manager group
// with items, sees them through nvmachine (printers, groups, reg export, diff)
// and lnkinfo, removes them all, and the machine is as before.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <windows.h>

#include "CommandRun.h"
#include "DdeClient.h"
#include "TempMachine.h"
#include "platform/core/Machine.h"
#include "platform/progman/ProgmanWindow.h"
#include "platform/user/WindowManager.h"

namespace fs = std::filesystem;
using nv::testing::CommandRun;

namespace {

CommandRun nvmachine(const std::vector<std::string>& args) { return nv::testing::runNvmachine(args); }

char kEnv[] = "Windows 4.0";
const char* kFiles[] = {"NV8000.DRV", "NV8000.HLP", "NVMON.DLL", "NVPROC.DLL", "NVINS32B.EXE"};

class PrintersAndGroups : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(nvmachine({"new", d()}).status, 0);
        ASSERT_EQ(nvmachine({"snapshot", d(), before()}).status, 0);
        nv::progman::registerProgramManager();
        auto opened = nv::machine::Machine::open(dir());
        ASSERT_TRUE(opened.ok()) << opened.error().message;
        nv::machine::attach(std::move(*opened));
        nv::user::reset();
        nv::testing::MessageLog::current().clear();
    }
    void TearDown() override { nv::machine::detach(); }

    fs::path system(const char* name) const { return dir() / "drives/C/WINDOWS/SYSTEM" / name; }
    const fs::path& dir() const { return tmp.path(); }
    std::string d() const { return dir().string(); }
    std::string before() const { return (dir() / "before.snap").string(); }

    nv::testing::TempDir tmp;
};

TEST_F(PrintersAndGroups, AddSeeAndRemoveEverything) {
    for (const char* f : kFiles)
        std::ofstream(system(f), std::ios::binary) << "stand-in file " << f;

    // The spooler.
    ASSERT_TRUE(AddPrintProcessorA(nullptr, kEnv, const_cast<char*>("NVPROC.DLL"), const_cast<char*>("NV Processor")));
    MONITOR_INFO_2A mon{const_cast<char*>("NV Language Monitor"), kEnv, const_cast<char*>("NVMON.DLL")};
    ASSERT_TRUE(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&mon)));
    std::string deps = std::string("NV8000.HLP") + '\0' + "NVMON.DLL" + '\0' + '\0';
    DRIVER_INFO_3A drv{0x400, const_cast<char*>("Norvalk QS-8000"), kEnv, const_cast<char*>("NV8000.DRV"),
                       const_cast<char*>("NV8000.DRV"), const_cast<char*>("NV8000.DRV"), const_cast<char*>("NV8000.HLP"),
                       deps.data(), const_cast<char*>("NV Language Monitor"), const_cast<char*>("RAW")};
    ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&drv)));
    PRINTER_INFO_2A pi{};
    pi.pPrinterName = pi.pDriverName = const_cast<char*>("Norvalk QS-8000");
    pi.pPortName = const_cast<char*>("LPT1:");
    pi.pPrintProcessor = const_cast<char*>("NV Processor");
    pi.pDatatype = const_cast<char*>("RAW");
    pi.Attributes = 0x804;
    pi.Priority = pi.DefaultPriority = 1;
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    ASSERT_NE(printer, nullptr) << GetLastError();
    ASSERT_TRUE(ClosePrinter(printer));

    // Program Manager.
    ASSERT_NE(nv::progman::programManagerWindow(), nullptr);
    {
        nv::testing::DdeClient client;
        client.initiate();
        ASSERT_NE(client.server(), nullptr);
        client.execute("[CreateGroup(Norvalk QS-8000)][ShowGroup(Norvalk QS-8000,1)]");
        client.execute("[AddItem(C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE C:\\WINDOWS\\SYSTEM\\NV8000.HLP,Remove Norvalk,"
                       "C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE,1)]");
        client.execute("[ExitProgman(1)]");
        EXPECT_EQ(nv::testing::MessageLog::current().entries(),
                  (std::vector<std::string>{"client:WM_DDE_ACK(initiate PROGMAN PROGMAN)",
                                            "client:WM_DDE_ACK(0x8000, own block)", "client:WM_DDE_ACK(0x8000, own block)",
                                            "client:WM_DDE_ACK(0x8000, own block)"}));
        client.terminate();
    }

    // What a person sees.
    auto printers = nvmachine({"printers", d()});
    EXPECT_EQ(printers.status, 0);
    EXPECT_NE(printers.out.find("Norvalk QS-8000  (default printer)"), std::string::npos) << printers.out;
    EXPECT_NE(printers.out.find("processor   NV Processor"), std::string::npos) << printers.out;
    EXPECT_NE(printers.out.find("monitor     NV Language Monitor"), std::string::npos) << printers.out;
    EXPECT_NE(printers.out.find("NV Language Monitor            NVMON.DLL"), std::string::npos) << printers.out;
    auto reg = nvmachine({"reg", "export", d(), "HKLM\\System\\CurrentControlSet\\control\\Print"});
    EXPECT_NE(reg.out.find("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Printers\\Norvalk QS-8000]"),
              std::string::npos)
        << reg.out;
    EXPECT_NE(reg.out.find("\"Printer Driver\"=\"Norvalk QS-8000\""), std::string::npos);
    EXPECT_NE(reg.out.find("Monitors\\NV Language Monitor]"), std::string::npos);
    auto groups = nvmachine({"groups", d()});
    EXPECT_EQ(groups.status, 0) << groups.out;
    EXPECT_NE(groups.out.find("  Norvalk QS-8000\n    Remove Norvalk\n      target     C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE\n"
                              "      arguments  C:\\WINDOWS\\SYSTEM\\NV8000.HLP\n"),
              std::string::npos)
        << groups.out;
    fs::path link = dir() / "drives/C/WINDOWS/Start Menu/Programs/Norvalk QS-8000/Remove Norvalk.lnk";
    ASSERT_TRUE(fs::exists(link));
    if (nv::testing::runShell("command -v lnkinfo >/dev/null 2>&1").status == 0) {
        auto info = nv::testing::runShell("lnkinfo " + nv::testing::shellQuoted(link.string()) + " 2>&1");
        EXPECT_EQ(info.status, 0) << info.out;
        EXPECT_NE(info.out.find("C:\\WINDOWS\\SYSTEM\\NVINS32B.EXE"), std::string::npos) << info.out;
    }
    auto changed = nvmachine({"diff", before(), d()});
    EXPECT_EQ(changed.status, 1);
    EXPECT_NE(changed.out.find("[printers]\n"), std::string::npos);
    EXPECT_NE(changed.out.find("\n+ printer\tNorvalk QS-8000\tNorvalk QS-8000\tLPT1:\tNV Processor\tRAW\t"
                               "0x00000800\tdefault\n"),
              std::string::npos)
        << changed.out;
    EXPECT_NE(changed.out.find("[groups]\n+ group\tNorvalk QS-8000\n+ item\tNorvalk QS-8000\tRemove Norvalk\t"),
              std::string::npos)
        << changed.out;

    // Removal, in the order the installer removes.
    {
        nv::testing::DdeClient client;
        client.initiate();
        client.execute("[DeleteGroup(Norvalk QS-8000,0)]");
        client.terminate();
    }
    HANDLE h = nullptr;
    PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("Norvalk QS-8000"), &h, &all));
    EXPECT_TRUE(DeletePrinter(h));
    EXPECT_TRUE(ClosePrinter(h));
    EXPECT_TRUE(DeletePrinterDriverA(nullptr, kEnv, const_cast<char*>("Norvalk QS-8000")));
    EXPECT_TRUE(DeleteMonitorA(nullptr, kEnv, const_cast<char*>("NV Language Monitor")));
    EXPECT_TRUE(DeletePrintProcessorA(nullptr, kEnv, const_cast<char*>("NV Processor")));
    for (const char* f : kFiles)
        fs::remove(system(f));
    auto same = nvmachine({"diff", before(), d()});
    EXPECT_EQ(same.status, 0) << same.out;
    EXPECT_EQ(same.out, "");
}

// The spooler's and Program Manager's settings are set with the tool and
// reach the machine: preloads appear, the faults act.
TEST(MachineSettings, SpoolerAndProgramManagerSettingsSetWithTheTool) {
    nv::testing::TempDir tmp;
    const std::string d = tmp.path().string();
    ASSERT_EQ(nvmachine({"new", d}).status, 0);
    EXPECT_EQ(nvmachine({"setting", d, "spoolerFail"}).status, 1);  // unset
    ASSERT_EQ(nvmachine({"setting", d, "spoolerPreload", "Acme Writer,Acme Writer 2,ACME.DRV,LPT2:,default;,Norvalk QS-7000"})
                  .status,
              0);
    auto printers = nvmachine({"printers", d});
    EXPECT_NE(printers.out.find("Acme Writer  (default printer)"), std::string::npos) << printers.out;
    EXPECT_NE(printers.out.find("Norvalk QS-7000"), std::string::npos) << printers.out;
    EXPECT_TRUE(fs::exists(tmp.path() / "drives/C/WINDOWS/SYSTEM/ACME.DRV"));

    for (auto [key, value] : {std::pair{"spooler", "0"}, {"spoolerFail", "2,1802"}, {"progmanFault", "delay,750"}})
        ASSERT_EQ(nvmachine({"setting", d, key, value}).status, 0) << key;
    auto bad = nvmachine({"setting", d, "progmanFault", "sulk"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("progmanFault=sulk: Program Manager's fault is"), std::string::npos) << bad.out;
    EXPECT_EQ(nvmachine({"setting", d, "Q:label", "x"}).status, 2);
    auto listed = nvmachine({"setting", d});
    EXPECT_NE(listed.out.find("\nspooler=0\nspoolerFail=2,1802\n"), std::string::npos) << listed.out;
    EXPECT_EQ(nvmachine({"setting", d, "progmanFault"}).out, "delay,750\n");
    EXPECT_EQ(nvmachine({"setting", d, "A:disk"}).out, "0\n");

    auto opened = nv::machine::Machine::open(tmp.path());
    ASSERT_TRUE(opened.ok()) << opened.error().message;
    nv::machine::attach(std::move(*opened));
    auto& s = nv::machine::currentOrDie().settings();
    EXPECT_EQ(s.progmanFault, nv::machine::ProgmanFault::Delay);
    EXPECT_EQ(s.progmanFaultValue, 750);
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
    nv::machine::detach();

    // Back to the defaults: the keys leave the file.
    for (const char* key : {"spooler", "spoolerFail", "progmanFault", "spoolerPreload"})
        ASSERT_EQ(nvmachine({"setting", d, key, ""}).status, 0) << key;
    std::string ini = nv::testing::readWholeFile(tmp.path() / "machine.ini");
    EXPECT_EQ(ini.find("spooler"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("progmanFault"), std::string::npos) << ini;
}

}  // namespace
