#include "platform/gdi/Objects.h"

#include <array>
#include <cstring>

#include "platform/core/PerMachine.h"

namespace nv::gdi {

const RealizedFont& Font::realized() const {
    if (!realized_)
        realized_ = realizeFont(logfont);
    return *realized_;
}

HGDIOBJ ObjectTable::add(std::unique_ptr<Object> obj) {
    HGDIOBJ h = obj.get();
    objects_[h] = std::move(obj);
    return h;
}

Object* ObjectTable::find(HGDIOBJ h) const {
    auto it = objects_.find(h);
    return it == objects_.end() ? nullptr : it->second.get();
}

bool ObjectTable::remove(HGDIOBJ h) {
    auto it = objects_.find(h);
    if (it == objects_.end())
        return false;
    objects_.erase(it);
    return true;
}

// Handles belong to the machine that made them: a new machine starts with no
// objects, and a handle of another machine is refused like any unknown one.
ObjectTable& objects() { return machine::perMachine<ObjectTable>(); }

namespace {

LOGFONTA logfont(LONG height, LONG weight, BYTE pitchAndFamily, const char* face) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfPitchAndFamily = pitchAndFamily;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

std::unique_ptr<Object> makeStock(int index) {
    switch (index) {
    case WHITE_BRUSH: return std::make_unique<Brush>(false, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return std::make_unique<Brush>(false, RGB(192, 192, 192));
    case GRAY_BRUSH: return std::make_unique<Brush>(false, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return std::make_unique<Brush>(false, RGB(64, 64, 64));
    case BLACK_BRUSH: return std::make_unique<Brush>(false, RGB(0, 0, 0));
    case NULL_BRUSH: return std::make_unique<Brush>(true, 0);
    case WHITE_PEN: return std::make_unique<Pen>(PS_SOLID, 0, RGB(255, 255, 255));
    case BLACK_PEN: return std::make_unique<Pen>(PS_SOLID, 0, RGB(0, 0, 0));
    case NULL_PEN: return std::make_unique<Pen>(PS_NULL, 0, 0);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return std::make_unique<Font>(logfont(-13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier"));
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT: return std::make_unique<Font>(logfont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: return std::make_unique<Font>(logfont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System"));
    default: return nullptr;
    }
}

}  // namespace

namespace {
struct StockObjects {
    std::array<HGDIOBJ, 18> handles{};
};
}  // namespace

HGDIOBJ stockObject(int index) {
    auto& stock = machine::perMachine<StockObjects>().handles;
    if (index < 0 || index >= static_cast<int>(stock.size()))
        return nullptr;
    if (!stock[index]) {
        auto obj = makeStock(index);
        if (!obj)
            return nullptr;
        obj->stock = true;
        stock[index] = objects().add(std::move(obj));
    }
    return stock[index];
}

}  // namespace nv::gdi
