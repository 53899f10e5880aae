// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA on files of
// a temporary machine, in the conformance style: sentinel last errors,
// poisoned buffers, buffers that fit, fit exactly and are one short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include <windows.h>
#include <winver.h>

#include "TempMachine.h"
#include "tools/exefile/ExeWriter.h"
#include "tools/szdd/SzddCompressor.h"

namespace {

using nv::testing::TempMachine;

std::string bytesOf(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

class VersionApi : public ::testing::Test {
protected:
    TempMachine m;
    void SetUp() override {
        nv::exefile::VersionInfo info;
        info.fileVersion = {4, 0, 0, 950};
        info.strings = {{"CompanyName", "Microsoft Corporation"}};
        m.put('C', "WINDOWS/SYSTEM/lpt.vxd", bytesOf(nv::exefile::writeLe(&info, "LPT")));
        info.fileVersion = {5, 10, 2, 0};
        info.strings = {{"CompanyName", "Norvalk"}};
        m.put('C', "WINDOWS/SYSTEM/QS8000.DRV", bytesOf(nv::exefile::writeNe(&info, "QS8000")));
        m.put('C', "WINDOWS/SYSTEM/NVUI.DLL", bytesOf(nv::exefile::writePe(&info)));
    }

    std::vector<uint8_t> info(const char* path) {
        DWORD handle = 0xDEADBEEF;
        DWORD size = GetFileVersionInfoSizeA(path, &handle);
        EXPECT_EQ(handle, 0u);
        std::vector<uint8_t> buf(size, 0xCC);
        if (size) {
            EXPECT_TRUE(GetFileVersionInfoA(path, 0, size, buf.data()));
        }
        return buf;
    }
};

TEST_F(VersionApi, FixedInfoOfEachFormat) {
    struct Case {
        const char* path;
        DWORD ms, ls;
    } cases[] = {{"C:\\WINDOWS\\SYSTEM\\LPT.VXD", 0x00040000, 950},
                 {"c:\\windows\\system\\qs8000.drv", 0x0005000A, 0x00020000},
                 {"C:\\WINDOWS\\SYSTEM\\NVUI.DLL", 0x0005000A, 0x00020000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto buf = info(c.path);
        ASSERT_FALSE(buf.empty());
        VS_FIXEDFILEINFO* ffi = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(buf.data(), "\\", reinterpret_cast<LPVOID*>(&ffi), &len));
        ASSERT_EQ(len, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(ffi->dwSignature, DWORD(VS_FFI_SIGNATURE));
        EXPECT_EQ(ffi->dwFileVersionMS, c.ms);
        EXPECT_EQ(ffi->dwFileVersionLS, c.ls);
        // The pointer lies inside the caller's buffer.
        EXPECT_GE(reinterpret_cast<uint8_t*>(ffi), buf.data());
        EXPECT_LE(reinterpret_cast<uint8_t*>(ffi + 1), buf.data() + buf.size());
    }
}

TEST_F(VersionApi, TheSixteenBitBlockAsOldProgramsReadIt) {
    auto buf = info("C:\\WINDOWS\\SYSTEM\\lpt.vxd");
    ASSERT_GE(buf.size(), 36u);
    DWORD ms, ls;
    std::memcpy(&ms, buf.data() + 28, 4);
    std::memcpy(&ls, buf.data() + 32, 4);
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", HIWORD(ms), LOWORD(ms), HIWORD(ls), LOWORD(ls));
    EXPECT_STREQ(text, "4.0.0.950");
}

TEST_F(VersionApi, StringsAndTranslation) {
    for (const char* path : {"C:\\WINDOWS\\SYSTEM\\QS8000.DRV", "C:\\WINDOWS\\SYSTEM\\NVUI.DLL"}) {
        SCOPED_TRACE(path);
        auto buf = info(path);
        char* text = nullptr;
        UINT len = 0;
        ASSERT_TRUE(VerQueryValueA(buf.data(), "\\StringFileInfo\\040904E4\\CompanyName", reinterpret_cast<LPVOID*>(&text), &len));
        EXPECT_STREQ(text, "Norvalk");
        EXPECT_EQ(len, 8u);
        WORD* pair = nullptr;
        ASSERT_TRUE(VerQueryValueA(buf.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&pair), &len));
        EXPECT_EQ(len, 4u);
        EXPECT_EQ(pair[0], 0x0409);
        EXPECT_EQ(pair[1], 1252);
        len = 77;
        EXPECT_FALSE(VerQueryValueA(buf.data(), "\\StringFileInfo\\040904E4\\Nothing", reinterpret_cast<LPVOID*>(&text), &len));
        EXPECT_EQ(len, 0u);
    }
}

// Nodes that exist but hold no value of their own: the string table and the
// string-file-info block answer FALSE with a length of 0, as for a missing
// name, in both formats.
TEST_F(VersionApi, NodesWithoutAValue) {
    for (const char* path : {"C:\\WINDOWS\\SYSTEM\\QS8000.DRV", "C:\\WINDOWS\\SYSTEM\\NVUI.DLL"}) {
        SCOPED_TRACE(path);
        auto buf = info(path);
        for (const char* node : {"\\StringFileInfo", "\\StringFileInfo\\040904E4", "\\VarFileInfo"}) {
            SCOPED_TRACE(node);
            void* p = nullptr;
            UINT len = 77;
            EXPECT_FALSE(VerQueryValueA(buf.data(), node, &p, &len));
            EXPECT_EQ(len, 0u);
        }
    }
}

TEST_F(VersionApi, FilesWithoutAVersionResource) {
    m.put('C', "README.TXT", "just text");
    m.put('C', "MZ.BIN", "MZ");
    nv::exefile::VersionInfo vi;
    auto vxd = nv::exefile::writeLe(&vi, "LPT");
    m.put('C', "PACKED.VX_", bytesOf(*nv::szdd::compress(vxd, 'D')));
    m.put('C', "NORES.DLL", bytesOf(nv::exefile::writePe(nullptr)));
    struct Case {
        const char* path;
        DWORD error;
    } cases[] = {{"C:\\README.TXT", 11 /* ERROR_BAD_FORMAT */},
                 {"C:\\MZ.BIN", ERROR_RESOURCE_TYPE_NOT_FOUND},
                 {"C:\\PACKED.VX_", 11},  // a compressed file shows no version
                 {"C:\\NORES.DLL", ERROR_RESOURCE_TYPE_NOT_FOUND},
                 {"C:\\MISSING.DLL", ERROR_FILE_NOT_FOUND},
                 {"C:\\NODIR\\MISSING.DLL", ERROR_PATH_NOT_FOUND},
                 {"C:\\WINDOWS", ERROR_ACCESS_DENIED}};
    std::filesystem::create_directories(m.host('C', "WINDOWS"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SetLastError(0xDEADBEEF);
        DWORD handle = 0xDEADBEEF;
        EXPECT_EQ(GetFileVersionInfoSizeA(c.path, &handle), 0u);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(handle, 0u);
        char buf[64];
        std::memset(buf, 0xCC, sizeof buf);
        EXPECT_FALSE(GetFileVersionInfoA(c.path, 0, sizeof buf, buf));
        EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0xCC);
    }
}

// A DLL whose version resource a standard resource compiler laid out, read
// through the API as the installer reads it: fixed information and a UTF-16
// text narrowed for the A function.
TEST_F(VersionApi, ADllBuiltByWindres) {
    nv::testing::TempDir work;
    auto rc = work.path() / "v.rc";
    std::ofstream(rc) << "1 VERSIONINFO\nFILEVERSION 4,0,0,950\nPRODUCTVERSION 4,0,0,0\nFILETYPE 2\n"
                         "BEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904B0\"\n  BEGIN\n"
                         "   VALUE \"CompanyName\", \"Acme Port Works\"\n  END\n END\nEND\n";
    auto obj = work.path() / "v.o";
    std::string cmd = "x86_64-w64-mingw32-windres --preprocessor=cpp -O coff '" + rc.string() + "' '" +
                      obj.string() + "' && x86_64-w64-mingw32-ld --dll -e 0 -o '" +
                      m.host('C', "ACME.DLL").string() + "' '" + obj.string() + "'";
    ASSERT_EQ(std::system((cmd + " >/dev/null 2>&1").c_str()), 0) << cmd;
    auto buf = info("C:\\ACME.DLL");
    ASSERT_GT(buf.size(), 92u);
    VS_FIXEDFILEINFO* ffi = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(buf.data(), "\\", reinterpret_cast<LPVOID*>(&ffi), &len));
    EXPECT_EQ(ffi->dwFileVersionMS, 0x00040000u);
    EXPECT_EQ(ffi->dwFileVersionLS, 950u);
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(buf.data(), "\\StringFileInfo\\040904B0\\CompanyName", reinterpret_cast<LPVOID*>(&text), &len));
    EXPECT_STREQ(text, "Acme Port Works");
    EXPECT_EQ(len, 16u);
}

TEST_F(VersionApi, BufferSizes) {
    const char* path = "C:\\WINDOWS\\SYSTEM\\NVUI.DLL";
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 92u);
    // Fits exactly, with room to spare: the same block, the rest untouched.
    std::vector<uint8_t> exact(size), roomy(size + 16, 0xCC);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, exact.data()));
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size + 16, roomy.data()));
    EXPECT_TRUE(std::equal(exact.begin(), exact.end(), roomy.begin()));
    EXPECT_EQ(roomy[size], 0xCC);
    // One short: the copy is cut and says so, and queries stay inside it.
    std::vector<uint8_t> shortBuf(size - 1, 0xCC);
    shortBuf.push_back(0x5A);  // a guard byte just past what the call may write
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size - 1, shortBuf.data()));
    EXPECT_EQ(shortBuf.back(), 0x5A);
    EXPECT_LE(DWORD(shortBuf[0] | shortBuf[1] << 8), size - 1);
    VS_FIXEDFILEINFO* ffi = nullptr;
    UINT len = 0;
    EXPECT_TRUE(VerQueryValueA(shortBuf.data(), "\\", reinterpret_cast<LPVOID*>(&ffi), &len));
    // Too small to hold anything.
    SetLastError(0xDEADBEEF);
    uint8_t one = 0xCC;
    EXPECT_FALSE(GetFileVersionInfoA(path, 0, 1, &one));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(GetFileVersionInfoA(path, 0, size, nullptr));
}

TEST_F(VersionApi, BadArguments) {
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetFileVersionInfoSizeA("", nullptr), 0u);
    LPVOID p = nullptr;
    UINT len = 0;
    EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &p, &len));
    auto buf = info("C:\\WINDOWS\\SYSTEM\\lpt.vxd");
    EXPECT_FALSE(VerQueryValueA(buf.data(), nullptr, &p, &len));
    EXPECT_FALSE(VerQueryValueA(buf.data(), "\\", nullptr, &len));
}

}  // namespace
