// Conformance tests of the spooler functions on a temporary machine: a
// sentinel last error, poisoned buffers, and for every level sizes that are
// null, one short and exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include "TempMachine.h"
#include "platform/registry/RegistryModel.h"
#include "platform/spooler/SpoolerStore.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
constexpr unsigned char kPoison = 0x5a;
char kEnv[] = "Windows 4.0";

const char kWinIni[] =
    "[windows]\r\nload=\r\ndevice=\r\n\r\n[devices]\r\n\r\n[PrinterPorts]\r\n\r\n"
    "[ports]\r\nLPT1:=\r\nLPT2:=\r\nLPT3:=\r\nFILE:=\r\n";

const char kRegistry[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Print "
    "Processors\\WinPrint]\r\n\"Driver\"=\"SPOOLSS.DLL\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Monitors\\Local Port]\r\n"
    "\"Driver\"=\"SPOOLSS.DLL\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Printers]\r\n";

class Spooler : public ::testing::Test {
protected:
    void SetUp() override {
        tm.put('C', "WINDOWS/WIN.INI", kWinIni);
        std::ofstream(tm.dir() / "registry.reg", std::ios::binary) << kRegistry;
        for (const char* f : {"NV8000.DRV", "NV8000.HLP", "NVMON.DLL", "NVPROC.DLL", "OTHER.DRV"})
            tm.put('C', std::string("WINDOWS/SYSTEM/") + f, "stub");
        SetLastError(kSentinel);
    }

    std::string registryText() const {
        std::ifstream in(tm.dir() / "registry.reg", std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        nv::registry::Registry r;
        EXPECT_TRUE(r.importText(ss.str(), "registry.reg").ok());
        return r.exportText();
    }
    std::string winIni() const { return tm.get('C', "WINDOWS/WIN.INI"); }
    void setting(std::string_view key, std::string_view value) { ASSERT_EQ(tm.setting(key, value), "") << key; }

    BOOL addDriver(const char* name, const char* file = "NV8000.DRV", const char* monitor = nullptr) {
        std::string deps = std::string("NV8000.HLP") + '\0' + "Color\\NV.ICM" + '\0' + "NV8000.HLP" + '\0' + '\0';
        DRIVER_INFO_3A d{};
        d.cVersion = 0x400;
        d.pName = const_cast<char*>(name);
        d.pEnvironment = kEnv;
        d.pDriverPath = d.pDataFile = d.pConfigFile = const_cast<char*>(file);
        d.pHelpFile = const_cast<char*>("NV8000.HLP");
        d.pDependentFiles = deps.data();
        d.pMonitorName = const_cast<char*>(monitor);
        d.pDefaultDataType = const_cast<char*>("RAW");
        return AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&d));
    }
    HANDLE addPrinter(const char* name, const char* driver, DWORD attributes = 0x804, const char* port = "LPT1:") {
        PRINTER_INFO_2A p{};
        p.pPrinterName = const_cast<char*>(name);
        p.pPortName = const_cast<char*>(port);
        p.pDriverName = const_cast<char*>(driver);
        p.pPrintProcessor = const_cast<char*>("WinPrint");
        p.pDatatype = const_cast<char*>("RAW");
        p.Attributes = attributes;
        p.Priority = p.DefaultPriority = 1;
        return AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&p));
    }
    BOOL addMonitor(const char* name, const char* dll) {
        MONITOR_INFO_2A m{const_cast<char*>(name), kEnv, const_cast<char*>(dll)};
        return AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&m));
    }
    void expectError(BOOL ok, DWORD error, const char* what) {
        EXPECT_FALSE(ok) << what;
        EXPECT_EQ(GetLastError(), error) << what;
        SetLastError(kSentinel);
    }

    nv::testing::TempMachine tm;
};

// Every string pointer of a packed result lies inside the caller's buffer.
void expectInside(const void* p, const std::vector<unsigned char>& buf, DWORD used) {
    auto at = static_cast<const unsigned char*>(p);
    EXPECT_TRUE(at >= buf.data() && at < buf.data() + used) << "pointer outside the buffer";
}

// Null, one-short and exact buffers for an enumeration; returns the exact one.
template <typename Call>
std::vector<unsigned char> enumerate(Call call, DWORD expectCount, const char* what) {
    DWORD needed = kSentinel, returned = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(call(nullptr, 0, &needed, &returned)) << what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << what;
    EXPECT_EQ(returned, 0u) << what;
    EXPECT_GT(needed, 0u) << what;
    std::vector<unsigned char> buf(needed + 16, kPoison);
    DWORD again = 0;
    returned = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(call(buf.data(), needed - 1, &again, &returned)) << what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << what;
    EXPECT_EQ(again, needed) << what;
    for (auto b : buf)
        EXPECT_EQ(b, kPoison) << what << ": a short buffer was written";
    SetLastError(kSentinel);
    EXPECT_TRUE(call(buf.data(), needed, &again, &returned)) << what;
    EXPECT_EQ(GetLastError(), kSentinel) << what;
    EXPECT_EQ(returned, expectCount) << what;
    EXPECT_EQ(again, needed) << what;
    for (size_t i = needed; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], kPoison) << what << ": written past the size given";
    buf.resize(needed);
    return buf;
}

TEST_F(Spooler, FreshSpoolerHasTheLocalPortMonitorAndNoPrinters) {
    DWORD needed = kSentinel, returned = kSentinel;
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
    auto buf = enumerate([](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) { return EnumMonitorsA(nullptr, 2, b, n, need, ret); },
                         1, "monitors");
    auto* m = reinterpret_cast<MONITOR_INFO_2A*>(buf.data());
    EXPECT_STREQ(m->pName, "Local Port");
    EXPECT_STREQ(m->pEnvironment, "Windows 4.0");
    char dir[MAX_PATH];
    EXPECT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed));
    EXPECT_STREQ(dir, "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(needed, 18u);
    std::memset(dir, kPoison, sizeof dir);
    expectError(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), 17, &needed),
                ERROR_INSUFFICIENT_BUFFER, "directory one short");
    EXPECT_EQ(needed, 18u);
    EXPECT_EQ(static_cast<unsigned char>(dir[0]), kPoison);
    EXPECT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), 18, &needed));
    expectError(GetPrinterDriverDirectoryA(nullptr, nullptr, 2, reinterpret_cast<LPBYTE>(dir), 18, &needed),
                ERROR_INVALID_LEVEL, "directory level 2");
}

TEST_F(Spooler, RoundTripLeavesRegistryAndWinIniAsBefore) {
    std::string regBefore = registryText(), iniBefore = winIni();

    EXPECT_TRUE(AddPrintProcessorA(nullptr, kEnv, const_cast<char*>("NVPROC.DLL"), const_cast<char*>("NVProc")));
    EXPECT_TRUE(addMonitor("NV Monitor", "NVMON.DLL"));
    EXPECT_TRUE(addDriver("Norvalk QS-8000", "NV8000.DRV", "NV Monitor"));
    HANDLE h = addPrinter("Norvalk QS-8000", "Norvalk QS-8000");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(ClosePrinter(h));
    EXPECT_EQ(GetLastError(), kSentinel);

    EXPECT_NE(winIni().find("device=Norvalk QS-8000,NV8000,LPT1:\r\n"), std::string::npos) << winIni();
    EXPECT_NE(winIni().find("Norvalk QS-8000=NV8000,LPT1:\r\n"), std::string::npos);
    EXPECT_NE(winIni().find("Norvalk QS-8000=NV8000,LPT1:,15,45\r\n"), std::string::npos);
    EXPECT_NE(registryText().find("Printers\\Norvalk QS-8000]"), std::string::npos);

    auto buf = enumerate([](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, b, n, need, ret);
    }, 1, "printers level 2");
    auto* p = reinterpret_cast<PRINTER_INFO_2A*>(buf.data());
    EXPECT_STREQ(p->pPrinterName, "Norvalk QS-8000");
    EXPECT_STREQ(p->pDriverName, "Norvalk QS-8000");
    EXPECT_STREQ(p->pPortName, "LPT1:");
    EXPECT_STREQ(p->pPrintProcessor, "WinPrint");
    EXPECT_STREQ(p->pDatatype, "RAW");
    EXPECT_EQ(p->Attributes, 0x804u);
    EXPECT_EQ(p->pServerName, nullptr);

    HANDLE opened = nullptr;
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("norvalk qs-8000"), &opened, &defaults));
    auto drv = enumerate([&](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) {
        BOOL ok = GetPrinterDriverA(opened, kEnv, 3, b, n, need);
        *ret = ok ? 1 : 0;
        return ok;
    }, 1, "driver of printer level 3");
    auto* d = reinterpret_cast<DRIVER_INFO_3A*>(drv.data());
    EXPECT_EQ(d->cVersion, 0x400u);
    EXPECT_STREQ(d->pDriverPath, "C:\\WINDOWS\\SYSTEM\\NV8000.DRV");
    EXPECT_STREQ(d->pHelpFile, "C:\\WINDOWS\\SYSTEM\\NV8000.HLP");
    EXPECT_STREQ(d->pMonitorName, "NV Monitor");
    ASSERT_NE(d->pDependentFiles, nullptr);
    EXPECT_EQ(std::string(d->pDependentFiles, 36), std::string("NV8000.HLP\0Color\\NV.ICM\0NV8000.HLP\0\0", 36));
    expectInside(d->pDependentFiles, drv, static_cast<DWORD>(drv.size()));

    EXPECT_TRUE(DeletePrinter(opened));
    expectError(GetPrinterDriverA(opened, kEnv, 3, drv.data(), static_cast<DWORD>(drv.size()), &defaults.DesiredAccess),
                ERROR_INVALID_HANDLE, "handle of a deleted printer");
    EXPECT_TRUE(ClosePrinter(opened));
    EXPECT_TRUE(DeletePrinterDriverA(nullptr, kEnv, const_cast<char*>("Norvalk QS-8000")));
    EXPECT_TRUE(DeleteMonitorA(nullptr, kEnv, const_cast<char*>("NV Monitor")));
    EXPECT_TRUE(DeletePrintProcessorA(nullptr, kEnv, const_cast<char*>("NVProc")));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(registryText(), regBefore);
    EXPECT_EQ(winIni(), iniBefore);
}

TEST_F(Spooler, EveryLevelPacksStringsInsideTheBuffer) {
    ASSERT_TRUE(addDriver("Norvalk QS-8000"));
    ASSERT_TRUE(addDriver("Other Maker 5", "OTHER.DRV"));
    for (const char* name : {"Norvalk QS-8000", "Other printer"}) {
        HANDLE h = addPrinter(name, name[0] == 'N' ? "Norvalk QS-8000" : "Other Maker 5", 0x800, "LPT2:");
        ASSERT_NE(h, nullptr);
        ClosePrinter(h);
    }
    for (DWORD level : {1u, 2u, 4u, 5u}) {
        std::string what = "printers level " + std::to_string(level);
        auto buf = enumerate([&](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, b, n, need, ret);
        }, 2, what.c_str());
        const char* second = nullptr;
        if (level == 1) {
            auto* p = reinterpret_cast<PRINTER_INFO_1A*>(buf.data());
            EXPECT_EQ(p[0].Flags, static_cast<DWORD>(PRINTER_ENUM_ICON8));
            EXPECT_STREQ(p[0].pDescription, "Norvalk QS-8000,Norvalk QS-8000,");
            second = p[1].pName;
        } else if (level == 2) {
            second = reinterpret_cast<PRINTER_INFO_2A*>(buf.data())[1].pPrinterName;
        } else if (level == 4) {
            auto* p = reinterpret_cast<PRINTER_INFO_4A*>(buf.data());
            EXPECT_EQ(p[0].Attributes, 0x804u);  // the first printer became the default
            EXPECT_EQ(p[1].Attributes, 0x800u);
            second = p[1].pPrinterName;
        } else {
            auto* p = reinterpret_cast<PRINTER_INFO_5A*>(buf.data());
            EXPECT_STREQ(p[1].pPortName, "LPT2:");
            EXPECT_EQ(p[1].DeviceNotSelectedTimeout, 15000u);
            EXPECT_EQ(p[1].TransmissionRetryTimeout, 45000u);
            second = p[1].pPrinterName;
        }
        EXPECT_STREQ(second, "Other printer") << what;
        expectInside(second, buf, static_cast<DWORD>(buf.size()));
    }
    for (DWORD level : {1u, 2u, 3u}) {
        std::string what = "drivers level " + std::to_string(level);
        auto buf = enumerate([&](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) {
            return EnumPrinterDriversA(nullptr, nullptr, level, b, n, need, ret);
        }, 2, what.c_str());
        const char* name = level == 1   ? reinterpret_cast<DRIVER_INFO_1A*>(buf.data())[1].pName
                           : level == 2 ? reinterpret_cast<DRIVER_INFO_2A*>(buf.data())[1].pName
                                        : reinterpret_cast<DRIVER_INFO_3A*>(buf.data())[1].pName;
        EXPECT_STREQ(name, "Other Maker 5") << what;
        expectInside(name, buf, static_cast<DWORD>(buf.size()));
    }
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("Other printer"), &h, nullptr));
    for (DWORD level : {1u, 2u, 4u, 5u}) {
        std::string what = "GetPrinterA level " + std::to_string(level);
        enumerate([&](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) {
            BOOL ok = GetPrinterA(h, level, b, n, need);
            *ret = ok ? 1 : 0;
            return ok;
        }, 1, what.c_str());
    }
    for (DWORD level : {1u, 2u}) {
        std::string what = "GetPrinterDriverA level " + std::to_string(level);
        auto buf = enumerate([&](LPBYTE b, DWORD n, LPDWORD need, LPDWORD ret) {
            BOOL ok = GetPrinterDriverA(h, nullptr, level, b, n, need);
            *ret = ok ? 1 : 0;
            return ok;
        }, 1, what.c_str());
        if (level == 2) {
            EXPECT_STREQ(reinterpret_cast<DRIVER_INFO_2A*>(buf.data())->pConfigFile, "C:\\WINDOWS\\SYSTEM\\OTHER.DRV");
        }
    }
    DWORD needed = 0, returned = 0;
    unsigned char buf[512];
    expectError(GetPrinterA(h, 3, buf, sizeof buf, &needed), ERROR_INVALID_LEVEL, "GetPrinterA level 3");
    expectError(GetPrinterDriverA(h, nullptr, 4, buf, sizeof buf, &needed), ERROR_INVALID_LEVEL, "driver level 4");
    expectError(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 3, buf, sizeof buf, &needed, &returned), ERROR_INVALID_LEVEL,
                "printers level 3");
    expectError(EnumPrinterDriversA(nullptr, nullptr, 4, buf, sizeof buf, &needed, &returned), ERROR_INVALID_LEVEL,
                "drivers level 4");
    expectError(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buf, sizeof buf, nullptr, &returned),
                RPC_X_NULL_REF_POINTER, "no needed pointer");
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 4, buf, sizeof buf, &needed, &returned));
    EXPECT_EQ(returned, 1u);
    EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_4A*>(buf)->pPrinterName, "Norvalk QS-8000");
    EXPECT_TRUE(ClosePrinter(h));
}

TEST_F(Spooler, ErrorsAsWindowsGivesThem) {
    ASSERT_TRUE(addMonitor("NV Monitor", "NVMON.DLL"));
    ASSERT_TRUE(addDriver("Norvalk QS-8000", "NV8000.DRV", "NV Monitor"));
    HANDLE h = addPrinter("Norvalk QS-8000", "Norvalk QS-8000");
    ASSERT_NE(h, nullptr);
    ClosePrinter(h);

    EXPECT_EQ(addPrinter("NORVALK qs-8000", "Norvalk QS-8000"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
    SetLastError(kSentinel);
    EXPECT_EQ(addPrinter("Second", "No Such Driver"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
    EXPECT_EQ(addPrinter("Second", "Norvalk QS-8000", 0, "LPT9:"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
    EXPECT_EQ(addPrinter("A,B", "Norvalk QS-8000"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    std::string longest(220, 'p');
    HANDLE atLimit = addPrinter(longest.c_str(), "Norvalk QS-8000");
    EXPECT_NE(atLimit, nullptr);
    ClosePrinter(atLimit);
    EXPECT_EQ(addPrinter((longest + "p").c_str(), "Norvalk QS-8000"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(AddPrinterA(nullptr, 1, reinterpret_cast<LPBYTE>(&h)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    SetLastError(kSentinel);

    HANDLE none = reinterpret_cast<HANDLE>(1);
    expectError(OpenPrinterA(const_cast<char*>("No Such Printer"), &none, nullptr), ERROR_INVALID_PRINTER_NAME,
                "open unknown");
    EXPECT_EQ(none, nullptr);
    expectError(ClosePrinter(reinterpret_cast<HANDLE>(0x1234)), ERROR_INVALID_HANDLE, "close unknown");
    expectError(DeletePrinterDriverA(nullptr, kEnv, const_cast<char*>("Norvalk QS-8000")), ERROR_PRINTER_DRIVER_IN_USE,
                "driver in use");
    expectError(DeletePrinterDriverA(nullptr, kEnv, const_cast<char*>("No Such Driver")), ERROR_UNKNOWN_PRINTER_DRIVER,
                "unknown driver");
    expectError(DeletePrinterDriverA(nullptr, const_cast<char*>("Windows NT x86"), const_cast<char*>("Norvalk QS-8000")),
                ERROR_INVALID_ENVIRONMENT, "NT environment");
    expectError(DeleteMonitorA(nullptr, kEnv, const_cast<char*>("NV Monitor")), ERROR_PRINT_MONITOR_IN_USE,
                "monitor used by a driver");
    expectError(DeleteMonitorA(nullptr, kEnv, const_cast<char*>("Local Port")), ERROR_PRINT_MONITOR_IN_USE,
                "local port monitor");
    expectError(DeleteMonitorA(nullptr, kEnv, const_cast<char*>("Nobody")), ERROR_UNKNOWN_PRINT_MONITOR,
                "unknown monitor");
    expectError(addMonitor("nv monitor", "NVMON.DLL"), ERROR_PRINT_MONITOR_ALREADY_INSTALLED, "monitor twice");
    expectError(addMonitor("Missing", "NOFILE.DLL"), ERROR_FILE_NOT_FOUND, "monitor DLL missing");
    MONITOR_INFO_2A m{const_cast<char*>("M"), kEnv, const_cast<char*>("NVMON.DLL")};
    expectError(AddMonitorA(nullptr, 1, reinterpret_cast<LPBYTE>(&m)), ERROR_INVALID_LEVEL, "monitor level 1");
    m.pEnvironment = const_cast<char*>("Windows NT x86");
    expectError(AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&m)), ERROR_INVALID_ENVIRONMENT, "monitor env");
    EXPECT_TRUE(AddPrintProcessorA(nullptr, kEnv, const_cast<char*>("NVPROC.DLL"), const_cast<char*>("NVProc")));
    expectError(AddPrintProcessorA(nullptr, kEnv, const_cast<char*>("NVPROC.DLL"), const_cast<char*>("nvproc")),
                ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED, "processor twice");
    expectError(AddPrintProcessorA(nullptr, kEnv, const_cast<char*>("NVPROC.DLL"), const_cast<char*>("winprint")),
                ERROR_PRINT_PROCESSOR_ALREADY_INSTALLED, "built-in processor");
    expectError(AddPrintProcessorA(nullptr, kEnv, const_cast<char*>("GONE.DLL"), const_cast<char*>("Gone")),
                ERROR_FILE_NOT_FOUND, "processor DLL missing");
    expectError(addDriver("No Files", "MISSING.DRV"), ERROR_FILE_NOT_FOUND, "driver file missing");
    DRIVER_INFO_3A d{};
    expectError(AddPrinterDriverA(nullptr, 1, reinterpret_cast<LPBYTE>(&d)), ERROR_INVALID_LEVEL, "driver level 1");
    expectError(AddPrintProcessorA(nullptr, const_cast<char*>("Windows NT x86"), const_cast<char*>("NVPROC.DLL"),
                                   const_cast<char*>("P2")),
                ERROR_INVALID_ENVIRONMENT, "processor env");
    DWORD needed = 0, returned = 0;
    expectError(EnumPrinterDriversA(nullptr, const_cast<char*>("Windows NT x86"), 1, nullptr, 0, &needed, &returned),
                ERROR_INVALID_ENVIRONMENT, "enum env");
    // A driver added again is replaced, not refused: a reinstall needs that.
    EXPECT_TRUE(addDriver("NORVALK QS-8000", "OTHER.DRV"));
    unsigned char buf[1024];
    ASSERT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 2, buf, sizeof buf, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    EXPECT_STREQ(reinterpret_cast<DRIVER_INFO_2A*>(buf)->pName, "Norvalk QS-8000");
    EXPECT_STREQ(reinterpret_cast<DRIVER_INFO_2A*>(buf)->pDriverPath, "C:\\WINDOWS\\SYSTEM\\OTHER.DRV");
}

TEST_F(Spooler, DefaultPrinterFollowsAttributeAndDeletion) {
    ASSERT_TRUE(addDriver("Norvalk QS-8000"));
    ClosePrinter(addPrinter("First", "Norvalk QS-8000", 0));  // no default yet: becomes it
    EXPECT_NE(winIni().find("device=First,NV8000,LPT1:"), std::string::npos);
    ClosePrinter(addPrinter("Second", "Norvalk QS-8000", 0));
    EXPECT_NE(winIni().find("device=First,"), std::string::npos);
    ClosePrinter(addPrinter("Third", "Norvalk QS-8000", PRINTER_ATTRIBUTE_DEFAULT));
    EXPECT_NE(winIni().find("device=Third,NV8000,LPT1:"), std::string::npos);
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("Third"), &h, nullptr));
    EXPECT_TRUE(DeletePrinter(h));
    EXPECT_TRUE(ClosePrinter(h));
    EXPECT_NE(winIni().find("device=\r\n"), std::string::npos) << winIni();
    EXPECT_EQ(winIni().find("Third"), std::string::npos);
    DWORD needed = 0, returned = 5;
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, nullptr, 0, &needed, &returned));
    EXPECT_EQ(returned, 0u);
}

TEST_F(Spooler, FaultSettingsFailCalls) {
    setting("spooler", "0");
    DWORD needed = 0, returned = 0;
    expectError(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned), RPC_S_SERVER_UNAVAILABLE,
                "stopped: enum");
    expectError(addDriver("Norvalk QS-8000"), RPC_S_SERVER_UNAVAILABLE, "stopped: add driver");
    EXPECT_EQ(addPrinter("P", "Norvalk QS-8000"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
    SetLastError(kSentinel);
    setting("spooler", "1");
    setting("spoolerFail", "6,8");  // three calls so far: the third from now fails (8: out of memory)
    EXPECT_TRUE(addDriver("Norvalk QS-8000"));
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
    expectError(addMonitor("NV Monitor", "NVMON.DLL"), ERROR_NOT_ENOUGH_MEMORY, "sixth call");
    EXPECT_TRUE(addMonitor("NV Monitor", "NVMON.DLL"));
}

TEST_F(Spooler, PreloadedPrintersAndDriversAreAddedOnce) {
    setting("spoolerPreload", "Acme Writer,Acme Writer 2,ACME.DRV,LPT2:; ,Norvalk QS-7000,QS7000.DRV");
    auto& store = tm.machine().familyState<nv::spooler::SpoolerStore>();
    ASSERT_TRUE(store.start().ok());
    // A second start, or the same entries again, adds nothing.
    ASSERT_TRUE(store.applyPreloads(tm.machine().settings().spoolerPreloads).ok());
    DWORD needed = 0, returned = 0;
    unsigned char buf[4096];
    ASSERT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 1, buf, sizeof buf, &needed, &returned));
    EXPECT_EQ(returned, 2u);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, buf, sizeof buf, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_5A*>(buf)->pPortName, "LPT2:");
    EXPECT_EQ(tm.get('C', "WINDOWS/SYSTEM/ACME.DRV").empty(), false);
    EXPECT_NE(winIni().find("device=Acme Writer,ACME,LPT2:"), std::string::npos);

    // Deleted later, a preloaded printer and driver stay deleted through the
    // next start; a preload added to the setting afterwards is still added.
    ASSERT_TRUE(store.removePrinter("Acme Writer").ok());
    ASSERT_TRUE(store.removeDriver("Norvalk QS-7000").ok());
    std::vector<nv::spooler::Preload> more = tm.machine().settings().spoolerPreloads;
    nv::spooler::Preload third;
    third.driver = "Acme Laser";
    more.push_back(third);
    ASSERT_TRUE(store.applyPreloads(more).ok());
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, buf, sizeof buf, &needed, &returned));
    EXPECT_EQ(returned, 0u);
    ASSERT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 1, buf, sizeof buf, &needed, &returned));
    ASSERT_EQ(returned, 2u);
    std::vector<std::string> names;
    for (DWORD i = 0; i < returned; ++i)
        names.push_back(reinterpret_cast<DRIVER_INFO_1A*>(buf)[i].pName);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Acme Laser", "Acme Writer 2"}));
}

}  // namespace
