#include "platform/kernel/profile_file.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include <winerror.h>

#include "platform/kernel/FileTable.h"

namespace fs = std::filesystem;

namespace nv::profile {

std::string iniPath(std::string_view fileName) {
    if (fileName.find_first_of("\\/:") != std::string_view::npos)
        return std::string(fileName);
    const machine::Machine* m = machine::current();
    std::string dir = m ? m->settings().windowsDir : std::string("C:\\WINDOWS");
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir + std::string(fileName);
}

Result<IniFile> openIni(std::string_view fileName) {
    machine::Machine* m = machine::current();
    if (!m)
        return Error::win32(ERROR_NOT_READY, "no machine attached");
    IniFile file;
    file.path = NV_TRY(m->resolve(iniPath(fileName)));
    if (!file.path.exists || file.path.isDirectory || m->isHeldOpen(file.path.winPath))
        return file;
    std::ifstream in(file.path.host, std::ios::binary);
    if (!in)
        return file;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad())
        return file;
    file.bytes = ss.str();
    return file;
}

Result<void> writeIni(const IniFile& file, std::string_view bytes) {
    machine::Machine* m = machine::current();
    if (!m)
        return Error::win32(ERROR_NOT_READY, "no machine attached");
    const auto& p = file.path;
    if (p.isDirectory)
        return Error::win32(ERROR_ACCESS_DENIED, p.winPath + ": is a directory");
    if (!p.parentExists)
        return Error::win32(ERROR_PATH_NOT_FOUND, p.winPath + ": the directory does not exist");
    // The file is replaced whole, so a read-only file or one that is open
    // (here or by the system) must not be touched: the open handle would
    // keep the old file and its writes would be lost.
    if (file.bytes) {
        struct stat st {};
        if (::stat(p.host.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR))
            return Error::win32(ERROR_ACCESS_DENIED, p.winPath + ": the file is read-only");
    }
    NV_TRY(kernel::files().checkNotInUse(p.winPath));
    uint64_t before = file.bytes ? file.bytes->size() : 0;
    NV_TRY(m->chargeWrite(p.drive, bytes.size() > before ? bytes.size() - before : 0));

    fs::path tmp = p.host;
    tmp += ".~nvtmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return Error::win32(ERROR_ACCESS_DENIED, p.winPath + ": cannot write");
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(tmp, ec);
            return Error::win32(ERROR_WRITE_FAULT, p.winPath + ": write failed");
        }
    }
    std::error_code ec;
    fs::rename(tmp, p.host, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return Error::win32(ERROR_ACCESS_DENIED, p.winPath + ": cannot replace the file");
    }
    return {};
}

}  // namespace nv::profile
