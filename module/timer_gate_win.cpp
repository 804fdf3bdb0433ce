// The timer gates (see timer_gate_win.h). The gate's code is copied out of the image into pages
// of its own, position-independent, and finds its data one page after itself.
#include "module/timer_gate_win.h"

#include <cstddef>
#include <cstdint>

#include "module/outside_code_win.h"

namespace {

constexpr int kGateSlots = 3;

} // namespace

struct TimerGate {
    volatile LONG callsUnderWay;
    void* procedure;   // the module's timer procedure; null once closed
    void* killTimer;   // user32's KillTimer
};
#if defined(__x86_64__)
static_assert(offsetof(TimerGate, procedure) == 8 && offsetof(TimerGate, killTimer) == 16);
#elif defined(__i386__)
static_assert(offsetof(TimerGate, procedure) == 4 && offsetof(TimerGate, killTimer) == 8);
#else
#error "timer gates are written for x86 and x64"
#endif

extern "C" const uint8_t timerGateCode[];
extern "C" const uint8_t timerGateEnd[];
#if defined(__x86_64__)
// TIMERPROC(hwnd rcx, message rdx, id r8, time r9). Closed: KillTimer(hwnd, id), a tail jump.
asm(R"(
    .section .rdata,"dr"
    .globl timerGateCode
    .globl timerGateEnd
timerGateCode:
    leaq timerGateCode(%rip), %rax
    addq $4096, %rax
    lock incl (%rax)
    movq 8(%rax), %r10
    testq %r10, %r10
    jz 1f
    pushq %rbx
    subq $32, %rsp
    movq %rax, %rbx
    call *%r10
    lock decl (%rbx)
    addq $32, %rsp
    popq %rbx
    ret
1:
    movq 16(%rax), %r10
    lock decl (%rax)
    movq %r8, %rdx
    jmp *%r10
timerGateEnd:
    .text
)");
#else
// TIMERPROC, stdcall: hwnd, message, id, time at 4, 8, 12, 16 above the return address; the gate
// pops the 16 bytes. Closed: KillTimer(hwnd, id).
asm(R"(
    .section .rdata,"dr"
    .globl _timerGateCode
    .globl _timerGateEnd
_timerGateCode:
    call 2f
2:
    popl %eax
    subl $(2b - _timerGateCode), %eax
    addl $4096, %eax
    lock incl (%eax)
    movl 4(%eax), %ecx
    testl %ecx, %ecx
    jz 1f
    pushl %ebx
    movl %eax, %ebx
    pushl 20(%esp)
    pushl 20(%esp)
    pushl 20(%esp)
    pushl 20(%esp)
    call *%ecx
    lock decl (%ebx)
    popl %ebx
    ret $16
1:
    movl 8(%eax), %ecx
    lock decl (%eax)
    pushl 12(%esp)
    pushl 8(%esp)
    call *%ecx
    ret $16
_timerGateEnd:
    .text
)");
#endif

namespace {

TimerGate* gates[kGateSlots];  // the host's thread makes them; detach closes them

} // namespace

TIMERPROC timerGateFor(int slot, TIMERPROC procedure) {
    if (slot < 0 || slot >= kGateSlots)
        return nullptr;
    if (gates[slot] == nullptr) {
        auto* gate = static_cast<TimerGate*>(
            makeOutsideCode(timerGateCode, static_cast<size_t>(timerGateEnd - timerGateCode)));
        if (gate == nullptr)
            return nullptr;
        gate->procedure = reinterpret_cast<void*>(procedure);
        gate->killTimer = reinterpret_cast<void*>(&KillTimer);
        gates[slot] = gate;
    }
    return reinterpret_cast<TIMERPROC>(outsideCodeEntry(gates[slot]));
}

void closeTimerGates(bool timersKilled) {
    constexpr DWORD kCallsTimeoutMs = 1000;
    for (TimerGate*& gate : gates) {
        if (gate == nullptr)
            continue;
        InterlockedExchangePointer(&gate->procedure, nullptr);
        // A call that counted itself before the gate closed may still be in the module: a timer
        // procedure is short (one send, or counters), so this wait ends at once. The time waited
        // is an unsigned 32-bit difference of ticks, right across the clock's wrap.
        DWORD start = GetTickCount();
        bool idle;
        while (!(idle = InterlockedCompareExchange(&gate->callsUnderWay, 0, 0) == 0) &&
               GetTickCount() - start < kCallsTimeoutMs)
            Sleep(1);
        if (timersKilled && idle)
            freeOutsideCode(gate);
        gate = nullptr;
    }
}
