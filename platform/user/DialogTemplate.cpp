#include "platform/user/DialogTemplate.h"

#include <cstring>

#include "platform/kernel/Windows1252.h"

namespace nv::user {
namespace {

class Reader {
public:
    Reader(const BYTE* base, size_t size, std::string_view name) : base_(base), size_(size), name_(name) {}

    size_t pos() const { return pos_; }

    Result<void> need(size_t n, const char* what) {
        if (size_ != kUnknownSize && (pos_ > size_ || size_ - pos_ < n))
            return Error::win32(ERROR_INVALID_DATA, "dialog template " + std::string(name_) + ": " + what +
                                                        " runs past the end (byte " + std::to_string(pos_) +
                                                        " of " + std::to_string(size_) + ")");
        return {};
    }
    Result<WORD> word(const char* what) {
        NV_TRY(need(2, what));
        WORD v;
        std::memcpy(&v, base_ + pos_, 2);
        pos_ += 2;
        return v;
    }
    Result<DWORD> dword(const char* what) {
        NV_TRY(need(4, what));
        DWORD v;
        std::memcpy(&v, base_ + pos_, 4);
        pos_ += 4;
        return v;
    }
    Result<short> shortv(const char* what) {
        WORD w = NV_TRY(word(what));
        return static_cast<short>(w);
    }
    Result<BYTE> byte(const char* what) {
        NV_TRY(need(1, what));
        return base_[pos_++];
    }
    Result<std::string> string(const char* what) {
        std::u16string s;
        for (;;) {
            WORD c = NV_TRY(word(what));
            if (!c)
                break;
            s.push_back(static_cast<char16_t>(c));
        }
        return kernel::cp1252::encode(s);
    }
    // An array that is empty (0), an ordinal (0xFFFF, id) or a string.
    struct SzOrOrd {
        bool ordinal = false;
        WORD id = 0;
        std::string text;
    };
    Result<SzOrOrd> szOrOrd(const char* what) {
        NV_TRY(need(2, what));
        WORD first;
        std::memcpy(&first, base_ + pos_, 2);
        SzOrOrd r;
        if (first == 0) {
            pos_ += 2;
        } else if (first == 0xFFFF) {
            pos_ += 2;
            r.ordinal = true;
            r.id = NV_TRY(word(what));
        } else {
            r.text = NV_TRY(string(what));
        }
        return r;
    }
    void alignDword() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    Result<std::vector<BYTE>> bytes(size_t n, const char* what) {
        NV_TRY(need(n, what));
        std::vector<BYTE> v(base_ + pos_, base_ + pos_ + n);
        pos_ += n;
        return v;
    }

private:
    const BYTE* base_;
    size_t size_;
    std::string_view name_;
    size_t pos_ = 0;
};

std::string ordinalClass(WORD id) {
    switch (id) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(id);
    }
}

}  // namespace

Result<DialogTemplate> parseDialogTemplate(const void* data, size_t size, std::string_view name) {
    if (!data)
        return Error::win32(ERROR_INVALID_PARAMETER, "dialog template " + std::string(name) + ": no data");
    Reader r(static_cast<const BYTE*>(data), size, name);
    DialogTemplate t;
    DWORD first = NV_TRY(r.dword("the header"));
    if (first == 0xFFFF0001) {
        t.extended = true;
        (void)NV_TRY(r.dword("the help id"));
        t.exStyle = NV_TRY(r.dword("the extended style"));
        t.style = NV_TRY(r.dword("the style"));
    } else {
        t.style = first;
        t.exStyle = NV_TRY(r.dword("the extended style"));
    }
    WORD count = NV_TRY(r.word("the item count"));
    t.x = NV_TRY(r.shortv("the position"));
    t.y = NV_TRY(r.shortv("the position"));
    t.cx = NV_TRY(r.shortv("the size"));
    t.cy = NV_TRY(r.shortv("the size"));
    auto menu = NV_TRY(r.szOrOrd("the menu"));
    t.menu = menu.ordinal ? "#" + std::to_string(menu.id) : menu.text;
    auto cls = NV_TRY(r.szOrOrd("the class"));
    t.className = cls.ordinal ? ordinalClass(cls.id) : cls.text;
    auto caption = NV_TRY(r.szOrOrd("the caption"));
    t.caption = caption.text;
    if (t.style & DS_SETFONT) {
        t.hasFont = true;
        t.pointSize = NV_TRY(r.word("the point size"));
        if (t.extended) {
            t.weight = NV_TRY(r.word("the font weight"));
            t.italic = NV_TRY(r.byte("the italic flag")) != 0;
            (void)NV_TRY(r.byte("the character set"));
        }
        t.face = NV_TRY(r.string("the face name"));
    }
    for (WORD i = 0; i < count; ++i) {
        r.alignDword();
        std::string what = "item " + std::to_string(i + 1);
        const char* w = what.c_str();
        DialogItem item;
        if (t.extended) {
            (void)NV_TRY(r.dword(w));
            item.exStyle = NV_TRY(r.dword(w));
            item.style = NV_TRY(r.dword(w));
        } else {
            item.style = NV_TRY(r.dword(w));
            item.exStyle = NV_TRY(r.dword(w));
        }
        item.x = NV_TRY(r.shortv(w));
        item.y = NV_TRY(r.shortv(w));
        item.cx = NV_TRY(r.shortv(w));
        item.cy = NV_TRY(r.shortv(w));
        item.id = t.extended ? NV_TRY(r.dword(w)) : NV_TRY(r.word(w));
        auto c = NV_TRY(r.szOrOrd(w));
        item.className = c.ordinal ? ordinalClass(c.id) : c.text;
        if (item.className.empty())
            return Error::win32(ERROR_INVALID_DATA, "dialog template " + std::string(name) + ": " + what +
                                                        " has no class (byte " + std::to_string(r.pos()) + ")");
        auto title = NV_TRY(r.szOrOrd(w));
        item.titleIsOrdinal = title.ordinal;
        item.titleOrdinal = title.id;
        item.title = title.text;
        WORD extra = NV_TRY(r.word(w));
        if (extra)
            item.creationData = NV_TRY(r.bytes(extra, w));
        t.items.push_back(std::move(item));
    }
    return t;
}

}  // namespace nv::user
