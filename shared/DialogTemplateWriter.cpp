#include "shared/DialogTemplateWriter.h"

#include <cstring>

LPWSTR ConvertToWide(LPWSTR target, int room, LPCSTR text) {
    int needed = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, nullptr, 0);
    // Guard: a text longer than the room left would be written past the block.
    if (needed <= 0 || needed > room)
        return nullptr;
    int written = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, -1, target, room);
    return written > 0 ? target + written : nullptr;
}

LPWSTR WidenBytes(LPWSTR target, int room, LPCSTR text) {
    int needed = static_cast<int>(std::strlen(text)) + 1;
    if (needed > room)
        return nullptr;
    for (int i = 0; i < needed; ++i)
        target[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    return target + needed;
}

DialogTemplateWriter::DialogTemplateWriter(BYTE* block, int size, WideConverter convert)
    : block_(block), size_(size), convert_(convert) {}

bool DialogTemplateWriter::room(int n) {
    if (failed_ || pos_ + n > size_) {
        failed_ = true;
        return false;
    }
    return true;
}

void DialogTemplateWriter::word(WORD w) {
    if (!room(2))
        return;
    block_[pos_++] = static_cast<BYTE>(w & 0xFF);
    block_[pos_++] = static_cast<BYTE>(w >> 8);
}

void DialogTemplateWriter::dword(DWORD d) {
    word(static_cast<WORD>(d & 0xFFFF));
    word(static_cast<WORD>(d >> 16));
}

void DialogTemplateWriter::text(LPCSTR ansi) {
    if (failed_)
        return;
    if (!*ansi) {
        word(0);  // an empty string is its 0 alone
        return;
    }
    // Every string starts 2-byte aligned: the block starts 4-byte aligned and
    // everything before a string is whole words.
    LPWSTR at = reinterpret_cast<LPWSTR>(block_ + pos_);
    LPWSTR end = convert_(at, (size_ - pos_) / 2, ansi);
    if (!end) {
        failed_ = true;
        return;
    }
    pos_ += static_cast<int>(reinterpret_cast<BYTE*>(end) - reinterpret_cast<BYTE*>(at));
}

void DialogTemplateWriter::alignDword() {
    int next = (pos_ + 3) & ~3;
    if (next > size_) {
        failed_ = true;
        return;
    }
    pos_ = next;
}

void DialogTemplateWriter::header(DWORD style, WORD items, short x, short y, short cx, short cy, LPCSTR caption,
                                  WORD pointSize, LPCSTR face) {
    dword(style);
    dword(0);
    word(items);
    word(static_cast<WORD>(x));
    word(static_cast<WORD>(y));
    word(static_cast<WORD>(cx));
    word(static_cast<WORD>(cy));
    word(0);  // no menu
    word(0);  // the dialog class
    text(caption);
    if (style & DS_SETFONT) {
        word(pointSize);
        text(face);
    }
}

void DialogTemplateWriter::item(DWORD style, short x, short y, short cx, short cy, WORD id, ControlClass cls,
                                LPCSTR title) {
    alignDword();
    dword(style);
    dword(0);
    word(static_cast<WORD>(x));
    word(static_cast<WORD>(y));
    word(static_cast<WORD>(cx));
    word(static_cast<WORD>(cy));
    word(id);
    word(0xFFFF);
    word(static_cast<WORD>(cls));
    text(title);
    word(0);  // no creation data
}
