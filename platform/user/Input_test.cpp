// Input sources: answer-file syntax and its errors, mismatch and run-out
// messages, the console through a pipe, record then replay, disks, and the
// machine clock around a person's actions.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/user/Input.h"
#include "platform/user/InputScript.h"
#include "platform/user/MessageLog_test.h"
#include "platform/user/TemplateBuilder_test.h"

using nv::testing::MessageLog;
using nv::testing::sequenceIs;
using nv::testing::TemplateBuilder;
namespace input = nv::user::input;

namespace {

HINSTANCE kInst = reinterpret_cast<HINSTANCE>(0x400000);

class InputTest : public nv::testing::UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        input::SetStopHandler([this](input::Status s, const std::string& m) {
            stopped_ = s;
            stopMessage_ = m;
        });
        input::SetReactionTime(1000);
    }
    void TearDown() override {
        input::UseNone();
        input::SetStopHandler(nullptr);
        UserTest::TearDown();
    }
    input::Status stopped_ = input::Status::Running;
    std::string stopMessage_;
};

// ---- the syntax ----

TEST(AnswerSyntax, LongAndShortFormsReadTheSame) {
    auto same = [](const char* a, const char* b) {
        auto x = input::parseLine(a);
        auto y = input::parseLine(b);
        ASSERT_TRUE(x.ok()) << x.error().message;
        ASSERT_TRUE(y.ok()) << y.error().message;
        ASSERT_TRUE(x->action && y->action) << a << " / " << b;
        EXPECT_EQ(input::format(*x->action), input::format(*y->action)) << a << " / " << b;
    };
    same("click 1", "1");
    same("click \"&OK\"", "\"&OK\"");
    same("press Escape", "esc");
    same("press F3", "k f3");
    same("press Y", "y");
    same("type 117 \"C:\\FONTS\"", "t 117 \"C:\\FONTS\"");
    same("select 110 \"Arial\"", "s 110 \"Arial\"");
    same("toggle 110 2", "x 110 2   # a comment");
    same("wait 500", "w 500");

    auto typed = input::parseLine("type 117 \"C:\\WIN\\\\\" # trailing backslash escaped");
    ASSERT_TRUE(typed.ok());
    EXPECT_EQ(typed->action->text, "C:\\WIN\\");
    // The canonical form reads back to the same action.
    auto again = input::parseLine(input::format(*typed->action));
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->action->text, "C:\\WIN\\");
    auto quoted = input::parseLine(input::format(input::Action{input::Action::Kind::Type, {true, 5, ""},
                                                               input::Key::Enter, "say \"hi\"", {}, 'A', 0}));
    ASSERT_TRUE(quoted.ok());
    EXPECT_EQ(quoted->action->text, "say \"hi\"");

    auto header = input::parseLine("message \"Do you really\"");
    ASSERT_TRUE(header.ok());
    ASSERT_TRUE(header->expectation);
    EXPECT_EQ(header->expectation->match, "Do you really");
    auto blank = input::parseLine("   # only a comment");
    ASSERT_TRUE(blank.ok());
    EXPECT_FALSE(blank->action || blank->expectation);
}

TEST(AnswerSyntax, ErrorsNameTheFileAndLineAndQuoteTheText) {
    struct Case {
        const char* text;
        const char* where;
        const char* what;
    } cases[] = {
        {"dialog A\n  click\n", "f.txt:2:", "expected click CONTROL"},
        {"dialog A\n  press F13\n", "f.txt:2:", "unknown key \"F13\""},
        {"dialog A\n  jump 3\n", "f.txt:2:", "unknown action \"jump\""},
        {"  click 1\n", "f.txt:1:", "before the first step"},
        {"dialog A\ndialog B\n  click 1\n", "f.txt:1:", "step without an action"},
        {"dialog A\n  click 1\nmessage \"x\"\n", "f.txt:3:", "step without an action"},
        {"dialog A\n  type 117 \"open\n", "f.txt:2:", "unterminated"},
        {"dialog A\n  insert A \"d1\"\n", "f.txt:2:", "a drive such as A:"},
        {"dialog A B\n  click 1\n", "f.txt:1:", "dialog NAME"},
    };
    for (const auto& c : cases) {
        auto r = input::parseAnswers(c.text, "f.txt");
        ASSERT_FALSE(r.ok()) << c.text;
        EXPECT_EQ(r.error().message.rfind(c.where, 0), 0u) << r.error().message;
        EXPECT_NE(r.error().message.find(c.what), std::string::npos) << r.error().message;
    }
    // A NUL would cut the folder where the system reads it: "\0\0x" would
    // insert the machine directory itself as a disk.
    auto nul = input::parseAnswers(std::string_view("dialog A\n  insert A: \0\0x\n", 25), "f.txt");
    ASSERT_FALSE(nul.ok());
    EXPECT_EQ(nul.error().message.rfind("f.txt:2: a NUL byte", 0), 0u) << nul.error().message;
    auto ok = input::parseAnswers("; comment\n\ndialog A\n  click 1\r\n  press Enter\nmessage x\n  y\n", "f.txt");
    ASSERT_TRUE(ok.ok()) << ok.error().message;
    ASSERT_EQ(ok->size(), 2u);
    EXPECT_EQ((*ok)[0].actions.size(), 2u);
    EXPECT_EQ((*ok)[0].actions[1].line, 5);
}

// ---- runs ----

INT_PTR CALLBACK AskProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowTextA(dlg, "Choose");
        SendDlgItemMessageA(dlg, 110, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8000"));
        SendDlgItemMessageA(dlg, 110, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("QS-8200"));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == 117 && HIWORD(wParam) == EN_CHANGE)
            EnableWindow(GetDlgItem(dlg, IDOK), GetWindowTextLengthA(GetDlgItem(dlg, 117)) > 0);
        if (LOWORD(wParam) == IDOK) {
            char text[32];
            GetDlgItemTextA(dlg, 117, text, sizeof text);
            MessageLog::current().add("ok:" + std::string(text) + ":" +
                                      std::to_string(SendDlgItemMessageA(dlg, 110, LB_GETCURSEL, 0, 0)));
            if (std::string(text) == "BAD") {
                MessageBoxA(dlg, "This path does not exist.\nMake sure...", "Note", MB_OK | MB_ICONEXCLAMATION);
                return TRUE;
            }
            EndDialog(dlg, 1);
        }
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

TemplateBuilder askTemplate() {
    TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 200, 100, u"");
    t.item(0x81, WS_TABSTOP | WS_BORDER | ES_UPPERCASE, 10, 10, 100, 12, 117)
        .item(0x83, WS_TABSTOP | WS_BORDER | LBS_NOTIFY, 10, 26, 100, 30, 110)
        .item(0x80, WS_TABSTOP | BS_DEFPUSHBUTTON | WS_DISABLED, 10, 70, 50, 14, IDOK, u"&OK")
        .item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 70, 70, 50, 14, IDCANCEL, u"Cancel");
    return t;
}

INT_PTR runAsk() {
    auto t = askTemplate();
    return DialogBoxIndirectParamA(kInst, t.get(), nullptr, AskProc, 0);
}

TEST_F(InputTest, AStepThatStaysOpenNeedsAStepOfItsOwn) {
    ASSERT_TRUE(input::UseAnswerText("dialog Choose\n"
                                     "  type 117 \"bad\"\n"
                                     "  click 1\n"
                                     "message \"does not exist\"\n"
                                     "  enter\n"
                                     "dialog choose\n"
                                     "  type 117 \"c:\\fonts\"\n"
                                     "  select 110 \"qs-8200\"\n"
                                     "  click \"ok\"\n",
                                     "a.txt")
                    .ok());
    EXPECT_EQ(runAsk(), 1);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"ok:BAD:-1", "ok:C:\\FONTS:1"}));
    EXPECT_EQ(input::unusedAnswers(), "");
}

TEST_F(InputTest, AMismatchNamesTheStepAndShowsWhatCameUp) {
    ASSERT_TRUE(input::UseAnswerText("dialog Choose\n"
                                     "  type 117 \"bad\"\n"
                                     "  click 1\n"
                                     "dialog SELECTDRV\n"
                                     "  click 1\n",
                                     "a.txt")
                    .ok());
    EXPECT_EQ(runAsk(), -1);
    EXPECT_EQ(stopped_, input::Status::Mismatch);
    EXPECT_NE(stopMessage_.find("a.txt:4: expected dialog SELECTDRV, but message box \"Note\": "
                                "\"This path does not exist.\\nMake sure...\""),
              std::string::npos)
        << stopMessage_;
    EXPECT_NE(stopMessage_.find("[1] button \"OK\" (default, focus)"), std::string::npos) << stopMessage_;
    EXPECT_EQ(input::exitStatus(stopped_), input::kExitMismatch);
}

TEST_F(InputTest, ActionsThatCannotBeDoneStopTheRunWithTheReason) {
    struct Case {
        const char* answers;
        const char* reason;
    } cases[] = {
        {"dialog Choose\n  click 1\n", "a.txt:2: [1] button \"&OK\" is disabled"},
        {"dialog Choose\n  click 42\n", "a.txt:2: there is no control 42"},
        {"dialog Choose\n  select 110 7\n", "a.txt:2: [110] list \"\" has no row 7"},
        {"dialog Choose\n  type 110 \"x\"\n", "is not an edit field"},
        {"dialog Choose\n  deselect 110 0\n", "keeps one row selected"},
        {"dialog Choose\n  insert A: \"nowhere\"\n", "no disk folder \"nowhere\""},
        {"dialog Choose\n  insert C: \"disk1\"\n", "drive C: takes no disks"},
        // The machine directory itself is no disk, and a name the settings
        // file could not hold again would leave the machine unloadable.
        {"dialog Choose\n  insert A: \"\"\n", "no disk folder \"\""},
        {"dialog Choose\n  insert A: \".\"\n", "no disk folder \".\""},
        {"dialog Choose\n  insert A: \"drives/./C\"\n", "no disk folder"},
    };
    for (const auto& c : cases) {
        stopped_ = input::Status::Running;
        nv::user::reset();
        ASSERT_TRUE(input::UseAnswerText(c.answers, "a.txt").ok());
        EXPECT_EQ(runAsk(), -1) << c.answers;
        EXPECT_EQ(stopped_, input::Status::Mismatch) << c.answers;
        EXPECT_NE(stopMessage_.find(c.reason), std::string::npos) << stopMessage_;
    }
}

TEST_F(InputTest, RunningOutOfAnswersEndsTheRunWithItsOwnStatus) {
    ASSERT_TRUE(input::UseAnswerText("dialog Choose\n  type 117 \"x\"\n", "a.txt").ok());
    EXPECT_EQ(runAsk(), -1);
    EXPECT_EQ(stopped_, input::Status::InputEnded);
    EXPECT_NE(stopMessage_.find("a.txt: the answers ran out while dialog \"Choose\""), std::string::npos)
        << stopMessage_;
    EXPECT_NE(stopMessage_.find("[117] edit \"X\" (focus)"), std::string::npos) << stopMessage_;
    EXPECT_EQ(input::exitStatus(stopped_), input::kExitInputEnded);
    // After a stop the run winds down: no more dialogs, the loop ends.
    EXPECT_EQ(runAsk(), -1);
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK), 0);
    MSG m;
    EXPECT_FALSE(GetMessageA(&m, nullptr, 0, 0));
}

TEST_F(InputTest, LeftOverAnswersAreReported) {
    ASSERT_TRUE(input::UseAnswerText("dialog Choose\n  esc\n  enter\nmessage x\n  enter\n", "a.txt").ok());
    EXPECT_EQ(runAsk(), 0);
    EXPECT_EQ(input::unusedAnswers(), "a.txt:3: \"enter\" was not done\na.txt:4: message x never came up\n");
}

// A pipe for the console: what the person types, and what the console prints.
class Pipe {
public:
    explicit Pipe(const std::string& typed) : typed_(typed) {
        in_ = fmemopen(typed_.data(), typed_.size(), "r");
        out_ = open_memstream(&buf_, &len_);
    }
    ~Pipe() {
        std::fclose(in_);
        std::fclose(out_);
        std::free(buf_);
    }
    FILE* in() { return in_; }
    FILE* out() { return out_; }
    std::string printed() {
        std::fflush(out_);
        return std::string(buf_, len_);
    }

private:
    std::string typed_;
    FILE* in_ = nullptr;
    FILE* out_ = nullptr;
    char* buf_ = nullptr;
    size_t len_ = 0;
};

TEST_F(InputTest, TheConsolePrintsTheDialogAndRetriesWhatCannotBeDone) {
    Pipe pipe("help\nclick 1\nbogus\n  type 117 \"bad\"\ndialog Elsewhere\nclick 1\nenter\nesc\n");
    input::UseConsole(pipe.in(), pipe.out());
    EXPECT_EQ(runAsk(), 0);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    std::string out = pipe.printed();
    EXPECT_NE(out.find("dialog \"Choose\"\n  [117] edit \"\" (focus)\n  [110] list\n      "), std::string::npos)
        << out;
    EXPECT_NE(out.find("  [1] button \"&OK\" (default, disabled)"), std::string::npos) << out;
    EXPECT_NE(out.find("actions: click CONTROL"), std::string::npos) << out;
    EXPECT_NE(out.find("! [1] button \"&OK\" is disabled"), std::string::npos) << out;
    EXPECT_NE(out.find("! unknown action \"bogus\""), std::string::npos) << out;
    EXPECT_NE(out.find("! this is not dialog Elsewhere"), std::string::npos) << out;
    EXPECT_NE(out.find("message box \"Note\": \"This path does not exist.\\nMake sure...\""), std::string::npos)
        << out;
    EXPECT_TRUE(sequenceIs(MessageLog::current().entries(), {"ok:BAD:-1"}));
}

TEST_F(InputTest, TheConsoleEndingWhileADialogWaitsStopsTheRun) {
    Pipe pipe("type 117 \"x\"\n");
    input::UseConsole(pipe.in(), pipe.out());
    EXPECT_EQ(runAsk(), -1);
    EXPECT_EQ(stopped_, input::Status::InputEnded);
    EXPECT_EQ(stopMessage_.rfind("the console input ended while dialog \"Choose\"", 0), 0u) << stopMessage_;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(InputTest, ARecordedConsoleRunReplaysTheSameWay) {
    nv::testing::TempDir dir;
    std::string rec = (dir.path() / "run.answers").string();
    {
        Pipe pipe("t 117 \"bad\"\n1\nenter\nt 117 \"c:\\x\"\ns 110 1\n\"OK\"\n");
        input::UseConsole(pipe.in(), pipe.out());
        ASSERT_TRUE(input::RecordTo(rec).ok());
        EXPECT_EQ(runAsk(), 1);
        EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    }
    auto firstRun = MessageLog::current().entries();
    EXPECT_EQ(readAll(rec),
              "# answers recorded from a console run\n"
              "dialog Choose\n"
              "  type 117 \"bad\"\n"
              "  click 1  # &OK\n"
              "message \"This path does not exist.\"\n"
              "  press Enter\n"
              "dialog Choose\n"
              "  type 117 \"c:\\x\"\n"
              "  select 110 1  # QS-8200\n"
              "  click \"OK\"\n");

    MessageLog::current().clear();
    input::UseNone();
    nv::user::reset();
    ASSERT_TRUE(input::UseAnswerFile(rec).ok());
    EXPECT_EQ(runAsk(), 1);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    EXPECT_EQ(MessageLog::current().entries(), firstRun);
    EXPECT_TRUE(sequenceIs(firstRun, {"ok:BAD:-1", "ok:C:\\X:1"}));
    EXPECT_EQ(input::unusedAnswers(), "");
}

// The host side is UTF-8: an answer file, the console and a recording; the
// machine's texts stay Windows-1252.
TEST_F(InputTest, AnswerFilesConsoleAndRecordingsAreUtf8) {
    nv::testing::TempDir dir;
    std::string answers = (dir.path() / "fr.answers").string();
    std::ofstream(answers, std::ios::binary) << "message \"M\xC3\xA9moire\"\n  press Enter\n";
    ASSERT_TRUE(input::UseAnswerFile(answers).ok());
    EXPECT_EQ(MessageBoxA(nullptr, "M\xE9moire insuffisante.", "Note", MB_OK), IDOK);
    EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
    EXPECT_EQ(input::unusedAnswers(), "");

    input::UseNone();
    std::string rec = (dir.path() / "run.answers").string();
    {
        Pipe pipe("message \"M\xC3\xA9moire\"\nenter\n");
        input::UseConsole(pipe.in(), pipe.out());
        ASSERT_TRUE(input::RecordTo(rec).ok());
        EXPECT_EQ(MessageBoxA(nullptr, "M\xE9moire insuffisante.", "Note", MB_OK), IDOK);
        EXPECT_EQ(stopped_, input::Status::Running) << stopMessage_;
        std::string out = pipe.printed();
        EXPECT_NE(out.find("\"M\xC3\xA9moire insuffisante.\""), std::string::npos) << out;
        EXPECT_EQ(out.find("\xE9"), std::string::npos) << out;
    }
    EXPECT_NE(readAll(rec).find("message \"M\xC3\xA9moire insuffisante.\""), std::string::npos) << readAll(rec);
    input::UseNone();
}

// ---- disks and time ----

TEST_F(InputTest, InsertAndEjectChangeTheRemovableDrive) {
    std::filesystem::create_directories(machine_.dir() / "disks" / "disk2");
    ASSERT_TRUE(input::UseAnswerText("dialog Choose\n  eject A:\n  esc\n"
                                     "dialog Choose\n  insert a: \"disks/disk2\"\n  esc\n",
                                     "a.txt")
                    .ok());
    EXPECT_EQ(runAsk(), 0);
    EXPECT_FALSE(nv::machine::currentOrDie().drive('A')->hasDisk);
    EXPECT_EQ(runAsk(), 0);
    EXPECT_TRUE(nv::machine::currentOrDie().drive('A')->hasDisk);
    EXPECT_EQ(nv::machine::currentOrDie().drive('A')->folder, "disks/disk2");
}

std::vector<DWORD> gTicks;

INT_PTR CALLBACK TimerProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        SetTimer(dlg, 1, 800, nullptr);
        SetTimer(dlg, 2, 1500, nullptr);
        return TRUE;
    }
    if (msg == WM_TIMER) {
        gTicks.push_back(GetTickCount());
        if (wParam == 1)
            KillTimer(dlg, 1);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

TEST_F(InputTest, TimersDueWithinAPersonsReactionFireBeforeTheAction) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 100, 50, u"Timed");
    t.item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 10, 10, 50, 14, IDCANCEL, u"Cancel");
    gTicks.clear();
    // The first action comes at 1000 ms: the 800 ms timer fires first, the
    // 1500 ms one does not. The wait lets it fire twice more (1500, 3000).
    ASSERT_TRUE(input::UseAnswerText("dialog Timed\n  wait 2500\n  esc\n", "a.txt").ok());
    DWORD start = GetTickCount();
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, TimerProc, 0), 0);
    ASSERT_EQ(gTicks.size(), 3u);
    EXPECT_EQ(gTicks[0] - start, 800u);
    EXPECT_EQ(gTicks[1] - start, 1500u);
    EXPECT_EQ(gTicks[2] - start, 3000u);
}

TEST_F(InputTest, ADialogWithoutAnInputSourceStopsEvenWhileATimerTicks) {
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 100, 50, u"Timed");
    t.item(0x80, WS_TABSTOP | BS_PUSHBUTTON, 10, 10, 50, 14, IDCANCEL, u"Cancel");
    input::UseNone();
    gTicks.clear();
    // The 1500 ms timer keeps ticking; without a person nothing ends the dialog.
    EXPECT_EQ(DialogBoxIndirectParamA(kInst, t.get(), nullptr, TimerProc, 0), -1);
    EXPECT_EQ(stopped_, input::Status::Stalled);
    EXPECT_NE(stopMessage_.find("dialog \"Timed\" waits for input, but there is no input source"), std::string::npos)
        << stopMessage_;
    EXPECT_TRUE(gTicks.empty());
}

}  // namespace
