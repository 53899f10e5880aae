#include "platform/registry/RegistryModel.h"

#include <gtest/gtest.h>

#include <winreg.h>

using namespace nv::registry;

namespace {

const char kText[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; a comment\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\r\n"
    "\"ICMPath\"=\"C:\\\\WINDOWS\\\\SYSTEM\\\\COLOR\"\r\n"
    "@=\"default \\\"quoted\\\"\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Enum\\Root\\*PNP0401\\0000]\r\n"
    "\"PortName\" = \"LPT1\"\r\n"
    "\"Count\"=dword:2A\r\n"
    "\"Blob\"=hex:01,02,\\\r\n"
    "  ff\r\n"
    "\"Multi\"=hex(7):61,00,62,00,00\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n"
    "[HKEY_CLASSES_ROOT\\.txt]\r\n"
    "@=\"txtfile\"\r\n"
    "[HKEY_CURRENT_USER\\Empty]\n"
    "[HKEY_CURRENT_USER\\Temp\\Sub]\n"
    "[-HKEY_CURRENT_USER\\temp]\n";

std::vector<uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(RegistryModel, ReadsEveryValueForm) {
    Registry reg;
    ASSERT_TRUE(reg.importText(kText, "test.reg"));
    auto setup = parseKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\microsoft\\windows\\currentversion\\setup");
    ASSERT_TRUE(setup);
    const Key* k = reg.find(*setup);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->name(), "Setup");
    ASSERT_NE(k->value("icmpath"), nullptr);
    EXPECT_EQ(k->value("icmpath")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(k->value("icmpath")->data, bytes(std::string_view("C:\\WINDOWS\\SYSTEM\\COLOR\0", 24)));
    EXPECT_EQ(k->value("")->data, bytes(std::string_view("default \"quoted\"\0", 17)));

    const Key* port = reg.find(*parseKeyPath("HKLM\\Enum\\Root\\*PNP0401\\0000", true));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->value("PortName")->data, bytes(std::string_view("LPT1\0", 5)));
    EXPECT_EQ(port->value("Count")->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(port->value("Count")->data, (std::vector<uint8_t>{42, 0, 0, 0}));
    EXPECT_EQ(port->value("Blob")->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(port->value("Blob")->data, (std::vector<uint8_t>{1, 2, 0xff}));
    EXPECT_EQ(port->value("Multi")->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(port->value("Gone"), nullptr);

    // HKEY_CLASSES_ROOT lives below HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
    const Key* txt = reg.find(*parseKeyPath("HKEY_LOCAL_MACHINE\\Software\\Classes\\.TXT"));
    ASSERT_NE(txt, nullptr);
    EXPECT_NE(reg.find(*parseKeyPath("HKEY_CURRENT_USER\\Empty")), nullptr);
    EXPECT_EQ(reg.find(*parseKeyPath("HKEY_CURRENT_USER\\Temp")), nullptr);
}

TEST(RegistryModel, ExportReadsBackToTheSameTree) {
    Registry reg;
    ASSERT_TRUE(reg.importText(kText, "test.reg"));
    auto& odd = reg.create(*parseKeyPath("HKEY_USERS\\.Default\\Odd"));
    odd.setValue("lines", REG_SZ, bytes(std::string_view("two\r\nlines\0", 11)));
    odd.setValue("nonul", REG_SZ, bytes("abc"));
    odd.setValue("empty", REG_SZ, {0});
    odd.setValue("big", REG_BINARY, std::vector<uint8_t>(100, 0xab));
    odd.setValue("short dword", REG_DWORD, {1, 2});
    odd.setValue("back\\slash \"q\"", REG_EXPAND_SZ, bytes(std::string_view("%windir%\0", 9)));

    std::string text = reg.exportText();
    Registry again;
    ASSERT_TRUE(again.importText(text, "export.reg")) << text;
    EXPECT_EQ(again.exportText(), text);
    const Key* k = again.find(*parseKeyPath("HKEY_USERS\\.Default\\Odd"));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->value("lines")->data, bytes(std::string_view("two\r\nlines\0", 11)));
    EXPECT_NE(text.find("\"empty\"=\"\"\r\n"), std::string::npos);
    EXPECT_EQ(k->value("empty")->data, std::vector<uint8_t>{0});
    EXPECT_EQ(k->value("nonul")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(k->value("nonul")->data, bytes("abc"));
    EXPECT_EQ(k->value("big")->data, std::vector<uint8_t>(100, 0xab));
    EXPECT_EQ(k->value("short dword")->data, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(k->value("back\\slash \"q\"")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    // Wrapped hex lines stay within 80 columns.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 2;
    }
    // One key and what lies below it.
    EXPECT_EQ(again.exportText(*parseKeyPath("HKCU", true)),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Empty]\r\n\r\n");
    EXPECT_EQ(again.exportText(*parseKeyPath("HKEY_CLASSES_ROOT\\.txt")),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.txt]\r\n@=\"txtfile\"\r\n\r\n");
}

TEST(RegistryModel, DamagedTextNamesFileAndLineAndChangesNothing) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "x.reg:1: not a REGEDIT4 file (empty)"},
        {"Windows Registry Editor Version 5.00\r\n", "x.reg:1: not a REGEDIT4 file"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\r\n", "x.reg:2: key line without ']'"},
        {"REGEDIT4\r\n\r\n[HKEY_NOWHERE\\A]\r\n", "x.reg:3: unknown root key"},
        {"REGEDIT4\r\n\"a\"=\"b\"\r\n", "x.reg:2: value outside a key"},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"a\"=dword:123456789\r\n", "x.reg:3: cannot read the value data"},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"a\"=hex:1,2,xyz\r\n", "x.reg:3: cannot read the value data"},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"a\"=\"unterminated\r\n", "x.reg:3: cannot read the value data"},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"a=\"b\"\r\n", "x.reg:3: expected '='"},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\nstray\r\n", "x.reg:3: expected [KEY]"},
        {"REGEDIT4\r\n[HKEY_USERS\\A]\r\n\"a\"=hex:01,\\\r\n  02,\\\r\n  zz\r\n", "x.reg:3: cannot read"},
        {"REGEDIT4\r\n[-HKEY_USERS]\r\n", "x.reg:2: a root key cannot be deleted"},
    };
    for (const auto& c : cases) {
        Registry reg;
        reg.create(*parseKeyPath("HKEY_USERS\\Keep"));
        auto r = reg.importText(c.text, "x.reg");
        ASSERT_FALSE(r) << c.text;
        EXPECT_EQ(r.error().code, static_cast<DWORD>(ERROR_BADDB));
        EXPECT_EQ(r.error().message.rfind(c.message, 0), 0u) << r.error().message;
        EXPECT_EQ(reg.exportText(), "REGEDIT4\r\n\r\n[HKEY_USERS\\Keep]\r\n\r\n");
    }
}

// Damaged copies of a good file (bytes changed, lines cut) are read or
// refused, never a crash; what is read exports and reads back the same.
TEST(RegistryModel, SurvivesDamagedFiles) {
    uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const std::string good = kText;
    for (int round = 0; round < 500; ++round) {
        std::string text = good;
        int edits = 1 + static_cast<int>(next() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = next() % text.size();
            switch (next() % 3) {
            case 0: text[at] = static_cast<char>(next()); break;
            case 1: text.erase(at, next() % 20); break;
            default: text.insert(at, std::string(1, "[]\\\"=@-:,\r\n"[next() % 11])); break;
            }
            if (text.empty())
                text = "x";
        }
        Registry reg;
        auto r = reg.importText(text, "fuzz.reg");
        if (!r) {
            EXPECT_EQ(r.error().message.rfind("fuzz.reg:", 0), 0u) << r.error().message;
            continue;
        }
        Registry again;
        ASSERT_TRUE(again.importText(reg.exportText(), "export.reg")) << text;
        EXPECT_EQ(again.exportText(), reg.exportText());
    }
}
