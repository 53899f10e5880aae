// The choice dialogs answered in French through a whole install and its
// uninstall, on a fresh machine with the sample disks: the language, the
// mode both ways, one model and then two, the fonts with too little space
// (a change of fonts, then of drive) and the restart. Afterwards the machine
// shows what each choice was: the private INI, the files and where the fonts
// went, the fonts' registry values, the spooler, the recorded end of Windows.
// The uninstall is answered at the console.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "AnswerRun.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::AnswerRun;
using nv::testing::CommandRun;
using nv::testing::endLines;
using nv::testing::kFontsKey;
using nv::testing::kInstalledRestart;
using nv::testing::nvmachine;

using ChoiceRun = AnswerRun;

TEST_F(ChoiceRun, FrenchInstallThroughEveryChoiceThenTwoModelsUninstalled) {
    // A small drive D:, and the QS-8000 installed already: its driver file
    // (which makes the run ask for the mode) and its printer.
    CommandRun made = nvmachine({"new", machine.string(), "--drive", "D:fixed:80K"});
    ASSERT_EQ(made.status, 0) << made.out;
    nv::testing::writeWholeFile(onMachine("C:\\WINDOWS\\SYSTEM\\qs8000.drv"), "an earlier install");
    CommandRun preload = nvmachine({"setting", machine.string(), "spoolerPreload",
                                    "Norvalk QS-8000 series,Norvalk QS-8000 series,QS8000.DRV,LPT1:"});
    ASSERT_EQ(preload.status, 0) << preload.out;

    EXPECT_EQ(run("french-short-font-space.txt"),
              endLines(kInstalledRestart, "asked for: log off (reserved argument 0xFFFFFFFF)"));
    EXPECT_EQ(privateIni("Language"), "1");
    EXPECT_EQ(privateIni("DriverName"), "Norvalk QS-8600");
    EXPECT_TRUE(exists("C:\\WINDOWS\\SYSTEM\\qs8600.drv"));
    // The fonts went to the drive chosen last, without the one left out,
    // and are registered where they are.
    EXPECT_EQ(privateIni("FontPath"), "C:\\POLICES");
    for (const char* f : {"NVSANS.TTF", "NVSANSB.TTF", "NVSERIF.TTF", "NVSERIFI.TTF", "NVCOND.TTF"})
        EXPECT_TRUE(exists(std::string("C:\\POLICES\\") + f)) << f;
    EXPECT_FALSE(exists("C:\\POLICES\\NVMONO.TTF"));
    EXPECT_FALSE(exists("D:\\POLICES\\NVSANS.TTF"));
    std::string fonts = registry(kFontsKey);
    EXPECT_NE(fonts.find("\"Norvalk Sans (TrueType)\"=\"C:\\\\POLICES\\\\NVSANS.TTF\""), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find("D:\\\\POLICES"), std::string::npos) << fonts;
    EXPECT_EQ(fonts.find("Norvalk Mono"), std::string::npos) << fonts;
    EXPECT_EQ(nvmachine({"shutdown", machine.string()}).out,
              "logoff,reserved=0xFFFFFFFF\tlog off (reserved argument 0xFFFFFFFF)\n");

    // The earlier printer stays in the spooler from now on as the run left it.
    ASSERT_EQ(nvmachine({"setting", machine.string(), "spoolerPreload", ""}).status, 0);
    std::string printers = nvmachine({"printers", machine.string()}).out;
    ASSERT_NE(printers.find("  Norvalk QS-8000 series\n"), std::string::npos) << printers;
    ASSERT_NE(printers.find("  Norvalk QS-8600  (default printer)\n"), std::string::npos) << printers;

    // The uninstall answered at the console, the answers piped in.
    fs::remove(before);
    EXPECT_EQ(run("french-uninstall-two-models.txt", nv::testing::RunOptions().atTheConsole()),
              endLines("the driver was removed (runResult 3)"));
    std::string console = nv::testing::readWholeFile(consoleTranscript);
    EXPECT_NE(console.find("dialog SELECTDRVMULTI \"Choix du pilote\"\n  [146] static \"&Liste des imprimantes\"\n"
                           "  [119] list (multiple) (focus)\n      * 0 \"Norvalk QS-8000 series\"\n"
                           "        1 \"Norvalk QS-8600\"\n"),
              std::string::npos)
        << console;
    printers = nvmachine({"printers", machine.string()}).out;
    EXPECT_NE(printers.find("Printers:\n  (none)\nDrivers (Windows 4.0):\n  (none)\n"), std::string::npos)
        << printers;
    EXPECT_FALSE(exists("C:\\WINDOWS\\SYSTEM\\qs8600.drv"));
    EXPECT_FALSE(exists(nv::testing::kPrivateIni));
    EXPECT_EQ(nvmachine({"shutdown", machine.string()}).status, 1) << "Return asks for no end of Windows";
}

}  // namespace
