// The machine tool's inspection commands, run as a person runs them: the
// built nvmachine on a machine directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CommandRun.h"
#include "TempMachine.h"
#include "platform/core/Machine.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::CommandRun;
using nv::testing::shellQuoted;

CommandRun nvmachine(const std::vector<std::string>& args) { return nv::testing::runNvmachine(args); }
std::string slurp(const fs::path& p) { return nv::testing::readWholeFile(p); }
void spit(const fs::path& p, const std::string& text) { nv::testing::writeWholeFile(p, text); }

// A machine directory on disk: machine.ini, drives A: (empty) and C:.
class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        auto s = nv::testing::TempMachine::defaultSettings();
        s.drives['A'].hasDisk = false;
        for (auto& [l, d] : s.drives)
            fs::create_directories(dir() / d.folder);
        ASSERT_TRUE(nv::machine::Machine::fromSettings(dir(), s)->save());
        spit(dir() / "drives/C/WINDOWS/WIN.INI", "[windows]\r\nload=\r\n; keep me\r\n\r\n[Desktop]\r\nWallpaper=(None)\r\n");
        spit(dir() / "registry.reg",
             "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\r\n"
             "\"ICMPath\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\COLOR\"\r\n\r\n");
    }
    const fs::path& dir() const { return tmp.path(); }
    std::string d() const { return dir().string(); }

    nv::testing::TempDir tmp;
};

TEST_F(Tool, IniGetSetDelete) {
    EXPECT_EQ(nvmachine({"ini", "get", d(), "win.ini", "DESKTOP", "wallpaper"}).out, "(None)\n");
    auto missing = nvmachine({"ini", "get", d(), "win.ini", "Desktop", "Pattern"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("no key Pattern"), std::string::npos);
    EXPECT_EQ(nvmachine({"ini", "get", d(), "C:\\NONE.INI", "a", "b"}).status, 1);

    EXPECT_EQ(nvmachine({"ini", "set", d(), "C:\\WINDOWS\\WIN.INI", "windows", "load", "nvmon.exe"}).status, 0);
    EXPECT_EQ(nvmachine({"ini", "set", d(), "win.ini", "Norvalk QS-8000 series", "LPT1", "1"}).status, 0);
    EXPECT_EQ(nvmachine({"ini", "delete", d(), "win.ini", "Desktop"}).status, 0);
    EXPECT_EQ(slurp(dir() / "drives/C/WINDOWS/WIN.INI"),
              "[windows]\r\nload=nvmon.exe\r\n; keep me\r\n\r\n[Norvalk QS-8000 series]\r\nLPT1=1\r\n");
    EXPECT_EQ(nvmachine({"ini", "delete", d(), "win.ini", "windows", "load"}).status, 0);
    EXPECT_EQ(nvmachine({"ini", "get", d(), "win.ini", "windows", "load"}).status, 1);

    auto bad = nvmachine({"ini", "set", d(), "Q:\\X.INI", "a", "b", "c"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("Q:\\X.INI: error 3"), std::string::npos) << bad.out;
    EXPECT_EQ(nvmachine({"ini", "get", d()}).status, 2);

    // Without a key: the section's entries, one KEY=VALUE line each.
    spit(dir() / "drives/C/WINDOWS/TWO.INI", "[Ports]\r\nLPT1:=\r\n; note\r\nCOM1:=9600,n,8,1\r\n[Other]\r\nx=1\r\n");
    auto listing = nvmachine({"ini", "get", d(), "two.ini", "ports"});
    EXPECT_EQ(listing.status, 0);
    EXPECT_EQ(listing.out, "LPT1:=\nCOM1:=9600,n,8,1\n");
    auto noSection = nvmachine({"ini", "get", d(), "two.ini", "Nothing"});
    EXPECT_EQ(noSection.status, 1);
    EXPECT_NE(noSection.out.find("no section [Nothing]"), std::string::npos) << noSection.out;

    // A damaged line is named with file and line; the value is read as the
    // installer reads it.
    spit(dir() / "drives/C/WINDOWS/ODD.INI", "[a]\r\nk=1\r\n[b\r\nj=2\r\n");
    auto odd = nvmachine({"ini", "get", d(), "odd.ini", "b", "j"});
    EXPECT_EQ(odd.status, 0);
    EXPECT_EQ(odd.out, "nvmachine ini: C:\\WINDOWS\\ODD.INI:3: section header without ']': '[b'\n2\n");
}

// Help names every command with its options, the exit statuses and examples.
TEST_F(Tool, HelpDescribesCommandsStatusesAndExamples) {
    auto help = nvmachine({"help"});
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"ini get DIR FILE SECTION [KEY]", "--screen WxH", "build-disks", "exit status",
                             "example", "nvmachine new"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part << "\n" << help.out;
    }
}

TEST_F(Tool, RegExportImport) {
    auto all = nvmachine({"reg", "export", d()});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out.rfind("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n", 0), 0u) << all.out;
    EXPECT_NE(all.out.find("CurrentVersion\\Setup]\r\n\"ICMPath\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\COLOR\"\r\n"),
              std::string::npos)
        << all.out;
    spit(dir() / "in.reg",
         "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\n\"PortName\"=\"LPT1\"\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\n\"ICMPath\"=-\n");
    EXPECT_EQ(nvmachine({"reg", "import", d(), (dir() / "in.reg").string()}).status, 0);
    EXPECT_EQ(nvmachine({"reg", "export", d(), "HKLM\\Enum"}).out,
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Enum]\r\n\r\n[HKEY_LOCAL_MACHINE\\Enum\\Root]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\r\n\"PortName\"=\"LPT1\"\r\n\r\n");
    EXPECT_EQ(slurp(dir() / "registry.reg").find("ICMPath"), std::string::npos);
    EXPECT_EQ(nvmachine({"reg", "export", d(), "HKLM\\Nothing"}).status, 1);

    // A damaged import is refused whole, with file and line.
    std::string before = slurp(dir() / "registry.reg");
    spit(dir() / "bad.reg", "REGEDIT4\n[HKEY_USERS\\X]\n\"a\"=\"1\"\n\"b\"=dword:xyz\n");
    auto bad = nvmachine({"reg", "import", d(), (dir() / "bad.reg").string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("bad.reg:4: cannot read the value data"), std::string::npos) << bad.out;
    EXPECT_EQ(slurp(dir() / "registry.reg"), before);
}

TEST_F(Tool, InsertLsEject) {
    fs::path disk = dir() / "disk1";
    spit(disk / "INSTALL.INF", "[Install]\r\n");
    spit(disk / "DRIVERS/QS8000.DR_", "12345");
    EXPECT_EQ(nvmachine({"ls", d(), "A:\\"}).status, 1);  // no disk yet
    EXPECT_EQ(nvmachine({"insert", d(), "a:", disk.string()}).status, 0);
    auto ls = nvmachine({"ls", d(), "A:\\"});
    EXPECT_EQ(ls.status, 0);
    EXPECT_EQ(ls.out, "     <DIR> DRIVERS\n        11 INSTALL.INF\n");
    EXPECT_EQ(nvmachine({"ls", d(), "a:\\drivers\\qs8000.dr_"}).out, "         5 QS8000.DR_\n");
    EXPECT_EQ(nvmachine({"ls", d(), "A:\\MISSING"}).status, 1);

    // A second disk replaces the first.
    fs::path disk2 = dir() / "disk2";
    spit(disk2 / "DISK2.TAG", "");
    EXPECT_EQ(nvmachine({"insert", d(), "A:", disk2.string()}).status, 0);
    EXPECT_EQ(nvmachine({"ls", d(), "A:\\"}).out, "         0 DISK2.TAG\n");
    EXPECT_EQ(nvmachine({"eject", d(), "A:"}).status, 0);
    EXPECT_EQ(nvmachine({"ls", d(), "A:\\"}).status, 1);
    EXPECT_EQ(nvmachine({"insert", d(), "C:", disk.string()}).status, 2);  // not removable
    EXPECT_EQ(nvmachine({"insert", d(), "A:", (dir() / "drives/A").string()}).status, 2);  // overlap

    // After an answer file pointed A: at a disk folder of the machine, the
    // next insert leaves that disk's files alone and fills A:'s own folder.
    spit(dir() / "disks/DISK3/DISK3.TAG", "3");
    ASSERT_EQ(nvmachine({"setting", d(), "A:folder", "disks/DISK3"}).status, 0);
    ASSERT_EQ(nvmachine({"setting", d(), "A:disk", "1"}).status, 0);
    EXPECT_EQ(nvmachine({"ls", d(), "A:\\"}).out, "         1 DISK3.TAG\n");
    EXPECT_EQ(nvmachine({"insert", d(), "A:", disk2.string()}).status, 0);
    EXPECT_EQ(nvmachine({"ls", d(), "A:\\"}).out, "         0 DISK2.TAG\n");
    EXPECT_EQ(slurp(dir() / "disks/DISK3/DISK3.TAG"), "3");
    EXPECT_FALSE(fs::exists(dir() / "disks/DISK3/DISK2.TAG"));
    EXPECT_EQ(nvmachine({"setting", d(), "A:folder"}).out, "drives/A\n");
}

TEST_F(Tool, SnapshotAndDiffShowAChange) {
    fs::path before = dir() / "before.snap";
    ASSERT_EQ(nvmachine({"snapshot", d(), before.string()}).status, 0);
    EXPECT_EQ(nvmachine({"diff", before.string(), d()}).status, 0);

    nvmachine({"ini", "set", d(), "win.ini", "windows", "load", "x"});
    spit(dir() / "in.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Norvalk]\n\"Lang\"=dword:2\n");
    nvmachine({"reg", "import", d(), (dir() / "in.reg").string()});
    spit(dir() / "drives/C/NEW.TXT", "new");

    auto diff = nvmachine({"diff", before.string(), d()});
    EXPECT_EQ(diff.status, 1);
    std::string out = diff.out;
    EXPECT_NE(out.find("[files]\n+ file\tC:\\NEW.TXT\t3\t"), std::string::npos) << out;
    EXPECT_NE(out.find("~ file\tC:\\WINDOWS\\WIN.INI\t60\t"), std::string::npos) << out;
    EXPECT_NE(out.find("[ini]\n- ini\tC:\\WINDOWS\\WIN.INI\twindows\tload=\n+ ini\tC:\\WINDOWS\\WIN.INI\twindows\tload=x\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("[registry]\n+ key\tHKEY_CURRENT_USER\\Norvalk\n+ value\tHKEY_CURRENT_USER\\Norvalk\t\"Lang\"\tdword:00000002\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("[settings]"), std::string::npos);

    spit(dir() / "registry.reg", "REGEDIT4\n[HKEY_USERS\nx\n");
    auto bad = nvmachine({"snapshot", d(), "-"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("registry.reg:2: key line without ']'"), std::string::npos) << bad.out;
}

TEST_F(Tool, DiffShowsRemovalsBetweenTwoSnapshotFiles) {
    spit(dir() / "drives/C/WINDOWS/OLD.DRV", "old");
    spit(dir() / "in.reg",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\n\"PortName\"=\"LPT1\"\n\"Flags\"=dword:10\n");
    ASSERT_EQ(nvmachine({"reg", "import", d(), (dir() / "in.reg").string()}).status, 0);
    fs::path before = dir() / "before.snap", after = dir() / "after.snap";
    ASSERT_EQ(nvmachine({"snapshot", d(), before.string()}).status, 0);

    fs::remove(dir() / "drives/C/WINDOWS/OLD.DRV");
    ASSERT_EQ(nvmachine({"ini", "delete", d(), "win.ini", "Desktop", "Wallpaper"}).status, 0);
    spit(dir() / "out.reg",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\n\"Flags\"=-\n"
         "[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\n");
    ASSERT_EQ(nvmachine({"reg", "import", d(), (dir() / "out.reg").string()}).status, 0);
    ASSERT_EQ(nvmachine({"snapshot", d(), after.string()}).status, 0);

    auto diff = nvmachine({"diff", before.string(), after.string()});
    EXPECT_EQ(diff.status, 1);
    const std::string& out = diff.out;
    EXPECT_NE(out.find("\n- file\tC:\\WINDOWS\\OLD.DRV\t3\t"), std::string::npos) << out;
    EXPECT_NE(out.find("[ini]\n- ini\tC:\\WINDOWS\\WIN.INI\tDesktop\tWallpaper=(None)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("- key\tHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("- value\tHKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000\t\"Flags\"\tdword:00000010\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("- value\tHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup\t\"ICMPath\""),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("PortName"), std::string::npos) << out;  // unchanged values are not listed
    EXPECT_EQ(out.find("+ "), std::string::npos) << out;

    // Inserting a disk is a change of the settings; a damaged snapshot is named.
    fs::create_directories(dir() / "disk");
    ASSERT_EQ(nvmachine({"insert", d(), "A:", (dir() / "disk").string()}).status, 0);
    auto settings = nvmachine({"diff", after.string(), d()});
    EXPECT_NE(settings.out.find("[settings]\n- setting\tdrive A\tdisk=0\n+ setting\tdrive A\tdisk=1\n"), std::string::npos)
        << settings.out;
    spit(dir() / "bad.snap", "nvmachine snapshot 2\n[files]\n[oops\n");
    auto bad = nvmachine({"diff", (dir() / "bad.snap").string(), d()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("bad.snap:3: area line must be [NAME]"), std::string::npos) << bad.out;
}

}  // namespace
