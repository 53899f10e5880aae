// The sample OEM INF must lead the installer into every kind of copy-list
// entry it knows: drivers to version-check, virtual device drivers for
// SYSTEM.INI, colour profiles, the demonstration page and a duplicate left
// out, and in the unattended run the lists cut to their device drivers and
// DLLs. The kinds follow from how the file lists spell the names.
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "ProgramTest.h"
#include "SampleProduct.h"
#include "printer/OemInf.h"

using nv::testing::ProgramTest;

namespace {

// Kind byte of each copy-list entry, by source name; a name met twice keeps
// the kind of its second entry under "NAME#2".
std::map<std::string, unsigned char> KindsByName() {
    std::map<std::string, unsigned char> kinds;
    for (int i = 0; i < state.copyListCount; ++i) {
        std::string name = CopyListSource(i);
        if (kinds.count(name))
            name += "#2";
        kinds[name] = static_cast<unsigned char>(state.copyList[i][0]);
    }
    return kinds;
}

}  // namespace

class SampleCopyList : public ProgramTest {
protected:
    // Prepares model `model` of the English line of [Manufacturer].
    void prepare(int model) {
        loadScript("NVQS8000.INF", nv::testing::SampleOemInfText());
        IniLine manufacturer = FindSection(nullptr, "Manufacturer");
        ASSERT_NE(manufacturer, nullptr);
        ASSERT_EQ(PrepareModel(nullptr, manufacturer, 1, model), 1) << model;
        LocalFree(state.driverEntry);
        state.driverEntry = nullptr;
    }
};

TEST_F(SampleCopyList, EachModelReachesEveryKind) {
    const char* drivers[] = {"qs8000.drv", "qs8300.drv", "qs8600.drv"};
    for (int model = 0; model < 3; ++model) {
        SCOPED_TRACE(drivers[model]);
        state.copyListCount = 0;
        std::memset(state.copyList, 0, sizeof state.copyList);
        prepare(model);
        auto kinds = KindsByName();
        EXPECT_EQ(kinds[drivers[model]], 0xB1) << "driver to be version-checked";
        EXPECT_EQ(kinds["NVBIDI.386"], 0xB2) << "virtual device driver for SYSTEM.INI";
        EXPECT_EQ(kinds["qsdemo.prn"], '0') << "the demonstration page has its own stage";
        EXPECT_EQ(kinds["QS8000.ICM"], '7');
        EXPECT_EQ(kinds["QSPHOTO.icm"], '7');
        EXPECT_EQ(kinds["QSU8000.DAT"] + kinds["QSU8300.DAT"] + kinds["QSU8600.DAT"], '6') << "one paired line";
        EXPECT_EQ(kinds["nvins32b.exe"], '1');
        EXPECT_EQ(kinds["QSSTAT.EXE"], '1');
        EXPECT_EQ(kinds["lpt.bz"], '1');
        EXPECT_EQ(kinds["QSRES.DLL"], '1');
        EXPECT_EQ(kinds["QSRES.DLL#2"], '0') << "listed twice, copied once";
        EXPECT_EQ(state.copyListCount, 17);

        // The disks are asked for in ascending order.
        SortCopyListByDisk();
        for (int i = 1; state.copyList[i][0]; ++i)
            EXPECT_LE(state.copyList[i - 1][1], state.copyList[i][1]) << CopyListSource(i);
    }
}

TEST_F(SampleCopyList, UnattendedRunKeepsTheDeviceDriverOfTheFirstListAndTheDllsOfTheThird) {
    state.runFlags = 1;
    prepare(0);
    auto kinds = KindsByName();
    EXPECT_EQ(kinds.count("qs8000.drv"), 0u);
    EXPECT_EQ(kinds.count("QSU8000.DAT"), 0u);
    EXPECT_EQ(kinds["NVBIDI.386"], 0xB2);
    for (const char* dll : {"NVLMON.DLL", "NVPRNPRC.DLL", "NVINS32B.DLL", "QSUI.DLL"})
        EXPECT_EQ(kinds[dll], '1') << dll;
    // 1 of the first list, every file of the second and fourth, the DLLs of the third.
    EXPECT_EQ(state.copyListCount, 1 + 7 + 5 + 2);
}
