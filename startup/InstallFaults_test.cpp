// The install branch when the machine fails it after the driver's files are
// copied: the outcome must not call the install finished.
#include "StartupRun.h"

#include <cstdio>

namespace {

using namespace startup_test;

// The driver part only: no demonstration file, no fonts.
const char* const kDriverOnlyScript =
    "[PRIVATE.INI]\r\nqs8000.ini\r\n"
    "[OEM.INF]\r\nOEMSETUP.INF\r\n"
    "[PRINTERDRIVER]\r\nPATH=DRIVER\r\n"
    "[DEL.INST]\r\n1\r\n";

const char* const kOneModelOem =
    "[Manufacturer]\r\n\"Norvalk\"=Norvalk.Models\r\n"
    "[Norvalk.Models]\r\n\"Norvalk QS-8000 series\"=QS8000.Install\r\n"
    "[QS8000.Install]\r\nCopyFiles=DRIVER\r\nDriverFile=QS8000.DRV\r\nDataFile=QS8000.DRV\r\n"
    "[DRIVER]\r\nQS8000.DRV\r\nQSUI.DLL\r\n"
    "[SourceDisksFiles]\r\nQS8000.DRV=1\r\nQSUI.DLL=1\r\n";

class InstallFaults : public Startup {
protected:
    // Runs the install on a fresh machine whose Nth allocation fails, every
    // question answered with Enter (its default), as a person in a hurry
    // would, so that whatever the fault brings up is answered.
    Outcome installFailingAllocation(int n) {
        auto settings = TempMachine::defaultSettings();
        settings.failAllocation = n;
        remake(settings);
        prepare(kDriverOnlyScript);
        m().put('A', "DRIVER/OEMSETUP.INF", kOneModelOem);
        m().put('A', "DRIVER/QS8000.DRV", "MZ driver");
        m().put('A', "DRIVER/QSUI.DLL", "MZ interface");
        nv::progman::registerProgramManager();
        nv::user::reset();
        RegisterProgramResources(reinterpret_cast<HINSTANCE>(0x400000));
        std::string enters;
        for (int i = 0; i < 50; ++i)
            enters += "enter\n";
        FILE* in = fmemopen(enters.data(), enters.size(), "r");
        FILE* out = std::tmpfile();
        input::UseConsole(in, out);
        Outcome o;
        input::SetStopHandler([&o](input::Status s, const std::string& why) {
            o.stop = s;
            o.stopMessage = why;
        });
        nv::trace::startCapture();
        o.status = InstallerMain(reinterpret_cast<HINSTANCE>(0x400000), "", SW_SHOWNORMAL);
        for (auto& c : nv::trace::stopCapture())
            o.calls.push_back(c.erase(0, c.find_first_not_of(' ')));
        input::UseNone();
        std::fclose(in);
        std::fclose(out);
        for (const auto& c : o.calls)
            if (c.rfind("MessageBoxA(", 0) == 0)
                o.boxes.push_back(c);
        return o;
    }
    bool driverCopied() { return onC("WINDOWS/SYSTEM/QSUI.DLL"); }
};

// The OEM INF copy cannot be loaded again after the copy run: the files are
// in, the printer is not in the spooler. That is a failed install, not a
// finished one.
TEST_F(InstallFaults, OemCopyLostAfterTheCopyRunIsAFailedInstall) {
    // The first allocation after the driver's files are in: allocations
    // before it leave them out, so the smallest N that leaves them in.
    int lo = 0, hi = 1;
    while (installFailingAllocation(hi).stop == input::Status::Running && !driverCopied()) {
        lo = hi;
        hi *= 2;
        ASSERT_LT(hi, 4096) << "the driver is never copied";
    }
    while (hi - lo > 1) {
        int mid = (lo + hi) / 2;
        installFailingAllocation(mid);
        (driverCopied() ? hi : lo) = mid;
    }
    // From there, the allocation that reloads the OEM INF copy.
    Outcome out;
    bool found = false;
    for (int n = hi; n < hi + 8 && !found; ++n) {
        out = installFailingAllocation(n);
        found = out.inOrder({"_lopen(\"C:\\WINDOWS\\~NV00002.txt\", 0)", "_lopen(\"C:\\WINDOWS\\~NV00002.txt\", 0)",
                             "GlobalAlloc(* = \"NULL\""}) &&
                !out.called("AddPrinterDriverA(");
    }
    ASSERT_TRUE(found) << "no run failed the OEM INF copy's load after the copy run";
    EXPECT_EQ(out.stop, input::Status::Running) << out.stopMessage;
    EXPECT_TRUE(driverCopied());
    EXPECT_EQ(state.runResult, RESULT_INSTALL_FAILED);
    EXPECT_TRUE(out.inOrder({"MessageBoxA(* \"Not enough memory", "MessageBoxA(* \"Printer driver installation has failed."}));
    EXPECT_FALSE(out.called("MessageBoxA(* \"Printer driver installation is finished."));
}

}  // namespace
