// The one Windows-1252 table, checked byte by byte against the C library's
// iconv CP1252, and through the Win32 functions and string tables that use it.
#include <windows.h>

#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <optional>

#include "platform/kernel/Windows1252.h"

namespace {

// iconv's reading of one byte as UTF-16 (host order); nothing where it has none.
std::optional<char16_t> iconvWide(unsigned char byte) {
    iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[4] = {};
    char* ip = in;
    char* op = reinterpret_cast<char*>(out);
    size_t il = 1, ol = sizeof out;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || ol != 2)
        return std::nullopt;
    return static_cast<char16_t>(out[0] | (out[1] << 8));
}

TEST(Windows1252, EveryByteAgreesWithIconvAndTheUnassignedOnesAreTheirC1Controls) {
    iconv_t probe = iconv_open("UTF-16LE", "CP1252");
    ASSERT_NE(probe, reinterpret_cast<iconv_t>(-1)) << "iconv has no CP1252";
    iconv_close(probe);
    int unassigned = 0;
    for (int b = 0; b < 256; ++b) {
        auto byte = static_cast<unsigned char>(b);
        char16_t ours = nv::kernel::cp1252::toWide(byte);
        if (auto theirs = iconvWide(byte)) {
            EXPECT_EQ(ours, *theirs) << "byte 0x" << std::hex << b;
        } else {
            // iconv leaves these undefined; Windows gives the C1 control of the same value.
            ++unassigned;
            EXPECT_EQ(ours, static_cast<char16_t>(b)) << "byte 0x" << std::hex << b;
            EXPECT_TRUE(b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) << std::hex << b;
        }
        // Every byte comes back as itself.
        EXPECT_EQ(nv::kernel::cp1252::fromWide(ours), static_cast<char>(byte)) << "byte 0x" << std::hex << b;
    }
    EXPECT_EQ(unassigned, 5);
}

TEST(Windows1252, CharactersOutsideThePageHaveNoByteAndTheWin32FunctionsSaySo) {
    EXPECT_EQ(nv::kernel::cp1252::fromWide(u'\u0100'), std::nullopt);  // A with macron
    EXPECT_EQ(nv::kernel::cp1252::fromWide(u'\u20AC'), '\x80');          // the euro sign
    EXPECT_EQ(nv::kernel::cp1252::encode(u"a\u0100\u2122", '#'), "a#\x99");
    // The C1 control U+0081 is the unassigned byte itself, not a default character.
    WCHAR wide[] = {0x81, 0x20AC, 0x0100, 0};
    char out[8] = {};
    BOOL usedDefault = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 3, out, sizeof out, nullptr, &usedDefault), 3);
    EXPECT_EQ(std::string(out, 3), "\x81\x80?");
    EXPECT_TRUE(usedDefault);
    WCHAR back[4] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x81\x80\xE9", 3, back, 4), 3);
    EXPECT_EQ(back[0], 0x81);
    EXPECT_EQ(back[1], 0x20AC);
    EXPECT_EQ(back[2], 0xE9);
}

}  // namespace
