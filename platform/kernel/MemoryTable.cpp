#include "platform/kernel/MemoryTable.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace nv::kernel {

namespace {

constexpr size_t kHandleSlots = size_t{1} << 20;
constexpr size_t kHandleStride = 8;

// The reserved, inaccessible region movable handles point into.
char* handleRegion() {
    static char* region = [] {
        void* p = ::mmap(nullptr, kHandleSlots * kHandleStride, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                         -1, 0);
        return p == MAP_FAILED ? nullptr : static_cast<char*>(p);
    }();
    return region;
}

Error invalid() { return Error::win32(ERROR_INVALID_HANDLE, "not a memory handle"); }
Error noMemory() { return Error::win32(ERROR_NOT_ENOUGH_MEMORY, "not enough memory"); }

// malloc(0) may give NULL; a block of 0 bytes still needs an address.
char* allocate(size_t size, Fill fill) {
    void* p = fill == Fill::Zero ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1);
    return static_cast<char*>(p);
}

}  // namespace

MemoryTable::~MemoryTable() {
    for (auto& [handle, b] : blocks_)
        std::free(b.data);
}

HGLOBAL MemoryTable::newMovableHandle() {
    static size_t next = 1;
    char* region = handleRegion();
    const size_t slot = next;
    next = next + 1 == kHandleSlots ? 1 : next + 1;
    if (!region)
        return reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(slot * kHandleStride));  // below any mapping
    return region + slot * kHandleStride;
}

Result<MemoryBlock*> MemoryTable::find(HGLOBAL handle) {
    auto it = blocks_.find(handle);
    if (!handle || it == blocks_.end())
        return invalid();
    return &it->second;
}

Result<const MemoryBlock*> MemoryTable::block(HGLOBAL handle) const {
    auto it = blocks_.find(handle);
    if (!handle || it == blocks_.end())
        return invalid();
    return &it->second;
}

Result<HGLOBAL> MemoryTable::alloc(size_t size, Mobility mobility, Fill fill, bool discardable) {
    if (machine_.nextAllocationFails())
        return noMemory();
    MemoryBlock b;
    b.mobility = mobility;
    b.discardable = discardable;
    b.size = size;
    // A movable block of 0 bytes starts out discarded, as on Windows.
    if (!(mobility == Mobility::Movable && size == 0)) {
        b.data = allocate(size, fill);
        if (!b.data)
            return noMemory();
    }
    HGLOBAL handle = mobility == Mobility::Fixed ? static_cast<HGLOBAL>(b.data) : newMovableHandle();
    blocks_[handle] = b;
    return handle;
}

Result<HGLOBAL> MemoryTable::realloc(HGLOBAL handle, size_t size, bool mayMove, Fill fill) {
    MemoryBlock* b = NV_TRY(find(handle));
    if (b->mobility == Mobility::Movable && size == 0) {
        if (b->locks > 0)
            return noMemory();  // a locked block cannot be discarded
        std::free(b->data);
        b->data = nullptr;
        b->size = 0;
        return handle;
    }
    const bool grows = size > b->size;
    if (b->mobility == Mobility::Fixed && grows && !mayMove)
        return noMemory();  // a fixed block cannot grow in place here
    if (b->mobility == Mobility::Movable && b->locks > 0 && grows && !mayMove)
        return noMemory();  // locked, so it stays where it is
    if (machine_.nextAllocationFails())
        return noMemory();
    char* fresh = allocate(size, Fill::Any);
    if (!fresh)
        return noMemory();
    const size_t keep = b->data ? std::min(size, b->size) : 0;
    if (keep)
        std::memcpy(fresh, b->data, keep);
    if (size > keep && fill == Fill::Zero)
        std::memset(fresh + keep, 0, size - keep);
    std::free(b->data);
    b->data = fresh;
    b->size = size;
    if (b->mobility == Mobility::Movable)
        return handle;
    // A fixed block's handle is its address, which has changed.
    MemoryBlock moved = *b;
    blocks_.erase(handle);
    blocks_[static_cast<HGLOBAL>(fresh)] = moved;
    return static_cast<HGLOBAL>(fresh);
}

Result<void> MemoryTable::setDiscardable(HGLOBAL handle, bool discardable) {
    MemoryBlock* b = NV_TRY(find(handle));
    b->discardable = discardable;
    return {};
}

Result<void> MemoryTable::free(HGLOBAL handle) {
    MemoryBlock* b = NV_TRY(find(handle));
    std::free(b->data);
    blocks_.erase(handle);
    return {};
}

Result<void*> MemoryTable::lock(HGLOBAL handle) {
    MemoryBlock* b = NV_TRY(find(handle));
    if (b->mobility == Mobility::Fixed)
        return static_cast<void*>(b->data);
    if (!b->data)
        return Error::win32(ERROR_DISCARDED, "the block was discarded");
    if (b->locks < 0xFF)  // the count saturates, as GMEM_LOCKCOUNT allows
        ++b->locks;
    return static_cast<void*>(b->data);
}

Result<int> MemoryTable::unlock(HGLOBAL handle) {
    MemoryBlock* b = NV_TRY(find(handle));
    if (b->mobility == Mobility::Fixed)
        return 0;
    if (b->locks == 0)
        return Error::win32(ERROR_NOT_LOCKED, "the block is not locked");
    return --b->locks;
}

Result<HGLOBAL> MemoryTable::handleOf(const void* pointer) const {
    if (!pointer)
        return invalid();
    for (const auto& [handle, b] : blocks_) {
        if (b.data == pointer)
            return handle;
    }
    return invalid();
}

MemoryTable& memory() { return machine::currentOrDie().familyState<MemoryTable>(); }

}  // namespace nv::kernel
