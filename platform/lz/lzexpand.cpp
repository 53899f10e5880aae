// LZ32 over the kernel's open files: LZ handles (0x400..0x40F) stand for
// compressed files, plain file handles pass through. Expansion is libmspack's,
// fed through buffered streams over the kernel's file table so that the
// machine's faults (full, read-only or failing drives) apply.
#include <windows.h>
#include <lzexpand.h>

#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/core/Machine.h"
#include "platform/core/Trace.h"
#include "platform/kernel/FileOps.h"
#include "platform/kernel/FileTable.h"
#include "platform/lz/SzddExpander.h"

namespace nv::lz {

namespace {

constexpr int kFirstLzHandle = 0x400;
constexpr int kMaxLzHandles = 16;
constexpr uint32_t kChunk = 64 * 1024;

struct LzState {
    bool used = false;
    int file = 0;            // the kernel handle of the compressed file
    SzddHeader header;
    bool expanded = false;   // `data` holds the whole expanded file
    std::vector<uint8_t> data;
    int64_t pos = 0;         // read position in the expanded file
};

class LzTable : public machine::Machine::FamilyState {
public:
    explicit LzTable(machine::Machine&) {}
    std::array<LzState, kMaxLzHandles> slots;

    LzState* find(int h) {
        if (h < kFirstLzHandle || h >= kFirstLzHandle + kMaxLzHandles)
            return nullptr;
        LzState& s = slots[size_t(h - kFirstLzHandle)];
        return s.used ? &s : nullptr;
    }
};

LzTable& table() { return machine::currentOrDie().familyState<LzTable>(); }

bool isLzHandle(int h) { return h >= kFirstLzHandle && h < kFirstLzHandle + kMaxLzHandles; }

// Reads a kernel file in large pieces; libmspack asks for 2 KB at a time.
class HandleSource : public Source {
public:
    // The buffer is filled before it is read, so it is not zeroed first: a
    // copy of a small file would spend more on zeroing than on the file.
    explicit HandleSource(int h) : h_(h), buf_(std::make_unique_for_overwrite<uint8_t[]>(kChunk)) {}
    int read(void* buffer, int bytes) override {
        auto* out = static_cast<uint8_t*>(buffer);
        int done = 0;
        while (done < bytes) {
            if (at_ == len_) {
                auto r = kernel::files().read(h_, buf_.get(), kChunk);
                if (!r.ok())
                    return -1;
                filePos_ += len_;
                at_ = 0;
                len_ = *r;
                if (len_ == 0)
                    break;
            }
            size_t n = std::min(size_t(bytes - done), size_t(len_ - at_));
            std::memcpy(out + done, buf_.get() + at_, n);
            at_ += uint32_t(n);
            done += int(n);
        }
        return done;
    }
    bool seek(int64_t offset) override {
        if (!kernel::files().seek(h_, offset, FILE_BEGIN).ok())
            return false;
        filePos_ = offset;
        at_ = len_ = 0;
        return true;
    }
    int64_t tell() override { return filePos_ + at_; }

private:
    int h_;
    std::unique_ptr<uint8_t[]> buf_;
    int64_t filePos_ = 0;  // file position of buf_[0]
    uint32_t at_ = 0, len_ = 0;
};

class HandleSink : public Sink {
public:
    explicit HandleSink(int h) : h_(h) { buf_.reserve(kChunk); }
    bool write(const void* buffer, size_t bytes) override {
        auto* p = static_cast<const uint8_t*>(buffer);
        // libmspack's LZSS expander hands over one byte at a time.
        if (bytes == 1 && buf_.size() < kChunk) {
            buf_.push_back(*p);
            return true;
        }
        if (buf_.size() + bytes > kChunk && !flush())
            return false;
        if (bytes >= kChunk)
            return put(p, bytes);
        buf_.insert(buf_.end(), p, p + bytes);
        return true;
    }
    bool flush() {
        bool ok = put(buf_.data(), buf_.size());
        buf_.clear();
        return ok;
    }

private:
    bool put(const uint8_t* p, size_t n) {
        while (n) {
            uint32_t piece = uint32_t(std::min<size_t>(n, kChunk));
            auto r = kernel::files().write(h_, p, piece);
            if (!r.ok() || *r != piece)
                return false;
            p += piece;
            n -= piece;
        }
        return true;
    }
    int h_;
    std::vector<uint8_t> buf_;
};

// Reads the first bytes of an open file and classifies it; the file pointer
// is left at 0.
Result<Kind> probeFile(int h, SzddHeader* header) {
    NV_TRY(kernel::files().seek(h, 0, FILE_BEGIN));
    uint8_t first[kHeaderSize];
    uint32_t got = NV_TRY(kernel::files().read(h, first, kHeaderSize));
    NV_TRY(kernel::files().seek(h, 0, FILE_BEGIN));
    return probe(std::span<const uint8_t>(first, got), header);
}

// LZInit's work. Returns the handle to use: `h` itself for a plain file.
int init(int h) {
    if (isLzHandle(h))
        return table().find(h) ? h : LZERROR_BADINHANDLE;
    if (!kernel::files().file(h).ok())
        return LZERROR_BADINHANDLE;
    SzddHeader header;
    auto kind = probeFile(h, &header);
    if (!kind.ok())
        return LZERROR_BADINHANDLE;
    if (*kind == Kind::NotCompressed)
        return h;
    if (*kind == Kind::UnknownMethod)
        return LZERROR_UNKNOWNALG;
    auto& slots = table().slots;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].used) {
            slots[i] = LzState{};
            slots[i].used = true;
            slots[i].file = h;
            slots[i].header = header;
            return kFirstLzHandle + int(i);
        }
    }
    return LZERROR_GLOBALLOC;
}

// Expands the whole file behind an LZ state into memory (LZRead, LZSeek and
// copies that do not start at the beginning).
int64_t ensureExpanded(LzState& s) {
    if (s.expanded)
        return int64_t(s.data.size());
    HandleSource in(s.file);
    VectorSink out(s.header.length);
    int64_t r = expand(in, out);
    if (r < 0)
        return r;
    s.data = std::move(out.data());
    s.expanded = true;
    return r;
}

int64_t copyPlain(int src, int dst) {
    auto buffer = std::make_unique_for_overwrite<uint8_t[]>(kChunk);
    uint8_t* buf = buffer.get();
    if (!kernel::files().seek(src, 0, FILE_BEGIN).ok())
        return LZERROR_READ;
    int64_t total = 0;
    for (;;) {
        auto r = kernel::files().read(src, buf, kChunk);
        if (!r.ok())
            return LZERROR_READ;
        if (*r == 0)
            return total;
        auto w = kernel::files().write(dst, buf, *r);
        if (!w.ok() || *w != *r)
            return LZERROR_WRITE;
        total += *r;
    }
}

// The source's last-write time onto the destination; the install relies on
// file times to compare installed and new files later.
void copyWriteTime(int src, int dst) {
    auto s = kernel::files().file(src);
    auto d = kernel::files().file(dst);
    if (!s.ok() || !d.ok())
        return;
    const machine::DriveStore& store = machine::currentOrDie().store();
    auto st = store.status((*s)->fd, (*s)->winPath);
    if (st)
        (void)store.setTimes((*d)->fd, std::nullopt, st->modified, (*d)->winPath);
}

int64_t copy(int hfSource, int hfDest) {
    LzState temporary;
    LzState* state = nullptr;
    int realSource = hfSource;
    if (isLzHandle(hfSource)) {
        state = table().find(hfSource);
        if (!state)
            return LZERROR_BADINHANDLE;
        realSource = state->file;
    } else {
        if (!kernel::files().file(hfSource).ok())
            return LZERROR_BADINHANDLE;
        // A plain handle to a compressed file is expanded all the same, with
        // a state of our own so that the caller's handle stays its own.
        SzddHeader header;
        auto kind = probeFile(hfSource, &header);
        if (!kind.ok())
            return LZERROR_READ;
        if (*kind == Kind::UnknownMethod)
            return LZERROR_UNKNOWNALG;
        if (*kind == Kind::Compressed) {
            temporary.used = true;
            temporary.file = hfSource;
            temporary.header = header;
            state = &temporary;
        }
    }

    if (isLzHandle(hfDest))
        return LZERROR_BADOUTHANDLE;
    auto dest = kernel::files().file(hfDest);
    if (!dest.ok() || !(*dest)->write)
        return LZERROR_BADOUTHANDLE;

    int64_t result;
    if (!state) {
        result = copyPlain(hfSource, hfDest);
    } else if (!state->expanded && state->pos == 0) {
        HandleSource in(state->file);
        HandleSink out(hfDest);
        result = expand(in, out);
        if (result >= 0 && !out.flush())
            result = LZERROR_WRITE;
    } else {
        result = ensureExpanded(*state);
        if (result >= 0) {
            size_t from = size_t(std::min<int64_t>(state->pos, int64_t(state->data.size())));
            HandleSink out(hfDest);
            if (!out.write(state->data.data() + from, state->data.size() - from) || !out.flush())
                result = LZERROR_WRITE;
            else
                result = int64_t(state->data.size() - from);
            state->pos = int64_t(state->data.size());
        }
    }
    if (result >= 0)
        copyWriteTime(realSource, hfDest);
    return result;
}

// The name a file has when it is stored compressed: the last character of
// a three-letter extension becomes '_', a shorter extension gets '_'
// appended, a name without one gets "._".
std::string compressedNameOf(const std::string& name) {
    std::string out = name;
    size_t base = out.find_last_of("\\/:");
    base = base == std::string::npos ? 0 : base + 1;
    size_t dot = out.rfind('.');
    if (dot == std::string::npos || dot < base)
        out += "._";
    else if (out.size() - dot - 1 < 3)
        out += '_';
    else
        out.back() = '_';
    return out;
}

// OpenFile under the file's own name, else under its compressed name.
// Creating never takes the other name. With OF_PROMPT both names are tried
// before the user is asked for the disk, and every retry tries both again,
// so a disk that holds only NAME.EX_ brings up no prompt.
HFILE openEitherName(LPSTR name, LPOFSTRUCT ofs, WORD style) {
    const WORD quiet = WORD(style & ~OF_PROMPT);
    for (;;) {
        HFILE fd = OpenFile(name, ofs, quiet);
        if (fd != HFILE_ERROR || !name || !ofs || (style & OF_CREATE))
            return fd;
        WORD plainError = ofs->nErrCode;
        fd = OpenFile(compressedNameOf(name).c_str(), ofs, quiet);
        if (fd != HFILE_ERROR || !(style & OF_PROMPT))
            return fd;
        // As OpenFile itself: the prompt names the file's own full path, and
        // there is none for a name that cannot be a path or a directory that
        // does not exist.
        auto plainPath = machine::currentOrDie().fullPath(name);
        const kernel::PromptHook& ask = kernel::openPromptHook();
        if (!plainPath || plainError == ERROR_PATH_NOT_FOUND || !ask || !ask(*plainPath))
            return fd;
    }
}

}  // namespace

}  // namespace nv::lz

using namespace nv;
using namespace nv::lz;

INT WINAPI LZStart(void) {
    NV_TRACE_ENTER("LZStart");
    NV_TRACE_RESULT(1);
    return 1;
}

void WINAPI LZDone(void) {
    NV_TRACE_ENTER("LZDone");
    NV_TRACE_RESULT(0);
}

INT WINAPI LZInit(INT hfSource) {
    NV_TRACE_ENTER("LZInit", hfSource);
    INT result = init(hfSource);
    NV_TRACE_RESULT(result);
    return result;
}

INT WINAPI LZOpenFileA(LPSTR lpFileName, LPOFSTRUCT lpReOpenBuf, WORD wStyle) {
    NV_TRACE_ENTER("LZOpenFileA", lpFileName, wStyle);
    HFILE fd = openEitherName(lpFileName, lpReOpenBuf, wStyle);
    INT result = fd;
    // OF_PROMPT and the share bits say how to find and share the file, not
    // what to do with it: the file is still opened for reading.
    if (fd != HFILE_ERROR && (wStyle & ~(0x70u | OF_PROMPT)) == OF_READ) {
        result = init(fd);
        if (result < 0)
            (void)kernel::files().close(fd);
    }
    NV_TRACE_RESULT(result);
    return result;
}

LONG WINAPI LZCopy(INT hfSource, INT hfDest) {
    NV_TRACE_ENTER("LZCopy", hfSource, hfDest);
    int64_t r = copy(hfSource, hfDest);
    LONG result = r > 0x7FFFFFFF ? 0x7FFFFFFF : LONG(r);
    NV_TRACE_RESULT(result);
    return result;
}

LONG WINAPI CopyLZFile(INT hfSource, INT hfDest) {
    NV_TRACE_ENTER("CopyLZFile", hfSource, hfDest);
    int64_t r = copy(hfSource, hfDest);
    LONG result = r > 0x7FFFFFFF ? 0x7FFFFFFF : LONG(r);
    NV_TRACE_RESULT(result);
    return result;
}

INT WINAPI LZRead(INT hFile, LPSTR lpBuffer, INT cbRead) {
    NV_TRACE_ENTER("LZRead", hFile, cbRead);
    INT result;
    if (!isLzHandle(hFile)) {
        auto r = cbRead < 0 ? Result<uint32_t>(Error::win32(ERROR_INVALID_PARAMETER))
                            : kernel::files().read(hFile, lpBuffer, uint32_t(cbRead));
        result = r.ok() ? INT(*r) : HFILE_ERROR;
    } else if (LzState* s = table().find(hFile); !s) {
        result = LZERROR_BADINHANDLE;
    } else if (cbRead < 0 || (cbRead > 0 && !lpBuffer)) {
        result = LZERROR_BADVALUE;
    } else if (int64_t e = ensureExpanded(*s); e < 0) {
        result = INT(e);
    } else {
        size_t from = size_t(std::min<int64_t>(s->pos, int64_t(s->data.size())));
        size_t n = std::min(size_t(cbRead), s->data.size() - from);
        if (n)
            std::memcpy(lpBuffer, s->data.data() + from, n);
        s->pos = int64_t(from + n);
        result = INT(n);
    }
    NV_TRACE_RESULT(result);
    return result;
}

LONG WINAPI LZSeek(INT hFile, LONG lOffset, INT iOrigin) {
    NV_TRACE_ENTER("LZSeek", hFile, lOffset, iOrigin);
    LONG result;
    if (!isLzHandle(hFile)) {
        auto r = kernel::files().seek(hFile, lOffset, iOrigin);
        result = r.ok() && *r <= 0x7FFFFFFF ? LONG(*r) : HFILE_ERROR;
    } else if (LzState* s = table().find(hFile); !s) {
        result = LZERROR_BADINHANDLE;
    } else {
        int64_t base = iOrigin == FILE_BEGIN ? 0 : iOrigin == FILE_CURRENT ? s->pos
                     : iOrigin == FILE_END   ? int64_t(s->header.length)
                                             : -1;
        int64_t target = base + lOffset;
        if (base < 0 || target < 0 || target > int64_t(s->header.length)) {
            result = LZERROR_BADVALUE;
        } else {
            s->pos = target;
            result = LONG(target);
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}

void WINAPI LZClose(INT hFile) {
    NV_TRACE_ENTER("LZClose", hFile);
    if (isLzHandle(hFile)) {
        if (LzState* s = table().find(hFile)) {
            (void)kernel::files().close(s->file);
            *s = LzState{};
        }
    } else {
        (void)kernel::files().close(hFile);
    }
    NV_TRACE_RESULT(0);
}

INT WINAPI GetExpandedNameA(LPSTR lpszSource, LPSTR lpszBuffer) {
    NV_TRACE_ENTER("GetExpandedNameA", lpszSource);
    INT result = 1;
    if (!lpszSource || !lpszBuffer) {
        result = LZERROR_BADVALUE;
    } else {
        kernel::OpenRequest req;
        req.read = true;
        auto h = kernel::files().open(lpszSource, req);
        if (!h.ok()) {
            result = LZERROR_BADINHANDLE;
        } else {
            SzddHeader header;
            auto kind = probeFile(*h, &header);
            (void)kernel::files().close(*h);
            std::string name(lpszSource);
            if (!kind.ok()) {
                result = LZERROR_BADINHANDLE;
            } else if (*kind == Kind::Compressed) {
                size_t base = name.find_last_of("\\/:");
                base = base == std::string::npos ? 0 : base + 1;
                size_t dot = name.rfind('.');
                if (dot != std::string::npos && dot >= base && name.back() == '_' && name.size() - 1 > dot) {
                    if (header.missingChar == 0) {
                        name.pop_back();
                        if (name.back() == '.')
                            name.pop_back();
                    } else {
                        // The stored character takes the case of the name's letters.
                        bool lower = false;
                        for (size_t i = name.size() - 1; i-- > base;) {
                            unsigned char c = static_cast<unsigned char>(name[i]);
                            if (std::isalpha(c)) {
                                lower = std::islower(c);
                                break;
                            }
                        }
                        unsigned char m = static_cast<unsigned char>(header.missingChar);
                        name.back() = char(lower ? std::tolower(m) : std::toupper(m));
                    }
                }
            }
            if (result == 1)
                std::memcpy(lpszBuffer, name.c_str(), name.size() + 1);
        }
    }
    NV_TRACE_RESULT(result);
    return result;
}
