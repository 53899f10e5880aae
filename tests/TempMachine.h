// A throw-away simulated machine in a temporary directory, for tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/core/Machine.h"

namespace nv::testing {

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("nvtest-" + std::to_string(rd()));
            if (std::filesystem::create_directory(path_))
                break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A machine with drives A: (removable, empty unless a disk is given) and C:,
// attached as the current machine for the lifetime of the object.
class TempMachine {
public:
    explicit TempMachine(machine::Settings settings = defaultSettings()) {
        for (auto& [letter, d] : settings.drives)
            std::filesystem::create_directories(dir_.path() / d.folder);
        machine::attach(machine::Machine::fromSettings(dir_.path(), std::move(settings)));
    }
    ~TempMachine() { machine::detach(); }

    static machine::Settings defaultSettings() {
        machine::Settings s;
        machine::Drive a;
        a.letter = 'A';
        a.folder = "drives/A";
        a.kind = machine::DriveKind::Removable;
        a.hasDisk = true;
        a.capacity = 1457664;
        machine::Drive c;
        c.letter = 'C';
        c.folder = "drives/C";
        c.capacity = 512ull * 1024 * 1024;
        s.drives['A'] = a;
        s.drives['C'] = c;
        return s;
    }

    machine::Machine& machine() { return machine::currentOrDie(); }
    // Sets a [machine] key through its row, as machine.ini would; the row's
    // reason when it refuses the value, "" when it took it.
    std::string setting(std::string_view key, std::string_view value) {
        const auto* row = machine::findSettingRow(machine::SettingSection::Machine, key);
        return row ? row->parse(machine().settings(), nullptr, value) : "no such key";
    }
    const std::filesystem::path& dir() const { return dir_.path(); }
    std::filesystem::path host(char drive, const std::string& rel) const {
        return dir_.path() / "drives" / std::string(1, drive) / rel;
    }
    // Writes a host file under a drive, creating folders.
    void put(char drive, const std::string& rel, const std::string& content) const {
        auto p = host(drive, rel);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    std::string get(char drive, const std::string& rel) const {
        std::ifstream in(host(drive, rel), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    TempDir dir_;
};

}  // namespace nv::testing
