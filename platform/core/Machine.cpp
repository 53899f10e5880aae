#include "platform/core/Machine.h"

#include <cctype>
#include <set>

#include <winerror.h>

#include "platform/core/SettingsFile.h"

namespace fs = std::filesystem;

namespace nv::machine {

Machine::Machine(fs::path dir, Settings settings) : dir_(std::move(dir)), settings_(std::move(settings)) {
    // Windows starts in the root of each drive, on the boot drive.
    for (const auto& [letter, d] : settings_.drives)
        cwd_[letter] = std::string(1, letter) + ":\\";
    currentDrive_ = settings_.drives.count('C') || settings_.drives.empty() ? 'C' : settings_.drives.begin()->first;
}

Result<std::unique_ptr<Machine>> Machine::open(const fs::path& dir) {
    DriveStore store;
    const fs::path file = dir / "machine.ini";
    const std::string name = file.string();
    switch (store.status(dir).kind) {
    case NodeKind::Missing: return Error::win32(ERROR_PATH_NOT_FOUND, dir.string() + ": no such machine directory");
    case NodeKind::Directory: break;
    default: return Error::win32(ERROR_PATH_NOT_FOUND, dir.string() + ": not a machine directory (not a folder)");
    }
    switch (store.status(file).kind) {
    case NodeKind::Missing:
        return Error::win32(ERROR_FILE_NOT_FOUND, name + ": missing; this folder holds no machine");
    case NodeKind::Directory:
        return Error::win32(ERROR_BADDB, name + ": is a folder, not the machine's settings file");
    default: break;
    }
    auto text = store.readFile(file);
    if (!text)
        return Error::win32(text.error().code, "cannot read the machine settings: " + text.error().message);
    auto settings = parseSettings(*text, name);
    if (!settings)
        return settings.take_error();
    auto m = std::unique_ptr<Machine>(new Machine(store.absoluteDirectory(dir), *settings));
    m->settingsSource_ = std::move(*text);
    m->settingsAsRead_ = std::move(*settings);
    return m;
}

std::unique_ptr<Machine> Machine::fromSettings(fs::path dir, Settings settings) {
    return std::unique_ptr<Machine>(new Machine(std::move(dir), std::move(settings)));
}

std::string Machine::settingsText() const { return updateSettingsText(settingsSource_, settingsAsRead_, settings_); }

Result<void> Machine::save() {
    std::string text = settingsText();
    if (!settingsSource_.empty() && text == settingsSource_)
        return {};  // nothing changed: the file is left exactly as it is
    const fs::path file = NV_TRY(store_.machineFile(dir_, "machine.ini"));
    if (auto r = store_.replaceFile(file, text); !r)
        return Error::win32(ERROR_CANTWRITE, r.error().message);
    settingsSource_ = std::move(text);
    settingsAsRead_ = settings_;
    return {};
}

const Drive* Machine::drive(char letter) const {
    auto it = settings_.drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == settings_.drives.end() ? nullptr : &it->second;
}

Drive* Machine::drive(char letter) {
    auto it = settings_.drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
    return it == settings_.drives.end() ? nullptr : &it->second;
}

bool Machine::isHeldOpen(std::string_view fullWinPath) const {
    for (const auto& f : settings_.openFiles) {
        auto full = fullPath(f);
        if (full && equalsNoCase(*full, fullWinPath))
            return true;
    }
    return false;
}

bool Machine::nextAllocationFails() {
    ++allocations_;
    return settings_.failAllocation > 0 && allocations_ == settings_.failAllocation;
}

void Machine::shutDownFamilies() {
    std::set<std::type_index> done;
    for (bool more = true; more;) {
        more = false;
        for (auto& [type, state] : families_) {
            if (!done.insert(type).second)
                continue;
            state->shutDown();
            more = true;
            break;  // a shutDown may have made another family's state
        }
    }
}

}  // namespace nv::machine
