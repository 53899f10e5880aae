// DrawTextA: lines, word wrapping, alignment and "&" mnemonics on top of the
// device context's font and colours.
#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/gdi/DeviceContext.h"

using namespace nv::gdi;

namespace {

// One line to draw: its characters without prefix marks, and the index of
// the character to underline (-1: none).
struct Line {
    std::string text;
    int underline = -1;
};

// Removes "&" marks: "&&" is a literal ampersand, "&x" underlines x.
Line stripPrefix(std::string_view s, bool noPrefix) {
    Line line;
    for (size_t i = 0; i < s.size(); ++i) {
        if (!noPrefix && s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                line.text.push_back('&');
                ++i;
                continue;
            }
            if (i + 1 < s.size())
                line.underline = static_cast<int>(line.text.size());
            continue;
        }
        line.text.push_back(s[i]);
    }
    return line;
}

std::string expandTabs(std::string_view s, const RealizedFont& f, bool expand) {
    std::string out;
    for (char c : s) {
        if (c == '\t') {
            if (!expand) {
                out.push_back(' ');
                continue;
            }
            // Tab stops every eight average character widths.
            const int stop = std::max(1, 8 * f.metrics().aveCharWidth);
            const int w = f.textWidth(out);
            const int spaceW = std::max(1, f.glyph(' ').advance);
            const int next = (w / stop + 1) * stop;
            out.append(static_cast<size_t>(std::max(1, (next - w + spaceW - 1) / spaceW)), ' ');
            continue;
        }
        out.push_back(c);
    }
    return out;
}

// Splits a paragraph so that each line fits `width`; breaks after blanks, and
// a word longer than the width stands alone on its line.
void wrap(std::string_view para, int width, const RealizedFont& f, bool noPrefix, std::vector<std::string>& out) {
    auto measure = [&](std::string_view s) { return f.textWidth(stripPrefix(s, noPrefix).text); };
    size_t start = 0;
    while (start < para.size()) {
        size_t end = start;
        size_t lastBreak = std::string_view::npos;
        while (end < para.size()) {
            if (para[end] == ' ')
                lastBreak = end;
            if (measure(para.substr(start, end - start + 1)) > width && para[end] != ' ')
                break;
            ++end;
        }
        if (end >= para.size()) {
            out.emplace_back(para.substr(start));
            return;
        }
        size_t cut = lastBreak != std::string_view::npos && lastBreak > start ? lastBreak : end;
        if (cut == start) {
            // Not even one word fits: keep the whole word together.
            cut = para.find(' ', start);
            if (cut == std::string_view::npos)
                cut = para.size();
        }
        std::string_view piece = para.substr(start, cut - start);
        while (!piece.empty() && piece.back() == ' ')
            piece.remove_suffix(1);
        out.emplace_back(piece);
        start = cut;
        while (start < para.size() && para[start] == ' ')
            ++start;
    }
}

}  // namespace

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    const std::string_view text = !lpchText       ? std::string_view()
                                  : cchText < 0 ? std::string_view(lpchText)
                                                : std::string_view(lpchText, static_cast<size_t>(cchText));
    NV_TRACE_ENTER("DrawTextA", hdc, text, cchText, format);
    int height = 0;
    DeviceContext* dc = dcs().find(hdc);
    if (!dc || !lprc || (!lpchText && cchText != 0)) {
        NV_TRACE_RESULT(0);
        return 0;
    }
    const RealizedFont& f = dc->font().realized();
    const FontMetricsInfo& m = f.metrics();
    const bool noPrefix = format & DT_NOPREFIX;
    const int lineHeight = m.height + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0);
    const RECT r = *lprc;
    const int width = r.right - r.left;

    std::vector<std::string> raw;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : text)
            if (c != '\r' && c != '\n')
                one.push_back(c);
        raw.push_back(expandTabs(one, f, format & DT_EXPANDTABS));
    } else {
        size_t start = 0;
        while (true) {
            size_t nl = text.find('\n', start);
            std::string_view para = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
            if (!para.empty() && para.back() == '\r')
                para.remove_suffix(1);
            std::string expanded = expandTabs(para, f, format & DT_EXPANDTABS);
            if (format & DT_WORDBREAK)
                wrap(expanded, width, f, noPrefix, raw);
            if (!(format & DT_WORDBREAK) || expanded.empty())
                raw.push_back(expanded);
            if (nl == std::string_view::npos)
                break;
            start = nl + 1;
        }
    }
    std::vector<Line> lines;
    int widest = 0;
    for (const auto& s : raw) {
        lines.push_back(stripPrefix(s, noPrefix));
        widest = std::max(widest, f.textWidth(lines.back().text));
    }
    height = lineHeight * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        lprc->right = r.left + ((format & DT_WORDBREAK) ? std::max(widest, 0) : widest);
        if ((format & DT_WORDBREAK) && widest < width && lines.size() > 1)
            lprc->right = r.left + widest;
        lprc->bottom = r.top + height;
        NV_TRACE_RESULT(height);
        return height;
    }

    int y = r.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = r.top + (r.bottom - r.top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            y = r.bottom - lineHeight;
    }
    const RECT clip = (format & DT_NOCLIP) ? dc->clipOnTarget() : intersect(dc->clipOnTarget(), dc->toTarget(r));
    for (const Line& line : lines) {
        const int w = f.textWidth(line.text);
        int x = r.left;
        if (format & DT_CENTER)
            x = r.left + (width - w) / 2;
        else if (format & DT_RIGHT)
            x = r.right - w;
        if (dc->state.bkMode == OPAQUE) {
            if (Surface* s = dc->target())
                s->fill(intersect(dc->toTarget(RECT{x, y, x + w, y + lineHeight}), clip), toPixel(dc->state.bkColor));
        }
        dc->drawGlyphs(x, y, line.text, dc->state.textColor, clip);
        if (line.underline >= 0 && !(format & DT_HIDEPREFIX) && line.underline < static_cast<int>(line.text.size())) {
            const int ux = x + f.textWidth(std::string_view(line.text).substr(0, static_cast<size_t>(line.underline)));
            const int uw = f.glyph(static_cast<unsigned char>(line.text[line.underline])).advance;
            const int uy = y + m.ascent + 1;
            if (Surface* s = dc->target())
                s->fill(intersect(dc->toTarget(RECT{ux, uy, ux + uw, uy + 1}), clip), toPixel(dc->state.textColor));
        }
        y += lineHeight;
    }
    if (format & DT_SINGLELINE)
        height = (format & (DT_VCENTER | DT_BOTTOM)) ? (y - r.top) : lineHeight;
    NV_TRACE_RESULT(height);
    return height;
}
