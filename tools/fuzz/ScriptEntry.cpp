// The script reader on any file: compaction, loading through the machine,
// and every query on every section, line and field the file has.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include <windows.h>

#include "script/IniCompact.h"
#include "script/IniText.h"
#include "shared/InstallState.h"
#include "tools/fuzz/FuzzCheck.h"
#include "tools/fuzz/FuzzEntries.h"

namespace nv::fuzz {

namespace {

constexpr char kPoison = '\x5A';

// An output buffer of exactly `size` bytes (so a write past it is caught)
// followed by poison that must stay.
class Out {
public:
    explicit Out(int size) : bytes_(size_t(size) + 4, kPoison), size_(size) {}
    LPSTR data() { return bytes_.data(); }
    int size() const { return size_; }
    // `written`: the call promised a terminated output.
    void check(const char* what, bool written = true) const {
        for (size_t i = size_t(size_); i < bytes_.size(); ++i)
            if (bytes_[i] != kPoison)
                broken(std::string(what) + " wrote past its buffer");
        if (written && size_ >= 1 && std::memchr(bytes_.data(), 0, size_t(size_)) == nullptr)
            broken(std::string(what) + " left its output unterminated");
    }

private:
    std::vector<char> bytes_;
    int size_;
};

bool inside(IniLine line, LPCSTR base, size_t length) { return line >= base && line < base + length; }

void queryLine(IniLine line, int size) {
    for (int n = 0; n < 4; ++n) {
        Out out(size);
        int found = GetField(line, n, out.data(), out.size());
        // Field 0 of a line without a key leaves the output as it was.
        out.check("GetField", found || n > 0);
    }
    (void)HasUnquotedSeparator(line);
}

}  // namespace

void scriptInput(const uint8_t* data, size_t size) {
    // Compaction in pieces of any size gives what compaction in one go gives.
    size_t capacity = IniCompactor::bound(size);
    std::vector<char> whole(capacity), pieces(capacity);
    size_t length = CompactIniText(data, size, whole.data(), capacity);
    if (length == 0 || length > capacity || BYTE(whole[length - 1]) != INITEXT_END_MARK)
        broken("compaction did not end with the end mark");
    IniCompactor compactor(pieces.data(), capacity);
    size_t step = 1 + (size ? data[size / 2] % 13 : 0);
    for (size_t at = 0; at < size; at += step)
        if (!compactor.feed(data + at, std::min(step, size - at)))
            broken("compaction in pieces overflowed");
    if (!compactor.finish() || compactor.size() != length || std::memcmp(whole.data(), pieces.data(), length) != 0)
        broken("compaction in pieces differs from compaction in one go");

    // The loader reads the file through the machine's file functions.
    auto& machine = fuzzMachine();
    machine.put('C', "FUZZ.INF", std::string(reinterpret_cast<const char*>(data), size));
    state.currentText = nullptr;
    IniText text = LoadIniText("C:\\FUZZ.INF");
    if (size == 0) {
        if (text != INITEXT_EMPTY)
            broken("an empty file did not load as the empty text");
        return;
    }
    if (!text || text == INITEXT_EMPTY || state.currentText != text)
        broken("a small file did not load");
    LPCSTR base = static_cast<LPCSTR>(GlobalLock(text));
    if (!base || std::memcmp(base, whole.data(), length) != 0)
        broken("the loaded text differs from the compact form");

    int size1 = 1 + data[0] % 9;  // small outputs cut values
    for (IniLine line = NextStoredLine(base, nullptr); line; line = NextStoredLine(base, line)) {
        if (!inside(line, base, length))
            broken("a stored line lies outside the text");
        queryLine(line, size1);
        if (line[0] != '[')
            continue;
        // A header: find its section by name, both ways, and walk it.
        const char* close = std::strchr(line, ']');
        if (!close)
            continue;
        std::string name(line + 1, close);
        IniLine first = FindSection(text, name.c_str());
        if (first != FindSectionInBlock(base, name.c_str(), name.size()))
            broken("FindSection and FindSectionInBlock disagree");
        if (first == nullptr)
            continue;
        if (!inside(first, base, length))
            broken("a section starts outside the text");
        int counted = 0;
        for (IniLine l = first; l; l = NextLine(l)) {
            if (!inside(l, base, length))
                broken("NextLine left the text");
            ++counted;
            queryLine(l, 256);
            char key[64];
            if (GetField(l, 0, key, sizeof key) && key[0]) {
                Out value(size1);
                int found = GetKeyValue(first, key, value.data(), value.size());
                value.check("GetKeyValue");
                Out again(size1);
                if (GetSectionValue(text, name.c_str(), key, again.data(), again.size()) != found ||
                    std::memcmp(value.data(), again.data(), size_t(size1)) != 0)
                    broken("GetSectionValue differs from GetKeyValue on its section");
                if (name.find('.') == std::string::npos && std::strchr(key, '.') == nullptr) {
                    Out dotted(size1);
                    if (GetDottedValue((name + "." + key).c_str(), dotted.data(), dotted.size()) != found)
                        broken("GetDottedValue differs from GetKeyValue");
                    dotted.check("GetDottedValue");
                }
            }
        }
        if (counted != CountLines(first))
            broken("CountLines differs from the walk");
    }
    GlobalUnlock(text);
    FreeIniText(text);
    if (state.currentText != nullptr)
        broken("the released text stayed current");
}

}  // namespace nv::fuzz
