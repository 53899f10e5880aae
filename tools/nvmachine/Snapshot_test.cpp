#include "tools/nvmachine/Snapshot.h"

#include <gtest/gtest.h>

using nv::tool::Snapshot;

namespace {

Snapshot parse(const std::string& text) {
    auto s = Snapshot::parse(text, "snap.txt");
    EXPECT_TRUE(s) << (s ? "" : s.error().message);
    return s ? std::move(s.value()) : Snapshot();
}

}  // namespace

TEST(Snapshot, DiffPairsChangesAndCountsRepeatedLines) {
    Snapshot before = parse(
        "nvmachine snapshot 1\n"
        "[files]\n"
        "file\tC:\\WINDOWS\\WIN.INI\t10\taaaa\n"
        "file\tC:\\OLD.TXT\t1\tbbbb\n"
        "dir\tC:\\WINDOWS\n"
        "[ini]\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=*vpicd\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=lpt.vxd\n"
        "[registry]\n"
        "value\tHKEY_LOCAL_MACHINE\\Setup\t\"ICMPath\"\t\"C:\\\\OLD\"\n");
    Snapshot after = parse(
        "nvmachine snapshot 1\n"
        "# comments and blank lines are ignored\n"
        "\n"
        "[registry]\n"
        "value\tHKEY_LOCAL_MACHINE\\Setup\t\"ICMPath\"\t\"C:\\\\NEW\"\n"
        "key\tHKEY_LOCAL_MACHINE\\Setup\n"
        "[ini]\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=*vpicd\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=lpt.vxd\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=lpt.vxd\n"
        "[files]\n"
        "dir\tC:\\WINDOWS\n"
        "file\tC:\\WINDOWS\\WIN.INI\t12\tcccc\n"
        "file\tC:\\NEW.TXT\t1\tbbbb\n"
        "[spooler]\n"
        "printer\tNorvalk QS-8000\n");
    EXPECT_EQ(nv::tool::diff(before, after),
              "[files]\n"
              "+ file\tC:\\NEW.TXT\t1\tbbbb\n"
              "- file\tC:\\OLD.TXT\t1\tbbbb\n"
              "~ file\tC:\\WINDOWS\\WIN.INI\t10\taaaa\t->\t12\tcccc\n"
              "[ini]\n"
              "+ ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=lpt.vxd\n"
              "[registry]\n"
              "+ key\tHKEY_LOCAL_MACHINE\\Setup\n"
              "~ value\tHKEY_LOCAL_MACHINE\\Setup\t\"ICMPath\"\t\"C:\\\\OLD\"\t->\t\"C:\\\\NEW\"\n"
              "[spooler]\n"
              "+ printer\tNorvalk QS-8000\n");
    EXPECT_EQ(nv::tool::diff(after, after), "");
    // The text form is stable: areas in their order, records sorted.
    EXPECT_EQ(parse(after.text()).text(), after.text());
    EXPECT_EQ(after.text().substr(0, 30), "nvmachine snapshot 1\n[files]\nd");
}

TEST(Snapshot, FieldsEscapeTabsLineBreaksAndPercent) {
    Snapshot s;
    s.add("ini", {"ini", "C:\\A.INI", "sec", "k=a\tb\r%x"});
    EXPECT_EQ(s.text(), "nvmachine snapshot 1\n[ini]\nini\tC:\\A.INI\tsec\tk=a%09b%0D%25x\n");
    EXPECT_EQ(nv::tool::unescapeField("k=a%09b%0D%25x"), "k=a\tb\r%x");
    EXPECT_EQ(nv::tool::unescapeField("100%"), "100%");
}

TEST(Snapshot, DamagedFilesNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "snap.txt:1: not a snapshot (empty)"},
        {"nvmachine snapshot 2\n", "snap.txt:1: not a snapshot"},
        {"nvmachine snapshot 1\nfile\tC:\\X\n", "snap.txt:2: record before the first [AREA] line"},
        {"nvmachine snapshot 1\n[files]\n[broken\n", "snap.txt:3: area line must be [NAME]"},
    };
    for (const auto& c : cases) {
        auto s = Snapshot::parse(c.text, "snap.txt");
        ASSERT_FALSE(s) << c.text;
        EXPECT_EQ(s.error().message.rfind(c.message, 0), 0u) << s.error().message;
    }
}
