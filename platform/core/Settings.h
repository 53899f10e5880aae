// The settings of a simulated machine, as machine.ini holds them.
//
// machine.ini is an INI file: a [machine] section, one [drive X] section per
// drive, and three list sections ([open files], [atoms], [windows]). Lines
// starting with ';' or '#' are comments; they, blank lines and the order of
// lines are kept when the machine saves its settings (see SettingsFile.h).
//
// Adding a setting
// ----------------
// A key of [machine] or of a [drive X] section is one row of the table in
// SettingsTable.cpp: its section, its key as written, a parser from the value
// text into the Settings (returning the reason when the text is refused) and
// a writer giving the value text back (nullopt: the key is not written). Add
// the field below, add the row, and the key is read, checked, written and
// kept in place on save. Keys match without regard to case; an unknown key or
// a refused value stops Machine::open with the file, the line and its text.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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

// A printer or driver the spooler starts with (key spoolerPreload).
struct SpoolerPreload {
    std::string printer;     // empty: only the driver
    std::string driver;
    std::string driverFile;  // empty: made from the driver's name; a stub is made when missing
    std::string port = "LPT1:";
    bool isDefault = false;
};

// How Program Manager misbehaves in a DDE conversation (key progmanFault).
enum class ProgmanFault {
    None,
    NoAck,  // answers the initiation, never acknowledges an execute (nothing runs)
    Delay,  // acknowledges `progmanFaultValue` ms of machine time late (the commands run then)
    Close,  // closes its window abruptly at execute number `progmanFaultValue`
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
    ProgmanFault progmanFault = ProgmanFault::None;
    int progmanFaultValue = 0;     // Delay: milliseconds; Close: the execute (1-based)
    bool spoolerRunning = true;    // false: every spooler call fails with RPC_S_SERVER_UNAVAILABLE
    int spoolerFailCall = 0;       // the Nth spooler call fails with spoolerFailError (0: never)
    uint32_t spoolerFailError = 0;
    std::vector<SpoolerPreload> spoolerPreloads;
    std::vector<ForeignWindow> windows;  // windows of other programs present at start
    int failAllocation = 0;        // the Nth memory allocation fails (0: never)
    int failWrite = 0;             // the Nth write to any drive fails with ERROR_WRITE_FAULT (0: never)
    std::string registryFile = "registry.reg";
    std::string shutdownRequest;   // recorded by ExitWindowsEx ("logoff", "reboot", ...)
    // Folders no file call may change, each with everything below it (key
    // readOnlyFolders, full Windows directories separated by ';').
    std::vector<std::string> readOnlyFolders;
};

// Where a key lives.
enum class SettingSection { Machine, Drive };

// One key of machine.ini. `parse` returns an empty string when it took the
// value, otherwise why the value is refused. `drive` is the drive of the
// section for Drive rows and null for Machine rows.
struct SettingRow {
    SettingSection section;
    std::string_view key;
    std::string (*parse)(Settings& settings, Drive* drive, std::string_view value);
    std::optional<std::string> (*write)(const Settings& settings, const Drive* drive);
};

// Every key, in the order a fresh file lists them.
std::span<const SettingRow> settingRows();
// The row for a key (case-insensitive), or null.
const SettingRow* findSettingRow(SettingSection section, std::string_view key);

// Parses machine.ini text; `name` is used in error messages.
Result<Settings> parseSettings(std::string_view text, std::string_view name);
// A complete machine.ini for the settings, with the file's opening comment.
std::string formatSettings(const Settings& settings);

// ASCII case folding as Windows compares file and key names.
bool equalsNoCase(std::string_view a, std::string_view b);
std::string toUpperAscii(std::string_view s);

}  // namespace nv::machine
