// A fixture for tests of the program's procedures: a fresh simulated machine
// with C:\WINDOWS and C:\WINDOWS\SYSTEM, a reset installer state, the
// program's dialog templates, and dialogs answered from answer-file text.
// A run that the input stops (mismatch, input ended) fails the test instead
// of ending the process.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <windows.h>

#include "platform/user/Input.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowManager.h"
#include "script/IniText.h"
#include "shared/InstallState.h"
#include "TempMachine.h"
#include "tools/loader/ProgramResources.h"

namespace nv::testing {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = std::make_unique<TempMachine>();
        machine_->put('C', "WINDOWS/SYSTEM/.keep", "");
        machine_->put('C', "WINDOWS/WIN.INI", "[windows]\r\nload=\r\n");
        nv::user::reset();
        ResetInstallState();
        std::strcpy(state.windowsDir, "C:\\WINDOWS");
        std::strcpy(state.systemDir, "C:\\WINDOWS\\SYSTEM");
        std::strcpy(state.privateIniPath, "C:\\WINDOWS\\QS8000.INI");
        std::strcpy(state.sourceDir, "A:");
        std::strcpy(state.driverSourceDir, "A:");
        state.instance = reinterpret_cast<HINSTANCE>(0x400000);
        RegisterProgramResources(state.instance);  // as the loader maps them from the executable
        nv::user::input::SetStopHandler([this](nv::user::input::Status, const std::string& why) { stopped_ = why; });
        nv::user::input::UseNone();
    }

    void TearDown() override {
        if (state.currentText)
            FreeIniText(nullptr);
        nv::user::input::UseNone();
        nv::user::input::SetStopHandler(nullptr);
        nv::user::resources::clear();
        machine_.reset();
        EXPECT_EQ(stopped_, "") << "the input stopped the run";
    }

    // Dialogs and message boxes from now on are answered by this text.
    void answers(const std::string& text) {
        auto r = nv::user::input::UseAnswerText(text, "test answers");
        ASSERT_TRUE(r.ok()) << r.error().message;
    }
    // Every answer was used.
    void expectAnswersUsed() { EXPECT_EQ(nv::user::input::unusedAnswers(), ""); }

    // Writes a script on C:\ and makes it the current text.
    IniText loadScript(const std::string& name, const std::string& content) {
        machine_->put('C', name, content);
        if (state.currentText)
            FreeIniText(nullptr);
        std::string path = "C:\\" + name;
        IniText t = LoadIniText(path.c_str());
        EXPECT_NE(t, nullptr);
        return t;
    }

    TempMachine& tm() { return *machine_; }
    std::string file(const std::string& winRel) const { return machine_->get('C', winRel); }
    bool exists(const std::string& winRel) const { return std::filesystem::exists(machine_->host('C', winRel)); }
    std::string stopped_;

private:
    std::unique_ptr<TempMachine> machine_;
};

}  // namespace nv::testing
