#include "shared/DialogTemplateWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A one-button template with caption "Go" and face "F", written into size bytes.
int WriteSmall(std::vector<BYTE>& block, int size) {
    block.assign(static_cast<size_t>(size) + 8, 0xEE);  // poison beyond the block
    std::fill(block.begin(), block.begin() + size, 0);
    DialogTemplateWriter w(block.data(), size);
    w.header(WS_POPUP | DS_SETFONT, 1, 1, 2, 100, 50, "Go", 8, "F");
    w.item(WS_CHILD | BS_PUSHBUTTON, 3, 4, 50, 14, IDOK, ControlClass::Button, "OK");
    return w.result();
}

WORD WordAt(const std::vector<BYTE>& b, size_t at) { return static_cast<WORD>(b[at] | (b[at + 1] << 8)); }

}  // namespace

TEST(DialogTemplateWriter, WritesTheInMemoryLayout) {
    std::vector<BYTE> b;
    // Header 22 bytes, "Go" 6, point size 2, "F" 4 = 34; the item starts at 36
    // (aligned), 22 bytes, "OK" 6, creation data 2 = 66.
    ASSERT_EQ(WriteSmall(b, 66), 66);
    EXPECT_EQ(WordAt(b, 8), 1);            // item count
    EXPECT_EQ(WordAt(b, 22), u'G');        // caption
    EXPECT_EQ(WordAt(b, 28), 8);           // point size
    EXPECT_EQ(WordAt(b, 30), u'F');        // face
    EXPECT_EQ(WordAt(b, 34), 0);           // the alignment gap stays 0
    EXPECT_EQ(WordAt(b, 36 + 16), IDOK);   // item id
    EXPECT_EQ(WordAt(b, 36 + 18), 0xFFFF); // class by ordinal
    EXPECT_EQ(WordAt(b, 36 + 20), 0x0080); // button
    EXPECT_EQ(WordAt(b, 36 + 22), u'O');
}

// At the block's size the template fits; one byte short it is refused, and
// nothing is written past the block.
TEST(DialogTemplateWriter, FitsExactlyAndRefusesOneShort) {
    std::vector<BYTE> b;
    EXPECT_EQ(WriteSmall(b, 66), 66);
    for (int size : {65, 64, 35, 10, 0}) {
        EXPECT_EQ(WriteSmall(b, size), 0) << size;
        for (size_t i = static_cast<size_t>(size); i < b.size(); ++i)
            ASSERT_EQ(b[i], 0xEE) << "byte " << i << " written past a block of " << size;
    }
}

TEST(DialogTemplateWriter, NoFontBlockWithoutSetFont) {
    std::vector<BYTE> block(64, 0);
    DialogTemplateWriter w(block.data(), 64);
    w.header(WS_POPUP, 0, 0, 0, 10, 10, "", 8, "MS Sans Serif");
    EXPECT_EQ(w.result(), 24);  // header and the empty caption only
}
