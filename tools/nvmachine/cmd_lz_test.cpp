// The lz, version and build-disks commands, run as a person runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "CommandRun.h"
#include "TempMachine.h"
#include "tools/exefile/ExeWriter.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::CommandRun;
using nv::testing::shellQuoted;

CommandRun shell(const std::string& cmd) { return nv::testing::runShell(cmd + " 2>&1"); }
CommandRun nvmachine(const std::vector<std::string>& args) { return nv::testing::runNvmachine(args); }
std::string slurp(const fs::path& p) { return nv::testing::readWholeFile(p); }
void spit(const fs::path& p, const std::string& s) { nv::testing::writeWholeFile(p, s); }

class Commands : public ::testing::Test {
protected:
    nv::testing::TempDir dir;
    fs::path at(const std::string& name) const { return dir.path() / name; }
};

TEST_F(Commands, CompressAndExpandRoundTrip) {
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += "line " + std::to_string(i % 97) + " of the driver\r\n";
    spit(at("QS8000.DRV"), data);
    CommandRun c = nvmachine({"lz", "compress", at("QS8000.DRV").string(), at("QS8000.DR_").string()});
    ASSERT_EQ(c.status, 0) << c.out;
    std::string packed = slurp(at("QS8000.DR_"));
    ASSERT_GT(packed.size(), 14u);
    EXPECT_EQ(packed.substr(0, 4), "SZDD");
    EXPECT_EQ(packed[9], 'V');
    EXPECT_LT(packed.size(), data.size() / 2);
    CommandRun e = nvmachine({"lz", "expand", at("QS8000.DR_").string(), at("OUT.DRV").string()});
    ASSERT_EQ(e.status, 0) << e.out;
    EXPECT_EQ(slurp(at("OUT.DRV")), data);
    // The separate expander agrees.
    CommandRun m = shell("msexpand < " + shellQuoted(at("QS8000.DR_").string()) + " > " + shellQuoted(at("MS.DRV").string()));
    ASSERT_EQ(m.status, 0) << m.out;
    EXPECT_EQ(slurp(at("MS.DRV")), data);
}

TEST_F(Commands, FailuresLeaveNoDestination) {
    spit(at("A.TXT"), std::string(5000, 'a'));
    ASSERT_EQ(nvmachine({"lz", "compress", at("A.TXT").string(), at("A.TX_").string()}).status, 0);
    std::string packed = slurp(at("A.TX_"));
    spit(at("CUT.TX_"), packed.substr(0, packed.size() - 1));
    CommandRun r = nvmachine({"lz", "expand", at("CUT.TX_").string(), at("CUT.TXT").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("CUT.TX_"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(at("CUT.TXT")));
    EXPECT_FALSE(fs::exists(at("CUT.TXT.nvtmp")));
    EXPECT_NE(nvmachine({"lz", "expand", at("NONE.TX_").string(), at("NONE.TXT").string()}).status, 0);
    EXPECT_FALSE(fs::exists(at("NONE.TXT")));
    EXPECT_NE(nvmachine({"lz", "expand", at("A.TX_").string(), at("NODIR/A.TXT").string()}).status, 0);
    EXPECT_NE(nvmachine({"lz", "squash", "x", "y"}).status, 0);
}

// Outputs the user names are written under a fresh temporary name beside
// them, created exclusively, and renamed into place: a link waiting at a
// predictable name is never written through, and nothing is left behind.
TEST_F(Commands, OutputsAreWrittenThroughFreshTemporaryNames) {
    auto leftovers = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir.path()))
            n += e.path().filename().string().find("~nv") != std::string::npos;
        return n;
    };
    spit(at("victim"), "victim");
    spit(at("A.TXT"), std::string(3000, 'a'));
    fs::create_symlink(at("victim"), at("A.TX_.nvtmp"));
    ASSERT_EQ(nvmachine({"lz", "compress", at("A.TXT").string(), at("A.TX_").string()}).status, 0);
    EXPECT_EQ(slurp(at("victim")), "victim");
    EXPECT_FALSE(fs::is_symlink(at("A.TX_")));
    EXPECT_EQ(slurp(at("A.TX_")).substr(0, 4), "SZDD");
    fs::create_symlink(at("victim"), at("B.TXT.nvtmp"));
    ASSERT_EQ(nvmachine({"lz", "expand", at("A.TX_").string(), at("B.TXT").string()}).status, 0);
    EXPECT_EQ(slurp(at("victim")), "victim");
    EXPECT_EQ(slurp(at("B.TXT")), std::string(3000, 'a'));
    // A failed expansion leaves neither the destination nor a temporary.
    spit(at("CUT.TX_"), slurp(at("A.TX_")).substr(0, 20));
    EXPECT_NE(nvmachine({"lz", "expand", at("CUT.TX_").string(), at("CUT.TXT").string()}).status, 0);
    EXPECT_FALSE(fs::exists(at("CUT.TXT")));
    EXPECT_EQ(leftovers(), 0);

    // A snapshot replaces what stands at OUT instead of writing through it.
    ASSERT_EQ(nvmachine({"new", at("m").string()}).status, 0);
    fs::create_symlink(at("victim"), at("snap.txt"));
    ASSERT_EQ(nvmachine({"snapshot", at("m").string(), at("snap.txt").string()}).status, 0);
    EXPECT_EQ(slurp(at("victim")), "victim");
    EXPECT_FALSE(fs::is_symlink(at("snap.txt")));
    EXPECT_EQ(slurp(at("snap.txt")).rfind("nvmachine snapshot", 0), 0u);
    EXPECT_NE(nvmachine({"snapshot", at("m").string(), at("nodir/snap.txt").string()}).status, 0);
    EXPECT_EQ(leftovers(), 0);
}

TEST_F(Commands, VersionPrintsTheFileVersion) {
    nv::exefile::VersionInfo info;
    info.fileVersion = {4, 0, 0, 950};
    auto le = nv::exefile::writeLe(&info, "LPT");
    spit(at("lpt.vxd"), std::string(le.begin(), le.end()));
    CommandRun r = nvmachine({"version", at("lpt.vxd").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "4.0.0.950\n");
    spit(at("text.txt"), "no resource");
    CommandRun none = nvmachine({"version", at("text.txt").string()});
    EXPECT_NE(none.status, 0);
    EXPECT_NE(none.out.find("no version resource"), std::string::npos) << none.out;
    EXPECT_NE(nvmachine({"version", at("missing.dll").string()}).status, 0);
}

TEST_F(Commands, BuildDisksFromAFolderTree) {
    spit(at("src/DISK1/NVDISK1.TAG"), "tag");
    spit(at("src/DISK1/DRIVER/QS8000.DRV.lz"), std::string(4000, 'q'));
    spit(at("src/DISK2/FRA/QSRES.DLL"), "fr");
    CommandRun r = nvmachine({"build-disks", at("src").string(), at("out").string()});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(at("out/DISK1/NVDISK1.TAG")));
    EXPECT_TRUE(fs::exists(at("out/DISK2/FRA/QSRES.DLL")));
    CommandRun e = nvmachine({"lz", "expand", at("out/DISK1/DRIVER/QS8000.DR_").string(), at("x.drv").string()});
    ASSERT_EQ(e.status, 0) << e.out;
    EXPECT_EQ(slurp(at("x.drv")), std::string(4000, 'q'));
    spit(at("bad/DISK1/FAR_TOO_LONG_NAME.TXT"), "x");
    CommandRun bad = nvmachine({"build-disks", at("bad").string(), at("out2").string()});
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.out.find("FAR_TOO_LONG_NAME.TXT"), std::string::npos) << bad.out;
}

TEST_F(Commands, BuildDisksFromTheSampleProduct) {
    CommandRun r = nvmachine({"build-disks", std::string(NV_SOURCE_DIR) + "/samples/product", at("disks").string()});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(at("disks/DISK1/INSTALL.INF")));
    CommandRun v = nvmachine({"version", at("disks/DISK1/NVINS32B.EXE").string()});
    EXPECT_EQ(v.status, 0) << v.out;
}

TEST_F(Commands, FreshMachineHasThePlatformPortDriver) {
    CommandRun n = nvmachine({"new", at("m").string()});
    ASSERT_EQ(n.status, 0) << n.out;
    fs::path vxd = at("m/drives/C/WINDOWS/SYSTEM/lpt.vxd");
    ASSERT_TRUE(fs::exists(vxd));
    CommandRun v = nvmachine({"version", vxd.string()});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "4.0.0.950\n");
}

}  // namespace
