#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "script/IniCompact.h"
#include "script/IniText.h"

namespace {

// A compact block made from file text, with the two spare bytes the loader
// adds.
class Block {
public:
    explicit Block(const std::string& file) : bytes_(IniCompactor::bound(file.size()) + 2, '\0') {
        EXPECT_NE(CompactIniText(reinterpret_cast<const BYTE*>(file.data()), file.size(), bytes_.data(),
                                 bytes_.size() - 2),
                  0u);
    }
    IniLine section(const char* name) const { return FindSectionInBlock(bytes_.data(), name, std::strlen(name)); }
    LPCSTR data() const { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

std::vector<std::string> linesOf(IniLine line) {
    std::vector<std::string> out;
    for (; line; line = NextLine(line))
        out.emplace_back(line);
    return out;
}

std::string keyValue(IniLine first, const char* key, int* result = nullptr) {
    char out[128];
    std::memset(out, 'x', sizeof out);
    int r = GetKeyValue(first, key, out);
    if (result)
        *result = r;
    return out;
}

std::string field(IniLine line, int n, int* result) {
    char out[128];
    std::strcpy(out, "untouched");
    *result = GetField(line, n, out);
    return out;
}

const char* kScript =
    "; Norvalk test script\r\n"
    "[Install]extra\r\n"
    "Name = Norvalk QS-8000 series\r\n"
    "Quoted = \"Norvalk QS-8000 series\"\r\n"
    "List = a,\"b c\"\r\n"
    "   ; a comment line between\r\n"
    "\r\n"
    "Path=C:\\NV\r\n"
    "[Empty]\r\n"
    "[Dup]\r\n"
    "[VxD]\r\n"
    "device=nvport.386\r\n"
    "[Dup]\r\n"
    "x=1\r\n"
    "[EndEmpty]\r\n";

TEST(IniSections, FoundByNameWithoutCaseAndHeaderTrailingText) {
    Block b(kScript);
    ASSERT_NE(b.section("Install"), nullptr);
    EXPECT_STREQ(b.section("install"), "Name=NorvalkQS-8000series");
    EXPECT_STREQ(b.section("vxd"), "device=nvport.386");
    EXPECT_EQ(b.section("Instal"), nullptr);
    EXPECT_EQ(b.section("InstallX"), nullptr);
    EXPECT_EQ(b.section("Missing"), nullptr);
    EXPECT_EQ(b.section(""), nullptr);
}

TEST(IniSections, EmptySectionsAndLaterDuplicatesAreMissing) {
    Block b(kScript);
    EXPECT_EQ(b.section("Empty"), nullptr);      // followed by a header
    EXPECT_EQ(b.section("EndEmpty"), nullptr);   // followed by the end
    EXPECT_EQ(b.section("Dup"), nullptr);        // the first is empty; the second is never looked at
    Block twice("[S]\na=1\n[S]\nb=2\n");
    EXPECT_EQ(linesOf(twice.section("S")), std::vector<std::string>{"a=1"});
}

TEST(IniSections, LinesAndCounts) {
    Block b(kScript);
    IniLine first = b.section("Install");
    EXPECT_EQ(linesOf(first), (std::vector<std::string>{"Name=NorvalkQS-8000series",
                                                        "Quoted=\"Norvalk QS-8000 series\"",
                                                        "List=a,\"b c\"", "Path=C:\\NV"}));
    EXPECT_EQ(CountLines(first), 4);
    EXPECT_EQ(CountLines(NextLine(first)), 3);
    EXPECT_EQ(CountLines(b.section("VxD")), 1);
    EXPECT_EQ(NextLine(b.section("VxD")), nullptr);
    EXPECT_EQ(CountLines(nullptr), 0);
    EXPECT_EQ(NextLine(nullptr), nullptr);
    // The last line of the file is complete without a final line feed.
    Block last("[S]\na=1\nb=2");
    EXPECT_EQ(linesOf(last.section("S")), (std::vector<std::string>{"a=1", "b=2"}));
}

TEST(IniSections, StoredLinesWalkHeadersAndLines) {
    Block b("\r\n[A]x\r\na=1\r\n[B]\r\nb=2");
    std::vector<std::string> all;
    for (IniLine l = NextStoredLine(b.data(), nullptr); l; l = NextStoredLine(b.data(), l))
        all.emplace_back(l);
    EXPECT_EQ(all, (std::vector<std::string>{"[A]x", "a=1", "[B]", "b=2"}));
    Block empty("");
    EXPECT_EQ(NextStoredLine(empty.data(), nullptr), nullptr);
}

TEST(IniKeys, ValuesQuotedUnquotedAndWithSeparators) {
    Block b(kScript);
    IniLine first = b.section("Install");
    int r = -1;
    EXPECT_EQ(keyValue(first, "Name", &r), "NorvalkQS-8000series");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(keyValue(first, "QUOTED"), "Norvalk QS-8000 series");
    EXPECT_EQ(keyValue(first, "List"), "a,\"b c\"");  // a separator: unchanged, quotes kept
    EXPECT_EQ(keyValue(first, "path"), "C:\\NV");
    EXPECT_EQ(keyValue(first, "Pat", &r), "");      // a key is matched whole
    EXPECT_EQ(r, 0);
    EXPECT_EQ(keyValue(first, "Paths", &r), "");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(keyValue(NextLine(first), "Name", &r), "");  // the search starts at the given line
    EXPECT_EQ(r, 0);
    EXPECT_EQ(keyValue(nullptr, "Name", &r), "");
    EXPECT_EQ(r, 0);

    Block odd("[S]\nA=\"\"\nB=\"x\"y\"\nC=\nD==\n");
    IniLine s = odd.section("S");
    EXPECT_EQ(keyValue(s, "A", &r), "");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(keyValue(s, "B"), "x\"y");  // inner quotes stay
    EXPECT_EQ(keyValue(s, "C", &r), "");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(keyValue(s, "D"), "=");
}

TEST(IniKeys, OutputIsBoundedByTheCallersBuffer) {
    Block b("[S]\nk=\"abcdefgh\"\nl=a,b,c,d\n");
    IniLine s = b.section("S");
    char out[8];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(GetKeyValue(s, "k", out, 5), 1);
    EXPECT_STREQ(out, "abcd");
    EXPECT_EQ(out[5], '#');
    EXPECT_EQ(GetKeyValue(s, "l", out, 4), 1);
    EXPECT_STREQ(out, "a,b");
    EXPECT_EQ(GetKeyValue(s, "k", out, 1), 1);
    EXPECT_STREQ(out, "");
    // No buffer at all: nothing written, the result still says whether the key is there.
    EXPECT_EQ(GetKeyValue(s, "k", nullptr, 0), 1);
    EXPECT_EQ(GetKeyValue(s, "zz", nullptr, 0), 0);
}

TEST(IniFields, KeyAndValuesNumbering) {
    Block b("[S]\nk = a , \"b c\" ,d\nx,y,z\n\"q=r\",s\nonly\ne=\n");
    IniLine kLine = b.section("S");
    IniLine listLine = NextLine(kLine);
    IniLine quotedEq = NextLine(listLine);
    IniLine only = NextLine(quotedEq);
    IniLine emptyValue = NextLine(only);
    int r;
    EXPECT_EQ(field(kLine, 0, &r), "k");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(field(kLine, 1, &r), "a");
    EXPECT_EQ(field(kLine, 2, &r), "b c");
    EXPECT_EQ(field(kLine, 3, &r), "d");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(field(kLine, 4, &r), "");
    EXPECT_EQ(r, 0);

    // Without "=": no key, and field 1 is the first comma item.
    EXPECT_EQ(field(listLine, 0, &r), "untouched");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(field(listLine, 1, &r), "x");
    EXPECT_EQ(field(listLine, 3, &r), "z");
    EXPECT_EQ(field(listLine, 4, &r), "");
    EXPECT_EQ(r, 0);

    // A "=" inside an open quote does not make a key for the values.
    EXPECT_EQ(field(quotedEq, 1, &r), "q=r");
    EXPECT_EQ(field(quotedEq, 2, &r), "s");

    EXPECT_EQ(field(only, 1, &r), "only");
    EXPECT_EQ(field(only, 2, &r), "");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(field(emptyValue, 1, &r), "");
    EXPECT_EQ(r, 1);  // an empty field is still a field

    EXPECT_EQ(field(nullptr, 1, &r), "untouched");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(GetField(kLine, 1, nullptr, 10), 0);
}

TEST(IniFields, TwoValuesAndTheDocumentedCommaCase) {
    Block b("[S]\nk=a,\"b c\"\nm=1,2\n");
    IniLine k = b.section("S");
    int r;
    EXPECT_EQ(field(k, 2, &r), "b c");
    EXPECT_EQ(field(NextLine(k), 3, &r), "");
    EXPECT_EQ(r, 0);
}

TEST(IniFields, OutputIsBoundedAndTrimmed) {
    Block b("[S]\nk=\"  padded  \",abcdefghij\n");
    IniLine k = b.section("S");
    char out[6];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(GetField(k, 2, out, 4), 1);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(out[4], '#');
    EXPECT_EQ(GetField(k, 1, out, 6), 1);
    EXPECT_STREQ(out, "  pad");  // blanks inside the quotes lead the value; the cut keeps the start
    char big[32];
    EXPECT_EQ(GetField(k, 1, big), 1);
    EXPECT_STREQ(big, "  padded");  // only trailing blanks are removed
    EXPECT_EQ(GetField(k, 1, out, 0), 0);
}

TEST(IniNames, MatchRules) {
    EXPECT_TRUE(NameMatches("VxD", "vxd", 3));
    EXPECT_TRUE(NameMatches("abc", "abX", 2));
    EXPECT_FALSE(NameMatches("abc", "abX", 3));
    EXPECT_TRUE(NameMatches("[", "{", 1));        // bit 0x20 makes these equal
    EXPECT_TRUE(NameMatches("a", "a ", 5));       // NUL counts as a blank
    EXPECT_TRUE(NameMatches("a", "ab", 0));       // length 0 compares one character
    EXPECT_FALSE(NameMatches("a", "b", 0));
    EXPECT_TRUE(NameMatches("ab", "ab", 40));     // stops at the end, reads nothing beyond
    EXPECT_FALSE(NameMatches(nullptr, "a", 1));

    EXPECT_EQ(HasUnquotedSeparator("a,b"), 1);
    EXPECT_EQ(HasUnquotedSeparator("x=y"), 1);
    EXPECT_EQ(HasUnquotedSeparator("\"a,b\""), 0);
    EXPECT_EQ(HasUnquotedSeparator("\"a\",b"), 1);
    EXPECT_EQ(HasUnquotedSeparator(""), 0);
    EXPECT_EQ(HasUnquotedSeparator(nullptr), 0);
}

TEST(IniRobustness, DamagedFilesNeverLeadOutsideTheText) {
    // Random files made of the bytes that matter to the grammar; every walk
    // and query must stay inside the compact form (ASan watches the exact
    // block: the written bytes and the two zero bytes the loader adds).
    const char alphabet[] = {'[', ']', '=', ',', '"', ';', ' ', '\t', '\r', '\n', '\0', '\x1A', 'a', 'B', '.', '\xE9'};
    std::mt19937 random(12345);
    for (int round = 0; round < 400; ++round) {
        std::string file(random() % 200, ' ');
        for (char& c : file)
            c = alphabet[random() % sizeof alphabet];
        std::vector<char> scratch(IniCompactor::bound(file.size()));
        size_t n = CompactIniText(reinterpret_cast<const BYTE*>(file.data()), file.size(), scratch.data(),
                                  scratch.size());
        ASSERT_GE(n, 3u);
        std::vector<char> block(scratch.begin(), scratch.begin() + static_cast<long>(n));
        block.push_back('\0');
        block.push_back('\0');
        ASSERT_EQ(static_cast<BYTE>(block[n - 1]), INITEXT_END_MARK);

        char out[4];
        for (IniLine line = NextStoredLine(block.data(), nullptr); line; line = NextStoredLine(block.data(), line)) {
            ASSERT_GE(line, block.data());
            ASSERT_LT(line, block.data() + n);
            for (int f = 0; f < 5; ++f)
                GetField(line, f, out, sizeof out);
            GetKeyValue(line, "a", out, sizeof out);
            CountLines(line);
            if (line[0] == '[') {
                std::string name(line + 1, std::strcspn(line + 1, "]"));
                IniLine first = FindSectionInBlock(block.data(), name.c_str(), name.size());
                if (first) {
                    ASSERT_LT(first, block.data() + n);
                    GetKeyValue(first, name.c_str(), out, sizeof out);
                }
            }
        }
    }
}

}  // namespace
