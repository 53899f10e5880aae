// GetFileVersionInfoSizeA, GetFileVersionInfoA, VerQueryValueA over the
// simulated machine's files.
#include <windows.h>
#include <winver.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/core/Machine.h"
#include "platform/core/Result.h"
#include "platform/core/Trace.h"
#include "platform/version/VersionResource.h"

#ifndef ERROR_BAD_FORMAT
#define ERROR_BAD_FORMAT 11L
#endif

namespace nv::version {

namespace {

// A machine file read in place through the drive store, so that a large
// driver is not read whole to find its version block.
class StoreFileReader : public ByteReader {
public:
    StoreFileReader(const machine::DriveStore& store, const machine::ResolvedPath& where)
        : store_(store), name_(where.winPath) {
        auto fd = store.open(where.host, machine::OpenAccess::Read, machine::OpenCreate::OpenExisting,
                             machine::CreateMode::Writable, where.winPath);
        if (!fd)
            return;
        fd_ = *fd;
        if (auto st = store.status(fd_, name_))
            size_ = st->size;
    }
    ~StoreFileReader() override { store_.close(fd_); }
    StoreFileReader(const StoreFileReader&) = delete;
    StoreFileReader& operator=(const StoreFileReader&) = delete;

    bool good() const { return fd_ >= 0; }
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, void* buffer, size_t n) const override {
        if (fd_ < 0 || offset > size_ || n > size_ - offset || n > UINT32_MAX)
            return false;
        if (!store_.seek(fd_, static_cast<int64_t>(offset), machine::SeekFrom::Begin, name_))
            return false;
        auto got = store_.read(fd_, buffer, static_cast<uint32_t>(n), name_);
        return got && *got == n;
    }

private:
    const machine::DriveStore& store_;
    std::string name_;
    int fd_ = -1;
    uint64_t size_ = 0;
};

// The version block of a file of the machine.
Result<std::vector<uint8_t>> loadBlock(const char* name) {
    if (!name || !*name)
        return Error::win32(ERROR_INVALID_PARAMETER, "no file name");
    machine::Machine* m = machine::current();
    if (!m)
        return Error::win32(ERROR_NOT_READY, "no machine attached");
    auto where = NV_TRY(m->resolve(name));
    if (!where.exists)
        return Error::win32(where.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, where.winPath);
    if (where.isDirectory)
        return Error::win32(ERROR_ACCESS_DENIED, where.winPath);
    if (m->isHeldOpen(where.winPath))
        return Error::win32(ERROR_SHARING_VIOLATION, where.winPath);
    StoreFileReader file(m->store(), where);
    if (!file.good())
        return Error::win32(ERROR_ACCESS_DENIED, where.winPath);
    if (!locate(file)) {
        // An executable without the resource, or no executable at all.
        char mz[2] = {};
        bool executable = file.readAt(0, mz, 2) && mz[0] == 'M' && mz[1] == 'Z';
        return Error::win32(executable ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_BAD_FORMAT, where.winPath);
    }
    auto block = readBlock(file);
    if (!block)
        return Error::win32(ERROR_RESOURCE_DATA_NOT_FOUND, where.winPath);
    return std::move(*block);
}

// Texts of 32-bit blocks, narrowed for VerQueryValueA. They are kept for the
// life of the process, like the block the caller owns, keyed by the address
// of the stored UTF-16 value.
std::map<const void*, std::string>& narrowed() {
    static std::map<const void*, std::string> texts;
    return texts;
}

}  // namespace

}  // namespace nv::version

using namespace nv::version;

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
    NV_TRACE_ENTER("GetFileVersionInfoSizeA", lptstrFilename);
    if (lpdwHandle)
        *lpdwHandle = 0;
    DWORD size = 0;
    auto block = loadBlock(lptstrFilename);
    if (block.ok()) {
        size = DWORD(block->size());
        SetLastError(ERROR_SUCCESS);
    } else {
        SetLastError(block.error().code);
    }
    NV_TRACE_RESULT(size);
    return size;
}

BOOL WINAPI GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) {
    NV_TRACE_ENTER("GetFileVersionInfoA", lptstrFilename, dwHandle, dwLen, lpData);
    BOOL ok = FALSE;
    if (!lpData) {
        SetLastError(ERROR_INVALID_DATA);
    } else {
        auto block = loadBlock(lptstrFilename);
        if (!block.ok()) {
            SetLastError(block.error().code);
        } else {
            size_t n = std::min<size_t>(dwLen, block->size());
            std::memcpy(lpData, block->data(), n);
            // A short buffer holds a cut block; make its length say so, so
            // that VerQueryValueA stays inside what the caller owns.
            if (n >= 2 && n < block->size()) {
                auto* p = static_cast<uint8_t*>(lpData);
                uint16_t stored = uint16_t(p[0] | p[1] << 8);
                if (stored > n) {
                    p[0] = uint8_t(n & 0xFF);
                    p[1] = uint8_t(n >> 8);
                }
            }
            ok = n >= 2 ? TRUE : FALSE;
            if (!ok)
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
        }
    }
    NV_TRACE_RESULT(ok);
    return ok;
}

BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen) {
    NV_TRACE_ENTER("VerQueryValueA", pBlock, lpSubBlock);
    BOOL ok = FALSE;
    if (pBlock && lpSubBlock && lplpBuffer) {
        auto* b = static_cast<const uint8_t*>(pBlock);
        size_t len = size_t(b[0] | b[1] << 8);
        std::span<const uint8_t> block(b, len);
        if (auto v = query(block, lpSubBlock)) {
            if (v->isText && v->layout == Layout::Win32) {
                std::string& text = narrowed()[v->bytes.data()];
                text.clear();
                for (size_t i = 0; i + 1 < v->bytes.size(); i += 2) {
                    uint16_t c = uint16_t(v->bytes[i] | v->bytes[i + 1] << 8);
                    if (c == 0)
                        break;
                    text += c < 0x100 ? char(c) : '?';
                }
                *lplpBuffer = text.data();
                if (puLen)
                    *puLen = UINT(text.size() + 1);
            } else {
                *lplpBuffer = const_cast<uint8_t*>(v->bytes.data());
                if (puLen)
                    // A damaged length never reaches past the value's bytes.
                    *puLen = v->isText ? UINT(std::min<size_t>(v->valueLength, v->bytes.size()))
                                       : UINT(v->bytes.size());
            }
            ok = v->bytes.empty() && !v->isText ? FALSE : TRUE;
        }
    }
    if (!ok && puLen)
        *puLen = 0;
    NV_TRACE_RESULT(ok);
    return ok;
}
