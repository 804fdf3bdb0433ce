// One track-file append on day files of 100 to 1,000,000 records, through the native file
// functions of tests/core over real files in the system's temporary folder:
//   AppendWarm      the file is as the module's last append left it (the common case);
//   AppendCold      another program touched the file since, so the append walks it all;
//   PlainRead       one sequential read of the whole file into memory, the cold walk's yardstick;
//   WriteFlushOnly  the bare write of one record's bytes and the count, and one flush: the floor
//                   of any append.
// The _NoFlush rows take the flush's wait for the disk out, leaving the reads, the walk and the
// writes. Every append starts from the same file, restored outside the timing; only the cold rows
// re-stamp it, so the warm rows find the file as the module left it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "benchmarks/bench_files.h"
#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"
#include "tracklog/track_memory.h"

namespace {

const char16_t kPath[] = u"\\My Documents\\Truck 7(12.8.2002).way";
const LocalTime kAt{2002, 12, 0, 8, 14, 5, 9, 0};

// A day's file as the module writes it: records "Truck 7.n", the last one the newest.
std::vector<uint8_t> dayFile(int records) {
    std::vector<uint8_t> file(64, 0);
    for (int i = 0; i < 3; ++i)
        putLe16(file.data() + kTrackHeaderWordOffsets[i], kNewTrackHeaderWords[i]);
    file.resize(kTrackRecordsOffset);
    putLe32(file.data() + kTrackCountOffset, uint32_t(records));
    for (int i = 1; i <= records; ++i) {
        LocalTime at{
            2002, 12, 0, 8, uint16_t(i / 600 % 24), uint16_t(i / 10 % 60), uint16_t(i * 6 % 60), 0};
        encodeTrackRecord(file, "Truck 7", i, at, -1223456780 + i, 473456780 + i,
                          i == records ? 26 : kTrackPointSymbol);
    }
    return file;
}

struct Files {
    std::string root;
    Files() {
        root = makeTestRoot();
        resetFakeFiles(root);
        std::u16string folder = u"\\My Documents";
        std::copy(folder.begin(), folder.end(), moduleState.documentsFolder);
    }
    ~Files() { removeTestRoot(root); }
};

Files& files() {
    static Files f;
    return f;
}

void writeFlushed(const std::vector<uint8_t>& bytes) { writeDayFile(kPath, bytes); }

// Undoes one append in place (the record cut off, the count and the old newest symbol put
// back), so the file is back to `start`'s bytes without being rewritten whole.
void undoAppend(const std::vector<uint8_t>& start) {
    FileHandle file = platformOpenFile(kPath, FileAccess::ReadWrite, FileDisposition::OpenExisting);
    platformSeekFile(file, kTrackCountOffset, FileOrigin::Begin);
    platformWriteFile(file, start.data() + kTrackCountOffset, 4);
    platformSeekFile(file, int64_t(start.size() - 4), FileOrigin::Begin);
    platformWriteFile(file, start.data() + start.size() - 4, 4);
    platformCloseFile(file);
    ::truncate(realPath(kPath).c_str(), off_t(start.size()));
}

void runAppend(benchmark::State& state, bool warm, bool flush) {
    files();
    fakeFiles.flushDoesNothing = !flush;
    std::vector<uint8_t> start = dayFile(int(state.range(0)));
    writeFlushed(start);
    forgetTrackFiles();
    if (warm) {
        // One append teaches the module the file; undoing it by hand would look like another
        // writer, so each timed append is undone by the module's own next one: the file grows
        // by one record per iteration, which is nothing beside its size.
        appendTrackPoint("Truck 7", kAt, 47345678, -122345678, 2);
    }
    uint64_t lastWrite = 0;
    for (auto _ : state) {
        if (!warm) {
            state.PauseTiming();
            undoAppend(start);
            // Another program's touch: a new last-write time.
            setRealFileLastWrite(kPath, ++lastWrite * 1000000000u);
            state.ResumeTiming();
        }
        appendTrackPoint("Truck 7", kAt, 47345678, -122345678, 2);
    }
    fakeFiles.flushDoesNothing = false;
    state.counters["bytes"] = double(start.size());
}

void AppendWarm(benchmark::State& state) { runAppend(state, true, true); }
void AppendWarm_NoFlush(benchmark::State& state) { runAppend(state, true, false); }
void AppendCold(benchmark::State& state) { runAppend(state, false, true); }
void AppendCold_NoFlush(benchmark::State& state) { runAppend(state, false, false); }

void PlainRead(benchmark::State& state) {
    files();
    std::vector<uint8_t> start = dayFile(int(state.range(0)));
    writeFlushed(start);
    std::vector<uint8_t> buffer(start.size());
    for (auto _ : state) {
        FileHandle file = platformOpenFile(kPath, FileAccess::Read, FileDisposition::OpenExisting);
        size_t got = 0;
        int32_t n = 1;
        while (got < buffer.size() && n > 0) {
            n = platformReadFile(file, buffer.data() + got, uint32_t(buffer.size() - got));
            got += n > 0 ? size_t(n) : 0;
        }
        platformCloseFile(file);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["bytes"] = double(start.size());
}

// One record's bytes written at the end of an open file, the count at 64, one flush: what an
// append cannot do without. The file is the 100-record day, opened once, and grows by a record
// per iteration as it would by appends.
void WriteFlushOnly(benchmark::State& state) {
    files();
    std::vector<uint8_t> start = dayFile(100);
    writeFlushed(start);
    std::vector<uint8_t> record;
    encodeTrackRecord(record, "Truck 7", 101, kAt, -1223456780, 473456780, 26);
    uint8_t count[4];
    putLe32(count, 101);
    FileHandle file = platformOpenFile(kPath, FileAccess::ReadWrite, FileDisposition::OpenExisting);
    int64_t end = int64_t(start.size());
    for (auto _ : state) {
        platformSeekFile(file, end, FileOrigin::Begin);
        platformWriteFile(file, record.data(), uint32_t(record.size()));
        end += int64_t(record.size());
        platformFlushFile(file);
        platformSeekFile(file, kTrackCountOffset, FileOrigin::Begin);
        platformWriteFile(file, count, sizeof count);
    }
    platformCloseFile(file);
}

}  // namespace

#define TRACK_SIZES ->Arg(100)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)
BENCHMARK(AppendWarm) TRACK_SIZES;
BENCHMARK(AppendWarm_NoFlush) TRACK_SIZES;
BENCHMARK(AppendCold) TRACK_SIZES;
BENCHMARK(AppendCold_NoFlush) TRACK_SIZES;
BENCHMARK(PlainRead) TRACK_SIZES;
BENCHMARK(WriteFlushOnly)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
