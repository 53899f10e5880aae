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

#include "CopyListEntries.h"
#include "printer/OemInf.h"
#include "ProgramTest.h"
#include "SampleProduct.h"

using nv::testing::Entry;
using nv::testing::ProgramTest;

namespace {

// Each copy-list entry by source name; a name met twice keeps its second
// entry under "NAME#2".
std::map<std::string, Entry> EntriesByName() {
    std::map<std::string, Entry> entries;
    for (const Entry& e : nv::testing::CopyListEntries()) {
        std::string name = e.name;
        if (entries.count(name))
            name += "#2";
        entries[name] = e;
    }
    return entries;
}

// The kind of the entry named name, the version-check bit told apart.
struct Kind {
    CopyKind kind;
    CompareVersions compare = CompareVersions::No;
    bool operator==(const Kind&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Kind& k) {
    return out << static_cast<int>(k.kind) << (k.compare == CompareVersions::Yes ? " compared" : "");
}
std::map<std::string, Kind> KindsByName() {
    std::map<std::string, Kind> kinds;
    for (const auto& [name, e] : EntriesByName())
        kinds[name] = {e.kind, e.compare};
    return kinds;
}
constexpr Kind kCompared(CopyKind kind) { return {kind, CompareVersions::Yes}; }

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
        EXPECT_EQ(kinds[drivers[model]], kCompared(CopyKind::File)) << "driver to be version-checked";
        EXPECT_EQ(kinds["NVBIDI.386"], kCompared(CopyKind::DeviceDriver)) << "virtual device driver for SYSTEM.INI";
        EXPECT_EQ(kinds["qsdemo.prn"], Kind{CopyKind::Skip}) << "the demonstration page has its own stage";
        EXPECT_EQ(kinds["QS8000.ICM"], Kind{CopyKind::ColourProfile});
        EXPECT_EQ(kinds["QSPHOTO.icm"], Kind{CopyKind::ColourProfile});
        int paired = 0;
        for (const char* unit : {"QSU8000.DAT", "QSU8300.DAT", "QSU8600.DAT"}) {
            if (kinds.count(unit)) {
                EXPECT_EQ(kinds[unit], Kind{CopyKind::Renamed}) << unit;
                ++paired;
            }
        }
        EXPECT_EQ(paired, 1) << "one paired line";
        EXPECT_EQ(kinds["nvins32b.exe"], Kind{CopyKind::File});
        EXPECT_EQ(kinds["QSSTAT.EXE"], Kind{CopyKind::File});
        EXPECT_EQ(kinds["lpt.bz"], Kind{CopyKind::File});
        EXPECT_EQ(kinds["QSRES.DLL"], Kind{CopyKind::File});
        EXPECT_EQ(kinds["QSRES.DLL#2"], Kind{CopyKind::Skip}) << "listed twice, copied once";
        EXPECT_EQ(state.copyListCount, 17);

        // The disks are asked for in ascending order.
        SortCopyListByDisk();
        for (int i = 1; EntryInUse(state.copyList[i]); ++i)
            EXPECT_LE(EntryDisk(state.copyList[i - 1]), EntryDisk(state.copyList[i])) << CopyListSource(i);
    }
}

TEST_F(SampleCopyList, UnattendedRunKeepsTheDeviceDriverOfTheFirstListAndTheDllsOfTheThird) {
    state.runFlags = RUN_UNATTENDED;
    prepare(0);
    auto kinds = KindsByName();
    EXPECT_EQ(kinds.count("qs8000.drv"), 0u);
    EXPECT_EQ(kinds.count("QSU8000.DAT"), 0u);
    EXPECT_EQ(kinds["NVBIDI.386"], kCompared(CopyKind::DeviceDriver));
    for (const char* dll : {"NVLMON.DLL", "NVPRNPRC.DLL", "NVINS32B.DLL", "QSUI.DLL"})
        EXPECT_EQ(kinds[dll], Kind{CopyKind::File}) << dll;
    // 1 of the first list, every file of the second and fourth, the DLLs of the third.
    EXPECT_EQ(state.copyListCount, 1 + 7 + 5 + 2);
}
