// The host's keys as virtual-key codes: every key a person needs in the
// installer's dialogs has one, and the layout's punctuation types what it shows.
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "tools/window/HostKeys.h"

using nv::window::VirtualKeyFor;

TEST(HostKeys, LettersDigitsAndDialogKeys) {
    EXPECT_EQ(VirtualKeyFor(SDLK_a), 'A');
    EXPECT_EQ(VirtualKeyFor(SDLK_z), 'Z');
    EXPECT_EQ(VirtualKeyFor(SDLK_0), '0');
    EXPECT_EQ(VirtualKeyFor(SDLK_9), '9');
    EXPECT_EQ(VirtualKeyFor(SDLK_KP_5), '5');
    EXPECT_EQ(VirtualKeyFor(SDLK_KP_0), '0');
    EXPECT_EQ(VirtualKeyFor(SDLK_F3), VK_F3);
    EXPECT_EQ(VirtualKeyFor(SDLK_F12), VK_F12);
    EXPECT_EQ(VirtualKeyFor(SDLK_RETURN), VK_RETURN);
    EXPECT_EQ(VirtualKeyFor(SDLK_KP_ENTER), VK_RETURN);
    EXPECT_EQ(VirtualKeyFor(SDLK_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFor(SDLK_TAB), VK_TAB);
    EXPECT_EQ(VirtualKeyFor(SDLK_LSHIFT), VK_SHIFT);
    EXPECT_EQ(VirtualKeyFor(SDLK_RALT), VK_MENU);
    EXPECT_EQ(VirtualKeyFor(SDLK_BACKSLASH), VK_OEM_5);
    EXPECT_EQ(VirtualKeyFor(SDLK_SEMICOLON), VK_OEM_1);
    EXPECT_EQ(VirtualKeyFor(SDLK_PERIOD), VK_OEM_PERIOD);
    EXPECT_EQ(VirtualKeyFor(SDLK_CAPSLOCK), 0);
}
