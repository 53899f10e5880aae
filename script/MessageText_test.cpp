#include "script/MessageText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/core/Trace.h"
#include "resources/strings/StringTable.h"
#include "shared/InstallState.h"
#include "tools/loader/ProgramResources.h"

namespace {

class MessageTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstallState();
        state.instance = reinterpret_cast<HINSTANCE>(0x400000);
        RegisterProgramResources(state.instance);
    }
};

TEST_F(MessageTextTest, IdsFromHundredAreShiftedByLanguageNamesAreNot) {
    state.languageIndex = 2;
    char buffer[256];
    EXPECT_STREQ(GetMessageText(163, buffer), "Warnung");
    EXPECT_STREQ(GetMessageText(51, buffer), "~NV00001.txt");
    EXPECT_STREQ(GetMessageText(26 + 2, buffer), "DEU");
    state.languageIndex = 0;
    EXPECT_STREQ(GetMessageText(163, buffer), "Warning");
    EXPECT_STREQ(GetMessageText(161, buffer), "Norvalk Driver Installation");
    for (int language = 1; language < LANGUAGE_COUNT; ++language) {
        state.languageIndex = language;
        EXPECT_STRNE(GetMessageText(163, buffer), "Warning") << "language " << language;
        EXPECT_STRNE(GetMessageText(163, buffer), "") << "language " << language;
    }
}

TEST_F(MessageTextTest, LanguageOutsideTheTableCountsAsEnglish) {
    char buffer[64];
    for (int bad : {-1, 6, 7, 1000}) {
        state.languageIndex = bad;
        EXPECT_STREQ(GetMessageText(164, buffer), "Question") << bad;
    }
}

TEST_F(MessageTextTest, MissingIdsGiveEmptyTexts) {
    char buffer[32];
    std::strcpy(buffer, "poison");
    EXPECT_STREQ(GetMessageText(147, buffer), "");  // English has no such text
    state.languageIndex = 2;
    EXPECT_STREQ(GetMessageText(147, buffer), "\nersetzen");
    state.languageIndex = 1;
    EXPECT_STREQ(GetMessageText(147, buffer), "");
    for (int language = 0; language < LANGUAGE_COUNT; ++language) {
        state.languageIndex = language;
        for (UINT id : {100u, 130u, 138u, 140u, 168u, 169u, 172u, 173u, 174u, 240u, 0u, 99u})
            EXPECT_STREQ(GetMessageText(id, buffer), "") << "id " << id << " language " << language;
    }
}

TEST_F(MessageTextTest, EveryLanguageHasTheSameIds) {
    // English: 101..239 without the ids no block has, and without 121, 122, 147.
    // 239 is the program's own addition: the refusal of font names too long
    // for one installation.
    auto hasAllExpected = [](int language) {
        int missing = 0;
        for (UINT id = 101; id <= 239; ++id) {
            bool none = id == 130 || id == 138 || id == 140 || (id >= 172 && id <= 174) || id == 168 || id == 169;
            bool englishLess = id == 121 || id == 122;
            bool germanOnly = id == 147;
            bool expected = !none && !(englishLess && language == 0) && !(germanOnly && language != 2);
            bool present = FindStringResource(id + 1000 * language) != nullptr;
            EXPECT_EQ(present, expected) << "id " << id << " language " << language;
            missing += present != expected;
        }
        return missing;
    };
    for (int language = 0; language < LANGUAGE_COUNT; ++language)
        EXPECT_EQ(hasAllExpected(language), 0);
    for (UINT id = 0; id < 100; ++id) {
        bool expected = (id >= 11 && id <= 33) || (id >= 35 && id <= 39) || (id >= 42 && id <= 53) ||
                        (id >= 60 && id <= 67) || (id >= 70 && id <= 76) || id == 80;
        EXPECT_EQ(FindStringResource(id) != nullptr, expected) << "id " << id;
    }
}

TEST_F(MessageTextTest, EnglishTextsKeepTheirBlanksAndBreaks) {
    char buffer[256];
    EXPECT_STREQ(GetMessageText(159, buffer), "Copying   ");
    EXPECT_STREQ(GetMessageText(144, buffer), " already exists!!!\nDo you want to replace:\n     ");
    EXPECT_STREQ(GetMessageText(206, buffer), "-Click \"Change Drive\", then select another drive.");
    EXPECT_STREQ(GetMessageText(72, buffer), " .");
    EXPECT_STREQ(GetMessageText(61, buffer), "&Fran\xE7" "ais");  // Windows-1252
    EXPECT_STREQ(GetMessageText(64, buffer), "Nors&k");
}

TEST_F(MessageTextTest, NoBufferMeansTheOneSharedBuffer) {
    LPSTR first = GetMessageText(162);
    EXPECT_EQ(first, state.sharedTextBuffer);
    EXPECT_STREQ(first, "Note");
    LPSTR second = GetMessageText(163);
    EXPECT_EQ(second, first);
    EXPECT_STREQ(first, "Warning");  // the first text is gone
    EXPECT_EQ(GetMessageText(11, nullptr, 0), state.sharedTextBuffer);
    EXPECT_STREQ(state.sharedTextBuffer, "INSTALL.INF");
}

TEST_F(MessageTextTest, CopiesAreBoundedByTheBufferAnd255) {
    char small[8];
    std::memset(small, '#', sizeof small);
    EXPECT_STREQ(GetMessageText(161, small, 5), "Norv");
    EXPECT_EQ(small[5], '#');
    EXPECT_STREQ(GetMessageText(161, small, 1), "");
    small[0] = 'q';
    EXPECT_EQ(GetMessageText(161, small, 0), small);
    EXPECT_EQ(small[0], 'q');

    // The build refuses longer texts, so that no translation is cut.
    for (size_t i = 0; i < kStringTableSize; ++i)
        EXPECT_LE(std::strlen(kStringTable[i].text), 255u) << "id " << kStringTable[i].id;
}

TEST_F(MessageTextTest, TextsAreTheProgramsStringResources) {
    state.instance = reinterpret_cast<HINSTANCE>(0x400000);
    state.languageIndex = 2;
    char buffer[300];
    nv::trace::startCapture();
    GetMessageText(163, buffer);
    GetMessageText(51, buffer, 8);
    auto calls = nv::trace::stopCapture();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[0].find("LoadStringA("), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find(", 2163, 256) = 7"), std::string::npos) << calls[0];
    EXPECT_NE(calls[1].find(", 51, 8) = 7"), std::string::npos) << calls[1];

    // Dialogs that load a text directly find the same table.
    EXPECT_EQ(LoadStringA(state.instance, 5189, buffer, sizeof buffer), 10);
    EXPECT_STREQ(buffer, "V\xE4lj spr\xE5k");
}

TEST_F(MessageTextTest, OtherLanguageFetchLeavesTheChosenOneAlone) {
    state.languageIndex = 0;
    char buffer[64];
    EXPECT_STREQ(GetMessageTextIn(5, 189, buffer, sizeof buffer), "V\xE4lj spr\xE5k");
    EXPECT_STREQ(GetMessageTextIn(2, 51, buffer, sizeof buffer), "~NV00001.txt");
    EXPECT_STREQ(GetMessageTextIn(9, 189, buffer, sizeof buffer), "Select Language");
    EXPECT_EQ(GetMessageTextIn(1, 189, nullptr, 10), nullptr);
}

}  // namespace
