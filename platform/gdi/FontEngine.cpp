#include "platform/gdi/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>

#include "platform/core/DriveStore.h"
#include "platform/core/Machine.h"
#include "platform/core/PerMachine.h"

namespace nv::gdi {
namespace {

// Code page 1252 positions 0x80-0x9F; the rest of the page is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char32_t ansiToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0)
        return kCp1252High[c - 0x80];
    return c;
}

FT_Library library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        FT_Init_FreeType(&l);
        return l;
    }();
    return lib;
}

constexpr const char* kFontDir = "/usr/share/fonts/truetype/";

// A font file held in memory for the whole run, shared by its realisations.
struct FontData {
    std::string path;
    std::vector<unsigned char> bytes;
};

std::shared_ptr<FontData> loadFile(const std::string& path) {
    static std::map<std::string, std::shared_ptr<FontData>> cache;
    if (auto it = cache.find(path); it != cache.end())
        return it->second;
    auto content = host::readFile(path);
    if (!content)
        return nullptr;
    auto data = std::make_shared<FontData>();
    data->path = path;
    data->bytes.assign(content->begin(), content->end());
    cache[path] = data;
    return data;
}

// How a Windows face name is served.
struct StandIn {
    std::vector<std::string> names;
    std::string regular, bold, italic, boldItalic;
    BYTE family = FF_SWISS;
    bool fixedPitch = false;
    double widthScale = 1.0;   // horizontal pixels per vertical one
    int onlyEm = 0;            // raster faces come in one size only
};

const std::vector<StandIn>& standIns() {
    static const std::vector<StandIn> table = {
        // MS Sans Serif 8 pt at 96 dpi: 13-pixel cells, dialog base units 6 x 13.
        {{"MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "Arial", "Helvetica", "Small Fonts", ""},
         "liberation/LiberationSans-Regular.ttf", "liberation/LiberationSans-Bold.ttf",
         "liberation/LiberationSans-Italic.ttf", "liberation/LiberationSans-BoldItalic.ttf", FF_SWISS, false, 1.0, 0},
        // The raster System font: bold, 16-pixel cells, base units 8 x 16.
        {{"System"},
         "liberation/LiberationSans-Bold.ttf", "liberation/LiberationSans-Bold.ttf",
         "liberation/LiberationSans-BoldItalic.ttf", "liberation/LiberationSans-BoldItalic.ttf", FF_SWISS, false, 0.95, 14},
        {{"Times New Roman", "Times", "MS Serif", "Roman"},
         "liberation/LiberationSerif-Regular.ttf", "liberation/LiberationSerif-Bold.ttf",
         "liberation/LiberationSerif-Italic.ttf", "liberation/LiberationSerif-BoldItalic.ttf", FF_ROMAN, false, 1.0, 0},
        {{"Courier New", "Courier", "Fixedsys", "Terminal"},
         "liberation/LiberationMono-Regular.ttf", "liberation/LiberationMono-Bold.ttf",
         "liberation/LiberationMono-Italic.ttf", "liberation/LiberationMono-BoldItalic.ttf", FF_MODERN, true, 1.0, 0},
        {{"DejaVu Sans"},
         "dejavu/DejaVuSans.ttf", "dejavu/DejaVuSans-Bold.ttf", "dejavu/DejaVuSans-Oblique.ttf",
         "dejavu/DejaVuSans-BoldOblique.ttf", FF_SWISS, false, 1.0, 0},
    };
    return table;
}

struct AddedFont {
    std::string hostPath;
    std::string family;
    bool bold = false;
    bool italic = false;
};

// Fonts added on one machine are the machine's: gone on the next one attached.
struct AddedFonts {
    std::vector<AddedFont> fonts;
};
std::vector<AddedFont>& addedFonts() { return machine::perMachine<AddedFonts>().fonts; }

class FtRealizedFont final : public RealizedFont {
public:
    FtRealizedFont(std::shared_ptr<FontData> data, std::string faceName, int emPx, int widthPx, int cellHeight,
                   const LOGFONTA& lf, const StandIn* standIn)
        : data_(std::move(data)), faceName_(std::move(faceName)) {
        FT_New_Memory_Face(library(), data_->bytes.data(), static_cast<FT_Long>(data_->bytes.size()), 0, &face_);
        if (!face_)
            return;
        FT_Set_Pixel_Sizes(face_, static_cast<FT_UInt>(std::max(widthPx, 1)), static_cast<FT_UInt>(std::max(emPx, 1)));
        const double upem = face_->units_per_EM ? face_->units_per_EM : 2048;
        const double sy = emPx / upem;
        const double sx = widthPx / upem;
        int winAscent = face_->ascender;
        int winDescent = -face_->descender;
        int avg = 0;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2))) {
            winAscent = os2->usWinAscent;
            winDescent = os2->usWinDescent;
            avg = os2->xAvgCharWidth;
        }
        if (cellHeight > 0 && winAscent + winDescent > 0) {
            // A cell height was asked for: the cell is exactly that tall.
            m_.height = cellHeight;
            m_.ascent = static_cast<int>(std::lround(static_cast<double>(winAscent) * cellHeight / (winAscent + winDescent)));
            m_.descent = m_.height - m_.ascent;
        } else {
            m_.ascent = static_cast<int>(std::ceil(winAscent * sy - 0.01));
            m_.descent = static_cast<int>(std::ceil(winDescent * sy - 0.01));
            m_.height = m_.ascent + m_.descent;
        }
        m_.internalLeading = std::max(m_.height - emPx, 0);
        m_.aveCharWidth = static_cast<int>(std::lround(avg * sx));
        m_.maxCharWidth = static_cast<int>(std::lround((face_->bbox.xMax - face_->bbox.xMin) * sx));
        m_.weight = (face_->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
        if (lf.lfWeight > m_.weight)
            m_.weight = lf.lfWeight;
        m_.italic = lf.lfItalic != 0;
        m_.underline = lf.lfUnderline != 0;
        m_.strikeOut = lf.lfStrikeOut != 0;
        m_.fixedPitch = FT_IS_FIXED_WIDTH(face_) || (standIn && standIn->fixedPitch);
        m_.family = standIn ? standIn->family : static_cast<BYTE>(lf.lfPitchAndFamily & 0xF0);
    }
    ~FtRealizedFont() override {
        if (face_)
            FT_Done_Face(face_);
    }

    const FontMetricsInfo& metrics() const override { return m_; }
    const std::string& faceName() const override { return faceName_; }

    const Glyph& glyph(unsigned char c) const override {
        std::lock_guard lock(mutex_);
        auto& slot = glyphs_[c];
        if (!slot)
            slot = render(c);
        return *slot;
    }

private:
    std::unique_ptr<Glyph> render(unsigned char c) const {
        auto g = std::make_unique<Glyph>();
        if (!face_)
            return g;
        FT_UInt index = FT_Get_Char_Index(face_, ansiToUnicode(c));
        if (FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
            return g;
        FT_GlyphSlot slot = face_->glyph;
        g->advance = static_cast<int>((slot->advance.x + 32) >> 6);
        g->left = slot->bitmap_left;
        g->top = slot->bitmap_top;
        g->width = static_cast<int>(slot->bitmap.width);
        g->height = static_cast<int>(slot->bitmap.rows);
        g->bits.assign(static_cast<size_t>(g->width) * g->height, 0);
        for (int y = 0; y < g->height; ++y) {
            const unsigned char* src = slot->bitmap.buffer + y * slot->bitmap.pitch;
            for (int x = 0; x < g->width; ++x) {
                bool ink = slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (src[x >> 3] >> (7 - (x & 7))) & 1
                                                                          : src[x] >= 128;
                g->bits[static_cast<size_t>(y) * g->width + x] = ink ? 1 : 0;
            }
        }
        return g;
    }

    std::shared_ptr<FontData> data_;
    std::string faceName_;
    FT_Face face_ = nullptr;
    FontMetricsInfo m_;
    mutable std::mutex mutex_;
    mutable std::array<std::unique_ptr<Glyph>, 256> glyphs_;
};

bool faceEquals(std::string_view a, std::string_view b) { return machine::equalsNoCase(a, b); }

struct Choice {
    std::string path;
    std::string faceName;
    const StandIn* standIn = nullptr;
};

Choice chooseFile(const LOGFONTA& lf) {
    std::string asked(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    const bool bold = lf.lfWeight >= FW_SEMIBOLD;
    const bool italic = lf.lfItalic != 0;

    // Fonts added at run time win over the stand-ins, as an installed font
    // of that name would on Windows.
    const AddedFont* best = nullptr;
    for (const auto& f : addedFonts()) {
        if (!faceEquals(f.family, asked))
            continue;
        if (!best || ((f.bold == bold) + (f.italic == italic) > (best->bold == bold) + (best->italic == italic)))
            best = &f;
    }
    if (best)
        return {best->hostPath, best->family, nullptr};

    const StandIn* match = nullptr;
    for (const auto& s : standIns())
        for (const auto& n : s.names)
            if (faceEquals(n, asked))
                match = &s;
    std::string faceName = asked;
    if (!match) {
        const BYTE pitch = lf.lfPitchAndFamily & 0x03;
        const BYTE family = lf.lfPitchAndFamily & 0xF0;
        size_t i = 0;  // sans serif unless the family or pitch says otherwise
        if (pitch == FIXED_PITCH || family == FF_MODERN)
            i = 3;
        else if (family == FF_ROMAN)
            i = 2;
        match = &standIns()[i];
        faceName = match->names.front();
    }
    if (faceName.empty())
        faceName = match->names.front();
    const std::string& file = bold ? (italic ? match->boldItalic : match->bold) : (italic ? match->italic : match->regular);
    return {std::string(kFontDir) + file, faceName, match};
}

}  // namespace

int RealizedFont::textWidth(std::string_view text) const {
    int w = 0;
    for (unsigned char c : text)
        w += glyph(c).advance;
    return w;
}

std::shared_ptr<const RealizedFont> realizeFont(const LOGFONTA& lf) {
    Choice choice = chooseFile(lf);
    auto data = loadFile(choice.path);
    if (!data) {
        // A vanished added font: fall back to the default face.
        LOGFONTA fallback = lf;
        fallback.lfFaceName[0] = 0;
        choice = chooseFile(fallback);
        data = loadFile(choice.path);
    }

    // Height: negative is the character (em) height, positive the cell
    // height, zero the default of 8-point text.
    int em = 11;
    int cellHeight = 0;
    double widthScale = choice.standIn ? choice.standIn->widthScale : 1.0;
    if (choice.standIn && choice.standIn->onlyEm) {
        em = choice.standIn->onlyEm;
    } else if (lf.lfHeight < 0) {
        em = lf.lfHeight < -2000 ? 2000 : -lf.lfHeight;  // no overflow for the most negative height
    } else if (lf.lfHeight > 0 && data) {
        cellHeight = std::min(static_cast<int>(lf.lfHeight), 2000);
        // Cell height -> em by the face's own ascent + descent.
        FT_Face probe = nullptr;
        if (FT_New_Memory_Face(library(), data->bytes.data(), static_cast<FT_Long>(data->bytes.size()), 0, &probe) == 0) {
            double cell = probe->ascender - probe->descender;
            if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(probe, FT_SFNT_OS2)))
                cell = os2->usWinAscent + os2->usWinDescent;
            if (cell > 0)
                em = static_cast<int>(std::lround(cellHeight * static_cast<double>(probe->units_per_EM) / cell));
            FT_Done_Face(probe);
        }
    }
    em = std::clamp(em, 1, 2000);
    int widthPx = static_cast<int>(std::lround(em * widthScale));
    if (lf.lfWidth > 0 && !(choice.standIn && choice.standIn->onlyEm)) {
        // lfWidth asks for an average character width; scale the em width so
        // that the face's average lands there.
        widthPx = std::clamp(static_cast<int>(std::min<double>(std::lround(lf.lfWidth * 2.0), 4000.0)), 1, 4000);
    }

    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<const RealizedFont>> cache;
    std::string key = choice.path + "|" + choice.faceName + "|" + std::to_string(em) + "|" + std::to_string(widthPx) + "|" + std::to_string(cellHeight) +
                      "|" + std::to_string(lf.lfWeight) + "|" + std::to_string(lf.lfItalic) +
                      std::to_string(lf.lfUnderline) + std::to_string(lf.lfStrikeOut);
    std::lock_guard lock(mutex);
    if (auto it = cache.find(key); it != cache.end())
        if (auto sp = it->second.lock())
            return sp;
    if (!data)
        data = std::make_shared<FontData>();
    auto font = std::make_shared<FtRealizedFont>(data, choice.faceName, em, widthPx, cellHeight, lf, choice.standIn);
    cache[key] = font;
    return font;
}

Result<std::string> fontFamilyName(const std::string& hostPath) {
    auto data = loadFile(hostPath);
    if (!data)
        return Error::win32(ERROR_FILE_NOT_FOUND, "cannot read font file " + hostPath);
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library(), data->bytes.data(), static_cast<FT_Long>(data->bytes.size()), 0, &face) != 0)
        return Error::win32(ERROR_INVALID_DATA, hostPath + ": not a font file FreeType can read");
    std::string family;
    // Prefer the Windows (platform 3) English family name from the name table.
    FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count && family.empty(); ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != TT_NAME_ID_FONT_FAMILY)
            continue;
        if (name.platform_id == TT_PLATFORM_MICROSOFT) {
            for (FT_UInt k = 0; k + 1 < name.string_len; k += 2) {
                unsigned ch = (name.string[k] << 8) | name.string[k + 1];
                family.push_back(ch < 0x100 ? static_cast<char>(ch) : '?');
            }
        }
    }
    if (family.empty() && face->family_name)
        family = face->family_name;
    FT_Done_Face(face);
    if (family.empty())
        return Error::win32(ERROR_INVALID_DATA, hostPath + ": font has no family name");
    return family;
}

int addFontFile(const std::string& hostPath) {
    auto family = fontFamilyName(hostPath);
    if (!family)
        return 0;
    auto data = loadFile(hostPath);
    FT_Face face = nullptr;
    AddedFont f{hostPath, *family, false, false};
    if (FT_New_Memory_Face(library(), data->bytes.data(), static_cast<FT_Long>(data->bytes.size()), 0, &face) == 0) {
        f.bold = face->style_flags & FT_STYLE_FLAG_BOLD;
        f.italic = face->style_flags & FT_STYLE_FLAG_ITALIC;
        FT_Done_Face(face);
    }
    addedFonts().push_back(f);
    return 1;
}

bool removeFontFile(const std::string& hostPath) {
    auto& v = addedFonts();
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (it->hostPath == hostPath) {
            v.erase(it);
            return true;
        }
    }
    return false;
}

void resetAddedFonts() { addedFonts().clear(); }

}  // namespace nv::gdi
