// The registry file as the user keeps it: comments survive saves, and a save
// that changes nothing does not touch the file.
#include "platform/registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <windows.h>

#include "CommandRun.h"
#include "TempMachine.h"

namespace {

const char kCommented[] =
    "REGEDIT4\r\n"
    "; my lab machine: keep these notes\r\n"
    "\r\n"
    "; the printer port, set by hand\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\r\n"
    "\"PortName\"=\"LPT1\"\r\n"
    "; inside the block\r\n"
    "\r\n"
    "; a key that goes away\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
    "\"x\"=\"1\"\r\n"
    "\r\n"
    "; the very end\r\n";

}  // namespace

TEST(RegistryStoreFile, CommentsSurviveAChangeAndNoChangeWritesNothing) {
    nv::testing::TempMachine tm;
    const auto file = tm.dir() / "registry.reg";
    nv::testing::writeWholeFile(file, kCommented);
    auto& store = tm.machine().familyState<nv::registry::RegistryStore>();
    ASSERT_FALSE(store.loadError().has_value());

    // Reading and a save without a change leave the file byte for byte.
    const auto stamp = std::filesystem::last_write_time(file);
    ASSERT_TRUE(store.save().ok());
    EXPECT_EQ(nv::testing::readWholeFile(file), kCommented);
    EXPECT_EQ(std::filesystem::last_write_time(file), stamp);

    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Old"), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Norvalk", &key), ERROR_SUCCESS);
    RegCloseKey(key);
    std::string text = nv::testing::readWholeFile(file);
    for (const char* comment : {"; my lab machine: keep these notes\r\n", "; the printer port, set by hand\r\n",
                                "; inside the block\r\n", "; a key that goes away\r\n", "; the very end\r\n"})
        EXPECT_NE(text.find(comment), std::string::npos) << comment << " lost from\n" << text;
    EXPECT_LT(text.find("; the printer port"), text.find("[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]"));
    EXPECT_EQ(text.rfind("REGEDIT4\r\n; my lab machine", 0), 0u) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Norvalk]"), std::string::npos);
    EXPECT_EQ(text.find("Software\\Old"), std::string::npos);

    // And the file with its comments still reads as the same registry.
    nv::registry::RegistryStore again(tm.machine());
    ASSERT_FALSE(again.loadError().has_value());
    EXPECT_EQ((*again.registry())->exportText(), (*store.registry())->exportText());
}
