// Builds dialog templates byte by byte in the executable layout, for tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nv::testing {

class TemplateBuilder {
public:
    // The header; `face` empty: no DS_SETFONT block.
    TemplateBuilder(DWORD style, short cx, short cy, const std::u16string& caption, WORD pointSize = 8,
                    const std::u16string& face = u"MS Sans Serif") {
        if (!face.empty())
            style |= DS_SETFONT;
        dword(style);
        dword(0);
        countAt_ = bytes_.size();
        word(0);
        word(0);
        word(0);
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(0);  // no menu
        word(0);  // the dialog class
        str(caption);
        if (style & DS_SETFONT) {
            word(pointSize);
            str(face);
        }
    }
    // An item of a predefined class (0x80 button, 0x81 edit, 0x82 static, 0x83 list box).
    TemplateBuilder& item(WORD cls, DWORD style, short x, short y, short cx, short cy, WORD id,
                          const std::u16string& title = u"") {
        align();
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(id);
        word(0xFFFF);
        word(cls);
        str(title);
        word(0);  // no creation data
        ++count_;
        bytes_[countAt_] = static_cast<BYTE>(count_);
        bytes_[countAt_ + 1] = static_cast<BYTE>(count_ >> 8);
        return *this;
    }
    const std::vector<BYTE>& bytes() const { return bytes_; }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void word(WORD w) {
        bytes_.push_back(static_cast<BYTE>(w));
        bytes_.push_back(static_cast<BYTE>(w >> 8));
    }
    void dword(DWORD d) {
        word(static_cast<WORD>(d));
        word(static_cast<WORD>(d >> 16));
    }
    void str(const std::u16string& s) {
        for (char16_t c : s)
            word(c);
        word(0);
    }
    void align() {
        while (bytes_.size() % 4)
            bytes_.push_back(0);
    }
    std::vector<BYTE> bytes_;
    size_t countAt_ = 0;
    WORD count_ = 0;
};

}  // namespace nv::testing
