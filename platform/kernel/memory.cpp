// Memory blocks: GlobalAlloc and LocalAlloc with their lock, unlock, resize,
// size, flags, handle and free calls. The Local calls share the Global heap.
#include <windows.h>

#include "platform/core/Trace.h"
#include "platform/kernel/Edge.h"
#include "platform/kernel/MemoryTable.h"

using namespace nv;
using namespace nv::kernel;

namespace {

enum class Family { Global, Local };

UINT discardableBit(Family f) { return f == Family::Global ? GMEM_DISCARDABLE : LMEM_DISCARDABLE; }

HGLOBAL allocCore(Family f, UINT flags, SIZE_T bytes) {
    const Mobility mobility = (flags & GMEM_MOVEABLE) ? Mobility::Movable : Mobility::Fixed;
    const Fill fill = (flags & GMEM_ZEROINIT) ? Fill::Zero : Fill::Any;
    auto r = memory().alloc(bytes, mobility, fill, (flags & discardableBit(f)) != 0);
    return failed(r) ? nullptr : *r;
}

HGLOBAL reallocCore(Family f, HGLOBAL mem, SIZE_T bytes, UINT flags) {
    if (flags & GMEM_MODIFY) {
        // Only the discardable bit changes; the block stays as it is.
        auto r = memory().setDiscardable(mem, (flags & discardableBit(f)) != 0);
        return failed(r) ? nullptr : mem;
    }
    auto r = memory().realloc(mem, bytes, (flags & GMEM_MOVEABLE) != 0,
                              (flags & GMEM_ZEROINIT) ? Fill::Zero : Fill::Any);
    return failed(r) ? nullptr : *r;
}

SIZE_T sizeCore(HGLOBAL mem) {
    auto r = memory().block(mem);
    return failed(r) ? 0 : (*r)->size;
}

UINT flagsCore(Family f, HGLOBAL mem) {
    auto r = memory().block(mem);
    if (failed(r))
        return f == Family::Global ? GMEM_INVALID_HANDLE : LMEM_INVALID_HANDLE;
    const MemoryBlock& b = **r;
    UINT flags = static_cast<UINT>(b.locks) & GMEM_LOCKCOUNT;
    if (b.discardable)
        flags |= discardableBit(f);
    if (b.mobility == Mobility::Movable && !b.data)
        flags |= GMEM_DISCARDED;
    return flags;
}

LPVOID lockCore(HGLOBAL mem) {
    auto r = memory().lock(mem);
    return failed(r) ? nullptr : *r;
}

// Nonzero while locks remain; on the last unlock 0 with NO_ERROR, on a block
// that was not locked 0 with ERROR_NOT_LOCKED.
BOOL unlockCore(HGLOBAL mem) {
    auto r = memory().unlock(mem);
    if (failed(r))
        return FALSE;
    if (*r == 0) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL freeCore(HGLOBAL mem) { return failed(memory().free(mem)) ? mem : nullptr; }

HGLOBAL handleCore(LPCVOID p) {
    auto r = memory().handleOf(p);
    return failed(r) ? nullptr : *r;
}

}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    NV_TRACE_ENTER("GlobalAlloc", uFlags, dwBytes);
    HGLOBAL result = allocCore(Family::Global, uFlags, dwBytes);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    NV_TRACE_ENTER("GlobalReAlloc", dwBytes, uFlags);
    HGLOBAL result = reallocCore(Family::Global, hMem, dwBytes, uFlags);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
    NV_TRACE_ENTER("GlobalSize");
    SIZE_T result = sizeCore(hMem);
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI GlobalFlags(HGLOBAL hMem) {
    NV_TRACE_ENTER("GlobalFlags");
    UINT result = flagsCore(Family::Global, hMem);
    NV_TRACE_RESULT(result);
    return result;
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    NV_TRACE_ENTER("GlobalLock");
    LPVOID result = lockCore(hMem);
    NV_TRACE_RESULT(result ? "pointer" : "NULL");
    return result;
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    NV_TRACE_ENTER("GlobalUnlock");
    BOOL result = unlockCore(hMem);
    NV_TRACE_RESULT(result);
    return result;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    NV_TRACE_ENTER("GlobalFree");
    HGLOBAL result = freeCore(hMem);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
    NV_TRACE_ENTER("GlobalHandle");
    HGLOBAL result = handleCore(pMem);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    NV_TRACE_ENTER("LocalAlloc", uFlags, uBytes);
    HLOCAL result = allocCore(Family::Local, uFlags, uBytes);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
    NV_TRACE_ENTER("LocalReAlloc", uBytes, uFlags);
    HLOCAL result = reallocCore(Family::Local, hMem, uBytes, uFlags);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

SIZE_T WINAPI LocalSize(HLOCAL hMem) {
    NV_TRACE_ENTER("LocalSize");
    SIZE_T result = sizeCore(hMem);
    NV_TRACE_RESULT(result);
    return result;
}

UINT WINAPI LocalFlags(HLOCAL hMem) {
    NV_TRACE_ENTER("LocalFlags");
    UINT result = flagsCore(Family::Local, hMem);
    NV_TRACE_RESULT(result);
    return result;
}

LPVOID WINAPI LocalLock(HLOCAL hMem) {
    NV_TRACE_ENTER("LocalLock");
    LPVOID result = lockCore(hMem);
    NV_TRACE_RESULT(result ? "pointer" : "NULL");
    return result;
}

BOOL WINAPI LocalUnlock(HLOCAL hMem) {
    NV_TRACE_ENTER("LocalUnlock");
    BOOL result = unlockCore(hMem);
    NV_TRACE_RESULT(result);
    return result;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    NV_TRACE_ENTER("LocalFree");
    HLOCAL result = freeCore(hMem);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}

HLOCAL WINAPI LocalHandle(LPCVOID pMem) {
    NV_TRACE_ENTER("LocalHandle");
    HLOCAL result = handleCore(pMem);
    NV_TRACE_RESULT(result ? "handle" : "NULL");
    return result;
}
