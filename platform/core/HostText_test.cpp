#include "platform/core/HostText.h"

#include <gtest/gtest.h>

using nv::text::ansiToUtf8;
using nv::text::utf8ToAnsi;

// Windows-1252 and UTF-8 both ways: the letters of the six languages, the
// 0x80 to 0x9F block, what has no Windows-1252 form, and bytes that are no
// UTF-8 at all.
TEST(HostText, Windows1252AndUtf8) {
    EXPECT_EQ(ansiToUtf8("M\xE9moire \xE6\xF8\xE5 \xC4\xD6\xDC\xDF"), "M\xC3\xA9moire \xC3\xA6\xC3\xB8\xC3\xA5 \xC3\x84\xC3\x96\xC3\x9C\xC3\x9F");
    EXPECT_EQ(ansiToUtf8("\x80\x85\x9F"), "\xE2\x82\xAC\xE2\x80\xA6\xC5\xB8");
    EXPECT_EQ(ansiToUtf8("\x81"), "\xC2\x81");
    for (int c = 1; c < 256; ++c) {
        std::string one(1, static_cast<char>(c));
        EXPECT_EQ(utf8ToAnsi(ansiToUtf8(one)), one) << c;
    }
    EXPECT_EQ(utf8ToAnsi("\xE2\x82\xAC 5"), "\x80 5");
    EXPECT_EQ(utf8ToAnsi("\xE4\xB8\xAD\xF0\x9F\x98\x80"), "??");  // no Windows-1252 form
    EXPECT_EQ(utf8ToAnsi("M\xE9moire"), "M\xE9moire");            // already Windows-1252
    EXPECT_EQ(utf8ToAnsi("\xC0\xA9\xED\xA0\x80"), "\xC0\xA9\xED\xA0\x80");  // overlong, surrogate: bytes kept
    EXPECT_EQ(utf8ToAnsi("\xC3"), "\xC3");                        // cut short at the end
}
