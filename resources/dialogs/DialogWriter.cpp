#include "resources/dialogs/DialogWriter.h"

namespace nv::resources {

namespace {

class ByteWriter {
public:
    void word(WORD w) {
        bytes_.push_back(static_cast<BYTE>(w & 0xFF));
        bytes_.push_back(static_cast<BYTE>(w >> 8));
    }
    void dword(DWORD d) {
        word(static_cast<WORD>(d & 0xFFFF));
        word(static_cast<WORD>(d >> 16));
    }
    // ANSI text as UTF-16: the resource texts are Windows-1252, whose
    // printable range below 0x80 and 0xA0..0xFF maps one to one.
    void text(const char* s) {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p)
            word(*p);
        word(0);
    }
    void alignDword() {
        while (bytes_.size() % 4)
            bytes_.push_back(0);
    }
    std::vector<BYTE> take() { return std::move(bytes_); }

private:
    std::vector<BYTE> bytes_;
};

}  // namespace

std::vector<BYTE> WriteDialogTemplate(const DialogLayout& layout) {
    ByteWriter w;
    DWORD style = layout.style | DS_SETFONT;
    w.dword(style);
    w.dword(0);
    w.word(static_cast<WORD>(layout.controls.size()));
    w.word(static_cast<WORD>(layout.x));
    w.word(static_cast<WORD>(layout.y));
    w.word(static_cast<WORD>(layout.cx));
    w.word(static_cast<WORD>(layout.cy));
    w.word(0);  // no menu
    w.word(0);  // the dialog class
    w.text(layout.caption);
    w.word(layout.pointSize);
    w.text(layout.face);
    for (const auto& c : layout.controls) {
        w.alignDword();
        w.dword(c.style | WS_CHILD | (c.hidden ? 0 : WS_VISIBLE));
        w.dword(0);
        w.word(static_cast<WORD>(c.x));
        w.word(static_cast<WORD>(c.y));
        w.word(static_cast<WORD>(c.cx));
        w.word(static_cast<WORD>(c.cy));
        w.word(c.id);
        w.word(0xFFFF);
        w.word(static_cast<WORD>(c.cls));
        w.text(c.text);
        w.word(0);  // no creation data
    }
    return w.take();
}

}  // namespace nv::resources
