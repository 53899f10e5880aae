#include "platform/kernel/FileTable.h"

#include <cstdint>

namespace nv::kernel {

namespace {

constexpr int kLastValue = 0x7FFFFFF0;

// What the system's own hold on a file in the "open files" setting allows.
constexpr DWORD kHeldShare = FILE_SHARE_READ;

bool conflicts(bool newRead, bool newWrite, DWORD newShare, bool oldRead, bool oldWrite, DWORD oldShare) {
    // An open without data access (attributes, times) takes no part in sharing.
    if ((!newRead && !newWrite) || (!oldRead && !oldWrite))
        return false;
    if (newRead && !(oldShare & FILE_SHARE_READ))
        return true;
    if (newWrite && !(oldShare & FILE_SHARE_WRITE))
        return true;
    if (oldRead && !(newShare & FILE_SHARE_READ))
        return true;
    if (oldWrite && !(newShare & FILE_SHARE_WRITE))
        return true;
    return false;
}

}  // namespace

Error readOnlyDriveError(const machine::Drive& drive) {
    std::string msg = std::string("drive ") + drive.letter + ": is read-only";
    if (drive.kind == machine::DriveKind::Removable)
        return Error::win32(ERROR_WRITE_PROTECT, msg);
    return Error::win32(ERROR_ACCESS_DENIED, msg);
}

Result<void> checkWritable(const machine::Machine& machine, const machine::ResolvedPath& place) {
    if (const machine::Drive* d = machine.drive(place.drive); d && d->readOnly)
        return readOnlyDriveError(*d);
    // Windows 95 keeps no permissions on its own FAT folders: a folder that
    // refuses writes while its drive takes them is a read-only folder of a
    // network share, and there the redirector answers every create, write,
    // delete and rename with ERROR_ACCESS_DENIED (5), the code Windows 95
    // also gives for a read-only file. ERROR_WRITE_PROTECT (19) belongs to
    // a write-protected medium as a whole (the drive's readonly setting).
    if (machine.inReadOnlyFolder(place.winPath))
        return Error::win32(ERROR_ACCESS_DENIED, place.winPath + ": the folder is read-only");
    return {};
}

FileTable::~FileTable() {
    for (auto& [value, entry] : entries_) {
        if (auto* f = std::get_if<OpenedFile>(&entry); f && f->fd >= 0)
            machine_.store().close(f->fd);
    }
}

int FileTable::nextValue() {
    // Values are never reused; wrapping would take half a billion opens.
    int v = next_;
    next_ = next_ >= kLastValue ? 0x1000 : next_ + 4;
    return v;
}

size_t FileTable::openCount() const {
    size_t n = 0;
    for (const auto& [value, entry] : entries_)
        n += std::holds_alternative<OpenedFile>(entry) ? 1 : 0;
    return n;
}

Result<void> FileTable::checkSharing(const std::string& fullWinPath, const OpenRequest& r) const {
    if (machine_.isHeldOpen(fullWinPath) && conflicts(r.read, r.write, r.share, true, false, kHeldShare))
        return Error::win32(ERROR_SHARING_VIOLATION, fullWinPath + ": in use by the system");
    for (const auto& [value, entry] : entries_) {
        const auto* f = std::get_if<OpenedFile>(&entry);
        if (!f || !machine::equalsNoCase(f->winPath, fullWinPath))
            continue;
        if (conflicts(r.read, r.write, r.share, f->read, f->write, f->share))
            return Error::win32(ERROR_SHARING_VIOLATION, fullWinPath + ": already open");
    }
    return {};
}

Result<void> FileTable::checkNotInUse(std::string_view fullWinPath) const {
    std::string path(fullWinPath);
    if (machine_.isHeldOpen(path))
        return Error::win32(ERROR_SHARING_VIOLATION, path + ": in use by the system");
    for (const auto& [value, entry] : entries_) {
        const auto* f = std::get_if<OpenedFile>(&entry);
        if (f && machine::equalsNoCase(f->winPath, path))
            return Error::win32(ERROR_SHARING_VIOLATION, path + ": open");
    }
    return {};
}

Result<int> FileTable::open(std::string_view path, const OpenRequest& r, bool* existed) {
    machine::ResolvedPath rp = NV_TRY(machine_.resolve(path));
    if (rp.exists && rp.isDirectory)
        return Error::win32(ERROR_ACCESS_DENIED, rp.winPath + ": is a directory");
    if (!rp.exists && !rp.parentExists)
        return Error::win32(ERROR_PATH_NOT_FOUND, rp.winPath + ": directory not found");

    const bool mustExist = r.disposition == Disposition::OpenExisting || r.disposition == Disposition::TruncateExisting;
    if (mustExist && !rp.exists)
        return Error::win32(ERROR_FILE_NOT_FOUND, rp.winPath + ": file not found");
    if (r.disposition == Disposition::CreateNew && rp.exists)
        return Error::win32(ERROR_FILE_EXISTS, rp.winPath + ": exists");
    if (r.disposition == Disposition::TruncateExisting && !r.write)
        return Error::win32(ERROR_INVALID_PARAMETER, "truncating needs write access");

    const bool truncates = rp.exists && (r.disposition == Disposition::CreateAlways ||
                                         r.disposition == Disposition::TruncateExisting);
    const bool creates = !rp.exists;
    if (r.write || creates || truncates)
        NV_TRY(checkWritable(machine_, rp));

    const machine::DriveStore& store = machine_.store();
    if (rp.exists && (r.write || truncates) && store.status(rp.host).readOnly)
        return Error::win32(ERROR_ACCESS_DENIED, rp.winPath + ": file is read-only");
    NV_TRY(checkSharing(rp.winPath, r));

    const auto access = (r.write || truncates) ? machine::OpenAccess::ReadWrite : machine::OpenAccess::Read;
    const auto create = creates     ? machine::OpenCreate::CreateNew
                        : truncates ? machine::OpenCreate::TruncateExisting
                                    : machine::OpenCreate::OpenExisting;
    // The read-only bit of a new file takes effect after this handle closes,
    // as on Windows: the creator may still write through it.
    int fd = NV_TRY(store.open(rp.host, access, create, machine::CreateMode::Writable, rp.winPath));
    if (creates && (r.attributes & FILE_ATTRIBUTE_READONLY))
        (void)store.setReadOnly(fd, true, rp.winPath);

    if (existed)
        *existed = rp.exists;
    OpenedFile f;
    f.fd = fd;
    f.winPath = rp.winPath;
    f.drive = rp.drive;
    f.read = r.read;
    f.write = r.write;
    f.share = r.share;
    int value = nextValue();
    entries_.emplace(value, std::move(f));
    return value;
}

Result<OpenedFile*> FileTable::file(int handle) {
    auto it = entries_.find(handle);
    if (it == entries_.end())
        return Error::win32(ERROR_INVALID_HANDLE, "not an open file handle");
    auto* f = std::get_if<OpenedFile>(&it->second);
    if (!f)
        return Error::win32(ERROR_INVALID_HANDLE, "not a file handle");
    return f;
}

Result<void> FileTable::close(int handle) {
    OpenedFile* f = NV_TRY(file(handle));
    machine_.store().close(f->fd);
    entries_.erase(handle);
    return {};
}

Result<uint32_t> FileTable::read(int handle, void* buffer, uint32_t count) {
    OpenedFile* f = NV_TRY(file(handle));
    if (!f->read)
        return Error::win32(ERROR_ACCESS_DENIED, f->winPath + ": not opened for reading");
    // A disk taken out of its drive while a file of it is open: the drive
    // is not ready, as Windows reports it with critical-error boxes off.
    if (const machine::Drive* d = machine_.drive(f->drive); d && !d->hasDisk)
        return Error::win32(ERROR_NOT_READY, f->winPath + ": the disk was taken out of drive " + f->drive + ":");
    if (count && !buffer)
        return Error::win32(ERROR_INVALID_PARAMETER, "no buffer");
    return machine_.store().read(f->fd, buffer, count, f->winPath);
}

Result<uint32_t> FileTable::write(int handle, const void* buffer, uint32_t count) {
    OpenedFile* f = NV_TRY(file(handle));
    if (!f->write)
        return Error::win32(ERROR_ACCESS_DENIED, f->winPath + ": not opened for writing");
    if (count && !buffer)
        return Error::win32(ERROR_INVALID_PARAMETER, "no buffer");
    const machine::DriveStore& store = machine_.store();
    machine::NodeInfo st = NV_TRY(store.status(f->fd, f->winPath));
    int64_t pos = NV_TRY(store.seek(f->fd, 0, machine::SeekFrom::Current, f->winPath));
    uint64_t end = static_cast<uint64_t>(pos) + count;
    uint64_t growth = end > st.size ? end - st.size : 0;
    NV_TRY(machine_.chargeWrite(f->drive, growth));
    return store.write(f->fd, buffer, count, f->winPath);
}

Result<void> FileTable::truncateHere(int handle) {
    OpenedFile* f = NV_TRY(file(handle));
    if (!f->write)
        return Error::win32(ERROR_ACCESS_DENIED, f->winPath + ": not opened for writing");
    const machine::DriveStore& store = machine_.store();
    machine::NodeInfo st = NV_TRY(store.status(f->fd, f->winPath));
    auto pos = static_cast<uint64_t>(NV_TRY(store.seek(f->fd, 0, machine::SeekFrom::Current, f->winPath)));
    NV_TRY(machine_.chargeWrite(f->drive, pos > st.size ? pos - st.size : 0));
    return store.truncate(f->fd, pos, f->winPath);
}

Result<int64_t> FileTable::seek(int handle, int64_t offset, int origin) {
    OpenedFile* f = NV_TRY(file(handle));
    int64_t base;
    switch (origin) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = NV_TRY(machine_.store().seek(f->fd, 0, machine::SeekFrom::Current, f->winPath)); break;
    case FILE_END: base = static_cast<int64_t>(NV_TRY(machine_.store().status(f->fd, f->winPath)).size); break;
    default: return Error::win32(ERROR_INVALID_PARAMETER, "bad seek origin");
    }
    if (offset > 0 && base > INT64_MAX - offset)
        return Error::win32(ERROR_INVALID_PARAMETER, f->winPath + ": seek beyond any file size");
    int64_t target = base + offset;
    if (target < 0)
        return Error::win32(ERROR_NEGATIVE_SEEK, f->winPath + ": seek before the start");
    return machine_.store().seek(f->fd, target, machine::SeekFrom::Begin, f->winPath);
}

Result<uint64_t> FileTable::size(int handle) {
    OpenedFile* f = NV_TRY(file(handle));
    return NV_TRY(machine_.store().status(f->fd, f->winPath)).size;
}

int FileTable::addSearch(FindSearch search) {
    int value = nextValue();
    entries_.emplace(value, std::move(search));
    return value;
}

FindSearch* FileTable::search(int handle) {
    auto it = entries_.find(handle);
    if (it == entries_.end())
        return nullptr;
    return std::get_if<FindSearch>(&it->second);
}

bool FileTable::closeSearch(int handle) {
    if (!search(handle))
        return false;
    entries_.erase(handle);
    return true;
}

FileTable& files() { return machine::currentOrDie().familyState<FileTable>(); }

}  // namespace nv::kernel
