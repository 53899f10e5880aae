#include "tools/nvmachine/Snapshot.h"

#include <gtest/gtest.h>

using nv::tool::Snapshot;

namespace {

// Snapshot text; hand-written text gets its end line here.
Snapshot parse(const std::string& text) {
    bool sealed = text.find("\nend\t") != std::string::npos;
    auto s = Snapshot::parse(sealed ? text : nv::tool::sealSnapshot(text), "snap.txt");
    EXPECT_TRUE(s) << (s ? "" : s.error().message);
    return s ? std::move(s.value()) : Snapshot();
}

}  // namespace

TEST(Snapshot, DiffPairsChangesAndCountsRepeatedLines) {
    Snapshot before = parse(
        "nvmachine snapshot 2\n"
        "[files]\n"
        "file\tC:\\WINDOWS\\WIN.INI\t10\taaaaaaaaaaaaaaaa\n"
        "file\tC:\\OLD.TXT\t1\tbbbbbbbbbbbbbbbb\n"
        "dir\tC:\\WINDOWS\n"
        "[ini]\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=*vpicd\n"
        "ini\tC:\\WINDOWS\\SYSTEM.INI\t386Enh\tdevice=lpt.vxd\n"
        "[registry]\n"
        "value\tHKEY_LOCAL_MACHINE\\Setup\t\"ICMPath\"\t\"C:\\\\OLD\"\n");
    Snapshot after = parse(
        "nvmachine snapshot 2\n"
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
        "file\tC:\\WINDOWS\\WIN.INI\t12\tcccccccccccccccc\n"
        "file\tC:\\NEW.TXT\t1\tbbbbbbbbbbbbbbbb\n"
        "[spooler]\n"
        "printer\tNorvalk QS-8000\n");
    EXPECT_EQ(nv::tool::diff(before, after),
              "[files]\n"
              "+ file\tC:\\NEW.TXT\t1\tbbbbbbbbbbbbbbbb\n"
              "- file\tC:\\OLD.TXT\t1\tbbbbbbbbbbbbbbbb\n"
              "~ file\tC:\\WINDOWS\\WIN.INI\t10\taaaaaaaaaaaaaaaa\t->\t12\tcccccccccccccccc\n"
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
    EXPECT_EQ(after.text().substr(0, 30), "nvmachine snapshot 2\n[files]\nd");
}

TEST(Snapshot, FieldsEscapeTabsLineBreaksAndPercent) {
    Snapshot s;
    s.add("ini", {"ini", "C:\\A.INI", "sec", "k=a\tb\r%x"});
    EXPECT_EQ(s.text(), nv::tool::sealSnapshot("nvmachine snapshot 2\n[ini]\nini\tC:\\A.INI\tsec\tk=a%09b%0D%25x\n"));
    EXPECT_EQ(s.text().substr(s.text().rfind("end\t")), "end\t1\t" + s.text().substr(s.text().size() - 17));
    EXPECT_EQ(nv::tool::unescapeField("k=a%09b%0D%25x"), "k=a\tb\r%x");
    EXPECT_EQ(nv::tool::unescapeField("100%"), "100%");
}

TEST(Snapshot, DamagedFilesNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "snap.txt:1: not a snapshot (empty)"},
        {"nvmachine snapshot 3\n", "snap.txt:1: not a snapshot"},
        {"nvmachine snapshot 1\n[files]\n", "snap.txt:1: a snapshot of an older nvmachine"},
        {"nvmachine snapshot 2\nfile\tC:\\X\n", "snap.txt:2: record before the first [AREA] line"},
        {"nvmachine snapshot 2\n[files]\n[broken\n", "snap.txt:3: area line must be [NAME]"},
        {"nvmachine snapshot 2\n[files]\nfile\tC:\\X\t12\n", "snap.txt:3: a file record ends with"},
        {"nvmachine snapshot 2\n[files]\nfile\tC:\\X\tbig\t0123456789abcdef\n", "snap.txt:3: a file record"},
        {"nvmachine snapshot 2\n[registry]\nvalue\tHKEY_LOCAL_MACHINE\n", "snap.txt:3: a registry record"},
        {"nvmachine snapshot 2\n[ini]\nini\tC:\\A.INI\tsec\tk=a\x01b\n", "snap.txt:3: a raw control byte"},
        {"nvmachine snapshot 2\n[files]\ndir\tC:\\X\nend\t2\t0000000000000000\n", "snap.txt:4: the snapshot holds 1 records"},
        {"nvmachine snapshot 2\n[files]\ndir\tC:\\X\nend\t1\t0000000000000000\n", "snap.txt:4: the checksum"},
        {"nvmachine snapshot 2\n[files]\ndir\tC:\\X\n", "snap.txt:3: the snapshot ends without its end line"},
    };
    for (const auto& c : cases) {
        auto s = Snapshot::parse(c.text, "snap.txt");
        ASSERT_FALSE(s) << c.text;
        EXPECT_EQ(s.error().message.rfind(c.message, 0), 0u) << s.error().message;
    }
}

TEST(Snapshot, ACutOrEditedSnapshotIsRefused) {
    Snapshot s;
    for (int i = 0; i < 200; ++i)
        s.add("files", {"file", "C:\\F" + std::to_string(i) + ".TXT", std::to_string(i), "0123456789abcdef"});
    std::string text = s.text();
    ASSERT_TRUE(Snapshot::parse(text, "snap.txt").ok());
    // Cut anywhere, even at a line end, the rest no longer adds up.
    for (size_t cut : {size_t(30), size_t(2000), text.rfind('\n', text.size() - 2) + 1, text.size() - 2}) {
        auto r = Snapshot::parse(text.substr(0, cut), "snap.txt");
        EXPECT_FALSE(r.ok()) << "cut at " << cut;
    }
    std::string edited = text;
    edited[edited.find("F7.TXT")] = 'G';
    auto r = Snapshot::parse(edited, "snap.txt");
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().message.find("checksum"), std::string::npos) << r.error().message;
}
