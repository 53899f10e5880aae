// Every text of the choice, font and space dialogs, in each of the six
// languages, fits the control that shows it: a static wraps within its
// height, a button's text stays on its face. A translation that is cut on
// screen fails here, with the dialog, the control and the sizes.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ProgramTest.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/user/Painter.h"
#include "script/MessageText.h"
#include "shared/BoundedText.h"
#include "ui/ChoiceDialogs.h"
#include "ui/DialogPlumbing.h"
#include "ui/FontDialogs.h"
#include "ui/RuntimeTemplates.h"

using nv::testing::ProgramTest;

namespace {

std::string overflows(HWND dialog, const std::string& name) {
    std::string found;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char text[256];
        char cls[32];
        GetWindowTextA(c, text, sizeof text);
        GetClassNameA(c, cls, sizeof cls);
        if (!text[0] || EqualsNoCase(cls, "ListBox"))
            continue;
        RECT client;
        GetClientRect(c, &client);
        bool button = EqualsNoCase(cls, "Button");
        LONG type = GetWindowLongA(c, GWL_STYLE) & 0x0F;
        bool radio = button && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON);
        // A push button's frame and a radio button's circle take their share.
        LONG room = client.right - (radio ? 16 : button ? 4 : 0);
        HDC dc = GetDC(c);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(c, WM_GETFONT, 0, 0));
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        RECT need{0, 0, room, 0};
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK));
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        if (old)
            SelectObject(dc, old);
        ReleaseDC(c, dc);
        // As many lines as the control's height holds, rounded (an 8-unit
        // static holds one).
        LONG lines = std::max<LONG>(1, (client.bottom + tm.tmHeight / 2) / tm.tmHeight);
        if (need.right > room || need.bottom > lines * tm.tmHeight)
            found += "  " + name + " control " + std::to_string(GetDlgCtrlID(c)) + " \"" + text + "\" needs " +
                     std::to_string(need.right) + "x" + std::to_string(need.bottom) + ", has " + std::to_string(room) +
                     "x" + std::to_string(client.bottom) + "\n";
    }
    return found;
}

}  // namespace

class DialogTexts : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        nv::gdi::InstallPainter();  // the real fonts, as on screen
        loadScript("INSTALL.TXT",
                   "[TRUETYPEFONTS]\r\nFONTLIST = Norvalk_Sans,Norvalk_Serif\r\n"
                   "[NEEDED.SPACE]\r\nNorvalk_Sans = 20,0\r\nNorvalk_Serif = 21,2,2\r\n");
        std::strcpy(state.fontDir, "C:\\WINDOWS\\FONTS");
        for (int i = 0; i < LANGUAGE_COUNT; ++i) {
            GetMessageText(TXT_LANGUAGE_NAME_FIRST + i, state.languageChoices[i].name);
            state.languageChoices[i].position = i;
        }
        const char* models[] = {"Norvalk QS-8000 series", "Norvalk QS-8300 series", "Norvalk QS-8600"};
        for (int i = 0; i < 3; ++i) {
            std::strcpy(state.modelTable[i], models[i]);
            state.modelTable[i][MODEL_SELECTED_BYTE] = '1';
        }
    }

    void TearDown() override {
        nv::user::SetPainter(nullptr);
        ProgramTest::TearDown();
    }

    std::string check(const char* name, DLGPROC procedure, const std::string& in) {
        HWND dialog = CreateDialogParamA(state.instance, name, nullptr, procedure, 0);
        EXPECT_NE(dialog, nullptr) << name;
        return dialog ? done(dialog, name + in) : "";
    }
    std::string checkBuilt(const std::vector<BYTE>& block, const char* name, DLGPROC procedure) {
        HWND dialog = CreateDialogIndirectParamA(state.instance, reinterpret_cast<LPCDLGTEMPLATEA>(block.data()),
                                                 nullptr, procedure, 0);
        EXPECT_NE(dialog, nullptr) << name;
        return dialog ? done(dialog, name) : "";
    }
    std::string done(HWND dialog, const std::string& name) {
        std::string found = overflows(dialog, name);
        RemoveKeyHook();
        ReleaseDialogFont();
        DestroyWindow(dialog);
        return found;
    }
};

TEST_F(DialogTexts, EveryTextFitsItsControlInEveryLanguage) {
    std::vector<BYTE> language(LANGUAGE_TEMPLATE_BYTES, 0);
    ASSERT_GT(WriteLanguageTemplate(language.data(), LANGUAGE_TEMPLATE_BYTES, LANGUAGE_COUNT, BS_AUTORADIOBUTTON), 0);
    std::string found;
    for (int l = 0; l < LANGUAGE_COUNT; ++l) {
        state.languageIndex = l;
        state.defaultLanguageChoice = l;
        std::string in = " in language " + std::to_string(l);
        char returnText[256];
        std::vector<BYTE> restart(RESTART_TEMPLATE_BYTES, 0);
        ASSERT_GT(WriteRestartTemplate(restart.data(), RESTART_TEMPLATE_BYTES,
                                       static_cast<int>(std::strlen(GetMessageText(214, returnText)))),
                  0);
        for (int mode = 0; mode < 2; ++mode) {
            state.operationMode = mode;
            found += checkBuilt(language, ("language" + in).c_str(), SelLangProc);
            found += checkBuilt(restart, ("WIN_RESTART" + in).c_str(), SelWinRestart);
        }
        found += check("MODE_INSTALL", ModeInstall, in);
        found += check("SELECTDRV", SelectDriver, in);
        found += check("SELECTDRVMULTI", SelectDriver2, in);
        found += check("FONT", FONT_Set, in);
        found += check("KEIKOKU", Enough_Size, in);
    }
    EXPECT_EQ(found, "");
}
