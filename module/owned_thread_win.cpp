#include "module/owned_thread_win.h"

#include <cstddef>

namespace {
constexpr LONG kThreadNew = 0;
constexpr LONG kThreadRunning = 1;
constexpr LONG kThreadCancelled = 2;
} // namespace

static_assert(offsetof(OwnedThread, finished) == 0, "the start routine reads finished at [rbx]");

// Called by ownedThreadStart below. Runs the body unless detach cancelled the thread first.
extern "C" void ownedThreadBody(OwnedThread* thread) {
    if (InterlockedCompareExchange(&thread->state, kThreadRunning, kThreadNew) != kThreadNew)
        return;
    thread->run(thread->argument);
}

// The thread's start routine, in assembly so the tail jump does not depend on the optimiser:
// run the body, then jump to SetEvent(thread->finished) with our frame gone. SetEvent returns
// straight to kernel32's thread start code, which ends the thread.
extern "C" DWORD WINAPI ownedThreadStart(void* thread);
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
)");

bool startOwnedThread(OwnedThread* thread, void (*run)(void*), void* argument) {
    thread->run = run;
    thread->argument = argument;
    thread->state = kThreadNew;
    thread->finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (thread->finished == nullptr)
        return false;
    thread->handle = CreateThread(nullptr, 0, ownedThreadStart, thread, 0, nullptr);
    if (thread->handle == nullptr) {
        CloseHandle(thread->finished);
        thread->finished = nullptr;
        return false;
    }
    return true;
}

bool stopOwnedThread(OwnedThread* thread, DWORD timeoutMs) {
    if (thread->handle == nullptr)
        return true;
    bool ended;
    if (InterlockedCompareExchange(&thread->state, kThreadCancelled, kThreadNew) == kThreadNew) {
        // It never started (the loader lock held it back). Its queued APCs run before its start
        // routine, so ExitThread ends it before it reaches our code.
        QueueUserAPC(reinterpret_cast<PAPCFUNC>(reinterpret_cast<void*>(&ExitThread)),
                     thread->handle, 0);
        ended = true;
    } else {
        ended = WaitForSingleObject(thread->finished, timeoutMs) == WAIT_OBJECT_0;
    }
    if (ended) {
        CloseHandle(thread->handle);
        CloseHandle(thread->finished);
        thread->handle = nullptr;
        thread->finished = nullptr;
    }
    return ended;
}
