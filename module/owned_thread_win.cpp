#include "module/owned_thread_win.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr LONG kThreadNew = 0;
constexpr LONG kThreadRunning = 1;
constexpr LONG kThreadCancelled = 2;
constexpr SIZE_T kPage = 4096;

} // namespace

// The launch pad's data page; its code page lies just before it.
struct ThreadLaunch {
    volatile LONG state;   //  0: kThreadNew until the thread or detach claims it
    uint32_t reserved;     //  4
    void* moduleStart;     //  8: ownedThreadStart, in the module
    void* exitThread;      // 16: kernel32's ExitThread
    OwnedThread* thread;   // 24: moduleStart's argument
};
static_assert(offsetof(ThreadLaunch, moduleStart) == 8);
static_assert(offsetof(ThreadLaunch, exitThread) == 16);
static_assert(offsetof(ThreadLaunch, thread) == 24);
static_assert(offsetof(OwnedThread, finished) == 0, "ownedThreadStart reads finished at [rbx]");

extern "C" void ownedThreadBody(OwnedThread* thread) { thread->run(thread->argument); }

// ownedThreadStart: runs the body, then jumps to SetEvent(thread->finished) with our frame gone;
// SetEvent returns straight to kernel32's thread start code, which ends the thread.
// launchPad (copied out of the image into each thread's own code page, position-independent):
// rcx = ThreadLaunch*. Claims the start, or ends the thread with ExitThread(0) when cancelled.
// Both in assembly, so neither depends on the optimiser.
extern "C" DWORD WINAPI ownedThreadStart(void* thread);
extern "C" const uint8_t launchPadCode[];
extern "C" const uint8_t launchPadEnd[];
asm(R"(
    .text
    .globl ownedThreadStart
    .def ownedThreadStart; .scl 2; .type 32; .endef
    .seh_proc ownedThreadStart
ownedThreadStart:
    pushq %rbx
    .seh_pushreg %rbx
    subq $32, %rsp
    .seh_stackalloc 32
    .seh_endprologue
    movq %rcx, %rbx
    call ownedThreadBody
    movq (%rbx), %rcx
    addq $32, %rsp
    popq %rbx
    jmp *__imp_SetEvent(%rip)
    .seh_endproc

    .section .rdata,"dr"
    .globl launchPadCode
    .globl launchPadEnd
launchPadCode:
    movl $1, %edx
    xorl %eax, %eax
    lock cmpxchgl %edx, (%rcx)
    jne 1f
    movq 8(%rcx), %rax
    movq 24(%rcx), %rcx
    jmp *%rax
1:
    movq 16(%rcx), %rax
    xorl %ecx, %ecx
    jmp *%rax
launchPadEnd:
    .text
)");

namespace {

// Two pages: the launch pad's code (read and execute) and its data (read and write).
ThreadLaunch* makeLaunchPad(OwnedThread* thread, LPTHREAD_START_ROUTINE* start) {
    auto* pages = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 2 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (pages == nullptr)
        return nullptr;
    std::memcpy(pages, launchPadCode, static_cast<size_t>(launchPadEnd - launchPadCode));
    DWORD old;
    if (!VirtualProtect(pages, kPage, PAGE_EXECUTE_READ, &old)) {
        VirtualFree(pages, 0, MEM_RELEASE);
        return nullptr;
    }
    FlushInstructionCache(GetCurrentProcess(), pages, kPage);
    auto* launch = reinterpret_cast<ThreadLaunch*>(pages + kPage);
    launch->state = kThreadNew;
    launch->moduleStart = reinterpret_cast<void*>(&ownedThreadStart);
    launch->exitThread = reinterpret_cast<void*>(&ExitThread);
    launch->thread = thread;
    *start = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(pages));
    return launch;
}

void freeLaunchPad(ThreadLaunch* launch) {
    VirtualFree(reinterpret_cast<uint8_t*>(launch) - kPage, 0, MEM_RELEASE);
}

} // namespace

bool startOwnedThread(OwnedThread* thread, void (*run)(void*), void* argument) {
    thread->run = run;
    thread->argument = argument;
    thread->handle = nullptr;
    thread->finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LPTHREAD_START_ROUTINE start = nullptr;
    thread->launch = thread->finished ? makeLaunchPad(thread, &start) : nullptr;
    if (thread->launch != nullptr)
        thread->handle = CreateThread(nullptr, 0, start, thread->launch, 0, nullptr);
    if (thread->handle != nullptr)
        return true;
    if (thread->launch != nullptr)
        freeLaunchPad(thread->launch);
    if (thread->finished != nullptr)
        CloseHandle(thread->finished);
    thread->launch = nullptr;
    thread->finished = nullptr;
    return false;
}

bool stopOwnedThread(OwnedThread* thread, DWORD timeoutMs) {
    if (thread->handle == nullptr)
        return true;
    if (InterlockedCompareExchange(&thread->launch->state, kThreadCancelled, kThreadNew) ==
        kThreadNew) {
        // It never started (the loader lock held it back): its launch pad will end it, and must
        // outlive us for that.
        CloseHandle(thread->handle);
        CloseHandle(thread->finished);
    } else {
        if (WaitForSingleObject(thread->finished, timeoutMs) != WAIT_OBJECT_0)
            return false;
        CloseHandle(thread->handle);
        CloseHandle(thread->finished);
        freeLaunchPad(thread->launch);  // the thread left it long ago
    }
    thread->handle = nullptr;
    thread->finished = nullptr;
    thread->launch = nullptr;
    return true;
}
