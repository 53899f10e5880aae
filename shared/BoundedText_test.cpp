#include "shared/BoundedText.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(BoundedText, CopiesStopAtTheFieldAndSayWhetherTheyFitted) {
    char field[6];
    std::memset(field, 'X', sizeof field);
    EXPECT_EQ(CopyText(field, "abcde"), 1);  // fits exactly
    EXPECT_STREQ(field, "abcde");
    EXPECT_EQ(CopyText(field, "abcdef"), 0);  // one too long
    EXPECT_STREQ(field, "abcde");
    EXPECT_EQ(AppendText(field, "g"), 0);  // full already
    EXPECT_STREQ(field, "abcde");
    CopyText(field, "ab");
    EXPECT_EQ(AppendText(field, "cd"), 1);
    EXPECT_STREQ(field, "abcd");
}

TEST(BoundedText, JoinPathMayReadFromItsOwnOutput) {
    char path[16] = "C:\\WINDOWS";
    EXPECT_EQ(JoinPath(path, path, "WIN.INI"), 0);  // 18 characters do not fit
    EXPECT_STREQ(path, "C:\\WINDOWS\\WIN.");
    char dir[32] = "A:";
    EXPECT_EQ(JoinPath(dir, dir, "INSTALL.INF"), 1);
    EXPECT_STREQ(dir, "A:\\INSTALL.INF");
}

TEST(BoundedText, TrimsAndCuts) {
    char drive[8] = "A:\\\\";
    TrimBackslashes(drive);
    EXPECT_STREQ(drive, "A:");
    char win[16] = "c:\\windows~1";
    UpperAscii(win);
    EXPECT_STREQ(win, "C:\\WINDOWS~1");
    EXPECT_STREQ(AfterLastBackslash("C:\\WINDOWS\\~NV00002.txt"), "~NV00002.txt");
    EXPECT_STREQ(AfterLastBackslash("OEMSETUP.INF"), "OEMSETUP.INF");
}
