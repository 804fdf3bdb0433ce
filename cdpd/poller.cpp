// The CDPD poller over module state: the poll thread's passes over the live list, the tick, and
// the start and stop. The schedule's arithmetic is in poll_schedule.cpp.
//
// Who touches what:
//  - pollCounters: pollTick adds (host's thread), the poll thread subtracts; both atomic, so no
//    update is lost. startPolling stores 1 in each under `control.lock`.
//  - pollActive, and everything in `control`: written under `control.lock`. The poll thread
//    checks them, and takes a decrement, under the same lock, so a start or stop falls cleanly
//    between two visits and never between a visit's check and its decrement.
//  - cdpdList and cdpdCount: the dialogs write them under listLock; the poll thread copies an
//    entry or the count out under it and works on the copy.
#include "cdpd/poller.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "cdpd/poll_schedule.h"
#include "exchange/position_message.h"
#include "module/module_state.h"

namespace {

struct PollControl {
    std::mutex lock;
    std::condition_variable wake;     // the poll thread waits here for a tick, a start or a stop
    std::condition_variable settled;  // waitForPollThreadQuiet waits here
    uint32_t generation = 0;          // one more per startPolling
    uint64_t ticks = 0;               // one more per pollTick
    bool threadClaimed = false;       // a body runs, or the shell was asked to start one
    // While the poll thread waits: the ticks and generation it waits to see change.
    bool waiting = false;
    uint64_t waitTicks = 0;
    uint32_t waitGeneration = 0;
};

PollControl control;

// The poll thread's own state, from one start to the next.
struct PollRun {
    uint32_t generation;  // the start this run serves
    PollSchedule schedule;
    int32_t count;        // n: the list's count as last read
    int32_t visitCount;
};

enum class PassEnd { NothingDue, SomethingDue, Interrupted };

// The count is always within the list's room (the file's decoder clamps it, Add refuses a full
// list), so it is used as it stands.
int32_t readCount() {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return moduleState.cdpdCount;
}

// Copies entry j; false when j is no longer in the list (a dialog deleted entries since the count
// was read), and then the slot is left alone.
bool copyEntry(int32_t j, CdpdAddress* entry) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (j >= moduleState.cdpdCount)
        return false;
    *entry = moduleState.cdpdList[j];
    return true;
}

PollRun beginRun() {
    PollRun run;
    {
        std::lock_guard<std::mutex> hold(control.lock);
        run.generation = control.generation;
    }
    CdpdAddress entries[kCdpdCapacity];
    {
        std::lock_guard<std::mutex> hold(moduleState.listLock);
        run.count = moduleState.cdpdCount;
        std::copy(moduleState.cdpdList, moduleState.cdpdList + run.count, entries);
    }
    run.schedule = pollScheduleFor(entries, run.count);
    run.visitCount = 0;
    return run;
}

bool stillServing(const PollRun& run) {
    return control.generation == run.generation && moduleState.pollActive;
}

// One pass over entries 0 .. n - 1, n read again after each request sent. Interrupted when a stop
// or a new start comes before a visit.
PassEnd makePass(PollRun& run) {
    bool anyDue = false;
    for (int32_t j = 0; j < run.count; ++j) {
        CdpdAddress entry;
        bool inList = copyEntry(j, &entry);
        bool due;
        {
            std::lock_guard<std::mutex> hold(control.lock);
            if (!stillServing(run))
                return PassEnd::Interrupted;
            due = inList && isDue(entry, moduleState.pollCounters[j], run.schedule.step,
                                  run.visitCount, run.count);
            if (due)
                moduleState.pollCounters[j] -= run.schedule.decrement;
        }
        if (due) {
            anyDue = true;
            if (sendCdpdRequest(entry))
                run.count = readCount();
        }
        if (run.visitCount < run.count)
            ++run.visitCount;
    }
    return anyDue ? PassEnd::SomethingDue : PassEnd::NothingDue;
}

// Waits until a tick comes after `ticksBefore`, or a stop or a new start; returns at once if one
// already came.
void waitForTickOrStop(const PollRun& run, uint64_t ticksBefore) {
    std::unique_lock<std::mutex> hold(control.lock);
    control.waiting = true;
    control.waitTicks = ticksBefore;
    control.waitGeneration = run.generation;
    control.settled.notify_all();
    control.wake.wait(hold, [&] { return control.ticks != ticksBefore || !stillServing(run); });
    control.waiting = false;
}

} // namespace

bool sendCdpdRequest(const CdpdAddress& entry) {
    SocketHandle socket = moduleState.udpSocket;
    if (!moduleState.endpointBound || socket == kNoSocket)
        return false;
    if (entry.modemFlag != 0) {
        PositionMessage query = makeModemQuery();
        platformSendTo(socket, destinationFor(entry.address, kModemPort), &query,
                       kModemQueryLength);
    } else {
        PositionMessage request = makeLocateRequest();
        platformSendTo(socket, destinationFor(entry.address, kDevicePort), &request,
                       kLocateRequestLength);
    }
    return true;
}

bool startPolling() {
    std::lock_guard<std::mutex> hold(control.lock);
    ++control.generation;
    moduleState.pollActive = true;
    for (auto& counter : moduleState.pollCounters)
        counter = kCounterStart;
    control.wake.notify_all();
    if (control.threadClaimed)
        return false;  // the running thread takes the new start over
    control.threadClaimed = true;
    return true;
}

void pollThreadNotStarted() {
    std::lock_guard<std::mutex> hold(control.lock);
    control.threadClaimed = false;
    control.settled.notify_all();
}

void pollTick() {
    for (auto& counter : moduleState.pollCounters)
        ++counter;
    std::lock_guard<std::mutex> hold(control.lock);
    ++control.ticks;
    control.wake.notify_all();
}

void stopPolling() {
    std::lock_guard<std::mutex> hold(control.lock);
    moduleState.pollActive = false;
    control.wake.notify_all();
}

void runPollThread() {
    PollRun run = beginRun();
    for (;;) {
        uint64_t ticksBefore;
        bool restart;
        {
            std::lock_guard<std::mutex> hold(control.lock);
            restart = control.generation != run.generation;
            if (!restart && (!moduleState.pollActive || isIdleStep(run.schedule.step))) {
                control.threadClaimed = false;
                control.settled.notify_all();
                return;
            }
            ticksBefore = control.ticks;
        }
        if (restart) {
            run = beginRun();  // a new start came: begin again as a new thread would
            continue;
        }
        PassEnd end = makePass(run);
        if (end == PassEnd::Interrupted)
            continue;
        // Passes follow each other while entries fall due. When nothing was due the counters can
        // change only with a tick; with a decrement of 0 a due entry stays due, so it is asked
        // once per tick rather than in a loop.
        if (end == PassEnd::SomethingDue && run.schedule.decrement > 0)
            continue;
        waitForTickOrStop(run, ticksBefore);
    }
}

bool pollThreadRunning() {
    std::lock_guard<std::mutex> hold(control.lock);
    return control.threadClaimed;
}

bool waitForPollThreadQuiet(unsigned timeoutMs) {
    std::unique_lock<std::mutex> hold(control.lock);
    return control.settled.wait_for(hold, std::chrono::milliseconds(timeoutMs), [] {
        if (!control.threadClaimed)
            return true;
        return control.waiting && control.ticks == control.waitTicks &&
               control.generation == control.waitGeneration && moduleState.pollActive;
    });
}
