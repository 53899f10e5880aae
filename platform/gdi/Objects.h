// GDI objects (pens, brushes, fonts, bitmaps, regions) and the table that
// hands out their handles. A handle is the object's address; every use looks
// it up in the table first, so a stale or foreign handle is refused, never
// followed.
#pragma once

#include <map>
#include <memory>

#include <wingdi.h>

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Surface.h"

namespace nv::gdi {

enum class ObjectKind { Pen = OBJ_PEN, Brush = OBJ_BRUSH, Font = OBJ_FONT, Bitmap = OBJ_BITMAP, Region = OBJ_REGION };

struct Object {
    explicit Object(ObjectKind k) : kind(k) {}
    virtual ~Object() = default;
    ObjectKind kind;
    bool stock = false;
    int selectedIn = 0;  // how many device contexts hold it selected
};

struct Brush : Object {
    Brush(bool hollow, COLORREF color) : Object(ObjectKind::Brush), hollow(hollow), color(color) {}
    bool hollow;
    COLORREF color;
};

struct Pen : Object {
    Pen(int style, int width, COLORREF color) : Object(ObjectKind::Pen), style(style), width(width), color(color) {}
    int style;
    int width;
    COLORREF color;
};

struct Font : Object {
    explicit Font(const LOGFONTA& lf) : Object(ObjectKind::Font), logfont(lf) {}
    LOGFONTA logfont;
    // Realised on first use; the same logical font always draws alike.
    const RealizedFont& realized() const;

private:
    mutable std::shared_ptr<const RealizedFont> realized_;
};

struct Bitmap : Object {
    Bitmap(int w, int h, Depth depth, uint32_t fill = 0) : Object(ObjectKind::Bitmap), surface(w, h, depth, fill) {}
    Surface surface;
    int bitsPixel() const { return surface.depth() == Depth::Monochrome ? 1 : 24; }
};

struct Region : Object {
    explicit Region(RECT r) : Object(ObjectKind::Region), rect(r) {}
    RECT rect;
};

class ObjectTable {
public:
    HGDIOBJ add(std::unique_ptr<Object> obj);
    Object* find(HGDIOBJ h) const;
    template <typename T>
    T* get(HGDIOBJ h, ObjectKind kind) const {
        Object* o = find(h);
        return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
    }
    // Deletes a non-stock object; false when the handle is unknown.
    bool remove(HGDIOBJ h);
    size_t size() const { return objects_.size(); }

private:
    std::map<const void*, std::unique_ptr<Object>> objects_;
};

ObjectTable& objects();

// The stock object of a GetStockObject index, or nullptr for an unknown one.
HGDIOBJ stockObject(int index);

}  // namespace nv::gdi
