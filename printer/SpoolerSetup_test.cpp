// The spooler step and printer naming against the machine's spooler: the
// order of the calls, what the spooler holds afterwards, the PRINTERNAME
// dialog from answer files, and the limits of the names and lists.
#include "printer/SpoolerSetup.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "MessageSequence.h"
#include "ProgramTest.h"
#include "platform/core/Trace.h"
#include "printer/OemInf.h"
#include "printer/PrinterName.h"
#include "shared/BoundedText.h"

using nv::testing::MessageSequence;
using nv::testing::ProgramTest;
using nv::testing::sequenceIs;
namespace fs = std::filesystem;

namespace {

const char* kDriver = "Norvalk QS-8000 series";
const char* kSystemFiles[] = {"QS8000.DRV", "QS8000.HLP", "NVPROC.DLL", "NVLMON.DLL", "OTHER.DRV"};

class SpoolerSetup : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        for (const char* f : kSystemFiles)
            tm().put('C', std::string("WINDOWS/SYSTEM/") + f, "stand-in file");
        CopyText(state.driverName, kDriver);
    }
    void TearDown() override {
        nv::trace::stopCapture();
        ProgramTest::TearDown();
    }

    // A driverEntry block as PrepareModel leaves it.
    void entry(const char* processor, const char* monitor, const char* driverFile = "QS8000.DRV",
               const char* dataType = "", const char* help = "QS8000.HLP") {
        HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, DRIVER_ENTRY_BLOCK_SIZE);
        auto* e = static_cast<DriverEntry*>(LocalLock(block));
        CopyText(e->driverFile, driverFile);
        CopyText(e->defaultDataType, dataType);
        CopyText(e->helpFile, help);
        CopyText(e->languageMonitor, monitor);
        CopyText(e->printProcessor, processor);
        LocalUnlock(block);
        state.driverEntry = block;
    }
    void copyEntry(int i, CopyKind kind, const char* name, const char* destination = nullptr,
                   CompareVersions compare = CompareVersions::No) {
        ASSERT_EQ(WriteCopyEntry(state.copyList[i], kind, compare, '1', name, destination), 1);
    }

    static bool failed(const std::string& line) {
        std::string result = line.substr(line.rfind(" = ") + 3);
        return result == "NULL" || result == "0";
    }
    // The spooler calls of AddToSpooler, as the trace records them.
    std::vector<std::string> run(int expected, HWND window = nullptr) {
        nv::trace::startCapture();
        EXPECT_EQ(AddToSpooler(window), expected);
        std::vector<std::string> calls;
        for (const auto& line : nv::trace::stopCapture())
            for (const char* name : {"AddPrintProcessorA(", "AddMonitorA(", "AddPrinterDriverA(", "AddPrinterA(",
                                     "ClosePrinter("})
                if (line.rfind(name, 0) == 0)
                    calls.push_back(line.substr(0, line.rfind(" = ")) + (failed(line) ? " fails" : ""));
        EXPECT_EQ(state.driverEntry, nullptr);  // released in every case
        return calls;
    }

    // The local printers (name, driver, port, processor, datatype, attributes).
    std::vector<std::string> printers() {
        std::vector<std::string> out;
        DWORD needed = 0, returned = 0;
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
        std::vector<BYTE> buffer(needed + 1);
        EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned));
        auto* p = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i)
            out.push_back(std::string(p[i].pPrinterName) + "|" + p[i].pDriverName + "|" + p[i].pPortName + "|" +
                          p[i].pPrintProcessor + "|" + p[i].pDatatype + "|" + std::to_string(p[i].Attributes));
        return out;
    }

    // The installed driver at level 3: its dependent files joined with '|'
    // and its monitor name.
    std::pair<std::string, std::string> driverFiles(const char* name) {
        DWORD needed = 0, returned = 0;
        EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &returned);
        std::vector<BYTE> buffer(needed + 1);
        EXPECT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 3, buffer.data(), needed, &needed, &returned));
        auto* d = reinterpret_cast<DRIVER_INFO_3A*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i) {
            if (std::strcmp(d[i].pName, name) != 0)
                continue;
            std::string files;
            for (const char* f = d[i].pDependentFiles; f && *f; f += std::strlen(f) + 1)
                files += (files.empty() ? "" : "|") + std::string(f);
            return {files, d[i].pMonitorName ? d[i].pMonitorName : "(null)"};
        }
        return {"(no driver)", ""};
    }
};

const MessageSequence kFullOrder{
    "processor, monitor, driver, printer",
    {"AddPrintProcessorA(NULL, \"Windows 4.0\", \"NVPROC.DLL\", \"Norvalk Processor\")",
     "AddMonitorA(NULL, 2, \"Norvalk Language Monitor\")", "AddPrinterDriverA(NULL, 3, \"Norvalk QS-8000 series\")",
     "AddPrinterA(NULL, 2, \"Norvalk QS-8000 series\")", "ClosePrinter(0x5000)"}};

}  // namespace

TEST_F(SpoolerSetup, ProcessorMonitorDriverPrinterInThatOrder) {
    entry("\"Norvalk Processor\",NVPROC.DLL", "Norvalk Language Monitor,\"NVLMON.DLL\"");
    copyEntry(0, CopyKind::File, "QS8000.DRV");
    copyEntry(1, CopyKind::Renamed, "QSRES.DL_", "QSRES.DLL", CompareVersions::Yes);  // 0xB6
    copyEntry(2, CopyKind::Renamed, "QSTWO.DL_", "QSTWO.DLL");
    copyEntry(3, CopyKind::ColourProfile, "QS8000.ICM");
    copyEntry(4, CopyKind::Skip, "QS8000.HLP");  // a duplicate is listed as well
    copyEntry(5, CopyKind::File, "QS8000.HLP");
    EXPECT_TRUE(sequenceIs(run(1), kFullOrder));

    EXPECT_EQ(printers(), std::vector<std::string>{
                              "Norvalk QS-8000 series|Norvalk QS-8000 series|LPT1:|Norvalk Processor|RAW|2052"});
    auto [files, monitor] = driverFiles(kDriver);
    EXPECT_EQ(files, "QS8000.DRV|QSRES.DLL|QSTWO.DLL|Color\\QS8000.ICM|QS8000.HLP|QS8000.HLP");
    EXPECT_EQ(monitor, "Norvalk Language Monitor");

    // What a person sees with the machine tool.
    ASSERT_TRUE(tm().machine().save().ok());
    auto shown = nv::testing::runNvmachine({"printers", tm().dir().string()});
    ASSERT_EQ(shown.status, 0) << shown.out;
    EXPECT_NE(shown.out.find("Norvalk QS-8000 series  (default printer)"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("Norvalk Processor"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("Norvalk Language Monitor"), std::string::npos) << shown.out;
}

TEST_F(SpoolerSetup, WinPrintAddsNoProcessorAndNoMonitorWithoutOne) {
    for (const char* processor : {"", "winPRINT,WINPRINT.DLL"}) {
        SCOPED_TRACE(processor);
        CopyText(state.newPrinterName, processor[0] ? "Second" : "");
        entry(processor, "", "QS8000.DRV", "NT EMF 1.003");
        EXPECT_TRUE(sequenceIs(run(1), {"AddPrinterDriverA(NULL, 3, \"Norvalk QS-8000 series\")",
                                        std::string("AddPrinterA(NULL, 2, \"") +
                                            (processor[0] ? "Second" : kDriver) + "\")",
                                        processor[0] ? "ClosePrinter(0x5004)" : "ClosePrinter(0x5000)"}));
        EXPECT_EQ(driverFiles(kDriver).first, "");  // the copy list is empty: no dependent files
        EXPECT_EQ(driverFiles(kDriver).second, "(null)");
    }
    auto list = printers();
    ASSERT_EQ(list.size(), 2u);
    // The second printer took over as the default.
    EXPECT_EQ(list[0], "Norvalk QS-8000 series|Norvalk QS-8000 series|LPT1:|WinPrint|NT EMF 1.003|2048");
    EXPECT_EQ(list[1], "Second|Norvalk QS-8000 series|LPT1:|WinPrint|NT EMF 1.003|2052");
}

TEST_F(SpoolerSetup, AFailedDriverMakesNoPrinterAndKeepsTheResult) {
    entry("", "Norvalk Language Monitor,NVLMON.DLL", "MISSING.DRV");
    EXPECT_TRUE(sequenceIs(run(1), {"AddMonitorA(NULL, 2, \"Norvalk Language Monitor\")",
                                    "AddPrinterDriverA(NULL, 3, \"Norvalk QS-8000 series\") fails"}));
    EXPECT_TRUE(printers().empty());
    // Without a driverEntry block nothing is tried.
    EXPECT_TRUE(run(0).empty());
}

TEST_F(SpoolerSetup, ATakenNameGoesThroughTheDialogAndASecondTry) {
    // Another maker's printer already carries the driver's name, and so does its first copy.
    ASSERT_EQ(tm().setting("spoolerPreload", "Norvalk QS-8000 series,Other,OTHER.DRV,LPT2:;"
                                             "Norvalk QS-8000 series (Copy 2),Other,OTHER.DRV,LPT2:"),
              "");
    entry("", "");
    answers("dialog PRINTERNAME\n  click 1\n");
    EXPECT_TRUE(sequenceIs(run(1), {"AddPrinterDriverA(NULL, 3, \"Norvalk QS-8000 series\")",
                                    "AddPrinterA(NULL, 2, \"Norvalk QS-8000 series\") fails",
                                    "AddPrinterA(NULL, 2, \"Norvalk QS-8000 series (Copy 3)\")",
                                    "ClosePrinter(0x5000)"}));
    expectAnswersUsed();
    EXPECT_STREQ(state.newPrinterName, "Norvalk QS-8000 series (Copy 3)");
    auto list = printers();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2], "Norvalk QS-8000 series (Copy 3)|Norvalk QS-8000 series|LPT1:|WinPrint|RAW|2052");

    // Cancel, confirmed: the step fails and no printer is made.
    CopyText(state.newPrinterName, "");
    entry("", "");
    answers("dialog PRINTERNAME\n  click 2\nmessage \"Do you really want to cancel\"\n  click \"&Yes\"\n");
    EXPECT_TRUE(sequenceIs(run(0), {"AddPrinterDriverA(NULL, 3, \"Norvalk QS-8000 series\")",
                                    "AddPrinterA(NULL, 2, \"Norvalk QS-8000 series\") fails"}));
    expectAnswersUsed();
    EXPECT_EQ(printers().size(), 3u);
}

TEST_F(SpoolerSetup, PrinterNameDialogWarnsOfATakenNameAndKeepsItOpen) {
    ASSERT_EQ(tm().setting("spoolerPreload", "Acme Writer,Other,OTHER.DRV,LPT2:"), "");
    answers("dialog PRINTERNAME\n"
            "  type 1006 \"ACME writer\"\n  click 1\n"
            "message \"Another printer already has this name.Use a different name\"\n  press Enter\n"
            "dialog PRINTERNAME\n"
            "  click 2\nmessage \"Do you really want to cancel\"\n  click \"&No\"\n"
            "dialog PRINTERNAME\n"
            "  type 1006 \"A name far longer than thirty-one characters\"\n  click 1\n");
    EXPECT_EQ(ChoosePrinterName(nullptr, kDriver), 1);
    expectAnswersUsed();
    EXPECT_STREQ(state.newPrinterName, "A name far longer than thirty-o");  // the field takes 31
}

TEST_F(SpoolerSetup, CopyNamesStayWithinThirtyOneCharacters) {
    char name[128];
    struct Case {
        const char* base;
        int n;
        const char* want;
    } cases[] = {
        {"Norvalk QS-8000 series", 2, "Norvalk QS-8000 series (Copy 2)"},  // 22 + 9: exactly 31
        {"Norvalk QS-8000 seriesX", 2, "Norvalk QS-8000 series (Copy 2)"},  // one past: cut
        {"Norvalk QS-8000 series with 29", 2, "Norvalk QS-8000 series (Copy 2)"},
        {"A driver name of 30 characters", 12, "A driver name of 30 c (Copy 12)"},
        {"", 99, " (Copy 99)"},
    };
    for (const auto& c : cases) {
        CopyText(name, c.base);
        ASSERT_EQ(MakeCopyName(name, c.n), 1);
        EXPECT_STREQ(name, c.want) << c.base;
        EXPECT_LE(std::strlen(name), 31u);
    }
    char small[31] = "too small";
    EXPECT_EQ(MakeCopyName(small, sizeof small, 2), 0);
    EXPECT_STREQ(small, "too small");

    // A 31-character driver whose copies 2 and 3 exist gets 4, cut to fit.
    const char* base = "A driver name of 31 characters!";
    ASSERT_EQ(std::strlen(base), 31u);
    ASSERT_EQ(tm().setting("spoolerPreload", "A driver name of 31 ch (Copy 2),Other,OTHER.DRV,LPT2:;"
                                             "A DRIVER NAME OF 31 CH (COPY 3),Other,OTHER.DRV,LPT2:"),
              "");
    answers("dialog PRINTERNAME\n  click 1\n");
    EXPECT_EQ(ChoosePrinterName(nullptr, base), 1);
    EXPECT_STREQ(state.newPrinterName, "A driver name of 31 ch (Copy 4)");
}

TEST_F(SpoolerSetup, DriverInstalledLooksAtTheSpoolersDrivers) {
    ASSERT_EQ(tm().setting("spoolerPreload", ",Norvalk QS-7000,QS7000.DRV"), "");
    CopyText(state.newPrinterName, "left over");
    EXPECT_EQ(DriverInstalled("NORVALK qs-7000"), 1);
    EXPECT_STREQ(state.newPrinterName, "");
    EXPECT_EQ(DriverInstalled(kDriver), 0);
    EXPECT_EQ(PrinterNameExists("Norvalk QS-7000"), 0);  // a driver alone is no printer
    // A spooler that is not running knows nothing.
    ASSERT_EQ(tm().setting("spooler", "0"), "");
    EXPECT_EQ(DriverInstalled("Norvalk QS-7000"), 0);
}

TEST_F(SpoolerSetup, DependentFilesGrowPastTheirBlockInsteadOfOverflowing) {
    EXPECT_EQ(BuildDependentFiles(), nullptr);  // empty copy list
    std::string longName(140, 'C');
    copyEntry(0, CopyKind::ColourProfile, longName.c_str());
    HGLOBAL block = BuildDependentFiles();
    ASSERT_NE(block, nullptr);
    EXPECT_GE(GlobalSize(block), 6u + 140u + 2u);
    auto* text = static_cast<const char*>(GlobalLock(block));
    EXPECT_EQ(std::string(text), "Color\\" + longName);
    EXPECT_EQ(text[146 + 1], '\0');  // the list's end
    GlobalUnlock(block);
    GlobalFree(block);

    char part[8];
    EXPECT_STREQ(ValuePart("\"Name\",DLL,", 1, part), "Name");
    EXPECT_STREQ(ValuePart("Name,\"DLL\"", 2, part), "DLL");
    EXPECT_STREQ(ValuePart("Name,DLL", 3, part), "");
    EXPECT_STREQ(ValuePart("A much longer name", 1, part), "A much ");  // cut to the buffer
}

// The sample product's models, read by PrepareModel as the install does,
// handed to the spooler: German and English, a fresh spooler and one that
// has a printer of the model's name already.
TEST_F(SpoolerSetup, TheSampleProductsModelsInTwoLanguages) {
    ASSERT_EQ(tm().setting("spoolerPreload", "Norvalk QS-8300 series,Other,OTHER.DRV,LPT2:"), "");
    struct Case {
        int languageLine, model;
        const char* driver;
        const char* printer;
        const char* processor;
    } cases[] = {
        {3, 0, "Norvalk QS-8000 series", "Norvalk QS-8000 series", "NVPRNPRC"},        // Deutsch
        {1, 1, "Norvalk QS-8300 series", "Norvalk QS-8300 series (Copy 2)", "WinPrint"},  // English, name taken
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        std::memset(state.copyList, 0, sizeof state.copyList);
        state.copyListCount = 0;
        loadScript("NVQS8000.INF", nv::testing::readWholeFile(fs::path(NV_SOURCE_DIR) / "samples/product/scripts/NVQS8000.INF"));
        ASSERT_EQ(PrepareModel(nullptr, FindSection(nullptr, "Manufacturer"), c.languageLine, c.model), 1);
        ASSERT_STREQ(state.driverName, c.driver);
        // The copy run has put every file in place.
        for (int i = 0; i < CopyListLength(); ++i)
            tm().put('C', std::string(EntryKind(state.copyList[i]) == CopyKind::ColourProfile ? "WINDOWS/SYSTEM/COLOR/"
                                                                                                 : "WINDOWS/SYSTEM/") +
                              CopyListDestination(i),
                     "copied");
        if (DriverInstalled(state.driverName) == 0 && PrinterNameExists(state.driverName))
            answers("dialog PRINTERNAME\n  click 1\n");
        nv::trace::startCapture();
        EXPECT_EQ(AddToSpooler(nullptr), 1);
        nv::trace::stopCapture();
        expectAnswersUsed();
        bool found = false;
        for (const auto& p : printers())
            if (p.rfind(std::string(c.printer) + "|", 0) == 0) {
                found = true;
                EXPECT_EQ(p, std::string(c.printer) + "|" + c.driver + "|LPT1:|" + c.processor + "|RAW|2052");
            }
        EXPECT_TRUE(found) << c.printer;
        auto [files, monitor] = driverFiles(c.driver);
        EXPECT_EQ(monitor, "Norvalk Language Monitor");
        EXPECT_NE(files.find("QSUNIT.DAT|"), std::string::npos) << files;  // the renamed file's own name
        EXPECT_NE(files.find("Color\\QS8000.ICM|Color\\QSPHOTO.icm"), std::string::npos) << files;
    }
}
