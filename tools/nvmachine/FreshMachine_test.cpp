// A fresh machine: what `nvmachine new` writes, seen through the machine and
// the Win32 functions the installer calls.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <windows.h>

#include "TempMachine.h"
#include "tools/nvmachine/FreshMachine.h"

namespace {

using nv::testing::TempDir;
namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class FreshMachine : public ::testing::Test {
protected:
    void SetUp() override {
        auto made = nv::tool::createFreshMachine(dir.path() / "m", nv::tool::freshSettings());
        ASSERT_TRUE(made) << made.error().message;
        auto opened = nv::machine::Machine::open(dir.path() / "m");
        ASSERT_TRUE(opened) << opened.error().message;
        nv::machine::attach(std::move(opened.value()));
    }
    void TearDown() override { nv::machine::detach(); }
    TempDir dir;
};

TEST_F(FreshMachine, SettingsCarryEveryMachineSetting) {
    const std::string ini = slurp(dir.path() / "m" / "machine.ini");
    for (const char* key : {"[machine]", "windows=C:\\WINDOWS", "system=C:\\WINDOWS\\SYSTEM", "version=4.0",
                            "screen=800x600", "timezone=", "progman=1", "failAllocation=0", "registry=registry.reg",
                            "[drive A]", "kind=removable", "disk=0", "[drive C]", "[drive D]", "capacity=", "free=",
                            "fullAfter=", "failWrites=0", "readonly=0", "[open files]", "[atoms]", "[windows]"}) {
        EXPECT_NE(ini.find(key), std::string::npos) << key;
    }
    const auto& s = nv::machine::currentOrDie().settings();
    ASSERT_EQ(s.drives.size(), 3u);
    EXPECT_FALSE(s.drives.at('A').hasDisk);
    EXPECT_EQ(s.drives.at('D').kind, nv::machine::DriveKind::Fixed);
    EXPECT_TRUE(s.progmanRunning);

    SetLastError(0);
    DWORD spc, bps, freeClusters, total;
    EXPECT_FALSE(GetDiskFreeSpaceA("A:\\", &spc, &bps, &freeClusters, &total));  // the floppy drive is empty
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_TRUE(GetDiskFreeSpaceA("D:\\", &spc, &bps, &freeClusters, &total));
    EXPECT_EQ(LOWORD(GetVersion()), 4);
}

TEST_F(FreshMachine, WindowsIsInstalledOnC) {
    for (const char* d : {"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\COLOR", "C:\\WINDOWS\\FONTS",
                          "C:\\WINDOWS\\COMMAND", "C:\\WINDOWS\\TEMP"})
        EXPECT_EQ(GetFileAttributesA(d), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)) << d;
    EXPECT_NE(GetFileAttributesA("C:\\WINDOWS\\SYSTEM\\UNIDRV.DLL"), INVALID_FILE_ATTRIBUTES);

    char buf[128];
    EXPECT_EQ(GetProfileStringA("windows", "spooler", "", buf, sizeof buf), 3u);
    EXPECT_STREQ(buf, "yes");
    EXPECT_GT(GetPrivateProfileStringA("boot", "shell", "", buf, sizeof buf, "system.ini"), 0u);
    EXPECT_STREQ(buf, "Explorer.exe");
    // Several device= lines in [386Enh], as the driver edits expect.
    const std::string systemIni = slurp(dir.path() / "m" / "drives" / "C" / "WINDOWS" / "SYSTEM.INI");
    size_t devices = 0;
    for (size_t p = systemIni.find("\r\ndevice="); p != std::string::npos; p = systemIni.find("\r\ndevice=", p + 1))
        ++devices;
    EXPECT_GE(devices, 3u);
    EXPECT_EQ(systemIni.find("\n\n"), std::string::npos);  // CR LF throughout
    for (const char* section : {"windows", "Desktop", "fonts", "devices", "PrinterPorts", "ports"}) {
        std::string want = std::string("\r\n[") + section + "]\r\n";
        const std::string winIni = "\r\n" + slurp(dir.path() / "m" / "drives" / "C" / "WINDOWS" / "WIN.INI");
        EXPECT_NE(winIni.find(want), std::string::npos) << section;
    }

    // The TrueType fonts come from the host's font packages.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("C:\\WINDOWS\\FONTS\\*.TTF", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int fonts = 0;
    do {
        ++fonts;
        EXPECT_GT(fd.nFileSizeLow, 10000u) << fd.cFileName;  // real fonts, not stand-ins
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    EXPECT_EQ(fonts, 4);
}

TEST_F(FreshMachine, RegistryHoldsTheKeysTheInstallerReads) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    char value[256] = {};
    DWORD type = 0, size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, "ICMPath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(value, "C:\\WINDOWS\\SYSTEM\\COLOR");
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Enum\\Root\\*PNP0401", 0, KEY_READ, &key), ERROR_SUCCESS);
    char sub[128];
    DWORD subSize = sizeof sub;
    ASSERT_EQ(RegEnumKeyExA(key, 0, sub, &subSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(sub, "0000");
    HKEY port = nullptr;
    ASSERT_EQ(RegOpenKeyExA(key, sub, 0, KEY_READ, &port), ERROR_SUCCESS);
    size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(port, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, "LPT1");
    RegCloseKey(port);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Fonts", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, "Arial (TrueType)", nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, "ARIAL.TTF");
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(FreshMachineOptions, ScreenVersionAndDrives) {
    auto s = nv::tool::freshSettings();
    EXPECT_TRUE(nv::tool::applyScreen(s, "1024x768"));
    EXPECT_EQ(s.screenWidth, 1024);
    EXPECT_EQ(s.screenHeight, 768);
    auto bad = nv::tool::applyScreen(s, "10x10");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().message.find("--screen"), std::string::npos) << bad.error().message;
    EXPECT_EQ(s.screenWidth, 1024);  // a refused value changes nothing

    EXPECT_TRUE(nv::tool::applyVersion(s, "3.95"));
    EXPECT_EQ(s.versionMajor, 3);
    EXPECT_EQ(s.versionMinor, 95);
    EXPECT_TRUE(nv::tool::applyVersion(s, "3.1"));
    EXPECT_EQ(s.versionMinor, 10);
    EXPECT_FALSE(nv::tool::applyVersion(s, "four"));

    EXPECT_TRUE(nv::tool::applyDrive(s, "n:network:ro:2G"));
    const auto& n = s.drives.at('N');
    EXPECT_EQ(n.kind, nv::machine::DriveKind::Network);
    EXPECT_TRUE(n.readOnly);
    EXPECT_EQ(n.capacity, 2ull * 1024 * 1024 * 1024);
    EXPECT_TRUE(nv::tool::applyDrive(s, "B:removable"));
    EXPECT_FALSE(s.drives.at('B').hasDisk);
    EXPECT_TRUE(nv::tool::applyDrive(s, "D:fixed:100M"));  // replaces the default D:
    EXPECT_EQ(s.drives.at('D').capacity, 100ull * 1024 * 1024);
    for (const char* wrong : {"D:floppy", "DD:fixed", "D", "D:fixed:ro:ro", "D:fixed:12Q", "D:fixed:1M:2M:ro"}) {
        auto r = nv::tool::applyDrive(s, wrong);
        ASSERT_FALSE(r) << wrong;
        EXPECT_NE(r.error().message.find(wrong), std::string::npos) << r.error().message;
    }
}

TEST(FreshMachineOptions, RefusesANonEmptyDirectoryAndAMachineWithoutC) {
    TempDir dir;
    std::ofstream(dir.path() / "keep.txt") << "mine";
    auto r = nv::tool::createFreshMachine(dir.path(), nv::tool::freshSettings());
    ASSERT_FALSE(r);
    EXPECT_EQ(slurp(dir.path() / "keep.txt"), "mine");
    EXPECT_FALSE(fs::exists(dir.path() / "machine.ini"));

    auto s = nv::tool::freshSettings();
    s.drives.erase('C');
    EXPECT_FALSE(nv::tool::createFreshMachine(dir.path() / "m", s));
    s = nv::tool::freshSettings();
    ASSERT_TRUE(nv::tool::applyDrive(s, "C:fixed:ro"));
    EXPECT_FALSE(nv::tool::createFreshMachine(dir.path() / "m", s));
}

// The command line, as people and scripts use it.
struct ToolRun {
    int status;
    std::string err;
};

ToolRun nvmachineNew(const TempDir& scratch, const std::string& args) {
    const fs::path err = scratch.path() / "stderr.txt";
    const std::string cmd = std::string("'") + NV_BINARY_DIR + "/tools/nvmachine/nvmachine' new " + args +
                            " >/dev/null 2>'" + err.string() + "'";
    const int raw = std::system(cmd.c_str());
    return ToolRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(err)};
}

TEST(NvmachineNew, CommandLine) {
    TempDir scratch;
    const std::string dir = (scratch.path() / "m").string();
    ToolRun ok = nvmachineNew(scratch, "'" + dir + "' --screen 1024x768 --version 3.95 --drive E:network:ro:2G");
    ASSERT_EQ(ok.status, 0) << ok.err;
    auto m = nv::machine::Machine::open(dir);
    ASSERT_TRUE(m) << m.error().message;
    EXPECT_EQ((*m)->settings().screenWidth, 1024);
    EXPECT_EQ((*m)->settings().versionMinor, 95);
    ASSERT_NE((*m)->drive('E'), nullptr);
    EXPECT_TRUE((*m)->drive('E')->readOnly);

    ToolRun again = nvmachineNew(scratch, "'" + dir + "'");
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("exists and is not empty"), std::string::npos) << again.err;
    ToolRun badDrive = nvmachineNew(scratch, "'" + dir + "2' --drive Q:floppy");
    EXPECT_EQ(badDrive.status, 2);
    EXPECT_NE(badDrive.err.find("Q:floppy"), std::string::npos) << badDrive.err;
    EXPECT_FALSE(fs::exists(dir + "2"));
    EXPECT_EQ(nvmachineNew(scratch, "--screen 800x600").status, 2);  // no directory
}

}  // namespace
