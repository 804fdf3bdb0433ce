// See track_bytes.h.
#include "tests/core/track_bytes.h"

#include <utility>

#include "module/module_state.h"
#include "tests/core/fake_files.h"
#include "tests/core/fake_platform.h"
#include "tracklog/track_memory.h"

TrackRecordFields trackRecord(std::string name, uint32_t symbol, uint8_t symbolFlag) {
    TrackRecordFields r;
    r.name = std::move(name);
    r.symbol = symbol;
    r.symbolFlag = symbolFlag;
    return r;
}

void appendLe32(TrackBytes& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

TrackBytes newTrackHead(int32_t count) {
    TrackBytes b(64, 0);
    b[18] = 0x02;
    b[19] = 0x10;
    b[20] = 0x01;
    appendLe32(b, uint32_t(count));
    return b;
}

void appendTrackRecord(TrackBytes& b, const TrackRecordFields& r) {
    b.insert(b.end(), r.name.begin(), r.name.end());
    b.push_back(0);
    b.insert(b.end(), r.comment.begin(), r.comment.end());
    b.push_back(0);
    appendLe32(b, uint32_t(r.longitude));
    appendLe32(b, uint32_t(r.latitude));
    b.insert(b.end(), r.shortTexts.begin(), r.shortTexts.end());
    appendLe32(b, r.word);
    b.push_back(r.symbolFlag);
    if (r.symbolFlag != 0)
        appendLe32(b, r.symbol);
}

TrackBytes trackBytes(TrackBytes head, const std::vector<TrackRecordFields>& records) {
    for (const TrackRecordFields& r : records)
        appendTrackRecord(head, r);
    return head;
}

std::string startTrackFiles() {
    resetFakePlatform();
    std::string root = makeTestRoot();
    resetFakeFiles(root);
    forgetTrackFiles();
    const std::u16string folder = u"\\My Documents";
    std::copy(folder.c_str(), folder.c_str() + folder.size() + 1, moduleState.documentsFolder);
    return root;
}
