// nvmachine ini: reads and changes INI files on a machine through the
// machine's own profile functions, so that what it shows and writes is what
// the installer sees and writes.
//
//   nvmachine ini get DIR FILE SECTION KEY      prints the value alone
//   nvmachine ini get DIR FILE SECTION          prints the section's KEY=VALUE lines
//   nvmachine ini set DIR FILE SECTION KEY VALUE
//   nvmachine ini delete DIR FILE SECTION [KEY] without KEY: the whole section
//
// FILE is a Windows path on the machine ("C:\WINDOWS\WIN.INI") or a bare name
// in the Windows directory ("win.ini"). Lines that look damaged (a header
// without ']', control bytes) are named on stderr with file and line; the
// command still does what the profile functions do with them, since that is
// what the installer will see. Exit status: 0 done, 1 key, section or file
// missing (get), 2 usage errors and failed writes.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/kernel/profile_document.h"
#include "platform/kernel/profile_file.h"
#include "tools/nvmachine/Command.h"
#include "tools/nvmachine/ToolMachine.h"

namespace {

using nv::tool::Args;

const char kUsage[] =
    "  ini get DIR FILE SECTION [KEY]      print a value of an INI file on the machine (without KEY:\n"
    "                                      every KEY=VALUE line of the section)\n"
    "  ini set DIR FILE SECTION KEY VALUE  set it (the file and section are made when missing)\n"
    "  ini delete DIR FILE SECTION [KEY]   delete a key, or the whole section";

// True when the listing "a\0b\0\0" holds `key` (case ignored).
bool listed(const std::vector<char>& list, const std::string& key) {
    for (const char* p = list.data(); *p; p += std::strlen(p) + 1) {
        if (nv::machine::equalsNoCase(p, key))
            return true;
    }
    return false;
}

// A whole listing or value: the buffer grows until the result fits.
std::vector<char> fetch(LPCSTR section, LPCSTR key, LPCSTR file) {
    std::vector<char> buf(1024);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section, key, "", buf.data(), static_cast<DWORD>(buf.size()), file);
        bool listing = !section || !key;
        if (n + (listing ? 2u : 1u) < buf.size() || buf.size() >= (64u << 20))
            return buf;
        buf.resize(buf.size() * 2);
    }
}

// Names the damaged-looking lines of the file, if it exists.
void reportDamage(const std::string& file) {
    auto ini = nv::profile::openIni(file);
    if (!ini || !ini->readable())
        return;
    for (const auto& p : ini->document->problems()) {
        nv::tool::complain("ini", ini->path.winPath + ":" + std::to_string(p.line) + ": " + p.why + ": '" +
                                      p.text + "'");
    }
}

int get(const Args& a) {
    const std::string &file = a[2], &section = a[3];
    auto path = nv::machine::currentOrDie().resolve(nv::profile::iniPath(file));
    if (!path || !path->exists || path->isDirectory) {
        nv::tool::complain("ini", (path ? path->winPath : file) + ": no such file");
        return 1;
    }
    std::vector<char> keys = fetch(section.c_str(), nullptr, file.c_str());
    if (a.size() == 4) {
        if (!listed(fetch(nullptr, nullptr, file.c_str()), section)) {
            nv::tool::complain("ini", path->winPath + ": no section [" + section + "]");
            return 1;
        }
        for (const char* p = keys.data(); *p; p += std::strlen(p) + 1)
            std::printf("%s=%s\n", p, fetch(section.c_str(), p, file.c_str()).data());
        return 0;
    }
    const std::string& key = a[4];
    if (!listed(keys, key)) {
        nv::tool::complain("ini", path->winPath + ": no key " + key + " in section [" + section + "]");
        return 1;
    }
    std::vector<char> value = fetch(section.c_str(), key.c_str(), file.c_str());
    std::printf("%s\n", value.data());
    return 0;
}

int change(const Args& a, LPCSTR key, LPCSTR value) {
    const std::string& file = a[2];
    if (!WritePrivateProfileStringA(a[3].c_str(), key, value, file.c_str())) {
        nv::tool::complain("ini", nv::profile::iniPath(file) + ": " + nv::tool::describeError(GetLastError()));
        return 2;
    }
    return 0;
}

int run(const Args& a) {
    if (a.size() < 4) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    const std::string& verb = a[0];
    bool ok = (verb == "get" && (a.size() == 4 || a.size() == 5)) || (verb == "set" && a.size() == 6) ||
              (verb == "delete" && (a.size() == 4 || a.size() == 5));
    if (!ok) {
        std::fprintf(stderr, "usage:\n%s\n", kUsage);
        return 2;
    }
    if (!nv::tool::attachMachine("ini", a[1]))
        return 2;
    reportDamage(a[2]);
    if (verb == "get")
        return get(a);
    if (verb == "set")
        return change(a, a[4].c_str(), a[5].c_str());
    return change(a, a.size() == 5 ? a[4].c_str() : nullptr, nullptr);
}

NV_COMMAND("ini", kUsage, run);

}  // namespace
