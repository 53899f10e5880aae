// Text functions: drawing, measuring, metrics, base units and font files.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontMetrics.h"

using namespace nv::gdi;

namespace {

std::string_view span(LPCSTR s, int c) {
    if (!s)
        return {};
    if (c < 0)
        return std::string_view(s);
    return std::string_view(s, static_cast<size_t>(c));
}

BaseUnits unitsOf(const RealizedFont& f) {
    static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    return BaseUnits{(f.textWidth(kAlphabet) / 26 + 1) / 2, f.metrics().height};
}

}  // namespace

namespace nv::gdi {

BaseUnits templateBaseUnits(std::string_view faceName, int pointSize) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(pointSize, 96, 72);
    lf.lfWeight = FW_NORMAL;
    const size_t n = std::min(faceName.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::memcpy(lf.lfFaceName, faceName.data(), n);
    return unitsOf(*realizeFont(lf));
}

BaseUnits fontBaseUnits(HFONT font) {
    if (auto* f = objects().get<Font>(font, ObjectKind::Font))
        return unitsOf(f->realized());
    return systemBaseUnits();
}

BaseUnits systemBaseUnits() {
    return unitsOf(objects().get<Font>(stockObject(SYSTEM_FONT), ObjectKind::Font)->realized());
}

}  // namespace nv::gdi

BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                        const INT* lpDx) {
    NV_TRACE_ENTER("ExtTextOutA", hdc, x, y, options, std::string(span(lpString, static_cast<int>(c))), c);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc)) {
        if (lpString || c == 0) {
            dc->text(x, y, options, lprect, span(lpString, static_cast<int>(c)));
            ok = TRUE;
        }
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    NV_TRACE_ENTER("TextOutA", hdc, x, y, std::string(span(lpString, std::max(c, 0))), c);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc); dc && c >= 0 && (lpString || c == 0)) {
        dc->text(x, y, 0, nullptr, span(lpString, c));
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    NV_TRACE_ENTER("GetTextExtentPoint32A", hdc, std::string(span(lpString, std::max(c, 0))), c);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc); dc && psizl && c >= 0 && (lpString || c == 0)) {
        *psizl = dc->textExtent(span(lpString, c));
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok, psizl && ok ? psizl->cx : 0, psizl && ok ? psizl->cy : 0);
    return ok;
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz) {
    NV_TRACE_ENTER("GetTextExtentPointA", hdc, std::string(span(lpString, std::max(c, 0))), c);
    BOOL ok = GetTextExtentPoint32A(hdc, lpString, c, lpsz);
    NV_TRACE_RESULT(ok, lpsz && ok ? lpsz->cx : 0, lpsz && ok ? lpsz->cy : 0);
    return ok;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    NV_TRACE_ENTER("GetTextMetricsA", hdc);
    BOOL ok = FALSE;
    if (DeviceContext* dc = dcs().find(hdc); dc && lptm) {
        const FontMetricsInfo& m = dc->font().realized().metrics();
        TEXTMETRICA tm{};
        tm.tmHeight = m.height;
        tm.tmAscent = m.ascent;
        tm.tmDescent = m.descent;
        tm.tmInternalLeading = m.internalLeading;
        tm.tmExternalLeading = m.externalLeading;
        tm.tmAveCharWidth = m.aveCharWidth;
        tm.tmMaxCharWidth = m.maxCharWidth;
        tm.tmWeight = m.weight;
        tm.tmDigitizedAspectX = 96;
        tm.tmDigitizedAspectY = 96;
        tm.tmFirstChar = 0x20;
        tm.tmLastChar = 0xFF;
        tm.tmDefaultChar = 0x1F;
        tm.tmBreakChar = 0x20;
        tm.tmItalic = m.italic ? 0xFF : 0;
        tm.tmUnderlined = m.underline ? 0xFF : 0;
        tm.tmStruckOut = m.strikeOut ? 0xFF : 0;
        // TMPF_FIXED_PITCH is set for a variable-pitch font (the bit's name
        // says the opposite of its meaning).
        tm.tmPitchAndFamily = static_cast<BYTE>(m.family | TMPF_TRUETYPE | TMPF_VECTOR | (m.fixedPitch ? 0 : TMPF_FIXED_PITCH));
        tm.tmCharSet = ANSI_CHARSET;
        *lptm = tm;
        ok = TRUE;
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

int WINAPI GetTextFaceA(HDC hdc, int c, LPSTR lpName) {
    NV_TRACE_ENTER("GetTextFaceA", hdc, c);
    int result = 0;
    if (DeviceContext* dc = dcs().find(hdc)) {
        const std::string& face = dc->font().realized().faceName();
        if (!lpName) {
            result = static_cast<int>(face.size()) + 1;
        } else if (c > 0) {
            const size_t n = std::min(face.size(), static_cast<size_t>(c - 1));
            std::memcpy(lpName, face.data(), n);
            lpName[n] = 0;
            result = static_cast<int>(n);
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

namespace {

// The host file of a font named by a Windows path: as given (relative to
// the current directory), else in the Windows font and system directories.
std::optional<std::string> fontHostPath(LPCSTR name) {
    auto* m = nv::machine::current();
    if (!m || !name || !*name)
        return std::nullopt;
    std::vector<std::string> candidates{name};
    if (!std::strpbrk(name, "\\/:")) {
        candidates.push_back(m->settings().windowsDir + "\\FONTS\\" + name);
        candidates.push_back(m->settings().systemDir + "\\" + name);
    }
    for (const auto& c : candidates) {
        auto r = m->resolve(c);
        if (!r || !r->exists || r->isDirectory)
            continue;
        // A font resource file made by CreateScalableFontResourceA names
        // the TrueType file it stands for.
        auto content = m->store().readFile(r->host, r->winPath);
        if (!content)
            continue;
        std::string_view text = *content;
        if (text.rfind("FOT\r\n", 0) == 0) {
            text.remove_prefix(5);
            std::string second(text.substr(0, text.find('\n')));
            if (!second.empty() && second.back() == '\r')
                second.pop_back();
            auto target = m->resolve(second);
            if (target && target->exists && !target->isDirectory)
                return target->host.string();
            return std::nullopt;
        }
        return r->host.string();
    }
    return std::nullopt;
}

}  // namespace

int WINAPI AddFontResourceA(LPCSTR lpFileName) {
    NV_TRACE_ENTER("AddFontResourceA", lpFileName);
    int added = 0;
    if (auto host = fontHostPath(lpFileName)) {
        removeFontFile(*host);  // adding a file twice keeps one entry
        added = addFontFile(*host);
    }
    if (!added)
        SetLastError(ERROR_FILE_NOT_FOUND);
    NV_TRACE_RESULT(added);
    return added;
}

BOOL WINAPI RemoveFontResourceA(LPCSTR lpFileName) {
    NV_TRACE_ENTER("RemoveFontResourceA", lpFileName);
    BOOL ok = FALSE;
    if (auto host = fontHostPath(lpFileName))
        ok = removeFontFile(*host) ? TRUE : FALSE;
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI CreateScalableFontResourceA(DWORD fdwHidden, LPCSTR lpszFont, LPCSTR lpszFile, LPCSTR lpszPath) {
    NV_TRACE_ENTER("CreateScalableFontResourceA", fdwHidden, lpszFont, lpszFile, lpszPath);
    // The .FOT file only points at the TrueType file; ours records its name
    // as one line of text, which is all a later AddFontResourceA needs.
    BOOL ok = FALSE;
    auto* m = nv::machine::current();
    if (m && lpszFont && lpszFile) {
        std::string ttf = lpszPath && *lpszPath ? std::string(lpszPath) + "\\" + lpszFile : std::string(lpszFile);
        auto src = m->resolve(ttf);
        auto dst = m->resolve(lpszFont);
        if (src && src->exists && dst && !dst->exists && dst->parentExists) {
            std::string content = "FOT\r\n" + src->winPath + "\r\n";
            if (m->chargeWrite(dst->drive, content.size()))
                ok = m->store().replaceFile(dst->host, content, dst->winPath) ? TRUE : FALSE;
        } else if (dst && dst->exists) {
            SetLastError(ERROR_FILE_EXISTS);
        } else {
            SetLastError(ERROR_FILE_NOT_FOUND);
        }
    }
    NV_TRACE_RESULT(ok);
    return ok;
}
