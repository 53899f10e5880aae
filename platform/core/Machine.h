// The simulated Windows 95 machine: a host directory holding the machine's
// settings (machine.ini), one folder per drive and the registry file.
//
// Contract:
//  - Machine::open reads machine.ini; a damaged file is an Error whose message
//    names the file and line and quotes the offending text.
//  - resolve() maps a Windows path onto the host. Every component is matched
//    without regard to case (ASCII); a missing component keeps the case it was
//    given. Nothing resolves outside the drive's folder: ".." at a root stays
//    at the root, and a symbolic link on the way is refused (ERROR_ACCESS_DENIED).
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

#include "platform/core/Result.h"

namespace nv::machine {

enum class DriveKind { Fixed, Removable, Network };

struct Drive {
    char letter = 'C';             // upper case
    std::string folder;            // host folder, relative to the machine directory
    DriveKind kind = DriveKind::Fixed;
    bool readOnly = false;         // writes fail with ERROR_WRITE_PROTECT / ERROR_ACCESS_DENIED
    bool hasDisk = true;           // a removable drive may be empty (ERROR_NOT_READY)
    uint64_t capacity = 0;         // total bytes reported by GetDiskFreeSpaceA
    std::optional<uint64_t> freeBytes;  // fixed free space; unset: capacity minus what the folder holds
    std::optional<uint64_t> fullAfter;  // writes beyond this many more bytes fail with ERROR_DISK_FULL
    bool failWrites = false;       // every write fails with ERROR_WRITE_FAULT
    std::string label;             // volume label, informational
};

// Whether text can be a drive's folder: a relative path below the machine
// directory that names a real subfolder (no ".", "..", empty parts or line
// breaks), so that a drive never shows the machine directory itself.
bool isDriveFolder(std::string_view text);

struct ForeignWindow {
    std::string className;
    std::string title;
};

struct Settings {
    std::map<char, Drive> drives;
    std::string windowsDir = "C:\\WINDOWS";
    std::string systemDir = "C:\\WINDOWS\\SYSTEM";
    int versionMajor = 4;
    int versionMinor = 0;
    int screenWidth = 800;
    int screenHeight = 600;
    int timeZoneMinutes = 0;       // local time = UTC + this many minutes
    std::vector<std::string> openFiles;  // Windows paths the system holds open (no sharing)
    std::vector<std::string> atoms;      // global atoms present at start
    bool progmanRunning = true;
    std::vector<ForeignWindow> windows;  // windows of other programs present at start
    int failAllocation = 0;        // the Nth memory allocation fails (0: never)
    std::string registryFile = "registry.reg";
    std::string shutdownRequest;   // recorded by ExitWindowsEx ("logoff", "reboot", ...)
};

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

    // Writes machine.ini back (atomically).
    Result<void> save() const;
    // The settings file as text.
    std::string settingsText() const;

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

    // Accounts for bytes about to be written on a drive: fails with
    // ERROR_WRITE_FAULT, ERROR_DISK_FULL or ERROR_WRITE_PROTECT as the drive's
    // settings say. Call before the host write.
    Result<void> chargeWrite(char drive, uint64_t bytes);
    // Free bytes of a drive, by its settings and what its folder holds.
    Result<uint64_t> freeSpace(char drive) const;

    // Memory-fault injection: true when this allocation is to fail.
    bool nextAllocationFails();

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
    std::map<char, std::string> cwd_;  // per drive, full path
    char currentDrive_ = 'C';
    int allocations_ = 0;
    std::map<std::type_index, std::unique_ptr<FamilyState>> families_;
};

// Parses machine.ini text; `name` is used in error messages.
Result<Settings> parseSettings(std::string_view text, std::string_view name);
std::string formatSettings(const Settings& settings);

// ASCII case folding as Windows compares file and key names.
bool equalsNoCase(std::string_view a, std::string_view b);
std::string toUpperAscii(std::string_view s);

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
