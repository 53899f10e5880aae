// UpdateICMRegKeyA: colour profiles as Windows 95's Image Color Matching
// records them. Installing a profile reads its ICC header (device class at
// byte 12, signature "acsp" at 36, manufacturer at 48, model at 52) and
// lists its full path as the next free value "profileNN" under
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\ICM\<class>: monitor and
// scanner profiles below a manufacturer and a model key ("none" without a
// model key when the manufacturer is 0), printer profiles below manufacturer,
// model, media, dither and resolution (Unknown when the profile does not
// say), the other classes directly. A profile already listed is not listed
// twice. The file itself stays where it is. (Windows 95 DDK, "Image Color
// Matching and Printer Drivers in Windows 95", Registry Keys Reference.)
#include <windows.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/registry/RegistryStore.h"

using namespace nv;

namespace {

struct IccHeader {
    std::string deviceClass;
    uint32_t manufacturer = 0;
    uint32_t model = 0;
};

uint32_t BigEndian(const std::array<uint8_t, 128>& h, size_t at) {
    return (uint32_t(h[at]) << 24) | (uint32_t(h[at + 1]) << 16) | (uint32_t(h[at + 2]) << 8) | h[at + 3];
}

// A four-byte signature as its characters; one with other bytes in hex.
std::string SignatureText(uint32_t v) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((v >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%X", v);
            return hex;
        }
        s.push_back(c);
    }
    return s;
}

Result<IccHeader> ReadHeader(const std::string& path, std::string* fullPath) {
    machine::Machine& m = machine::currentOrDie();
    auto r = NV_TRY(m.resolve(path));
    if (!r.exists || r.isDirectory)
        return Error::win32(ERROR_FILE_NOT_FOUND, path + " does not exist");
    *fullPath = r.winPath;
    // The header alone is read, through the machine's drive store.
    const machine::DriveStore& store = m.store();
    int fd = NV_TRY(store.open(r.host, machine::OpenAccess::Read, machine::OpenCreate::OpenExisting,
                               machine::CreateMode::Writable, r.winPath));
    std::array<uint8_t, 128> h{};
    auto got = store.read(fd, h.data(), static_cast<uint32_t>(h.size()), r.winPath);
    store.close(fd);
    if (!got || *got != h.size() || BigEndian(h, 36) != 0x61637370)  // "acsp"
        return Error::win32(ERROR_INVALID_DATA, path + " is no colour profile");
    IccHeader header;
    header.deviceClass = std::string(reinterpret_cast<const char*>(&h[12]), 4);
    header.manufacturer = BigEndian(h, 48);
    header.model = BigEndian(h, 52);
    return header;
}

std::vector<std::string> ProfileKey(const IccHeader& h) {
    std::vector<std::string> parts{"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "ICM", h.deviceClass};
    if (h.deviceClass == "mntr" || h.deviceClass == "scnr" || h.deviceClass == "prtr") {
        if (h.manufacturer == 0) {
            parts.push_back("none");
        } else {
            parts.push_back(SignatureText(h.manufacturer));
            parts.push_back(SignatureText(h.model));
        }
        if (h.deviceClass == "prtr")
            for (const char* unknown : {"MediaUnknown", "DitherUnknown", "ResolutionUnknown"})
                parts.push_back(unknown);
    }
    return parts;
}

// The path a profile value lists, without its terminating NUL.
std::string ListedPath(const registry::Value& v) {
    std::string listed(v.data.begin(), v.data.end());
    if (!listed.empty() && listed.back() == '\0')
        listed.pop_back();
    return listed;
}

Result<registry::RegistryStore*> ProfileStore() {
    auto* store = registry::RegistryStore::current();
    if (!store)
        return Error::win32(ERROR_BADDB, "no registry");
    return store;
}

Result<void> AddProfile(const std::string& path) {
    std::string full;
    IccHeader header = NV_TRY(ReadHeader(path, &full));
    registry::RegistryStore* store = NV_TRY(ProfileStore());
    registry::Registry* reg = NV_TRY(store->registry());
    registry::KeyPath keyPath{registry::Root::LocalMachine, ProfileKey(header)};
    registry::Key& key = reg->create(keyPath);
    int next = 0;
    for (const auto& v : key.values()) {
        if (machine::equalsNoCase(ListedPath(v), full))
            return {};
        int n = 0;
        if (std::sscanf(v.name.c_str(), "profile%d", &n) == 1 && n >= next)
            next = n + 1;
    }
    char name[32];
    std::snprintf(name, sizeof name, "profile%02d", next);
    std::vector<uint8_t> data(full.begin(), full.end());
    data.push_back(0);
    key.setValue(name, REG_SZ, std::move(data));
    return store->save();
}

// Takes the profile's path off its list; a profile not listed is an error.
Result<void> DeleteProfile(const std::string& path) {
    std::string full;
    IccHeader header = NV_TRY(ReadHeader(path, &full));
    registry::RegistryStore* store = NV_TRY(ProfileStore());
    registry::Registry* reg = NV_TRY(store->registry());
    registry::Key* key = reg->find(registry::KeyPath{registry::Root::LocalMachine, ProfileKey(header)});
    if (key) {
        for (const auto& v : key->values()) {
            if (machine::equalsNoCase(ListedPath(v), full)) {
                std::string name = v.name;
                key->removeValue(name);
                return store->save();
            }
        }
    }
    return Error::win32(ERROR_FILE_NOT_FOUND, "the profile is not listed");
}

}  // namespace

BOOL WINAPI UpdateICMRegKeyA(DWORD reserved, LPSTR lpszCMID, LPSTR lpszFileName, UINT command) {
    NV_TRACE_ENTER("UpdateICMRegKeyA", lpszFileName, command);
    BOOL result = FALSE;
    if ((command != ICM_ADDPROFILE && command != ICM_DELETEPROFILE) || !lpszFileName || !*lpszFileName) {
        // Installing and deleting are needed here; the other commands are refused.
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (auto done = command == ICM_ADDPROFILE ? AddProfile(lpszFileName) : DeleteProfile(lpszFileName);
               !done) {
        SetLastError(done.error().code ? done.error().code : ERROR_INVALID_DATA);
    } else {
        result = TRUE;
    }
    NV_TRACE_RESULT(result);
    return result;
}
