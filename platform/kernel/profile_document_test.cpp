#include "platform/kernel/profile_document.h"

#include <gtest/gtest.h>

using nv::profile::Document;

TEST(ProfileDocument, GivesBackAnyBytesUnchanged) {
    const std::string samples[] = {
        "",
        "no newline at end",
        "[a]\r\nx=1\r\n\r\n; c\r\n",
        "[a]\rx=1\ry=2\r",                          // CR only
        "[a]\nx=1\r\ny=2\r\n\n",                    // mixed
        std::string("[a]\r\nk=v\0w\r\n\x1a", 13),   // NUL and end-of-file byte
        "\n\r\n\r",
        "[" + std::string(5000, 'x') + "\r\n" + std::string(300, '=') + "\r\n",
    };
    for (const auto& s : samples)
        EXPECT_EQ(Document::parse(s).text(), s);
}

TEST(ProfileDocument, ParsesHeadersEntriesAndComments) {
    auto doc = Document::parse(
        "orphan=1\r\n"
        "[ First ] trailing\r\n"
        "  Key1  =   value one  \r\n"
        "; comment=1\r\n"
        "bare line\r\n"
        "key2=\r\n"
        "[second\r\n"
        "k=[x]\r\n"
        "[FIRST]\r\n"
        "key1=dup section\r\n");
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"First", "second"}));
    EXPECT_EQ(doc.keyNames("first"), (std::vector<std::string>{"Key1", "key2"}));
    EXPECT_EQ(doc.entries("first"), (std::vector<std::string>{"Key1=value one", "bare line", "key2="}));
    EXPECT_EQ(doc.value(" FIRST ", " KEY1 "), "value one");
    EXPECT_EQ(doc.value("first", "key2"), "");
    EXPECT_EQ(doc.value("first", "bare line"), "");
    EXPECT_FALSE(doc.value("first", "missing"));
    EXPECT_EQ(doc.value("second", "k"), "[x]");
    EXPECT_FALSE(doc.value("", "orphan"));
}

TEST(ProfileDocument, EditsTouchOnlyTheirLines) {
    const std::string before =
        "; header comment\r\n"
        "[A]\r\n"
        "one = 1   \r\n"
        "\tTwo=2\r\n"
        "\r\n"
        "[B]\r\n"
        "x=y\r\n";
    auto doc = Document::parse(before);
    EXPECT_TRUE(doc.setValue("a", "TWO", "22"));
    EXPECT_FALSE(doc.setValue("a", "two", "22"));  // same text: no change
    EXPECT_TRUE(doc.setValue("a", "three", "3"));  // after the last entry, before the blank line
    EXPECT_EQ(doc.text(),
              "; header comment\r\n"
              "[A]\r\n"
              "one = 1   \r\n"
              "Two=22\r\n"
              "three=3\r\n"
              "\r\n"
              "[B]\r\n"
              "x=y\r\n");
    EXPECT_TRUE(doc.setValue("New", "k", "v"));
    EXPECT_TRUE(doc.deleteKey("A", "one"));
    EXPECT_FALSE(doc.deleteKey("A", "one"));
    EXPECT_TRUE(doc.deleteSection("b"));
    EXPECT_EQ(doc.text(),
              "; header comment\r\n"
              "[A]\r\n"
              "Two=22\r\n"
              "three=3\r\n"
              "\r\n"
              "[New]\r\n"
              "k=v\r\n");
}

TEST(ProfileDocument, NewLinesFollowTheFileAndEndTheLastLine) {
    auto lf = Document::parse("[a]\nx=1");
    lf.setValue("a", "y", "2");
    lf.setValue("b", "z", "3");
    EXPECT_EQ(lf.text(), "[a]\nx=1\ny=2\n[b]\nz=3\n");

    auto fresh = Document::parse("");
    fresh.setValue("Sec", "key", "value");
    EXPECT_EQ(fresh.text(), "[Sec]\r\nkey=value\r\n");

    auto empty = Document::parse("[a]\r\n");
    empty.setValue("a", "k", "v");
    EXPECT_EQ(empty.text(), "[a]\r\nk=v\r\n");
}

TEST(ProfileDocument, DeletionsRemoveEveryOccurrence) {
    auto doc = Document::parse("[a]\r\nk=1\r\nK=2\r\n[b]\r\n[A]\r\nk=3\r\n");
    EXPECT_EQ(doc.value("a", "k"), "1");
    EXPECT_TRUE(doc.deleteKey("a", "k"));
    EXPECT_FALSE(doc.value("a", "k"));
    EXPECT_TRUE(doc.deleteSection("a"));
    EXPECT_EQ(doc.text(), "[b]\r\n");
    EXPECT_FALSE(doc.hasSection("a"));
}

// Random bytes, long lines and edits in any order: never a crash (the
// sanitizers watch), and lines the edits do not name stay byte for byte.
TEST(ProfileDocument, SurvivesRandomBytesAndEdits) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const char alphabet[] = "[]=; \t\r\n\x1a\x00\xff" "abAB\"'";
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        size_t len = next() % 600;
        for (size_t i = 0; i < len; ++i)
            bytes += (next() % 8 == 0) ? static_cast<char>(next()) : alphabet[next() % (sizeof alphabet - 1)];
        auto doc = Document::parse(bytes);
        ASSERT_EQ(doc.text(), bytes);
        for (const auto& s : doc.sectionNames()) {
            for (const auto& k : doc.keyNames(s))
                (void)doc.value(s, k);
            (void)doc.entries(s);
        }
        doc.setValue("a", "b", "value");
        EXPECT_EQ(doc.value("a", "b"), "value");
        doc.deleteKey("a", "b");
        EXPECT_FALSE(doc.value("a", "b"));
        doc.deleteSection("b");
        EXPECT_FALSE(doc.hasSection("b"));
    }
}

TEST(ProfileDocument, NamesDamagedLinesWithoutChangingHowTheyRead) {
    const std::string text = std::string(
        "[ok]\r\n"
        "a=1\r\n"
        "[broken\r\n"
        "b=x\0y\r\n"
        "  =lost\r\n"
        "c=[not a header\r\n"
        "\tt=tab\x1a\r\n", 60);
    auto doc = Document::parse(text);
    auto problems = doc.problems();
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].line, 3);
    EXPECT_EQ(problems[0].why, "section header without ']'");
    EXPECT_EQ(problems[0].text, "[broken");
    EXPECT_EQ(problems[1].line, 4);
    EXPECT_EQ(problems[1].text, "b=x\\x00y");
    EXPECT_EQ(problems[2].line, 5);
    EXPECT_EQ(problems[2].why, "entry without a name");
    // Read as Windows reads them all the same.
    EXPECT_EQ(doc.value("broken", "b").value_or("?"), std::string("x\0y", 3));
    EXPECT_EQ(Document::parse(std::string(200, 'x') + "\x01").problems().at(0).text, std::string(80, 'x'));  // cut
}
