#include "ui/FontDialogs.h"

#include <cstring>
#include <string>
#include <vector>

#include "ProgramTest.h"
#include "script/MessageText.h"
#include "ui/DialogPlumbing.h"
#include "ui/RecordingDialog_test.h"

using nv::testing::inner;
using nv::testing::ProgramTest;
using nv::testing::Recording;
using nv::testing::MessageLog;
using nv::testing::MessageSequence;
using nv::testing::recorded;
using nv::testing::sequenceIs;
using nv::testing::snapshot;
using nv::testing::text;

namespace {

// Fonts on the fonts drive 20 + 21 KB, on the Windows drive 2 + 500 KB; one
// font without a size.
const char kScript[] =
    "[TRUETYPEFONTS]\r\nFONTLIST = Norvalk_Sans,Norvalk_Serif,Big_Font,No_Key\r\n"
    "[NEEDED.SPACE]\r\nNorvalk_Sans = 20,0\r\nNorvalk_Serif = 21,2,2\r\nBig_Font = 500,1\r\n";
// 20 + 21 KB on the fonts drive, 2 KB on the Windows drive.
const char kSmallScript[] =
    "[TRUETYPEFONTS]\r\nFONTLIST = Norvalk_Sans,Norvalk_Serif\r\n"
    "[NEEDED.SPACE]\r\nNorvalk_Sans = 20,0\r\nNorvalk_Serif = 21,2,2\r\n";

// Free space in whole clusters of the test drives (16 KB on C:, 2 KB on D:).
constexpr uint64_t kMegabyte = 1048576;

// What FONT shows: drive labels, required and free figures, Continue.
std::string figures(HWND d) {
    std::string s;
    for (int id : {IDC_FONT_DRIVE, IDC_FONT_NEED, IDC_FONT_FREE, IDC_FONT_DRIVE_WINDOWS, IDC_FONT_NEED_WINDOWS,
                   IDC_FONT_K_NEED_WINDOWS, IDC_FONT_FREE_WINDOWS, IDC_FONT_K_FREE_WINDOWS})
        s += text(d, id) + "|";
    return s + (IsWindowEnabled(GetDlgItem(d, IDOK)) ? "on" : "off");
}

// Expected sequences of FONT: each entry with the figures shown then
// (drive, required, free | Windows drive, required, K, free, K | Continue).
const MessageSequence kTwoDrives{"two drives, each with its own figures",
                                 {"dlg:WM_INITDIALOG D:|41|2097|C:[Windows]|502|K|1048|K|on",
                                  "dlg:WM_COMMAND(110:1) D:|21|2097|C:[Windows]|502|K|1048|K|on",
                                  "dlg:WM_COMMAND(1) D:|21|2097|C:[Windows]|502|K|1048|K|on"}};
const MessageSequence kNothingSelected{
    "Continue disabled once nothing needs space; Enter then does nothing",
    {"dlg:WM_COMMAND(110:1) C:|523|1048||||||on", "dlg:WM_COMMAND(110:1) C:|500|1048||||||on",
     "dlg:WM_COMMAND(110:1) C:|0|1048||||||off", "dlg:WM_COMMAND(110:1) C:|0|1048||||||off",
     "dlg:WM_COMMAND(110:1) C:|0|1048||||||off", "dlg:WM_COMMAND(118) C:|0|1048||||||off"}};
const MessageSequence kChangeOfFonts{"short space, Change Fonts, a font left out, then it fits",
                                     {"dlg:WM_COMMAND(1) D:|41|2097|C:[Windows]|502|K|491|K|on",
                                      "dlg:WM_COMMAND(110:1) D:|41|2097|C:[Windows]|2|K|491|K|on",
                                      "dlg:WM_COMMAND(1) D:|41|2097|C:[Windows]|2|K|491|K|on"}};

std::string rows(HWND d) {
    std::string s;
    LRESULT n = SendDlgItemMessageA(d, IDC_FONT_LIST, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        char t[256];
        SendDlgItemMessageA(d, IDC_FONT_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(t));
        s += std::string(i ? "," : "") + t + (SendDlgItemMessageA(d, IDC_FONT_LIST, LB_GETSEL, i, 0) > 0 ? "*" : "");
    }
    return s;
}

}  // namespace

class FontDialogs : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        MessageLog::current().clear();
        snapshot = figures;
        nv::machine::Drive d;
        d.letter = 'D';
        d.folder = "drives/D";
        d.capacity = 100 * kMegabyte;
        std::filesystem::create_directories(tm().machine().dir() / d.folder);
        tm().machine().settings().drives['D'] = d;
        drive('C').freeBytes = kMegabyte;
        drive('D').freeBytes = 2 * kMegabyte;
        std::strcpy(state.fontDir, "C:\\WINDOWS\\FONTS");
        loadScript("INSTALL.TXT", kScript);
    }
    void TearDown() override {
        snapshot = nullptr;
        ProgramTest::TearDown();
    }
    nv::machine::Drive& drive(char letter) { return *tm().machine().drive(letter); }

    INT_PTR run(const std::string& answerText) {
        answers(answerText);
        inner = FONT_Set;
        INT_PTR r = RunDialog(nullptr, Recording, "FONT");
        expectAnswersUsed();
        return r;
    }
};

TEST_F(FontDialogs, OneDriveShowsOneColumnWithBothTotals) {
    std::string listed;
    snapshot = [&](HWND d) {
        if (listed.empty())
            listed = rows(d);
        return figures(d);
    };
    EXPECT_EQ(run("dialog FONT\n  click \"&Continue\"\n"), 1);
    // 1048576 free bytes show as 1048 K; a font without a size counts 0.
    EXPECT_EQ(recorded().front(), "dlg:WM_INITDIALOG C:|543|1048||||||on");
    EXPECT_EQ(listed, "Norvalk Sans*,Norvalk Serif*,Big Font*,No Key*");
    EXPECT_STREQ(state.scratchText, "Norvalk_Sans,Norvalk_Serif,Big_Font,No_Key");
}

TEST_F(FontDialogs, TwoDrivesEachWithItsOwnFigures) {
    std::strcpy(state.fontDir, "D:\\FONTS");
    EXPECT_EQ(run("dialog FONT\n  deselect 110 \"Norvalk Sans\"\n  click 1\n"), 1);
    EXPECT_TRUE(sequenceIs(MessageLog::current().with({"INIT", ":1)", "(1)"}), kTwoDrives));
    EXPECT_STREQ(state.scratchText, "Norvalk_Serif,Big_Font,No_Key");
}

TEST_F(FontDialogs, NothingSelectedNeedsNothingAndCannotContinue) {
    EXPECT_EQ(run("dialog FONT\n  deselect 110 0\n  deselect 110 1\n  deselect 110 2\n  deselect 110 3\n"
                  "  press Enter\n  select 110 3\n  press F3\n"
                  "message \"Do you really want to cancel the installation?\"\n  click \"&Yes\"\n"),
              0);
    // The font without a size is selected alone: still nothing needed.
    EXPECT_TRUE(sequenceIs(MessageLog::current().with({"110:1", "(1)", "(118)"}), kNothingSelected));
}

TEST_F(FontDialogs, OnOneDriveOnlyTheFontsTotalIsTested) {
    // 48 KB free: the 41 KB of the fonts drive fit; the 502 KB counted for
    // the Windows drive are shown but not tested when it is the same drive.
    drive('C').freeBytes = 3 * 16384;
    EXPECT_EQ(run("dialog FONT\n  click 1\n"), 1);
}

TEST_F(FontDialogs, ShortSpaceOffersChangeOfFontsThenFits) {
    std::strcpy(state.fontDir, "D:\\FONTS");
    drive('C').freeBytes = 30 * 16384;  // 491520 bytes: 502 KB do not fit
    EXPECT_EQ(run("dialog FONT\n  click 1\n"
                  "dialog KEIKOKU\n  press F3\n  press Escape\n"
                  "dialog FONT\n  deselect 110 \"Big Font\"\n  click 1\n"),
              1);
    EXPECT_TRUE(sequenceIs(MessageLog::current().with({"(1)", "110:1"}), kChangeOfFonts));
    EXPECT_STREQ(state.scratchText, "Norvalk_Sans,Norvalk_Serif,No_Key");
}

TEST_F(FontDialogs, ExitFromTheWarningAsksAndEndsTheFontStep) {
    drive('C').freeBytes = 16384;
    state.runResult = RESULT_INSTALLED;  // after the driver: the finish question
    EXPECT_EQ(run("dialog FONT\n  click 1\n"
                  "dialog KEIKOKU\n  click \"&Exit\"\n"
                  "message \"Do you want to finish the installation?\"\n  press Enter\n"
                  "dialog KEIKOKU\n  click 118\n"
                  "message \"Do you want to finish the installation?\"\n  click \"&Yes\"\n"),
              0);
}

TEST_F(FontDialogs, ChangeOfDriveWritesFontPathAndTestsAgain) {
    loadScript("SMALL.TXT", kSmallScript);
    // 41 KB do not fit on C:; once FontPath is written there, one 16 KB
    // cluster is left for the 2 KB the Windows drive needs.
    drive('C').freeBytes = 2 * 16384;
    // As DIRECTORY leaves them when its proposal was kept.
    std::strcpy(state.fontDirTyped, "C:\\WINDOWS\\FONTS");
    state.fontDirIsDefault = 1;
    EXPECT_EQ(run("dialog FONT\n  click 1\n"
                  "dialog KEIKOKU\n  click \"Change &Drive\"\n"
                  "dialog CHANGE\n  click \"&Cancel\"\n"
                  "dialog KEIKOKU\n  click 1\n"
                  "dialog CHANGE\n  type 117 \"D:\\FONTS\"\n  click 1\n"),
              1);
    EXPECT_STREQ(state.fontDir, "D:\\FONTS");
    char fontPath[256];
    GetPrivateProfileStringA("Install", "FontPath", "", fontPath, sizeof fontPath, state.privateIniPath);
    EXPECT_STREQ(fontPath, "D:\\FONTS");
    // The fonts are registered where they go, not under DIRECTORY's text.
    EXPECT_STREQ(state.fontDirTyped, "D:\\FONTS");
    EXPECT_EQ(state.fontDirIsDefault, 0);
    // After the change only the free figures are new: D:'s in the first
    // column, C:'s in the second; the labels stay as they were.
    EXPECT_EQ(recorded().back(), "dlg:WM_COMMAND(1) C:|43|2097||||16||on");
}

TEST_F(FontDialogs, HelpAndF3) {
    EXPECT_EQ(run("dialog FONT\n  click \"&Help\"\n"
                  "message \"Font names that are selected for installation are highlighted.\"\n  press Enter\n"
                  "dialog FONT\n  press F3\n"
                  "message \"Do you really want to cancel\"\n  press Enter\n"
                  "dialog FONT\n  click 1\n"),
              1);
    // The other languages fill the two texts that English leaves empty
    // (French 121: "... Les polices sont copiees dans ...").
    state.languageIndex = 1;
    char fr121[256];
    ASSERT_NE(std::strstr(GetMessageText(121, fr121), "Les polices sont copi"), nullptr);
    EXPECT_EQ(run("dialog FONT\n  click 111\n"
                  "message \"Les polices sont copi\"\n  press Enter\n"
                  "dialog FONT\n  click 1\n"),
              1);
}

TEST_F(FontDialogs, AnUnreadableFontsDriveEndsTheStep) {
    std::strcpy(state.fontDir, "Q:\\FONTS");
    std::string listed = "?";
    snapshot = [&](HWND d) {
        listed = rows(d);
        return std::string();
    };
    EXPECT_EQ(run("dialog FONT\n  click 1\n"), 0);
    EXPECT_EQ(listed, "");
}

TEST_F(FontDialogs, DrivesOver2GBShowTheLargestFigure) {
    drive('C').capacity = 8ull << 30;
    drive('C').freeBytes = 6ull << 30;
    EXPECT_EQ(run("dialog FONT\n  click 1\n"), 1);
    EXPECT_EQ(recorded().front(), "dlg:WM_INITDIALOG C:|543|2147123||||||on");  // 65525 clusters of 32 KB
}

TEST_F(FontDialogs, LongListsAreListedWholeAndTooManyNamesAreRefused) {
    // 30 names of 15 characters: 479 characters, more than the 340 first
    // read and the 255 scratchText holds.
    std::string list;
    for (int i = 0; i < 30; ++i)
        list += (i ? "," : "") + std::string("Font_Number_") + (i < 10 ? "00" : "0") + std::to_string(i);
    loadScript("LONG.TXT", "[TRUETYPEFONTS]\r\nFONTLIST = " + list + "\r\n[NEEDED.SPACE]\r\nFont_Number_000 = 1,0\r\n");
    std::string listed;
    snapshot = [&](HWND d) {
        if (listed.empty())
            listed = rows(d);
        return std::string();
    };
    // 16 names of 15 characters and 15 commas make 255: they fit.
    std::string answer = "dialog FONT\n  click 1\nmessage \"too long for one installation\"\n  press Enter\ndialog FONT\n";
    for (int i = 16; i < 30; ++i)
        answer += "  deselect 110 " + std::to_string(i) + "\n";
    answer += "  click 1\n";
    EXPECT_EQ(run(answer), 1);
    std::string expectedRows = list;
    for (char& c : expectedRows)
        if (c == '_')
            c = ' ';
    std::string withStars;
    for (size_t i = 0, start = 0; i <= expectedRows.size(); ++i)
        if (i == expectedRows.size() || expectedRows[i] == ',') {
            withStars += (start ? "," : "") + expectedRows.substr(start, i - start) + "*";
            start = i + 1;
        }
    EXPECT_EQ(listed, withStars);
    EXPECT_EQ(std::strlen(state.scratchText), 255u);
    EXPECT_EQ(std::string(state.scratchText), list.substr(0, 255));
}

TEST_F(FontDialogs, CollectFontsAtTheLimitAndOnePast) {
    // Names of 127 characters: two and a comma fill 255, three do not fit.
    std::string name(127, 'N');
    loadScript("LIMIT.TXT", "[TRUETYPEFONTS]\r\nFONTLIST = " + name + "," + name + "," + name + "\r\n");
    HWND dialog = CreateDialogParamA(state.instance, "FONT", nullptr, FONT_Set, 0);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_FONT_LIST);
    EXPECT_EQ(CollectFonts(dialog, list), 0);
    EXPECT_STREQ(state.scratchText, "");  // nothing half
    SendMessageA(list, LB_SETSEL, FALSE, 2);
    EXPECT_EQ(CollectFonts(dialog, list), 1);
    EXPECT_EQ(std::string(state.scratchText), name + "," + name);
    RemoveKeyHook();
    DestroyWindow(dialog);
}

// A name the list cannot take (no memory for its row) is not silently left
// out of the choice: the fill says so and fails, and FONT ends as cancelled.
TEST_F(FontDialogs, ARowThatCannotBeAddedFailsTheFill) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, state.instance, nullptr);
    auto makeList = [&] {
        return CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_MULTIPLESEL, 0, 0, 100, 50, parent, nullptr,
                               state.instance, nullptr);
    };
    HWND whole = makeList();
    HWND cut = makeList();
    int before = tm().machine().allocationsMade();
    ASSERT_EQ(FillFontList(parent, whole), 1);
    int fill = tm().machine().allocationsMade() - before;
    ASSERT_GE(fill, 4);  // a row each at least
    // The fill's last allocation fails.
    ASSERT_EQ(tm().setting("failAllocation", std::to_string(tm().machine().allocationsMade() + fill)), "");
    answers("message \"Not enough memory\"\n  press Enter\n");
    EXPECT_EQ(FillFontList(parent, cut), 0);
    expectAnswersUsed();
    DestroyWindow(parent);
}
