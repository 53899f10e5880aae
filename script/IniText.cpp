// Loading and releasing texts, and the queries that start from a text.
#include "script/IniText.h"

#include <cstring>
#include <vector>

#include "script/IniCompact.h"
#include "shared/InstallState.h"

namespace {

constexpr UINT kReadBlock = 1024;
constexpr size_t kMaxPath = 143;

// The compact form of every loaded text, by its block. Blocks are fixed and
// stay locked from load to release, so line pointers stay valid.
struct LoadedText {
    IniText text;
    LPCSTR base;
};

std::vector<LoadedText>& loadedTexts() {
    static std::vector<LoadedText> texts;
    return texts;
}

LPCSTR baseOf(IniText text) {
    if (!text)
        text = state.currentText;
    if (!text || text == INITEXT_EMPTY)
        return nullptr;
    for (const auto& t : loadedTexts()) {
        if (t.text == text)
            return t.base;
    }
    return nullptr;
}

void remember(IniText text, LPCSTR base) {
    // Guard: a handle value can come back after an earlier text's release;
    // a second record for it would leave the stale one to answer.
    for (auto& t : loadedTexts()) {
        if (t.text == text) {
            t.base = base;
            return;
        }
    }
    loadedTexts().push_back({text, base});
}

void forget(IniText text) {
    auto& texts = loadedTexts();
    for (auto it = texts.begin(); it != texts.end(); ++it) {
        if (it->text == text) {
            texts.erase(it);
            return;
        }
    }
}

void releaseBlock(HGLOBAL block) {
    if (block) {
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

// Reads the open file of length bytes through a 1024-byte buffer into a new
// compact block and closes the file; NULL when allocating or reading fails.
IniText readCompact(HFILE file, LONG length) {
    HGLOBAL readBuffer = GlobalAlloc(GPTR, kReadBlock);
    if (!readBuffer) {
        _lclose(file);
        return nullptr;
    }
    // Guard: two spare zero bytes after the end mark keep every walk inside;
    // a walk that steps over the mark would otherwise read past the block.
    size_t capacity = IniCompactor::bound(static_cast<size_t>(length));
    HGLOBAL block = GlobalAlloc(GPTR, capacity + 2);
    if (!block) {
        _lclose(file);
        GlobalFree(readBuffer);
        return nullptr;
    }
    auto* buffer = static_cast<BYTE*>(GlobalLock(readBuffer));
    auto* base = static_cast<char*>(GlobalLock(block));
    bool ok = buffer && base;
    if (ok) {
        IniCompactor compactor(base, capacity);
        // Guard: never read past the length taken at the start; a file that
        // grew meanwhile would overflow the block sized for it.
        LONG remaining = length;
        while (ok && remaining > 0) {
            UINT want = remaining < static_cast<LONG>(kReadBlock) ? static_cast<UINT>(remaining) : kReadBlock;
            UINT got = _lread(file, buffer, want);
            if (got == static_cast<UINT>(HFILE_ERROR) || got > want) {
                ok = false;
                break;
            }
            if (got == 0)
                break;  // the file got shorter: take what is there
            ok = compactor.feed(buffer, got);
            remaining -= static_cast<LONG>(got);
        }
        ok = ok && compactor.finish();
    }
    _lclose(file);
    if (buffer)
        GlobalUnlock(readBuffer);
    GlobalFree(readBuffer);
    if (!ok) {
        releaseBlock(block);
        return nullptr;
    }
    remember(block, base);
    return block;
}

}  // namespace

IniText LoadIniText(LPCSTR path) {
    if (!path || std::strlen(path) > kMaxPath)
        return nullptr;
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR)
        return nullptr;
    LONG length = _llseek(file, 0, FILE_END);
    if (length == 0) {
        _lclose(file);
        return INITEXT_EMPTY;
    }
    if (length < 0 || length > INITEXT_MAX_FILE || _llseek(file, 0, FILE_BEGIN) != 0) {
        _lclose(file);
        return nullptr;
    }
    IniText text = readCompact(file, length);
    if (text && !state.currentText)
        state.currentText = text;
    return text;
}

void FreeIniText(IniText text) {
    if (!text)
        text = state.currentText;
    if (!text || text == INITEXT_EMPTY)
        return;
    if (text == state.currentText)
        state.currentText = nullptr;
    if (!baseOf(text))
        return;  // not a text of the reader
    forget(text);
    releaseBlock(text);
}

IniLine FindSection(IniText text, LPCSTR name) {
    if (!name)
        return nullptr;
    return FindSectionInBlock(baseOf(text), name, std::strlen(name));
}

int GetSectionValue(IniText text, LPCSTR section, LPCSTR key, LPSTR out, int size) {
    IniLine first = FindSection(text, section);
    if (!first) {
        if (out && size >= 1)
            out[0] = '\0';
        return 0;
    }
    return GetKeyValue(first, key, out, size);
}

int GetDottedValue(LPCSTR dottedName, LPSTR out, int size) {
    if (out && size >= 1)
        out[0] = '\0';
    if (!dottedName)
        return 0;
    const char* dot = std::strrchr(dottedName, '.');
    if (!dot)
        return 0;
    IniLine first = FindSectionInBlock(baseOf(nullptr), dottedName, static_cast<size_t>(dot - dottedName));
    if (!first)
        return 0;
    return GetKeyValue(first, dot + 1, out, size);
}
