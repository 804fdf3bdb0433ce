// One track-file append on files of 1,000 to 100,000 records, beside one plain read of the same
// file and beside the literal append (a read call per field). Real files in the system's
// temporary folder; each append starts from the same file, restored outside the timing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/literal_track_append.h"
#include "tracklog/track_file.h"
#include "tracklog/track_format.h"

namespace {

const char16_t kPath[] = u"\\My Documents\\Truck 7(12.8.2002).way";
const LocalTime kAt{2002, 12, 0, 8, 14, 5, 9, 0};

// A day's file as the module writes it: records "Truck 7.n", the last one the newest.
std::vector<uint8_t> dayFile(int records) {
    std::vector<uint8_t> file(64, 0);
    file[18] = 0x02;
    file[19] = 0x10;
    file[20] = 1;
    file.resize(68);
    putLe32(file.data() + 64, uint32_t(records));
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

// Puts the file back as it was and on disk, so that an append's flush has only the append's own
// pages to write, as it would in the field.
void restore(const std::vector<uint8_t>& bytes) {
    writeRealFile(kPath, bytes);
    FileHandle file = platformOpenFile(kPath, FileAccess::Read, FileDisposition::OpenExisting);
    platformFlushFile(file);
    platformCloseFile(file);
}

using Append = void (*)(const char*, const LocalTime&, int32_t, int32_t, int32_t);

void runAppend(benchmark::State& state, Append append) {
    files();
    std::vector<uint8_t> start = dayFile(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        restore(start);
        state.ResumeTiming();
        append("Truck 7", kAt, 47345678, -122345678, 2);
    }
    state.counters["bytes"] = double(start.size());
}

void Append_Module(benchmark::State& state) {
    runAppend(state, appendTrackPoint);
}
void Append_Literal(benchmark::State& state) {
    runAppend(state, literalAppendTrackPoint);
}

// The same append with a flush that does not wait for the disk: what is left is the read, the
// walk and the three writes.
void Append_Module_NoFlush(benchmark::State& state) {
    files();
    fakeFiles.flushDoesNothing = true;
    runAppend(state, appendTrackPoint);
    fakeFiles.flushDoesNothing = false;
}

void PlainRead(benchmark::State& state) {
    files();
    std::vector<uint8_t> start = dayFile(int(state.range(0)));
    writeRealFile(kPath, start);
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        FileHandle file = platformOpenFile(kPath, FileAccess::Read, FileDisposition::OpenExisting);
        buffer.resize(size_t(platformFileSize(file)));
        platformReadFile(file, buffer.data(), uint32_t(buffer.size()));
        platformCloseFile(file);
        benchmark::DoNotOptimize(buffer.data());
    }
}

// The walk alone, over bytes already in memory.
void WalkInMemory(benchmark::State& state) {
    std::vector<uint8_t> start = dayFile(int(state.range(0)));
    std::vector<uint64_t> demotions;
    for (auto _ : state) {
        demotions.clear();
        TrackWalk walk = walkTrackFile(start.data(), start.size(), &demotions);
        benchmark::DoNotOptimize(walk);
    }
}

}  // namespace

BENCHMARK(WalkInMemory)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainRead)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Append_Module)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Append_Module_NoFlush)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(Append_Literal)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
