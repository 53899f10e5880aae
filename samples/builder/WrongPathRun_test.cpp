// The typical installation from floppies where the first disk change goes
// wrong (samples/answers/wrong-path-first.txt): disk 1 left in A: at the
// prompt for disk 2, a wrong directory typed into SELECTDRIVE (warning 237,
// the dialog asked again), then disk 2 inserted and A:\ typed. Run by the
// built launcher on a fresh machine; afterwards the machine holds what the
// plain typical run gives it, and the pictures of the waits during the copy
// show the progress window.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "AnswerRun.h"

namespace fs = std::filesystem;

namespace {

using nv::testing::nvmachine;

const fs::path kBin = NV_BINARY_DIR;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // 3 bytes a pixel, rows top down
    bool at(int x, int y, unsigned char r, unsigned char g, unsigned char b) const {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return p[0] == r && p[1] == g && p[2] == b;
    }
};

// An 8-bit RGB PNG as the launcher writes them; empty when it is not one.
Picture readPng(const fs::path& file) {
    Picture pic;
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(file.c_str(), "rb"), std::fclose);
    if (!f)
        return pic;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return pic;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Picture{};
    }
    png_init_io(png, f.get());
    png_read_info(png, info);
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB || png_get_bit_depth(png, info) != 8) {
        png_destroy_read_struct(&png, &info, nullptr);
        return pic;
    }
    pic.width = static_cast<int>(png_get_image_width(png, info));
    pic.height = static_cast<int>(png_get_image_height(png, info));
    pic.rgb.resize(static_cast<size_t>(pic.width) * pic.height * 3);
    for (int y = 0; y < pic.height; ++y)
        png_read_row(png, &pic.rgb[static_cast<size_t>(y) * pic.width * 3], nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return pic;
}

// Whether the picture holds a partly filled progress bar: on some row, a
// run of the bar's blue (0,0,255) ending in a run of its white remainder.
bool showsPartlyFilledBar(const Picture& pic) {
    constexpr int kRun = 6;
    for (int y = 0; y < pic.height; ++y) {
        int blue = 0;
        for (int x = 0; x < pic.width; ++x) {
            if (pic.at(x, y, 0, 0, 255)) {
                ++blue;
                continue;
            }
            if (blue >= kRun && x + kRun <= pic.width) {
                bool white = true;
                for (int i = 0; i < kRun && white; ++i)
                    white = pic.at(x + i, y, 255, 255, 255);
                if (white)
                    return true;
            }
            blue = 0;
        }
    }
    return false;
}

class WrongPathRun : public nv::testing::AnswerRun {
protected:
    fs::path shots = tmp.path() / "shots";
    fs::path trace = tmp.path() / "trace.txt";
};

TEST_F(WrongPathRun, WrongDirectoryWarnsAndAsksAgainThenTheRunEndsAsTheTypicalOne) {
    ASSERT_TRUE(fs::is_regular_file(kBin / "samples/disks/DISK1/INSTALL.INF"))
        << "the sample disks are built by the sample_disks target";
    std::string out = run("wrong-path-first.txt", nv::testing::RunOptions().launcher({"--from", "A:\\", "--screenshots", shots.string(), "--trace", trace.string()}));
    EXPECT_NE(out.find("nvins32b: outcome: the driver installation finished; Windows must restart"),
              std::string::npos)
        << out;

    // The wrong directory was looked in, then disk 2 through A:\.
    std::string calls = nv::testing::readWholeFile(trace);
    EXPECT_NE(calls.find("OpenFile(\"C:\\NOWHERE\\NVDISK2.TAG\""), std::string::npos);
    EXPECT_NE(calls.find("\"File not found.\\nMake sure that you have specified the correct path"),
              std::string::npos);

    // The machine as the typical run leaves it: the files of all three disks,
    // their records, the virtual device driver's line, the fonts key.
    for (const char* f : {"C:\\WINDOWS\\SYSTEM\\qs8000.drv", "C:\\WINDOWS\\SYSTEM\\QSUI.DLL",
                          "C:\\WINDOWS\\SYSTEM\\NVBIDI.386", "C:\\WINDOWS\\SYSTEM\\COLOR\\QS8000.ICM",
                          "C:\\WINDOWS\\FONTS\\NVSANS.TTF"})
        EXPECT_TRUE(exists(f)) << f;
    EXPECT_FALSE(exists("C:\\NOWHERE"));
    std::string installIni = nvmachine({"ini", "get", machine.string(), "C:\\WINDOWS\\QS8000.INI", "Install"}).out;
    EXPECT_NE(installIni.find("=C:\\WINDOWS\\SYSTEM\\QSUI.DLL"), std::string::npos) << installIni;
    EXPECT_NE(installIni.find("=C:\\WINDOWS\\FONTS\\NVSANS.TTF"), std::string::npos) << installIni;
    EXPECT_EQ(ini("C:\\WINDOWS\\SYSTEM.INI", "386Enh", "device"), "NVBIDI.386");
    std::string fonts = registry(nv::testing::kFontsKey);
    EXPECT_NE(fonts.find("\"Norvalk Sans (TrueType)\"=\"C:\\\\WINDOWS\\\\FONTS\\\\NVSANS.TTF\""), std::string::npos)
        << fonts;

    // Pictures: SELECTDRIVE, the warning, SELECTDRIVE again, and the
    // progress window, part filled, on the screen behind them.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(shots))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    // A picture is taken at each wait, so a dialog typed into shows twice.
    std::vector<std::string> asked, warning, askedAgain;
    for (const auto& n : names) {
        if (n.find("-SELECTDRIVE") != std::string::npos)
            (warning.empty() ? asked : askedAgain).push_back(n);
        else if (n.find("-msgbox-Note") != std::string::npos && !asked.empty() && askedAgain.empty())
            warning.push_back(n);
    }
    ASSERT_FALSE(asked.empty()) << ::testing::PrintToString(names);
    ASSERT_EQ(warning.size(), 1u) << ::testing::PrintToString(names);
    ASSERT_FALSE(askedAgain.empty()) << ::testing::PrintToString(names);
    EXPECT_EQ(std::stoi(askedAgain[0]), std::stoi(warning[0]) + 1) << "the dialog comes back right after the warning";
    // SELECTDRIVE covers the bar; the warning leaves it in sight.
    Picture pic = readPng(shots / warning[0]);
    ASSERT_GT(pic.width, 0) << warning[0];
    EXPECT_TRUE(showsPartlyFilledBar(pic)) << warning[0] << " does not show the progress bar";
}

}  // namespace
