// The sample product's OEM INF, read as the installer reads it: the models of
// each of the six languages, and the chosen model's copy list and driver entry.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "printer/OemInf.h"
#include "ProgramTest.h"
#include "SampleProduct.h"

using nv::testing::ProgramTest;

class SampleOemInf : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        std::string inf = nv::testing::SampleOemInfText();
        ASSERT_FALSE(inf.empty());
        loadScript("NVQS8000.INF", inf);
    }
};

TEST_F(SampleOemInf, EveryLanguageListsItsThreeModels) {
    IniLine manufacturer = FindSection(nullptr, "Manufacturer");
    ASSERT_NE(manufacturer, nullptr);
    ASSERT_EQ(CountLines(manufacturer), 7);
    for (int skip = 0; skip <= 6; ++skip) {
        ASSERT_EQ(ListModels(nullptr, manufacturer, skip), 3) << "language line " << skip;
        EXPECT_STREQ(state.modelTable[0], "Norvalk QS-8000 series");
        EXPECT_STREQ(state.modelTable[1], "Norvalk QS-8300 series");
        EXPECT_STREQ(state.modelTable[2], "Norvalk QS-8600");
    }
}

TEST_F(SampleOemInf, EachModelGivesItsDriverEntryAndCopyList) {
    IniLine manufacturer = FindSection(nullptr, "Manufacturer");
    const char* drivers[] = {"QS8000.DRV", "QS8300.DRV", "QS8600.DRV"};
    const char* dataTypes[] = {"RAW", "RAW", ""};
    const char* processors[] = {"NVPRNPRC,NVPRNPRC.DLL", "WinPrint", "NVPRNPRC,NVPRNPRC.DLL"};
    for (int model = 0; model < 3; ++model) {
        ResetInstallState();
        std::strcpy(state.systemDir, "C:\\WINDOWS\\SYSTEM");
        std::strcpy(state.privateIniPath, "C:\\WINDOWS\\QS8000.INI");
        loadScript("NVQS8000.INF", nv::testing::SampleOemInfText());
        manufacturer = FindSection(nullptr, "Manufacturer");
        ASSERT_EQ(PrepareModel(nullptr, manufacturer, 3, model), 1) << model;
        auto* entry = static_cast<DriverEntry*>(LocalLock(state.driverEntry));
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->driverFile, drivers[model]);
        EXPECT_STREQ(entry->defaultDataType, dataTypes[model]);
        EXPECT_STREQ(entry->helpFile, "QS8000.HLP");
        EXPECT_STREQ(entry->languageMonitor, "Norvalk Language Monitor,NVLMON.DLL");
        EXPECT_STREQ(entry->printProcessor, processors[model]);
        LocalUnlock(state.driverEntry);
        LocalFree(state.driverEntry);

        // Every entry has a disk digit and a name; the paired paper table
        // keeps its destination name; the one duplicate is not copied.
        int duplicates = 0, paired = 0;
        for (int i = 0; i < state.copyListCount; ++i) {
            const char* e = state.copyList[i];
            EXPECT_TRUE(EntryDisk(e) >= '1' && EntryDisk(e) <= '3') << CopyListSource(i);
            EXPECT_EQ(e[2], ':');
            if (EntryKind(e) == CopyKind::Skip)
                ++duplicates;
            if (EntryKind(e) == CopyKind::Renamed && EntryComparesVersions(e) == CompareVersions::No) {
                ++paired;
                EXPECT_STREQ(CopyListDestination(i), "QSUNIT.DAT");
            }
        }
        EXPECT_EQ(paired, 1);
        EXPECT_GE(duplicates, 1);
        EXPECT_EQ(state.copyListCount, 17) << model;
    }
}
