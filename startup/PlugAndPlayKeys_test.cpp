// The plug-and-play keys of removed models: the key by model name (case
// ignored, one key for every model of neither series), only selected models,
// a missing key passed over.
#include <gtest/gtest.h>

#include <cstring>

#include "TempMachine.h"
#include "shared/InstallState.h"
#include "startup/StageSteps.h"

namespace {

const char* const kKey8000 = "Enum\\LPTENUM\\NORVALKQS-8000_SERIEC9E2";
const char* const kKey8300 = "Enum\\LPTENUM\\NORVALKQS-8300_SERIED1A8";
const char* const kKeyOther = "Enum\\LPTENUM\\NorvalkQX-7700C7F05";

bool KeyExists(const char* path) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

TEST(PlugAndPlayKeys, KeyByModelName) {
    EXPECT_STREQ(PlugAndPlayKeyOf("Norvalk QS-8000 series"), kKey8000);
    EXPECT_STREQ(PlugAndPlayKeyOf("NORVALK QS-8300 SERIES"), kKey8300);
    EXPECT_STREQ(PlugAndPlayKeyOf("Norvalk QS-8600"), kKeyOther);
    EXPECT_STREQ(PlugAndPlayKeyOf("Norvalk QS-8000"), kKeyOther);
}

TEST(PlugAndPlayKeys, SelectedModelsLoseTheirKeys) {
    nv::testing::TempMachine machine;
    for (const char* key : {kKey8000, kKey8300}) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyExA(k, "0000", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
        RegCloseKey(sub);
        RegCloseKey(k);
    }
    ResetInstallState();
    std::strcpy(state.modelTable[0], "norvalk qs-8000 SERIES");
    std::strcpy(state.modelTable[1], "Norvalk QS-8300 series");
    std::strcpy(state.modelTable[2], "Norvalk QS-8600");  // its key is missing: passed over
    state.modelTable[0][MODEL_SELECTED_BYTE] = '1';
    state.modelTable[1][MODEL_SELECTED_BYTE] = '0';
    state.modelTable[2][MODEL_SELECTED_BYTE] = '1';
    DeletePlugAndPlayKeys();
    EXPECT_FALSE(KeyExists(kKey8000));
    EXPECT_TRUE(KeyExists(kKey8300));
    EXPECT_FALSE(KeyExists(kKeyOther));
    EXPECT_TRUE(KeyExists("Enum\\LPTENUM"));
}

}  // namespace
