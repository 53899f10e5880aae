#include "platform/kernel/profile_file.h"

#include <map>

#include <winerror.h>

#include "platform/kernel/FileTable.h"

namespace nv::profile {

namespace {

// What tells one version of a file from another without reading it.
struct Identity {
    machine::NodeInfo node;
    uint64_t inPlaceWrites = 0;

    bool sameAs(const Identity& o) const {
        return node.kind == o.node.kind && node.device == o.node.device && node.inode == o.node.inode &&
               node.size == o.node.size && node.modified.tv_sec == o.node.modified.tv_sec &&
               node.modified.tv_nsec == o.node.modified.tv_nsec && inPlaceWrites == o.inPlaceWrites;
    }
};

// Parsed INI files of one machine, by host path. A few files are kept: a
// run works on WIN.INI, SYSTEM.INI and one or two of its own.
class ProfileCache : public machine::Machine::FamilyState {
public:
    explicit ProfileCache(machine::Machine&) {}

    std::shared_ptr<const Document> find(const std::string& host, const Identity& now) {
        auto it = entries_.find(host);
        if (it == entries_.end() || !it->second.identity.sameAs(now))
            return nullptr;
        it->second.lastUse = ++clock_;
        return it->second.document;
    }

    void keep(const std::string& host, const Identity& identity, std::shared_ptr<const Document> document) {
        if (entries_.size() >= kFiles && !entries_.count(host)) {
            auto oldest = entries_.begin();
            for (auto it = entries_.begin(); it != entries_.end(); ++it) {
                if (it->second.lastUse < oldest->second.lastUse)
                    oldest = it;
            }
            entries_.erase(oldest);
        }
        entries_[host] = Entry{identity, std::move(document), ++clock_};
    }

    void forget(const std::string& host) { entries_.erase(host); }

private:
    static constexpr size_t kFiles = 8;
    struct Entry {
        Identity identity;
        std::shared_ptr<const Document> document;
        uint64_t lastUse = 0;
    };
    std::map<std::string, Entry> entries_;
    uint64_t clock_ = 0;
};

Identity identityOf(const machine::Machine& m, const std::filesystem::path& host) {
    machine::NodeInfo node = m.store().status(host);
    return Identity{node, m.store().inPlaceWrites(node)};
}

std::shared_ptr<const Document> sharedEmpty() {
    static const auto empty = std::make_shared<const Document>();
    return empty;
}

}  // namespace

const Document& emptyDocument() { return *sharedEmpty(); }

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
    file.document = sharedEmpty();
    file.path = NV_TRY(m->resolve(iniPath(fileName)));
    if (!file.path.exists)
        return file;
    file.state = IniState::Unreadable;
    if (file.path.isDirectory) {
        file.unreadable = Error::win32(ERROR_ACCESS_DENIED, file.path.winPath + ": is a directory");
        return file;
    }
    if (m->isHeldOpen(file.path.winPath)) {
        file.unreadable = Error::win32(ERROR_SHARING_VIOLATION, file.path.winPath + ": in use by the system");
        return file;
    }
    auto& cache = m->familyState<ProfileCache>();
    const std::string key = file.path.host.string();
    Identity before = identityOf(*m, file.path.host);
    if (auto cached = cache.find(key, before)) {
        file.state = IniState::Readable;
        file.document = std::move(cached);
        file.size = before.node.size;
        return file;
    }
    auto bytes = m->store().readFile(file.path.host, file.path.winPath);
    if (!bytes) {
        cache.forget(key);
        // Guard: a file that exists but cannot be read is not an empty file;
        // writing over it would lose everything in it.
        file.unreadable = Error::win32(bytes.error().code == ERROR_SHARING_VIOLATION ? ERROR_SHARING_VIOLATION
                                                                                     : ERROR_ACCESS_DENIED,
                                       bytes.error().message);
        return file;
    }
    file.state = IniState::Readable;
    file.size = bytes->size();
    file.document = std::make_shared<const Document>(Document::parse(*bytes));
    // Kept only when the file did not change while it was read.
    if (identityOf(*m, file.path.host).sameAs(before) && before.node.size == file.size)
        cache.keep(key, before, file.document);
    return file;
}

Result<void> writeIni(const IniFile& file, Document document) {
    machine::Machine* m = machine::current();
    if (!m)
        return Error::win32(ERROR_NOT_READY, "no machine attached");
    const auto& p = file.path;
    if (file.state == IniState::Unreadable)
        return file.unreadable;
    if (!p.parentExists)
        return Error::win32(ERROR_PATH_NOT_FOUND, p.winPath + ": the directory does not exist");
    const machine::DriveStore& store = m->store();
    // The file is replaced whole, so a read-only file or one that is open
    // (here or by the system) must not be touched: the open handle would
    // keep the old file and its writes would be lost.
    if (file.state == IniState::Readable && store.status(p.host).readOnly)
        return Error::win32(ERROR_ACCESS_DENIED, p.winPath + ": the file is read-only");
    // A read-only drive is refused by chargeWrite below; a read-only folder
    // answers as kernel::checkWritable says.
    if (m->inReadOnlyFolder(p.winPath))
        return Error::win32(ERROR_ACCESS_DENIED, p.winPath + ": the folder is read-only");
    NV_TRY(kernel::files().checkNotInUse(p.winPath));
    std::string bytes = document.text();
    NV_TRY(m->chargeWrite(p.drive, bytes.size() > file.size ? bytes.size() - file.size : 0));

    auto& cache = m->familyState<ProfileCache>();
    const std::string key = p.host.string();
    cache.forget(key);
    auto written = store.replaceFile(p.host, bytes, p.winPath);
    if (!written) {
        DWORD code = written.error().code == ERROR_DISK_FULL ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED;
        return Error::win32(code, p.winPath + ": cannot write: " + written.error().message);
    }
    Identity after = identityOf(*m, p.host);
    if (after.node.size == bytes.size())
        cache.keep(key, after, std::make_shared<const Document>(std::move(document)));
    return {};
}

}  // namespace nv::profile
