// How an owned thread starts and ends (see owned_thread_win.h). The two pieces that must not run
// module code, the thread's entry and its last act, are in assembly for each architecture the
// module is built for, so neither depends on the optimiser.
#include "module/owned_thread_win.h"

#include <cstddef>
#include <cstdint>

#include "module/outside_code_win.h"

namespace {

constexpr LONG kThreadNew = 0;
constexpr LONG kThreadRunning = 1;
constexpr LONG kThreadCancelled = 2;

} // namespace

// The launch pad's data page; its code page lies just before it.
struct ThreadLaunch {
    volatile LONG state;   // kThreadNew until the thread or detach claims it
    uint32_t reserved;
    void* moduleStart;     // ownedThreadStart, in the module
    void* exitThread;      // kernel32's ExitThread
    OwnedThread* thread;   // moduleStart's argument
};
static_assert(offsetof(OwnedThread, finished) == 0, "ownedThreadStart reads finished first");
#if defined(__x86_64__)
static_assert(offsetof(ThreadLaunch, moduleStart) == 8);
static_assert(offsetof(ThreadLaunch, exitThread) == 16);
static_assert(offsetof(ThreadLaunch, thread) == 24);
#elif defined(__i386__)
static_assert(offsetof(ThreadLaunch, moduleStart) == 8);
static_assert(offsetof(ThreadLaunch, exitThread) == 12);
static_assert(offsetof(ThreadLaunch, thread) == 16);
#else
#error "owned threads are written for x86 and x64"
#endif

// The body realigns the stack itself: on 32 bits the thread's entry gives only 4-byte alignment.
// An exception that reached this far ends the thread, never the host: the thread still signals
// its end, so detach goes on as usual.
extern "C" __attribute__((force_align_arg_pointer)) void ownedThreadBody(OwnedThread* thread) {
    try {
        thread->run(thread->argument);
    } catch (...) {
    }
}

// ownedThreadStart: runs the body, then jumps to SetEvent(thread->finished) with our frame gone;
// SetEvent returns straight to kernel32's thread start code, which ends the thread.
// launchPad (copied out of the image into each thread's own code page, position-independent),
// given the ThreadLaunch: claims the start, or ends the thread with ExitThread(0) when cancelled.
extern "C" DWORD WINAPI ownedThreadStart(void* thread);
extern "C" const uint8_t launchPadCode[];
extern "C" const uint8_t launchPadEnd[];
#if defined(__x86_64__)
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
#else
// 32 bits: both entries are stdcall with one argument, which they replace in place before the
// tail jump, so SetEvent and ExitThread (stdcall, one argument) pop it for them.
asm(R"(
    .text
    .globl _ownedThreadStart@4
    .def _ownedThreadStart@4; .scl 2; .type 32; .endef
_ownedThreadStart@4:
    pushl %ebx
    movl 8(%esp), %ebx
    pushl %ebx
    call _ownedThreadBody
    addl $4, %esp
    movl (%ebx), %eax
    popl %ebx
    movl %eax, 4(%esp)
    jmp *__imp__SetEvent@4

    .section .rdata,"dr"
    .globl _launchPadCode
    .globl _launchPadEnd
_launchPadCode:
    movl 4(%esp), %ecx
    movl $1, %edx
    xorl %eax, %eax
    lock cmpxchgl %edx, (%ecx)
    jne 1f
    movl 16(%ecx), %eax
    movl %eax, 4(%esp)
    jmp *8(%ecx)
1:
    movl $0, 4(%esp)
    jmp *12(%ecx)
_launchPadEnd:
    .text
)");
#endif

namespace {

ThreadLaunch* makeLaunchPad(OwnedThread* thread, LPTHREAD_START_ROUTINE* start) {
    auto* launch = static_cast<ThreadLaunch*>(
        makeOutsideCode(launchPadCode, static_cast<size_t>(launchPadEnd - launchPadCode)));
    if (launch == nullptr)
        return nullptr;
    launch->state = kThreadNew;
    launch->moduleStart = reinterpret_cast<void*>(&ownedThreadStart);
    launch->exitThread = reinterpret_cast<void*>(&ExitThread);
    launch->thread = thread;
    *start = reinterpret_cast<LPTHREAD_START_ROUTINE>(outsideCodeEntry(launch));
    return launch;
}

// Called for every top-level window; `threadId` is the owned thread's. The device has no way to
// ask for one thread's windows alone, so the others are passed over here.
BOOL CALLBACK closeThreadWindow(HWND window, LPARAM threadId) {
    if (GetWindowThreadProcessId(window, nullptr) != static_cast<DWORD>(threadId))
        return TRUE;
    // The module's threads show only message boxes, each with an OK button; the system may give
    // the thread windows of its own, which are left alone.
    wchar_t className[16];
    if (GetClassNameW(window, className, 16) > 0 && lstrcmpW(className, L"#32770") == 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

// Waits for the thread's last act, closing the boxes it shows and handling the messages sent to
// the waiting thread meanwhile. A box may appear after a first look, so every round looks again.
// The time waited is an unsigned 32-bit difference of ticks, right across the clock's wrap.
bool waitForLastAct(OwnedThread* thread, DWORD timeoutMs) {
    constexpr DWORD kRoundMs = 20;
    DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(closeThreadWindow, static_cast<LPARAM>(thread->id));
        // A peek for sent messages calls their window procedures and nothing else. It comes first
        // in every round: a message sent before detach began is no longer "new" to a wait.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DWORD r = MsgWaitForMultipleObjectsEx(1, &thread->finished, kRoundMs, QS_SENDMESSAGE,
                                              MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return WaitForSingleObject(thread->finished, 0) == WAIT_OBJECT_0;
    }
}

} // namespace

bool startOwnedThread(OwnedThread* thread, void (*run)(void*), void* argument) {
    thread->run = run;
    thread->argument = argument;
    thread->handle = nullptr;
    thread->id = 0;
    thread->finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LPTHREAD_START_ROUTINE start = nullptr;
    thread->launch = thread->finished ? makeLaunchPad(thread, &start) : nullptr;
    if (thread->launch != nullptr)
        thread->handle = CreateThread(nullptr, 0, start, thread->launch, 0, &thread->id);
    if (thread->handle != nullptr)
        return true;
    if (thread->launch != nullptr)
        freeOutsideCode(thread->launch);
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
        if (!waitForLastAct(thread, timeoutMs))
            return false;
        CloseHandle(thread->handle);
        CloseHandle(thread->finished);
        freeOutsideCode(thread->launch);  // the thread left it long ago
    }
    thread->handle = nullptr;
    thread->finished = nullptr;
    thread->launch = nullptr;
    return true;
}
