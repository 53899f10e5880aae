#include "script/IniCompact.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Compacts whole; the output buffer is exactly the promised bound, so an
// overflow of the bound would show as a failure (or an ASan report).
std::string compact(const std::string& in) {
    std::vector<char> out(IniCompactor::bound(in.size()));
    size_t n = CompactIniText(reinterpret_cast<const BYTE*>(in.data()), in.size(), out.data(), out.size());
    EXPECT_NE(n, 0u) << "compaction failed for: " << in;
    return std::string(out.data(), n);
}

// Compacts fed in pieces of the given size.
std::string compactInPieces(const std::string& in, size_t piece) {
    std::vector<char> out(IniCompactor::bound(in.size()));
    IniCompactor c(out.data(), out.size());
    for (size_t i = 0; i < in.size(); i += piece)
        EXPECT_TRUE(c.feed(reinterpret_cast<const BYTE*>(in.data()) + i, std::min(piece, in.size() - i)));
    EXPECT_TRUE(c.finish());
    return std::string(out.data(), c.size());
}

TEST(IniCompact, TheDocumentedExample) {
    std::string in = "[A]\nx = \"a b\" ; note\n\ny=1,2";
    EXPECT_EQ(compact(in), "[A]\0x=\"a b\"\0y=1,2\0\0\x1A"s);
}

TEST(IniCompact, BlanksTabsAndQuotes) {
    EXPECT_EQ(compact("Name = Norvalk QS-8000 series\n"), "Name=NorvalkQS-8000series\0\0\x1A"s);
    EXPECT_EQ(compact("Name=\"Norvalk\tQS 8000\"  x\n"), "Name=\"Norvalk\tQS 8000\"x\0\0\x1A"s);
    // The quote state ends with the line: an unclosed quote does not keep
    // the next line's blanks.
    EXPECT_EQ(compact("a=\"open\nb = c\n"), "a=\"open\0b=c\0\0\x1A"s);
}

TEST(IniCompact, CommentsEvenInsideQuotes) {
    EXPECT_EQ(compact("a=\"x;y\"\nb=1\n"), "a=\"x\0b=1\0\0\x1A"s);
    EXPECT_EQ(compact("; leading comment\n[S]\n  ; indented comment\nk=v;tail\n"), "[S]\0k=v\0\0\x1A"s);
    // A comment ended by CR, and a comment as the last thing in the file.
    EXPECT_EQ(compact("a=1;c\r\nb=2;end"), "a=1\0b=2\0\0\x1A"s);
}

TEST(IniCompact, HeadersGetOneEmptyLineBefore) {
    EXPECT_EQ(compact("[A]\na=1\n\n\n[B]\n[C]extra\nc=3\n"), "[A]\0a=1\0\0[B]\0\0[C]extra\0c=3\0\0\x1A"s);
    // Blank and comment lines before the first header leave nothing.
    EXPECT_EQ(compact("\n\n  \n;x\n[A]\n"), "[A]\0\0\x1A"s);
    EXPECT_EQ(compact("a=1\n;c\n[B]\n"), "a=1\0\0[B]\0\0\x1A"s);
}

TEST(IniCompact, LineEndsOfEveryKind) {
    std::string expected = "[A]\0a=1\0b=2\0\0\x1A"s;
    EXPECT_EQ(compact("[A]\na=1\nb=2\n"), expected);
    EXPECT_EQ(compact("[A]\r\na=1\r\nb=2\r\n"), expected);
    // A carriage return alone ends no line: it is dropped wherever it stands.
    EXPECT_EQ(compact("[A]\na=ab\rcd\n"), "[A]\0a=abcd\0\0\x1A"s);
    EXPECT_EQ(compact("[A]\ra=1\rb=2\r"), "[A]a=1b=2\0\0\x1A"s);
    EXPECT_EQ(compact("a=\"x\ry\";c\rz\n"), "a=\"xy\"z\0\0\x1A"s);
    // The last line without a line feed is complete all the same.
    EXPECT_EQ(compact("[A]\na=1\nb=2"), expected);
    EXPECT_EQ(compact("[A]\r\na=1\r\nb=2   \r\n\r\n\t\n"), expected);
}

TEST(IniCompact, EndOfFileMarks) {
    std::string expected = "[A]\0a=1\0\0\x1A"s;
    EXPECT_EQ(compact("[A]\na=1\n\x1A"), expected);
    EXPECT_EQ(compact("[A]\r\na=1\x1A\x1A"), expected);
    EXPECT_EQ(compact("[A]\na=1;comment\x1A"), expected);
    // Inside the text the byte is an ordinary one.
    EXPECT_EQ(compact("a=\x1A" "b\n"), "a=\x1A" "b\0\0\x1A"s);
    EXPECT_EQ(compact("\x1A"), "\0\0\x1A"s);
}

TEST(IniCompact, EmptyAndCommentOnlyFiles) {
    EXPECT_EQ(compact(""), "\0\0\x1A"s);
    EXPECT_EQ(compact(" \t\r\n;only a comment\r\n"), "\0\0\x1A"s);
}

TEST(IniCompact, PiecesGiveTheSameResult) {
    std::string in = "; head\r\n[Disks]\r\n1 = \"Disk 1\" , disk1.tag ; c\r\n\r\n[Other]extra\r\n  x=\"a;b\"\r\n\x1A";
    std::string whole = compact(in);
    for (size_t piece : {1u, 2u, 3u, 7u, 1024u})
        EXPECT_EQ(compactInPieces(in, piece), whole) << "piece size " << piece;
}

TEST(IniCompact, WorstCaseFitsTheBoundAndTooSmallIsRefused) {
    // Every other byte a "[" after a line end: the largest growth there is.
    std::string in;
    for (int i = 0; i < 500; ++i)
        in += "\n[";
    std::string out = compact(in);
    EXPECT_EQ(out.size(), 500u * 3 - 2 + 3);  // no line end before the first line
    EXPECT_LE(out.size(), IniCompactor::bound(in.size()));

    std::vector<char> small(IniCompactor::bound(in.size()) - 1);
    EXPECT_EQ(CompactIniText(reinterpret_cast<const BYTE*>(in.data()), in.size(), small.data(), small.size()), 0u);

    // The streaming form stops at its capacity instead of writing past it.
    std::vector<char> tiny(8, 'z');
    IniCompactor c(tiny.data(), 4);
    EXPECT_FALSE(c.feed(reinterpret_cast<const BYTE*>("abcdefgh"), 8));
    EXPECT_FALSE(c.finish());
    EXPECT_EQ(std::string(tiny.data(), 8), "abcdzzzz");
}

}  // namespace
