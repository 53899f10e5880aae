#include "ui/RuntimeTemplates.h"

#include <cstring>
#include <string>
#include <vector>

#include "ProgramTest.h"
#include "platform/user/TemplateBuilder_test.h"
#include "script/MessageText.h"

using nv::testing::ProgramTest;
using nv::testing::TemplateBuilder;

namespace {

constexpr DWORD kStyle = WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;  // DS_SETFONT added by the builder
constexpr WORD kButton = 0x80, kStatic = 0x82;

// The layout written out independently, item by item.
std::vector<BYTE> expectedLanguage(int n) {
    int s = n > 4 ? 10 : 20 - 2 * n;
    int rows = n * (s + 10);
    TemplateBuilder t(kStyle, 174, static_cast<short>(rows + 45), u"", 8, u"system");
    t.item(kButton, WS_TABSTOP | BS_DEFPUSHBUTTON, 30, static_cast<short>(rows + 25), 50, 14, 1);
    t.item(kButton, WS_TABSTOP | BS_PUSHBUTTON, 90, static_cast<short>(rows + 25), 50, 14, 2);
    for (int k = 0; k < n; ++k)
        t.item(kStatic, SS_LEFT, 17, static_cast<short>(7 + 10 * k), 144, 8, static_cast<WORD>(3 + k));
    for (int k = 0; k < n; ++k)
        t.item(kButton, WS_TABSTOP | BS_AUTORADIOBUTTON, 50, static_cast<short>(7 + 10 * (n - 1) + 15 + k * s), 50, 10,
               static_cast<WORD>(20 + k));
    return t.bytes();
}

std::vector<BYTE> expectedRestart(short w) {
    bool side = w == 230;
    short bw = static_cast<short>(side ? 100 : w - 20);
    TemplateBuilder t(kStyle | WS_SYSMENU, w, 100, u"", 8, u"system");
    t.item(kButton, WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 60, bw, 14, 1020);
    t.item(kButton, WS_TABSTOP | BS_PUSHBUTTON, side ? 120 : 10, side ? 60 : 80, bw, 14, 1021);
    t.item(kStatic, SS_LEFT, 25, 20, static_cast<short>(w - 40), 26, 145);
    return t.bytes();
}

WORD wordAt(const std::vector<BYTE>& b, size_t at) { return static_cast<WORD>(b[at] | (b[at + 1] << 8)); }

}  // namespace

class RuntimeTemplates : public ProgramTest {};

TEST_F(RuntimeTemplates, LanguageTemplateIsLaidOutByteForByte) {
    for (int n : {1, 2, 4, 5, 6, 8}) {
        std::vector<BYTE> block(LANGUAGE_TEMPLATE_BYTES, 0);
        int used = WriteLanguageTemplate(block.data(), LANGUAGE_TEMPLATE_BYTES, n, BS_AUTORADIOBUTTON);
        std::vector<BYTE> expected = expectedLanguage(n);
        ASSERT_EQ(used, static_cast<int>(expected.size())) << n << " languages";
        EXPECT_EQ(std::vector<BYTE>(block.begin(), block.begin() + used), expected) << n << " languages";
        // Header 40 bytes with the face "system", then 28 bytes an item with
        // its filler word; the last item needs no filler.
        EXPECT_EQ(used, 40 + 28 * (2 * n + 2) - 2);
    }
    // The worked figures: 2 languages are 97 high with OK at 77; 4 are 133,
    // 5 are 145 and 6 are 165 high.
    std::vector<BYTE> block(LANGUAGE_TEMPLATE_BYTES, 0);
    for (auto [n, height, okY] : {std::tuple{2, 97, 77}, {4, 133, 113}, {5, 145, 125}, {6, 165, 145}}) {
        std::fill(block.begin(), block.end(), 0);
        WriteLanguageTemplate(block.data(), LANGUAGE_TEMPLATE_BYTES, n, BS_AUTORADIOBUTTON);
        std::vector<BYTE> b(block.begin(), block.end());
        EXPECT_EQ(wordAt(b, 8), 2 * n + 2);
        EXPECT_EQ(wordAt(b, 14), 174);
        EXPECT_EQ(wordAt(b, 16), height) << n;
        EXPECT_EQ(wordAt(b, 40 + 10), okY) << n;  // y of the first item, OK
    }
}

TEST_F(RuntimeTemplates, RestartTemplateSideBySideOrStacked) {
    EXPECT_EQ(RestartDialogWidth(26), 230);
    EXPECT_EQ(RestartDialogWidth(27), 142);
    EXPECT_EQ(RestartDialogWidth(65), 313);
    for (auto [length, width] : {std::pair{26, 230}, {27, 142}, {65, 313}}) {
        std::vector<BYTE> block(RESTART_TEMPLATE_BYTES, 0);
        int used = WriteRestartTemplate(block.data(), RESTART_TEMPLATE_BYTES, length);
        std::vector<BYTE> expected = expectedRestart(static_cast<short>(width));
        ASSERT_EQ(used, static_cast<int>(expected.size()));
        EXPECT_EQ(std::vector<BYTE>(block.begin(), block.begin() + used), expected) << length;
    }
    // The texts themselves decide: English 26 characters (side by side), French longer (stacked).
    char text[256];
    EXPECT_EQ(std::strlen(GetMessageTextIn(0, 214, text, sizeof text)), 26u);
    EXPECT_GT(std::strlen(GetMessageTextIn(1, 214, text, sizeof text)), 26u);
}

TEST_F(RuntimeTemplates, WhatDoesNotFitIsRefusedWithoutWritingPastTheBlock) {
    // Poison beyond a short block: nothing may be written there.
    std::vector<BYTE> block(200, 0xCC);
    std::fill(block.begin(), block.begin() + 100, 0);
    EXPECT_EQ(WriteLanguageTemplate(block.data(), 100, 6, BS_AUTORADIOBUTTON), 0);
    EXPECT_EQ(WriteRestartTemplate(block.data(), 100, 26), 0);
    for (size_t i = 100; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0xCC) << "written at " << i;
    // Exactly enough room fits; one byte less does not.
    std::vector<BYTE> exact(40 + 28 * 4 - 2, 0);
    EXPECT_EQ(WriteLanguageTemplate(exact.data(), static_cast<int>(exact.size()), 1, BS_AUTORADIOBUTTON), 40 + 28 * 4 - 2);
    EXPECT_EQ(WriteLanguageTemplate(exact.data(), static_cast<int>(exact.size()) - 1, 1, BS_AUTORADIOBUTTON), 0);
    // More rows than the language table has.
    std::vector<BYTE> big(LANGUAGE_TEMPLATE_BYTES, 0);
    EXPECT_EQ(WriteLanguageTemplate(big.data(), LANGUAGE_TEMPLATE_BYTES, LANGUAGE_ROWS_MAX + 1, BS_AUTORADIOBUTTON), 0);

    WCHAR wide[8];
    std::fill(std::begin(wide), std::end(wide), WCHAR(0x7777));
    EXPECT_EQ(ConvertToWide(wide, 6, "system"), nullptr);  // 7 with the 0
    EXPECT_EQ(wide[0], 0x7777);
    EXPECT_EQ(ConvertToWide(wide, 7, "system"), wide + 7);
    EXPECT_EQ(wide[6], 0);
    EXPECT_EQ(ConvertToWide(wide, 2, "\xE7"), wide + 2);  // Windows-1252 c cedilla
    EXPECT_EQ(wide[0], 0x00E7);
}

TEST_F(RuntimeTemplates, TooManyLanguagesAreRefusedWithTheFixedMessage) {
    // Nine names are more than the dialog lays out.
    std::string names;
    for (int i = 0; i < 9; ++i)
        names += "&L" + std::to_string(i) + std::string(1, '\0');
    names += '\0';
    HGLOBAL block = GlobalAlloc(GHND, names.size());
    std::memcpy(GlobalLock(block), names.data(), names.size());
    GlobalUnlock(block);
    answers("message \"cannot create dialogbox\"\n  press Enter\n");
    EXPECT_EQ(BuildLanguageDialog(nullptr, block, 189, 188, BS_AUTORADIOBUTTON), -1);
    expectAnswersUsed();
    GlobalFree(block);

    answers("message \"cannot create dialogbox\"\n  press Enter\n");
    EXPECT_EQ(BuildRestartDialog(nullptr, nullptr, "OTHER"), -1);
    expectAnswersUsed();

    // A block whose only name has no end counts no name; the dialog comes
    // up with OK and Cancel alone.
    HGLOBAL unended = GlobalAlloc(GHND, 8);
    std::memcpy(GlobalLock(unended), "&English", 8);
    GlobalUnlock(unended);
    answers("dialog \"Select Language\"\n  click 2\n");
    EXPECT_EQ(BuildLanguageDialog(nullptr, unended, 189, 188, BS_AUTORADIOBUTTON), 0);
    expectAnswersUsed();
    GlobalFree(unended);
}

TEST_F(RuntimeTemplates, NoMemoryForTheBlockShowsTheMemoryNote) {
    auto& settings = tm().machine().settings();
    // Makes the machine's next memory allocation fail: the probe that fails
    // tells how far its count is.
    int far = 0;
    auto failNext = [&] {
        far += 10000;  // well beyond what a test has allocated so far
        settings.failAllocation = far;
        int probes = 0;
        for (; probes < far; ++probes) {
            HGLOBAL h = GlobalAlloc(GMEM_FIXED, 1);
            if (!h)
                break;
            GlobalFree(h);
        }
        ASSERT_LT(probes, far);
        settings.failAllocation = far + 1;
    };
    failNext();
    answers("message \"Not enough memory to run the Installation program.\"\n  press Enter\n");
    EXPECT_EQ(BuildRestartDialog(nullptr, nullptr, "WIN_RESTART"), -1);
    expectAnswersUsed();
    failNext();
    answers("message \"Not enough memory\"\n  press Enter\n");
    EXPECT_EQ(BuildLanguageDialog(nullptr, nullptr, 189, 188, BS_AUTORADIOBUTTON), -1);
    expectAnswersUsed();
    settings.failAllocation = 0;
}
