// Measures the script reader: compaction speed and the cost of a section
// and key lookup that walks the compact form from its start (no index).
//
//   script_bench [KILOBYTES]   (default 60: just under the old 64 KiB limit)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/IniCompact.h"
#include "script/IniText.h"

int main(int argc, char** argv) {
    size_t kilobytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 60;
    std::string file;
    int sections = 0;
    while (file.size() < kilobytes * 1024) {
        file += "[Section" + std::to_string(sections++) + "] ; a comment\r\n";
        for (int k = 0; k < 8; ++k)
            file += "Key" + std::to_string(k) + " = \"some value " + std::to_string(k) + "\", file.drv ,12\r\n";
    }
    std::vector<char> block(IniCompactor::bound(file.size()) + 2);
    using clock = std::chrono::steady_clock;

    const int rounds = 50;
    size_t n = 0;
    auto t0 = clock::now();
    for (int i = 0; i < rounds; ++i)
        n = CompactIniText(reinterpret_cast<const BYTE*>(file.data()), file.size(), block.data(), block.size());
    double compactSeconds = std::chrono::duration<double>(clock::now() - t0).count() / rounds;

    std::string last = "Section" + std::to_string(sections - 1);
    char value[128];
    const int lookups = 2000;
    int found = 0;
    t0 = clock::now();
    for (int i = 0; i < lookups; ++i) {
        IniLine first = FindSectionInBlock(block.data(), last.c_str(), last.size());
        found += GetKeyValue(first, "Key7", value, sizeof value);
    }
    double lookupSeconds = std::chrono::duration<double>(clock::now() - t0).count() / lookups;

    std::printf("file %zu bytes, %d sections, compact form %zu bytes (bound %zu)\n", file.size(), sections, n,
                IniCompactor::bound(file.size()));
    std::printf("compaction: %.3f ms per file, %.1f MB/s\n", compactSeconds * 1e3,
                file.size() / compactSeconds / 1e6);
    std::printf("last section's last key: %.1f us per lookup (%d/%d found)\n", lookupSeconds * 1e6, found, lookups);
    return found == lookups ? 0 : 1;
}
