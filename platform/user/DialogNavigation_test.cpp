// GetNextDlgTabItem and GetNextDlgGroupItem over a tree of static controls,
// control parents (WS_EX_CONTROLPARENT), DS_CONTROL children, disabled and
// hidden controls, with the answers Windows gives (as Wine's conformance
// tests record them; the cases that crash Windows 95 are left out).
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/user/MessageLog_test.h"

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

constexpr DWORD V = WS_VISIBLE, C = WS_CHILD, G = WS_GROUP, T = WS_TABSTOP, D = WS_DISABLED;
constexpr DWORD CP = WS_EX_CONTROLPARENT;

struct Node {
    int id;
    int parent;
    DWORD style;
    DWORD exStyle;
};

// Window 1 is the top-level window; the rest are statics. 6 is the main
// dialog under test, reached through control parents from 5 and 2.
const std::vector<Node> kTree = {
    {1, 0, WS_OVERLAPPEDWINDOW, 0},
    {20, 1, C | V | G, 0},
    {2, 1, C | V, CP},
    {60, 2, C | V | T, 0},
    {8, 2, C | V | D | T, CP},  // a disabled control parent
    {85, 8, C | V | T | G, 0},
    {9, 8, C, CP},
    {86, 9, C | V, 0},
    {87, 9, C | V, 0},
    {31, 8, C | V | G, 0},
    {10, 2, C | V, CP},
    {88, 10, C | V | G, 0},
    {11, 10, C, CP},  // a hidden control parent
    {89, 11, C | V, 0},
    {32, 11, C | V | G, 0},
    {90, 11, C | V, 0},
    {33, 10, C | V | G, 0},
    {21, 2, C | V | G, 0},
    {61, 2, C | V | T, 0},
    {3, 1, C | V | DS_CONTROL, 0},  // DS_CONTROL alone does not open a child up
    {22, 3, C | V | G, 0},
    {62, 3, C | V | T, 0},
    {7, 3, C | V, CP},
    {4, 7, C | V | DS_CONTROL, 0},
    {83, 4, C | V, 0},
    {5, 4, C | V | DS_CONTROL, 0},
    {29, 5, C | V | G, 0},
    {81, 5, C | V, 0},
    {6, 5, C | V, CP},
    {63, 6, C | V | D | T, 0},  // disabled
    {64, 6, C | T, 0},          // hidden
    {65, 6, C | D | T, 0},      // hidden and disabled
    {66, 6, C | V, 0},          // no tab stop: found by groups, not by tabs
    {23, 6, C | V | G, 0},      // a group without tab stops ends
    {67, 6, C | V | T, 0},
    {24, 6, C | D | G, 0},      // a group of nothing usable
    {68, 6, C | V | D | T, 0},
    {69, 6, C | T, 0},
    {25, 6, C | V | G, 0},      // a usable group in the middle
    {70, 6, C | V, 0},
    {71, 6, C | V | D | T, 0},
    {72, 6, C | V | T, 0},
    {73, 6, C | V | D | T, 0},
    {26, 6, C | V | G, 0},      // begins with a usable label
    {74, 6, C | V | T, 0},
    {75, 6, C | V | T, 0},
    {27, 6, C | V | D | G, 0},  // begins with a disabled label
    {76, 6, C | V | T, 0},
    {77, 6, C | V | T, 0},
    {28, 6, C | G, 0},          // begins with a hidden label
    {78, 6, C | V | T, 0},
    {79, 6, C | V, 0},
    {80, 6, C | V | D | T, 0},
    {82, 5, C | V, 0},
    {30, 5, C | V | G, 0},
    {84, 4, C | V | T, 0},
};

enum class Kind { Tab, Group };
enum class Way { Next, Previous };

struct Case {
    int dlg;
    int ctl;  // 0: none
    Kind kind;
    Way way;
    int expected;  // 0: none
};

const std::vector<Case> kCases = {
    // No control, or the dialog itself: "previous" finds nothing, "next" the first usable one.
    {6, 0, Kind::Group, Way::Previous, 0},
    {6, 0, Kind::Tab, Way::Previous, 0},
    {6, 6, Kind::Group, Way::Previous, 0},
    {6, 6, Kind::Tab, Way::Previous, 0},
    {6, 0, Kind::Group, Way::Next, 66},
    {6, 0, Kind::Tab, Way::Next, 67},
    {6, 6, Kind::Group, Way::Next, 66},
    {6, 6, Kind::Tab, Way::Next, 67},
    // Descent: DS_CONTROL does not open a child up, WS_EX_CONTROLPARENT does.
    {4, 83, Kind::Tab, Way::Next, 84},
    {4, 83, Kind::Group, Way::Next, 5},
    {5, 81, Kind::Tab, Way::Next, 67},
    {5, 81, Kind::Group, Way::Next, 66},
    {5, 82, Kind::Tab, Way::Previous, 78},
    {5, 82, Kind::Group, Way::Previous, 79},
    // Groups.
    {6, 70, Kind::Group, Way::Next, 72},
    {6, 72, Kind::Group, Way::Next, 25},
    {6, 75, Kind::Group, Way::Next, 26},
    {6, 77, Kind::Group, Way::Next, 76},
    {6, 79, Kind::Group, Way::Next, 66},
    {6, 71, Kind::Group, Way::Next, 72},
    {6, 64, Kind::Group, Way::Next, 66},
    {6, 25, Kind::Group, Way::Next, 70},
    {6, 68, Kind::Group, Way::Next, 68},
    {6, 25, Kind::Group, Way::Previous, 72},
    // A control under children that are not control parents.
    {1, 70, Kind::Group, Way::Next, 72},
    {1, 70, Kind::Tab, Way::Next, 72},
    // Tabs skip disabled, hidden and non-tab-stop controls.
    {6, 67, Kind::Tab, Way::Next, 72},
    {6, 72, Kind::Tab, Way::Previous, 67},
    // The first child of a control parent.
    {2, 0, Kind::Group, Way::Next, 60},
    {2, 0, Kind::Tab, Way::Next, 60},
};

class DialogNavigation : public nv::testing::UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = kInst;
        wc.lpszClassName = "NavTop";
        ASSERT_NE(RegisterClassA(&wc), 0);
        for (const Node& n : kTree) {
            std::string name = "ctrl" + std::to_string(n.id);
            HWND h = CreateWindowExA(n.exStyle, n.parent ? "Static" : "NavTop", name.c_str(), n.style, 10, 10, 10, 10,
                                     n.parent ? hwnd_[n.parent] : nullptr,
                                     n.parent ? reinterpret_cast<HMENU>(static_cast<uintptr_t>(2000 + n.id)) : nullptr,
                                     kInst, nullptr);
            ASSERT_NE(h, nullptr) << n.id;
            hwnd_[n.id] = h;
            id_[h] = n.id;
        }
    }
    std::map<int, HWND> hwnd_;
    std::map<HWND, int> id_;
};

TEST_F(DialogNavigation, NextAndPreviousTabAndGroupItemsAsWindowsFindsThem) {
    for (const Case& c : kCases) {
        HWND ctl = c.ctl ? hwnd_[c.ctl] : nullptr;
        BOOL previous = c.way == Way::Previous;
        HWND got = c.kind == Kind::Tab ? GetNextDlgTabItem(hwnd_[c.dlg], ctl, previous)
                                       : GetNextDlgGroupItem(hwnd_[c.dlg], ctl, previous);
        int gotId = got ? (id_.count(got) ? id_[got] : -1) : 0;
        EXPECT_EQ(gotId, c.expected) << (c.way == Way::Previous ? "previous " : "next ")
                                     << (c.kind == Kind::Tab ? "tab" : "group") << " item of " << c.ctl << " in "
                                     << c.dlg;
    }
}

}  // namespace
