// What waytool reads out of names and comments: the day in a track file's name, the time of day in
// a record's comment, and the target's name in front of the date.
#include "tools/waytool_names.h"

#include <cstdio>
#include <string_view>

#include "tools/waytool_text.h"

namespace {

// Between `fewest` and `most` decimal digits at `at`, then the text `after`; moves past both.
bool readField(std::string_view text, size_t& at, size_t fewest, size_t most,
               std::string_view after, int* value) {
    size_t start = at;
    *value = 0;
    while (at < text.size() && at - start < most && text[at] >= '0' && text[at] <= '9')
        *value = *value * 10 + (text[at++] - '0');
    if (at - start < fewest || text.substr(at, after.size()) != after)
        return false;
    at += after.size();
    return true;
}

}  // namespace

bool trackFileDay(const std::string& path, int* year, int* month, int* day) {
    std::string name = lastPathPart(path);
    size_t paren = name.rfind('(');
    if (paren == std::string::npos)
        return false;
    std::string_view date = std::string_view(name).substr(paren + 1);
    size_t at = 0;
    if (!readField(date, at, 1, 2, ".", month) || !readField(date, at, 1, 2, ".", day) ||
        !readField(date, at, 4, 4, ").way", year) || at != date.size())
        return false;
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    return *year >= 1 && *month >= 1 && *month <= 12 && *day >= 1 &&
           *day <= kDays[*month - 1] && (*month != 2 || *day != 29 || leap);
}

bool commentTime(const std::string& comment, int* hour, int* minute, int* second) {
    size_t label = comment.rfind("Time: ");
    if (label == std::string::npos)
        return false;
    std::string_view time = std::string_view(comment).substr(label + 6);
    size_t at = 0;
    if (!readField(time, at, 2, 2, ":", hour) || !readField(time, at, 2, 2, ":", minute) ||
        !readField(time, at, 2, 2, "", second) || at != time.size())
        return false;
    return *hour <= 23 && *minute <= 59 && *second <= 59;
}
std::string isoDate(int year, int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string trackTitle(const std::string& fileName) {
    size_t paren = fileName.rfind('(');
    if (paren != std::string::npos)
        return fileName.substr(0, paren);
    size_t dot = fileName.rfind('.');
    return dot != std::string::npos && fileName.compare(dot, std::string::npos, ".way") == 0
               ? fileName.substr(0, dot)
               : fileName;
}
