#include "tools/disks/DiskSet.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <tuple>

#include <winerror.h>

namespace nv::disks {

namespace fs = std::filesystem;

namespace {

std::string upper(std::string_view s) {
    std::string o(s);
    for (char& c : o)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return o;
}

bool endsWithNoCase(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && upper(s.substr(s.size() - tail.size())) == upper(tail);
}

Result<std::vector<uint8_t>> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return Error::win32(ERROR_FILE_NOT_FOUND, p.string() + ": cannot be read");
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
    if (in.bad())
        return Error::win32(ERROR_READ_FAULT, p.string() + ": read error");
    return b;
}

Result<void> writeAll(const fs::path& p, const std::vector<uint8_t>& b) {
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    out.close();
    if (!out)
        return Error::win32(ERROR_WRITE_FAULT, p.string() + ": cannot be written");
    return {};
}

struct Planned {
    StoredFile file;
    enum class Store { Plain, Compressed, CompressedSameName } store = Store::Plain;
    std::string diskName;  // the name on the disk (last component)
};

// The disk number of a folder named DISKn, or 0.
int diskNumber(const std::string& name) {
    std::string u = upper(name);
    if (u.size() == 5 && u.rfind("DISK", 0) == 0 && u[4] >= '1' && u[4] <= '9')
        return u[4] - '0';
    return 0;
}

}  // namespace

bool isShortName(std::string_view name) {
    static const std::string_view bad = "\"*+,/:;<=>?[\\]| ";
    size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string_view::npos)
        return false;
    if (dot != std::string_view::npos && ext.empty())
        return false;
    for (char c : name) {
        if (c == '.')
            continue;
        if (static_cast<unsigned char>(c) < 0x20 || bad.find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

Result<DiskSetReport> buildDiskSet(const fs::path& src, const fs::path& out, szdd::Effort effort) {
    std::error_code ec;
    if (!fs::is_directory(src, ec))
        return Error::win32(ERROR_PATH_NOT_FOUND, src.string() + ": not a folder");

    std::map<int, fs::path> diskDirs;
    for (const auto& e : fs::directory_iterator(src, ec)) {
        int n = diskNumber(e.path().filename().string());
        if (n && e.is_directory() && !e.is_symlink()) {
            if (diskDirs.count(n))
                return Error::win32(ERROR_ALREADY_EXISTS,
                                    e.path().string() + ": a second folder for disk " + std::to_string(n));
            diskDirs[n] = e.path();
        }
    }
    if (ec)
        return Error::win32(ERROR_READ_FAULT, src.string() + ": " + ec.message());
    if (diskDirs.empty())
        return Error::win32(ERROR_FILE_NOT_FOUND, src.string() + ": no DISK1 to DISK9 folder");

    // Plan everything first, so that a bad name leaves OUT untouched.
    std::vector<Planned> plan;
    std::map<std::pair<int, std::string>, fs::path> taken;  // (disk, upper-case path) -> source
    for (const auto& [n, dir] : diskDirs) {
        for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (ec)
                return Error::win32(ERROR_READ_FAULT, dir.string() + ": " + ec.message());
            const fs::path& p = it->path();
            if (it->is_symlink())
                return Error::win32(ERROR_ACCESS_DENIED, p.string() + ": symbolic links are not taken");
            std::string name = p.filename().string();
            Planned pl;
            pl.file.disk = n;
            pl.file.source = p;
            if (it->is_directory()) {
                if (!isShortName(name))
                    return Error::win32(ERROR_INVALID_NAME, p.string() + ": \"" + name + "\" is not an 8.3 folder name");
                continue;
            }
            if (endsWithNoCase(name, ".lzsame")) {
                pl.store = Planned::Store::CompressedSameName;
                pl.diskName = name.substr(0, name.size() - 7);
            } else if (endsWithNoCase(name, ".lz")) {
                pl.store = Planned::Store::Compressed;
                pl.diskName = szdd::compressedName(name.substr(0, name.size() - 3));
            } else {
                pl.diskName = name;
            }
            if (!isShortName(pl.diskName))
                return Error::win32(ERROR_INVALID_NAME,
                                    p.string() + ": \"" + pl.diskName + "\" is not an 8.3 name for a disk");
            fs::path rel = fs::relative(p.parent_path(), dir) / pl.diskName;
            pl.file.relative = rel.lexically_normal().generic_string();
            if (pl.file.relative.rfind("./", 0) == 0)
                pl.file.relative.erase(0, 2);
            auto key = std::make_pair(n, upper(pl.file.relative));
            if (auto prev = taken.find(key); prev != taken.end())
                return Error::win32(ERROR_ALREADY_EXISTS, p.string() + ": disk " + std::to_string(n) + " already holds " +
                                                              pl.file.relative + " (from " + prev->second.string() + ")");
            taken[key] = p;
            plan.push_back(std::move(pl));
        }
    }
    std::sort(plan.begin(), plan.end(), [](const Planned& a, const Planned& b) {
        return std::tie(a.file.disk, a.file.relative) < std::tie(b.file.disk, b.file.relative);
    });

    for (const auto& [n, dir] : diskDirs) {
        fs::remove_all(out / ("DISK" + std::to_string(n)), ec);
        if (ec)
            return Error::win32(ERROR_ACCESS_DENIED, (out / ("DISK" + std::to_string(n))).string() + ": " + ec.message());
        fs::create_directories(out / ("DISK" + std::to_string(n)), ec);
        if (ec)
            return Error::win32(ERROR_ACCESS_DENIED, (out / ("DISK" + std::to_string(n))).string() + ": " + ec.message());
    }

    DiskSetReport report;
    std::map<int, uint64_t> used;
    for (auto& pl : plan) {
        auto data = NV_TRY(readAll(pl.file.source));
        std::vector<uint8_t> stored;
        if (pl.store == Planned::Store::Plain) {
            stored = std::move(data);
        } else {
            std::string expandedName = pl.store == Planned::Store::Compressed
                                           ? pl.file.source.filename().string().substr(0, pl.file.source.filename().string().size() - 3)
                                           : pl.diskName;
            auto packed = szdd::compress(data, szdd::missingCharOf(expandedName), effort);
            if (!packed)
                return Error::win32(ERROR_INVALID_DATA, pl.file.source.string() + ": too large to compress");
            stored = std::move(*packed);
            pl.file.compressed = true;
        }
        pl.file.size = stored.size();
        NV_TRY(writeAll(out / ("DISK" + std::to_string(pl.file.disk)) / pl.file.relative, stored));
        used[pl.file.disk] += stored.size();
        report.files.push_back(pl.file);
    }
    for (const auto& [n, bytes] : used)
        if (bytes > kFloppyBytes)
            report.warnings.push_back("disk " + std::to_string(n) + " holds " + std::to_string(bytes) +
                                      " bytes, more than a 1.44 MB floppy");
    return report;
}

}  // namespace nv::disks
