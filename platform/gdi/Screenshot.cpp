#include "platform/gdi/Screenshot.h"

#include <png.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <windows.h>

#include "platform/core/DriveStore.h"
#include "platform/core/Trace.h"
#include "platform/gdi/Win95Painter.h"
#include "platform/gdi/WindowSurface.h"
#include "platform/user/WindowManager.h"

namespace nv::gdi {

Result<void> SavePng(const Surface& s, const std::string& hostPath) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(host::createOutputFile(hostPath, true), &std::fclose);
    if (!f)
        return Error::win32(ERROR_PATH_NOT_FOUND, "cannot write " + hostPath);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return Error::win32(ERROR_NOT_ENOUGH_MEMORY, "libpng could not start for " + hostPath);
    }
    std::vector<png_byte> row(static_cast<size_t>(s.width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Error::win32(ERROR_WRITE_FAULT, "libpng failed writing " + hostPath);
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width()), static_cast<png_uint_32>(s.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < s.height(); ++y) {
        const uint32_t* src = s.row(y);
        for (int x = 0; x < s.width(); ++x) {
            row[x * 3] = static_cast<png_byte>(src[x] >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return {};
}

Result<void> SaveScreenshot(const std::string& hostPath) { return SavePng(composeScreen(), hostPath); }

namespace {

std::string fileSafe(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (out.size() >= 40)
            break;
        out.push_back(std::isalnum(c) || c == '-' ? static_cast<char>(c) : '_');
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    return out;
}

class Photographer final : public nv::user::WaitObserver {
public:
    explicit Photographer(std::string dir) : dir_(std::move(dir)) {}

    void waiting(HWND hwnd, nv::user::WaitKind kind) override {
        nv::trace::Quiet quiet;
        char caption[128] = {};
        GetWindowTextA(hwnd, caption, sizeof caption);
        std::string name = kind == nv::user::WaitKind::MessageBox ? "msgbox" : "dialog";
        // A dialog from the resources is best known by its template name.
        if (nv::user::Window* w = nv::user::find(hwnd); w && w->dialog && !w->dialog->templateName.empty())
            name = w->dialog->templateName;
        name = fileSafe(name);
        if (std::string c = fileSafe(caption); !c.empty())
            name += "-" + c;
        take(name);
    }

    void runEnded() override { take("end"); }

    std::vector<std::string> files;

private:
    void take(const std::string& name) {
        nv::trace::Quiet quiet;  // the pictures are not the program's doing
        // Windows behind the waiting one may still have paint pending.
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (IsWindowVisible(h))
                UpdateWindow(h);
        Surface shot = composeScreen();
        if (last_ && sameAs(*last_, shot) && name == lastName_)
            return;
        char number[16];
        std::snprintf(number, sizeof number, "%03d-", ++count_);
        std::string path = (std::filesystem::path(dir_) / (number + name + ".png")).string();
        if (SavePng(shot, path))
            files.push_back(path);
        else
            std::fprintf(stderr, "screenshot: cannot write %s\n", path.c_str());
        last_ = std::move(shot);
        lastName_ = name;
    }

    static bool sameAs(const Surface& a, const Surface& b) {
        if (a.width() != b.width() || a.height() != b.height())
            return false;
        for (int y = 0; y < a.height(); ++y)
            if (!std::equal(a.row(y), a.row(y) + a.width(), b.row(y)))
                return false;
        return true;
    }

    std::string dir_;
    int count_ = 0;
    std::optional<Surface> last_;
    std::string lastName_;
};

std::unique_ptr<Photographer>& photographer() {
    static std::unique_ptr<Photographer> p;
    return p;
}

}  // namespace

Result<void> EnableScreenshots(const std::string& hostDir) {
    if (auto made = host::makeDirectories(hostDir); !made)
        return Error::win32(ERROR_PATH_NOT_FOUND, "cannot create screenshot directory " + hostDir + ": " + made.error().message);
    DisableScreenshots();
    InstallPainter();
    photographer() = std::make_unique<Photographer>(hostDir);
    nv::user::AddWaitObserver(photographer().get());
    return {};
}

void DisableScreenshots() {
    if (auto& p = photographer()) {
        nv::user::RemoveWaitObserver(p.get());
        p.reset();
    }
}

const std::vector<std::string>& ScreenshotFiles() {
    static const std::vector<std::string> none;
    return photographer() ? photographer()->files : none;
}

}  // namespace nv::gdi
