// LZ32 over a temporary machine: opening under either name, expanding and
// copying, damaged sources, refusing destinations, reads and seeks.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <random>

#include <windows.h>
#include <lzexpand.h>

#include "TempMachine.h"
#include "platform/kernel/FileOps.h"
#include "tools/szdd/SzddCompressor.h"

namespace {

using nv::testing::TempMachine;

std::string sampleText(size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i)
        s += "device=NVPORT" + std::to_string(i % 37) + ".386 ; printer port\r\n";
    s.resize(n);
    return s;
}

std::string packed(const std::string& data, char missing) {
    auto p = nv::szdd::compress(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()),
                                missing);
    return std::string(p->begin(), p->end());
}

class LzTest : public ::testing::Test {
protected:
    TempMachine m;
    OFSTRUCT ofs{};
    OFSTRUCT ofs2{};

    INT open(const char* path, WORD style) { return LZOpenFileA(const_cast<char*>(path), &ofs, style); }
    INT create(const char* path) { return LZOpenFileA(const_cast<char*>(path), &ofs2, OF_CREATE); }

    // Copies src to dst through LZ32 as the copy engine does; returns LZCopy's result.
    LONG copy(const char* src, const char* dst) {
        INT s = open(src, OF_READ);
        if (s < 0)
            return s;
        INT d = create(dst);
        if (d < 0) {
            LZClose(s);
            return LZERROR_BADOUTHANDLE;
        }
        LONG r = LZCopy(s, d);
        LZClose(s);
        LZClose(d);
        return r;
    }
};

TEST_F(LzTest, CompressedFileIsFoundUnderItsStoredNameAndExpanded) {
    std::string data = sampleText(30000);
    m.put('A', "NVDRV.DR_", packed(data, 'V'));
    std::filesystem::create_directories(m.host('C', "WINDOWS/SYSTEM"));
    INT h = open("A:\\NVDRV.DRV", OF_READ);
    ASSERT_GE(h, 0x400);
    EXPECT_LT(h, 0x410);
    EXPECT_STREQ(ofs.szPathName, "A:\\NVDRV.DR_");
    INT d = create("C:\\WINDOWS\\SYSTEM\\NVDRV.DRV");
    ASSERT_NE(d, HFILE_ERROR) << "create failed";
    EXPECT_EQ(LZCopy(h, d), LONG(data.size()));
    LZClose(h);
    LZClose(d);
    EXPECT_EQ(m.get('C', "WINDOWS/SYSTEM/NVDRV.DRV"), data);
}

TEST_F(LzTest, PlainFilesPassThroughUnchanged) {
    std::string data = sampleText(5000);
    data[0] = 'S';  // starts like the magic but is not compressed
    m.put('A', "README.TXT", data);
    INT h = open("A:\\README.TXT", OF_READ);
    ASSERT_GE(h, 0x1000) << "a plain file keeps its file handle";
    LZClose(h);
    EXPECT_EQ(copy("A:\\README.TXT", "C:\\README.TXT"), LONG(data.size()));
    EXPECT_EQ(m.get('C', "README.TXT"), data);
    // Empty and shorter-than-a-header files are plain too.
    m.put('A', "EMPTY.DAT", "");
    m.put('A', "TINY.DAT", "SZDD");
    EXPECT_EQ(copy("A:\\EMPTY.DAT", "C:\\EMPTY.DAT"), 0);
    EXPECT_EQ(copy("A:\\TINY.DAT", "C:\\TINY.DAT"), 4);
    EXPECT_EQ(m.get('C', "TINY.DAT"), "SZDD");
}

TEST_F(LzTest, PlainNameWinsOverCompressedName) {
    m.put('A', "FILE.DRV", "plain");
    m.put('A', "FILE.DR_", packed("compressed", 'V'));
    EXPECT_EQ(copy("A:\\FILE.DRV", "C:\\FILE.DRV"), 5);
    EXPECT_EQ(m.get('C', "FILE.DRV"), "plain");
}

TEST_F(LzTest, CopyKeepsTheSourceWriteTime) {
    m.put('A', "T.DR_", packed(sampleText(1000), 'V'));
    m.put('A', "P.TXT", "plain");
    struct timespec old[2] = {{0, UTIME_OMIT}, {820371601, 0}};  // 1995-12-31 00:00:01 UTC
    ASSERT_EQ(::utimensat(AT_FDCWD, m.host('A', "T.DR_").c_str(), old, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, m.host('A', "P.TXT").c_str(), old, 0), 0);
    ASSERT_GT(copy("A:\\T.DRV", "C:\\T.DRV"), 0);
    ASSERT_GT(copy("A:\\P.TXT", "C:\\P.TXT"), 0);
    for (const char* f : {"T.DRV", "P.TXT"}) {
        struct stat st {};
        ASSERT_EQ(::stat(m.host('C', f).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 820371601) << f;
    }
}

TEST_F(LzTest, PlainHandleToCompressedFileIsExpandedAndStaysOpen) {
    std::string data = sampleText(9000);
    m.put('A', "X.DL_", packed(data, 'L'));
    HFILE h = OpenFile("A:\\X.DL_", &ofs, OF_READ);
    ASSERT_NE(h, HFILE_ERROR);
    INT d = create("C:\\X.DLL");
    EXPECT_EQ(LZCopy(h, d), LONG(data.size()));
    LZClose(d);
    EXPECT_EQ(m.get('C', "X.DLL"), data);
    char buf[4];
    EXPECT_EQ(_llseek(h, 0, FILE_BEGIN), 0) << "the caller's handle is still open";
    EXPECT_EQ(_lread(h, buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "SZDD");
    EXPECT_EQ(_lclose(h), 0);
}

// The disk prompt of OF_PROMPT: a file on the disk under either name is
// opened without asking; only when neither is there is the user asked, and
// each retry looks for both names again.
TEST_F(LzTest, PromptOnlyWhenNeitherNameIsFound) {
    std::vector<std::string> asked;
    std::function<bool(const std::string&)> answer = [](const std::string&) { return false; };
    nv::kernel::setOpenPromptHook([&](const std::string& path) {
        asked.push_back(path);
        return answer(path);
    });
    struct Unhook {
        ~Unhook() { nv::kernel::setOpenPromptHook(nullptr); }
    } unhook;
    const WORD prompt = OF_READ | OF_PROMPT;
    m.put('A', "NVDRV.DR_", packed("driver", 'V'));
    INT h = open("A:\\NVDRV.DRV", prompt);
    EXPECT_GE(h, 0x400) << "opened compressed, for reading";
    EXPECT_TRUE(asked.empty());
    LZClose(h);

    // The user inserts the disk holding the compressed file at the prompt.
    answer = [&](const std::string&) {
        m.put('A', "LATE.DR_", packed("late", 'V'));
        return true;
    };
    h = open("A:\\LATE.DRV", prompt);
    EXPECT_GE(h, 0x400);
    EXPECT_EQ(asked, std::vector<std::string>{"A:\\LATE.DRV"});
    LZClose(h);

    // Cancelled: the open fails after one question; no directory, no question.
    answer = [](const std::string&) { return false; };
    asked.clear();
    EXPECT_EQ(open("A:\\NONE.DRV", prompt), LZERROR_BADINHANDLE);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(open("A:\\NODIR\\NONE.DRV", prompt), LZERROR_BADINHANDLE);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(open("A:\\NONE.DRV", OF_READ), LZERROR_BADINHANDLE) << "no prompt without the flag";
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(LzTest, DamagedSourcesFailWithNegativeResults) {
    std::string data = sampleText(20000);
    std::string good = packed(data, 'V');
    // Truncated at the header, inside the data, one byte short.
    for (size_t cut : {size_t(16), good.size() / 2, good.size() - 1}) {
        SCOPED_TRACE(cut);
        m.put('A', "CUT.DR_", good.substr(0, cut));
        EXPECT_EQ(copy("A:\\CUT.DRV", "C:\\CUT.DRV"), LZERROR_READ);
    }
    // A header promising less than the data holds.
    std::string lying = good;
    lying[10] = 1;
    lying[11] = lying[12] = lying[13] = 0;
    m.put('A', "LIE.DR_", lying);
    EXPECT_EQ(copy("A:\\LIE.DRV", "C:\\LIE.DRV"), LZERROR_READ);
    // An unknown method is refused when the file is opened.
    std::string method = good;
    method[8] = 'B';
    m.put('A', "M.DR_", method);
    EXPECT_EQ(open("A:\\M.DRV", OF_READ), LZERROR_UNKNOWNALG);
    // Random bytes behind a valid header cannot make up the promised length.
    std::mt19937 rng(7);
    for (int i = 0; i < 50; ++i) {
        std::string junk = good.substr(0, 14);
        for (int k = 0; k < 300; ++k)
            junk += char(rng());
        m.put('A', "J.DR_", junk);
        LONG r = copy("A:\\J.DRV", "C:\\J.DRV");
        EXPECT_EQ(r, LZERROR_READ);
    }
}

TEST_F(LzTest, DestinationFaultsAreWriteErrors) {
    std::string data = sampleText(200000);
    m.put('A', "BIG.DR_", packed(data, 'V'));
    m.machine().drive('C')->fullAfter = 100000;
    EXPECT_EQ(copy("A:\\BIG.DRV", "C:\\BIG.DRV"), LZERROR_WRITE);
    m.machine().drive('C')->fullAfter.reset();
    m.machine().drive('C')->failWrites = true;
    EXPECT_EQ(copy("A:\\BIG.DRV", "C:\\BIG2.DRV"), LZERROR_WRITE);
    m.machine().drive('C')->failWrites = false;
    m.machine().drive('C')->readOnly = true;
    EXPECT_EQ(create("C:\\BIG3.DRV"), HFILE_ERROR);
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "BIG3.DR_")));
}

TEST_F(LzTest, BadHandles) {
    m.put('A', "P.TXT", "plain");
    INT s = open("A:\\P.TXT", OF_READ);
    EXPECT_EQ(LZCopy(0x40F, s), LZERROR_BADINHANDLE);
    EXPECT_EQ(LZCopy(0x5000, s), LZERROR_BADINHANDLE);
    EXPECT_EQ(LZCopy(s, 0x5000), LZERROR_BADOUTHANDLE);
    EXPECT_EQ(LZCopy(s, s), LZERROR_BADOUTHANDLE) << "opened for reading only";
    LZClose(s);
    EXPECT_EQ(open("A:\\NONE.TXT", OF_READ), LZERROR_BADINHANDLE);
    EXPECT_EQ(ofs.nErrCode, ERROR_FILE_NOT_FOUND);
}

TEST_F(LzTest, ReadAndSeekOnCompressedFiles) {
    std::string data = sampleText(10000);
    m.put('A', "R.DR_", packed(data, 'V'));
    INT h = open("A:\\R.DRV", OF_READ);
    ASSERT_GE(h, 0x400);
    char buf[100];
    EXPECT_EQ(LZRead(h, buf, 100), 100);
    EXPECT_EQ(std::string(buf, 100), data.substr(0, 100));
    EXPECT_EQ(LZSeek(h, 5000, FILE_BEGIN), 5000);
    EXPECT_EQ(LZRead(h, buf, 10), 10);
    EXPECT_EQ(std::string(buf, 10), data.substr(5000, 10));
    EXPECT_EQ(LZSeek(h, -10, FILE_END), LONG(data.size() - 10));
    EXPECT_EQ(LZRead(h, buf, 100), 10);
    EXPECT_EQ(LZRead(h, buf, 100), 0);
    EXPECT_EQ(LZSeek(h, 1, FILE_END), LZERROR_BADVALUE);
    EXPECT_EQ(LZSeek(h, -1, FILE_BEGIN), LZERROR_BADVALUE);
    // A copy from the middle writes the rest.
    EXPECT_EQ(LZSeek(h, 9000, FILE_BEGIN), 9000);
    INT d = create("C:\\REST.TXT");
    EXPECT_EQ(LZCopy(h, d), 1000);
    LZClose(d);
    EXPECT_EQ(m.get('C', "REST.TXT"), data.substr(9000));
    LZClose(h);
    EXPECT_EQ(LZRead(h, buf, 1), LZERROR_BADINHANDLE) << "closed";
}

TEST_F(LzTest, AtMostSixteenCompressedFilesAtOnce) {
    m.put('A', "S.DR_", packed("small", 'V'));
    std::vector<INT> handles;
    for (int i = 0; i < 16; ++i) {
        handles.push_back(open("A:\\S.DRV", OF_READ));
        EXPECT_GE(handles.back(), 0x400);
    }
    EXPECT_EQ(open("A:\\S.DRV", OF_READ), LZERROR_GLOBALLOC);
    LZClose(handles[3]);
    INT again = open("A:\\S.DRV", OF_READ);
    EXPECT_EQ(again, handles[3]);
    handles[3] = again;
    for (INT h : handles)
        LZClose(h);
}

TEST_F(LzTest, OtherModesReturnPlainHandles) {
    m.put('C', "OLD.TXT", "x");
    m.put('A', "K.DR_", packed("data", 'V'));
    EXPECT_NE(open("C:\\OLD.TXT", OF_EXIST), HFILE_ERROR);
    EXPECT_NE(open("A:\\K.DRV", OF_EXIST), HFILE_ERROR) << "found under the compressed name";
    EXPECT_EQ(open("C:\\NONE.TXT", OF_EXIST), HFILE_ERROR);
    EXPECT_NE(open("C:\\OLD.TXT", OF_DELETE), HFILE_ERROR);
    EXPECT_FALSE(std::filesystem::exists(m.host('C', "OLD.TXT")));
    INT h = open("A:\\K.DRV", OF_READ | OF_SHARE_DENY_WRITE);
    EXPECT_GE(h, 0x400) << "share bits do not change the mode";
    LZClose(h);
}

TEST_F(LzTest, ExpandedNames) {
    m.put('A', "DRIVER.DR_", packed("x", 'V'));
    m.put('A', "lower.dr_", packed("x", 'V'));
    m.put('A', "NOCHAR.TX_", packed("x", 0));
    m.put('A', "PLAIN.TX_", "not compressed");
    char out[MAX_PATH];
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"A:\\DRIVER.DR_", "A:\\DRIVER.DRV"},
                 {"A:\\lower.dr_", "A:\\lower.drv"},
                 {"A:\\NOCHAR.TX_", "A:\\NOCHAR.TX"},
                 {"A:\\PLAIN.TX_", "A:\\PLAIN.TX_"}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetExpandedNameA(const_cast<char*>(c.in), out), 1) << c.in;
        EXPECT_STREQ(out, c.out);
    }
    EXPECT_EQ(GetExpandedNameA(const_cast<char*>("A:\\MISSING.DR_"), out), LZERROR_BADINHANDLE);
}

}  // namespace
