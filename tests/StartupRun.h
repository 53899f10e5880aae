// Shared by the start-up tests: a throw-away machine with a disk in A:, the
// program run whole through InstallerMain with its message boxes answered,
// and the calls it made, for order checks.
#pragma once

#include <sstream>

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Trace.h"
#include "platform/progman/ProgmanWindow.h"
#include "platform/user/Input.h"
#include "platform/user/WindowManager.h"
#include "script/MessageText.h"
#include "shared/InstallState.h"
#include "startup/ExitCleanUp.h"
#include "startup/Startup.h"
#include "TempMachine.h"
#include "tools/loader/ProgramResources.h"

namespace startup_test {

using nv::testing::TempMachine;
namespace input = nv::user::input;

inline const char* const kScript =
    "[PRIVATE.INI]\r\nqs8000.ini\r\n"
    "[OEM.INF]\r\nOEMSETUP.INF\r\n"
    "[PRINTERDRIVER]\r\nPATH=DRIVER\r\n"
    "[TRUETYPEFONTS]\r\nFONTLIST=Norvalk Sans,Norvalk Mono\r\n"
    "[VxD]\r\nNVBIDI.386\r\nmessage = true\r\nsetinf=0\r\n"
    "[DEMOFILE]\r\nfile=1:QSDEMO.PRN\r\n"
    "[DEL.INST]\r\n1\r\n"
    "[REBOOTSYSTEM]\r\n2\r\n"
    "[InstVersion]\r\nVersion 1.1\r\n";

inline const char* const kOemInf =
    "[Manufacturer]\r\n\"Norvalk\"=Norvalk.Models\r\n"
    "[Norvalk.Models]\r\n\"Norvalk QS-8000 series\"=QS8000.Install\r\n"
    "[QS8000.Install]\r\nDriverFile=QS8000.DRV\r\nDataFile=QS8000.DRV\r\n";

// `text` with the body of section `header` replaced (the section is added
// at the end when missing; an empty body leaves the bare header).
inline std::string withSection(std::string text, const std::string& header, const std::string& body) {
    size_t at = text.find(header + "\r\n");
    if (at == std::string::npos)
        return text + header + "\r\n" + body;
    size_t from = at + header.size() + 2;
    size_t to = text.find('[', from);
    return text.replace(from, (to == std::string::npos ? text.size() : to) - from, body);
}

// A file in the SZDD format with literal blocks only.
inline std::string compress(const std::string& plain) {
    std::string out("SZDD\x88\xF0\x27\x33\x41", 9);
    out += 'F';
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((plain.size() >> (8 * i)) & 0xFF);
    for (size_t i = 0; i < plain.size(); i += 8) {
        out += '\xFF';
        out += plain.substr(i, 8);
    }
    return out;
}

// Questions of the stages (caption "Question"), each answered No; the start
// itself asks no questions, so these are the stages' alone.
inline std::string declineQuestions(int count, int language = 0) {
    char caption[256];
    GetMessageTextIn(language, 164, caption, sizeof caption);
    std::string answers;
    for (int i = 0; i < count; ++i)
        answers += std::string("message \"") + caption + "\"\npress N\n";
    return answers;
}
// The finish of a run that only shows how to add the printer in Windows 95.
inline const std::string kWin95Note = "message \"Windows 95 Users\"\npress Enter\n";

// A message box's line in the trace: texts quoted as the trace quotes them.
inline std::string box(const std::string& text, const std::string& caption, UINT style) {
    std::ostringstream os;
    os << "MessageBoxA(NULL, ";
    nv::trace::detail::quote(os, text);
    os << ", ";
    nv::trace::detail::quote(os, caption);
    os << ", " << style << ") = 1";
    return os.str();
}

inline std::string text(UINT id, int language = 0) {
    char buffer[256];
    return GetMessageTextIn(language, id, buffer, sizeof buffer);
}

struct Outcome {
    int status = -1;
    std::vector<std::string> calls;
    std::vector<std::string> boxes;
    input::Status stop = input::Status::Running;
    std::string stopMessage;

    // A call matches a pattern that starts it; "*" in the pattern stands
    // for any text.
    static bool matches(const std::string& call, const std::string& pattern) {
        size_t at = 0;
        size_t from = 0;
        for (size_t star; (star = pattern.find('*', from)) != std::string::npos; from = star + 1) {
            std::string part = pattern.substr(from, star - from);
            size_t found = call.find(part, at);
            if (found == std::string::npos || (from == 0 && found != 0))
                return false;
            at = found + part.size();
        }
        std::string last = pattern.substr(from);
        size_t found = call.find(last, at);
        return found != std::string::npos && (from != 0 || found == 0);
    }
    // Success when calls matching these patterns appear in this order;
    // otherwise both lists are printed.
    ::testing::AssertionResult inOrder(const std::vector<std::string>& prefixes) const {
        size_t next = 0;
        for (const auto& c : calls)
            if (next < prefixes.size() && matches(c, prefixes[next]))
                ++next;
        if (next == prefixes.size())
            return ::testing::AssertionSuccess();
        auto failure = ::testing::AssertionFailure() << "expected in order:\n";
        for (size_t i = 0; i < prefixes.size(); ++i)
            failure << (i == next ? " >> " : "    ") << prefixes[i] << "\n";
        failure << "calls made:\n";
        for (const auto& c : calls)
            failure << "    " << c << "\n";
        return failure;
    }
    bool called(const std::string& prefix) const { return bool(inOrder({prefix})); }
};

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = std::make_unique<TempMachine>();
        // The texts the tests expect come from the program's own string table.
        nv::user::reset();
        RegisterProgramResources(reinterpret_cast<HINSTANCE>(0x400000));
    }
    void TearDown() override { input::UseNone(); }

public:  // also for the arrangements of table-driven cases

    // A machine with these settings, replacing the default one.
    void remake(const nv::machine::Settings& settings) {
        machine_.reset();
        machine_ = std::make_unique<TempMachine>(settings);
        // The program's resources are mapped per machine, as on a fresh start.
        RegisterProgramResources(reinterpret_cast<HINSTANCE>(0x400000));
        prepare();
    }
    // Windows directories, and a disk in A: with the script and the OEM INF.
    void prepare(const std::string& script = kScript) {
        std::filesystem::create_directories(m().host('C', "WINDOWS/SYSTEM"));
        m().put('A', "INSTALL.INF", script);
        m().put('A', "OEMSETUP.INF", kOemInf);
        m().put('A', "DRIVER/OEMSETUP.INF", kOemInf);
        if (!std::filesystem::exists(m().host('C', "WINDOWS/WIN.INI")))
            m().put('C', "WINDOWS/WIN.INI", "[windows]\r\nload=\r\n");
    }
    TempMachine& m() { return *machine_; }
    std::string winIni() { return m().get('C', "WINDOWS/WIN.INI"); }
    bool onC(const std::string& rel) { return std::filesystem::exists(m().host('C', rel)); }

    // Runs the program; every message box is answered by pressing Enter and
    // must show `expectedBoxes` (captions or texts) in this order; then the
    // stages' questions are answered by `stageAnswers` (by default: no
    // driver, no demonstration file, no fonts).
    Outcome run(const std::string& commandLine, const std::vector<std::string>& expectedBoxes = {},
                const std::string& stageAnswers = declineQuestions(3)) {
        std::string answers;
        for (const auto& b : expectedBoxes)
            answers += "message \"" + b + "\"\nEnter\n";
        answers += stageAnswers;
        Outcome out;
        nv::progman::registerProgramManager();  // it runs when the machine says so
        nv::user::reset();  // a fresh process: no classes or windows of an earlier run
        RegisterProgramResources(reinterpret_cast<HINSTANCE>(0x400000));
        auto used = input::UseAnswerText(answers, "answers");
        EXPECT_TRUE(used.ok()) << used.error().message;
        input::SetStopHandler([&out](input::Status s, const std::string& why) {
            out.stop = s;
            out.stopMessage = why;
        });
        nv::trace::startCapture();
        out.status = InstallerMain(reinterpret_cast<HINSTANCE>(0x400000), commandLine.c_str(), SW_SHOWNORMAL);
        // The order of the calls is what these checks look at; the nesting
        // (calls from the window procedures, indented) is not.
        for (auto& c : nv::trace::stopCapture())
            out.calls.push_back(c.erase(0, c.find_first_not_of(' ')));
        for (const auto& c : out.calls)
            if (c.rfind("MessageBoxA(", 0) == 0 && !isStageQuestion(c))
                out.boxes.push_back(c);
        EXPECT_EQ(out.stop, input::Status::Running) << out.stopMessage;
        EXPECT_EQ(input::unusedAnswers(), "");
        return out;
    }

    // A yes/no question of the stages, in any language.
    static bool isStageQuestion(const std::string& call) {
        for (int language = 0; language < LANGUAGE_COUNT; ++language) {
            char caption[256];
            GetMessageTextIn(language, 164, caption, sizeof caption);
            if (call.find(std::string("\", \"") + caption + "\", " + std::to_string(MB_YESNO) + ")") != std::string::npos)
                return true;
        }
        return false;
    }

    void setRegistryString(const char* key, const char* name, const char* value) {
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), std::strlen(value) + 1);
        RegCloseKey(k);
    }

private:
    std::unique_ptr<TempMachine> machine_;
};

inline std::map<std::string, std::string> snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[e.path().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

}  // namespace startup_test
