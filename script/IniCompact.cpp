#include "script/IniCompact.h"

IniCompactor::IniCompactor(char* out, size_t capacity) : out_(out), capacity_(capacity) {}

size_t IniCompactor::bound(size_t length) {
    // Each byte gives at most one, except a "[" that starts a line after a
    // line end: two NULs and itself for the line end and the "[" (3 for 2);
    // then NUL, NUL and the end mark.
    return length + length / 2 + 4;
}

bool IniCompactor::put(char c) {
    if (written_ >= capacity_) {
        overflow_ = true;
        return false;
    }
    out_[written_++] = c;
    return true;
}

bool IniCompactor::handle(BYTE c) {
    switch (mode_) {
    case Mode::Comment:
        if (c != '\n' && c != '\r' && c != 0 && c != INITEXT_END_MARK)
            return true;
        mode_ = Mode::Text;
        break;
    case Mode::LineStart:
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            return true;
        mode_ = Mode::Text;
        // A comment line defers the line end to its own line feed; nothing
        // precedes the first line.
        if (c != ';' && written_ > 0) {
            if (!put('\0'))
                return false;
            if (c == '[' && !put('\0'))
                return false;
        }
        break;
    case Mode::Text:
        break;
    }

    switch (c) {
    case ' ':
    case '\t':
        return inQuotes_ ? put(static_cast<char>(c)) : true;
    case '"':
        inQuotes_ = !inQuotes_;
        return put('"');
    case ';':
        mode_ = Mode::Comment;
        return true;
    case '\r':
        return true;  // dropped: only a line feed ends a line ("ab\rcd" reads "abcd")
    case '\n':
        mode_ = Mode::LineStart;
        inQuotes_ = false;
        return true;
    default:
        return put(static_cast<char>(c));
    }
}

bool IniCompactor::feed(const BYTE* data, size_t length) {
    for (size_t i = 0; i < length && !overflow_; ++i) {
        BYTE c = data[i];
        // End-of-file marks count only when something follows them.
        if (c == INITEXT_END_MARK) {
            ++pendingEofMarks_;
            continue;
        }
        for (; pendingEofMarks_ > 0 && !overflow_; --pendingEofMarks_)
            handle(INITEXT_END_MARK);
        handle(c);
    }
    return !overflow_;
}

bool IniCompactor::finish() {
    pendingEofMarks_ = 0;
    if (overflow_)
        return false;
    return put('\0') && put('\0') && put(static_cast<char>(INITEXT_END_MARK));
}

size_t CompactIniText(const BYTE* data, size_t length, char* out, size_t capacity) {
    if (capacity < IniCompactor::bound(length))
        return 0;
    IniCompactor compactor(out, capacity);
    if (!compactor.feed(data, length) || !compactor.finish())
        return 0;
    return compactor.size();
}
