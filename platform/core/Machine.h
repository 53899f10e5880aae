// The simulated Windows 95 machine: a host directory holding the machine's
// settings (machine.ini), one folder per drive and the registry file.
//
// Its parts live in files of one concern each: Settings.h (machine.ini and
// its table of keys), WindowsPaths.cpp (full paths, resolution, current
// directories), DriveAccounting.cpp (write charging, free space),
// MachineSlot.cpp (the attached machine), DriveStore.h (all host file I/O).
//
// Contract:
//  - Machine::open reads machine.ini; a damaged file, an impossible setting or
//    a folder in its place is an Error whose message names the file and line
//    and quotes the offending text.
//  - save() writes back only the settings that changed since the file was
//    read, keeping comments and the user's layout (SettingsFile.h).
//  - resolve() maps a Windows path onto the host. Every component is matched
//    without regard to case (ASCII); a missing component keeps the case it was
//    given. Nothing resolves outside the drive's folder: ".." at a root stays
//    at the root, and a symbolic link or a special file (pipe, device,
//    socket) at any component is refused (ERROR_ACCESS_DENIED).
//  - A full path longer than MAX_PATH - 1 characters is ERROR_FILENAME_EXCED_RANGE.
//  - The Win32 functions of the stand-in reach the machine through current();
//    the launcher and tests attach one with attach().
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include "platform/core/DriveStore.h"
#include "platform/core/Result.h"
#include "platform/core/Settings.h"

namespace nv::machine {

// A Windows path resolved onto the host.
struct ResolvedPath {
    std::string winPath;           // full Windows path, existing components in their stored case
    std::filesystem::path host;    // where it is (or would be) on the host
    char drive = 'C';
    bool exists = false;           // the whole path exists
    bool parentExists = false;     // every component but the last exists (as a directory)
    bool isDirectory = false;
};

class Machine {
public:
    // Reads DIR/machine.ini.
    static Result<std::unique_ptr<Machine>> open(const std::filesystem::path& dir);
    // Builds a Machine from settings without touching the disk (tests, `new`).
    static std::unique_ptr<Machine> fromSettings(std::filesystem::path dir, Settings settings);

    const std::filesystem::path& dir() const { return dir_; }
    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }

    // Writes machine.ini back (atomically), changing only what changed.
    Result<void> save();
    // The settings file as save() would write it.
    std::string settingsText() const;

    // The one way to the host's files.
    const DriveStore& store() const { return store_; }

    // GetFullPathName-like normalisation: drive letter, current directory per
    // drive, "\" and "/", "." and "..". No disk access.
    Result<std::string> fullPath(std::string_view path) const;
    // fullPath, then the drive and its folder, then each component on the host.
    Result<ResolvedPath> resolve(std::string_view path) const;

    const Drive* drive(char letter) const;
    Drive* drive(char letter);
    std::filesystem::path driveRoot(const Drive& d) const { return dir_ / d.folder; }

    // Current directory ("C:\\WINDOWS") per drive, and the current drive.
    std::string currentDirectory() const;
    std::string currentDirectory(char drive) const;
    Result<void> setCurrentDirectory(std::string_view path);

    // The program's module file name (GetModuleFileNameA), set by the launcher.
    std::string modulePath = "A:\\NVINS32B.EXE";

    // True when the system holds this full Windows path open (no sharing).
    bool isHeldOpen(std::string_view fullWinPath) const;
    // True when the full Windows path is one of the readOnlyFolders or lies
    // below one ("C:\\DRV" covers "C:\\DRV\\X", not "C:\\DRVX").
    bool inReadOnlyFolder(std::string_view fullWinPath) const;

    // Accounts for bytes about to be written on a drive: fails with
    // ERROR_WRITE_FAULT, ERROR_DISK_FULL or ERROR_WRITE_PROTECT as the drive's
    // settings say. Call before the host write.
    Result<void> chargeWrite(char drive, uint64_t bytes);
    // Free bytes of a drive, by its settings and what its folder holds.
    Result<uint64_t> freeSpace(char drive) const;

    // Memory-fault injection: true when this allocation is to fail.
    bool nextAllocationFails();
    // Allocations counted so far (the N of Settings::failAllocation).
    int allocationsMade() const { return allocations_; }

    // State an API family keeps for this machine (open files, atoms, memory
    // blocks): made on first use, destroyed with the machine, so attaching a
    // fresh machine starts from a clean slate. T needs a constructor taking
    // Machine&.
    struct FamilyState {
        virtual ~FamilyState() = default;
        // Called by detach() (and by attach() replacing this machine) while
        // the machine is still whole and current, before any family state is
        // destroyed: the place to stop what runs on the machine (resident
        // programs) through the ordinary Win32 calls.
        virtual void shutDown() {}
    };
    template <typename T>
    T& familyState() {
        auto& slot = families_[std::type_index(typeid(T))];
        if (!slot)
            slot = std::make_unique<T>(*this);
        return static_cast<T&>(*slot);
    }

    // Calls shutDown() of every family state, including states made meanwhile.
    void shutDownFamilies();

private:
    Machine(std::filesystem::path dir, Settings settings);

    std::filesystem::path dir_;
    Settings settings_;
    std::string settingsSource_;   // machine.ini as last read or written
    Settings settingsAsRead_;      // what settingsSource_ says
    DriveStore store_;
    std::map<char, std::string> cwd_;  // per drive, full path
    char currentDrive_ = 'C';
    int allocations_ = 0;
    int writes_ = 0;  // writes charged so far, for Settings::failWrite
    std::map<std::type_index, std::unique_ptr<FamilyState>> families_;
};

// The machine the Win32 functions work on. attach() takes ownership and
// replaces any earlier one; detach() releases it.
Machine* current();
Machine& currentOrDie();
void attach(std::unique_ptr<Machine> machine);
void detach();
// Hands the current machine back to the caller without stopping anything on
// it (its windows, atoms and files stay as they are); attach() it again to
// carry on where it was. For tests that keep two machines alive.
std::unique_ptr<Machine> release();

}  // namespace nv::machine
