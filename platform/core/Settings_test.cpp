// machine.ini: the table of keys, the checks made when a machine opens, and a
// save that keeps what the user wrote.
#include "platform/core/Settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <winerror.h>

#include "platform/core/Machine.h"
#include "platform/core/SettingsFile.h"
#include "TempMachine.h"

using nv::machine::Machine;
using nv::machine::parseSettings;
using nv::machine::Settings;
using nv::testing::TempDir;

namespace {

const char* kUserFile =
    "; my test box -- keep this comment\n"
    "[machine]\n"
    "Windows = C:\\WIN95   ; odd spacing kept\n"
    "# a hash comment\n"
    "screen=640x480\n"
    "\n"
    "[drive C]\n"
    "folder=drives/C\n"
    "\n"
    "[drive A]\n"
    "folder=drives/A\n"
    "kind=removable\n"
    "\n"
    "[open files]\n"
    "; none yet\n";

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write(const std::filesystem::path& p, std::string_view text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

}  // namespace

TEST(SettingsTable, EveryRowWritesWhatItParses) {
    Settings s;
    s.drives['C'].letter = 'C';
    s.drives['C'].folder = "drives/C";
    s.drives['C'].fullAfter = 77;
    s.drives['C'].label = "SYSTEM";
    s.shutdownRequest = "reboot";
    s.timeZoneMinutes = -300;
    s.progmanFault = nv::machine::ProgmanFault::Delay;
    s.progmanFaultValue = 2500;
    s.spoolerRunning = false;
    s.spoolerFailCall = 3;
    s.spoolerFailError = 1802;
    s.spoolerPreloads = {{"Acme Writer", "Acme Writer 2", "ACME.DRV", "LPT2:", true}, {"", "Norvalk QS-7000", "", "LPT1:", false}};
    for (const auto& row : nv::machine::settingRows()) {
        Settings copy = s;
        auto* d = row.section == nv::machine::SettingSection::Drive ? &copy.drives['C'] : nullptr;
        auto text = row.write(s, d ? &s.drives['C'] : nullptr);
        if (!text)
            continue;
        EXPECT_EQ(row.parse(copy, d, *text), "") << row.key << "=" << *text;
        EXPECT_EQ(row.write(copy, d), text) << row.key;
    }
    EXPECT_NE(nv::machine::findSettingRow(nv::machine::SettingSection::Drive, "FULLAFTER"), nullptr);
    EXPECT_EQ(nv::machine::findSettingRow(nv::machine::SettingSection::Machine, "folder"), nullptr);
}

TEST(SettingsTable, SpoolerAndProgramManagerFaultsAndPreloads) {
    const std::string head = "[drive C]\nfolder=drives/C\n[machine]\n";
    auto s = parseSettings(head +
                               "spooler=0\nspoolerFail=4, 0x6BA\nprogmanFault=CLOSE,2\n"
                               "spoolerPreload=Acme Writer, Acme Writer 2 ,ACME.DRV,LPT2:,default;;,Norvalk QS-7000\n",
                           "m.ini");
    ASSERT_TRUE(s.ok()) << s.error().message;
    EXPECT_FALSE(s->spoolerRunning);
    EXPECT_EQ(s->spoolerFailCall, 4);
    EXPECT_EQ(s->spoolerFailError, 0x6BAu);
    EXPECT_EQ(s->progmanFault, nv::machine::ProgmanFault::Close);
    EXPECT_EQ(s->progmanFaultValue, 2);
    ASSERT_EQ(s->spoolerPreloads.size(), 2u);
    EXPECT_EQ(s->spoolerPreloads[0].driver, "Acme Writer 2");
    EXPECT_EQ(s->spoolerPreloads[0].port, "LPT2:");
    EXPECT_TRUE(s->spoolerPreloads[0].isDefault);
    EXPECT_EQ(s->spoolerPreloads[1].printer, "");
    EXPECT_EQ(s->spoolerPreloads[1].port, "LPT1:");
    // A fresh file lists none of them: they are faults and extras, off by default.
    std::string fresh = nv::machine::formatSettings(Settings{});
    for (const char* key : {"spooler=", "spoolerFail=", "progmanFault=", "spoolerPreload="})
        EXPECT_EQ(fresh.find(key), std::string::npos) << key;
    for (const char* bad : {"spooler=maybe", "spoolerFail=3", "spoolerFail=0,5", "spoolerFail=2,0", "spoolerFail=2,x1",
                            "spoolerFail=2,0x123456789", "spoolerFail=2,4294967296", "progmanFault=delay",
                            "progmanFault=close,0", "progmanFault=delay,-1", "progmanFault=sulk",
                            "spoolerPreload=Only a printer", "spoolerPreload=P,D,F,LPT1:,maybe",
                            "spoolerPreload=P,,F"}) {
        auto r = parseSettings(head + bad + "\n", "m.ini");
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_NE(r.error().message.find("m.ini:4"), std::string::npos) << r.error().message;
    }
    EXPECT_TRUE(parseSettings(head + "spoolerFail=2,4294967295\nprogmanFault=delay,0\nprogmanFault=none\n", "m.ini").ok());
}

TEST(SettingsTable, ImpossibleDirectoriesAreRefusedNamingTheLine) {
    const std::string drives = "[drive C]\nfolder=drives/C\n";
    struct Case {
        std::string line;
        const char* why;
    } cases[] = {
        {"windows=", "full Windows directory"},
        {"windows=WINDOWS", "full Windows directory"},
        {"windows=C:\\" + std::string(300, 'W'), "longer than 246"},
        {"system=C:\\WIN|DOWS", "refuses"},
        {"windows=D:\\WINDOWS", "no drive D:"},
    };
    for (const auto& c : cases) {
        auto r = parseSettings(drives + "[machine]\n" + c.line + "\n", "m.ini");
        ASSERT_FALSE(r.ok()) << c.line;
        EXPECT_NE(r.error().message.find("m.ini:4"), std::string::npos) << r.error().message;
        EXPECT_NE(r.error().message.find(c.why), std::string::npos) << r.error().message;
    }
    // At the limit: "\" and an 8.3 name still fit in 259 characters.
    std::string longest = "C:\\" + std::string(243, 'W');
    ASSERT_EQ(longest.size(), 246u);
    EXPECT_TRUE(parseSettings(drives + "[machine]\nwindows=" + longest + "\n", "m.ini").ok());
    EXPECT_FALSE(parseSettings(drives + "[machine]\nwindows=" + longest + "W\n", "m.ini").ok());
}

TEST(SettingsFile, SaveKeepsCommentsLayoutAndUnchangedLines) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "drives/C");
    std::filesystem::create_directories(dir.path() / "drives/A");
    write(dir.path() / "machine.ini", kUserFile);
    auto m = Machine::open(dir.path());
    ASSERT_TRUE(m.ok()) << m.error().message;
    EXPECT_EQ((*m)->settings().windowsDir, "C:\\WIN95   ; odd spacing kept");

    // Nothing changed: the file is not rewritten at all.
    ASSERT_TRUE((*m)->save().ok());
    EXPECT_EQ(slurp(dir.path() / "machine.ini"), kUserFile);

    (*m)->settings().screenWidth = 800;
    (*m)->settings().screenHeight = 600;
    (*m)->drive('A')->hasDisk = false;
    (*m)->settings().openFiles = {"C:\\BUSY.DRV"};
    (*m)->settings().shutdownRequest = "reboot";
    ASSERT_TRUE((*m)->save().ok());
    // Only the changed lines differ; the new keys join their sections.
    std::string expected = kUserFile;
    expected.replace(expected.find("screen=640x480\n"), 15, "screen=800x600\nshutdown=reboot\n");
    expected.replace(expected.find("kind=removable\n"), 15, "kind=removable\ndisk=0\n");
    expected += "C:\\BUSY.DRV\n";
    EXPECT_EQ(slurp(dir.path() / "machine.ini"), expected);
    auto again = Machine::open(dir.path());
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_FALSE((*again)->drive('A')->hasDisk);
    EXPECT_EQ((*again)->settings().openFiles.size(), 1u);
}

TEST(SettingsFile, DrivesAddedAndRemovedAndCrLfKept) {
    std::string original = "[machine]\r\nversion=4.0\r\n\r\n[drive C:]\r\nfolder=drives/C\r\n\r\n[drive D]\r\nfolder=d\r\n";
    auto before = parseSettings(original, "m.ini");
    ASSERT_TRUE(before.ok()) << before.error().message;
    Settings now = *before;
    now.drives.erase('D');
    now.drives['C'].readOnly = true;
    now.drives['E'] = now.drives['C'];
    now.drives['E'].letter = 'E';
    now.drives['E'].folder = "e";
    std::string text = nv::machine::updateSettingsText(original, *before, now);
    EXPECT_EQ(text.find("[drive D]"), std::string::npos) << text;
    EXPECT_NE(text.find("[drive C:]\r\nfolder=drives/C\r\nreadonly=1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[drive E]\r\nfolder=e\r\n"), std::string::npos) << text;
    auto back = parseSettings(text, "m.ini");
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_TRUE(back->drives.at('C').readOnly);
    EXPECT_EQ(back->drives.count('D'), 0u);
    EXPECT_EQ(back->drives.at('E').folder, "e");
}

TEST(SettingsFile, AFolderInPlaceOfTheSettingsIsNamed) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "machine.ini");
    auto m = Machine::open(dir.path());
    ASSERT_FALSE(m.ok());
    EXPECT_NE(m.error().message.find("machine.ini: is a folder"), std::string::npos) << m.error().message;
    auto none = Machine::open(dir.path() / "nowhere");
    ASSERT_FALSE(none.ok());
    EXPECT_NE(none.error().message.find("no such machine directory"), std::string::npos) << none.error().message;
}
