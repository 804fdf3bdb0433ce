#include "module/outside_code_win.h"

#include <cstring>

void* makeOutsideCode(const uint8_t* code, size_t size) {
    auto* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * kOutsideCodePage,
                                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (pages == nullptr)
        return nullptr;
    std::memcpy(pages, code, size);
    DWORD old;
    if (!VirtualProtect(pages, kOutsideCodePage, PAGE_EXECUTE_READ, &old)) {
        VirtualFree(pages, 0, MEM_RELEASE);
        return nullptr;
    }
    FlushInstructionCache(GetCurrentProcess(), pages, kOutsideCodePage);
    return pages + kOutsideCodePage;
}

void freeOutsideCode(void* data) {
    VirtualFree(static_cast<uint8_t*>(data) - kOutsideCodePage, 0, MEM_RELEASE);
}
