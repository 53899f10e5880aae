// Atom tables: reference counts, integer atoms, names, the machine's atoms.
#include <cstring>

#include <gtest/gtest.h>
#include <windows.h>

#include "TempMachine.h"

namespace {

using nv::testing::TempMachine;
constexpr DWORD kSentinel = 0xDEADBEEF;

TEST(Atoms, GlobalAtomsCountReferences) {
    TempMachine m;
    ATOM a = GlobalAddAtomA("PROGMAN");
    ASSERT_GE(a, MAXINTATOM);
    EXPECT_EQ(GlobalAddAtomA("progman"), a);  // same string without regard to case
    EXPECT_EQ(GlobalFindAtomA("PROGman"), a);
    char name[16];
    EXPECT_EQ(GlobalGetAtomNameA(a, name, sizeof name), 7u);
    EXPECT_STREQ(name, "PROGMAN");  // the case of the first add

    EXPECT_EQ(GlobalDeleteAtom(a), 0);
    EXPECT_EQ(GlobalFindAtomA("PROGMAN"), a);  // one reference left
    EXPECT_EQ(GlobalDeleteAtom(a), 0);
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalFindAtomA("PROGMAN"), 0);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalDeleteAtom(a), a);  // gone: deleting fails and returns the atom
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalGetAtomNameA(a, name, sizeof name), 0u);
}

TEST(Atoms, IntegerAtomsAndNames) {
    TempMachine m;
    EXPECT_EQ(GlobalAddAtomA(MAKEINTATOM(1234)), 1234);
    EXPECT_EQ(GlobalAddAtomA("#1234"), 1234);
    EXPECT_EQ(GlobalFindAtomA("#1234"), 1234);
    EXPECT_EQ(GlobalDeleteAtom(1234), 0);
    EXPECT_EQ(GlobalFindAtomA(MAKEINTATOM(1234)), 1234);  // integer atoms are never stored
    char name[8];
    EXPECT_EQ(GlobalGetAtomNameA(1234, name, sizeof name), 5u);
    EXPECT_STREQ(name, "#1234");
    SetLastError(kSentinel);
    EXPECT_EQ(GlobalAddAtomA(MAKEINTATOM(0xC000)), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GlobalAddAtomA("#99999"), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_GE(GlobalAddAtomA("#12a"), MAXINTATOM);  // not a number: an ordinary string

    // Names: 255 characters fit, 256 do not; short buffers cut the name.
    std::string longest(255, 'n');
    ATOM a = GlobalAddAtomA(longest.c_str());
    ASSERT_NE(a, 0);
    EXPECT_EQ(GlobalAddAtomA((longest + "n").c_str()), 0);
    EXPECT_EQ(GlobalAddAtomA(""), 0);
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(GlobalGetAtomNameA(a, name, 4), 3u);
    EXPECT_STREQ(name, "nnn");
}

TEST(Atoms, MachineAtomsAndTheLocalTable) {
    auto s = TempMachine::defaultSettings();
    s.atoms = {"bi-di.386"};
    TempMachine m(s);
    ATOM bidi = GlobalFindAtomA("BI-DI.386");
    ASSERT_NE(bidi, 0);
    // The local table is the program's own: it does not see the global atom.
    EXPECT_EQ(FindAtomA("bi-di.386"), 0);
    EXPECT_EQ(DeleteAtom(bidi), bidi);
    EXPECT_EQ(GlobalFindAtomA("bi-di.386"), bidi);

    ATOM local = AddAtomA("mine");
    ASSERT_GE(local, MAXINTATOM);
    EXPECT_EQ(FindAtomA("MINE"), local);
    EXPECT_EQ(GlobalFindAtomA("mine"), 0);
    char name[8];
    EXPECT_EQ(GetAtomNameA(local, name, sizeof name), 4u);
    EXPECT_EQ(DeleteAtom(local), 0);
    EXPECT_EQ(FindAtomA("mine"), 0);

    // The settings follow the global table, so a saved machine keeps it.
    GlobalAddAtomA("PROGMAN");
    EXPECT_EQ(m.machine().settings().atoms, (std::vector<std::string>{"bi-di.386", "PROGMAN"}));
    EXPECT_EQ(GlobalDeleteAtom(bidi), 0);
    EXPECT_EQ(m.machine().settings().atoms, (std::vector<std::string>{"PROGMAN"}));

    // A global name the settings file could not read back is refused, so
    // that a saved machine still loads; the local table takes it.
    for (const char* bad : {"a\nb", "[drive A]", ";x", " x", "x ", "tab\there"}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(GlobalAddAtomA(bad), 0) << bad;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << bad;
    }
    EXPECT_EQ(m.machine().settings().atoms, (std::vector<std::string>{"PROGMAN"}));
    EXPECT_NE(AddAtomA("a\nb"), 0);
    EXPECT_NE(GlobalAddAtomA("#12"), 0);
}

}  // namespace
