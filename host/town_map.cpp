#include "host/town_map.h"

#include <cstdio>
#include <map>
#include <sstream>

namespace {

bool readJunction(const std::string& rest, std::map<std::string, MapPoint>& junctions) {
    char name[64];
    double latitude, longitude;
    char end;
    if (std::sscanf(rest.c_str(), "%63s %lf,%lf %c", name, &latitude, &longitude, &end) != 3)
        return false;
    // Written so that "nan", which sscanf reads, fails too.
    if (!(latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180))
        return false;
    junctions[name] = {latitude, longitude};
    return true;
}

// "NAME: J1 J2 ...": false with the reason.
bool readStreet(const std::string& rest, const std::map<std::string, MapPoint>& junctions,
                TownStreet* street, std::string* why) {
    size_t colon = rest.find(": ");
    if (colon == std::string::npos || colon == 0) {
        *why = "a street is \"street NAME: JUNCTION ...\"";
        return false;
    }
    street->name = rest.substr(0, colon);
    std::istringstream names(rest.substr(colon + 2));
    std::string junction;
    while (names >> junction) {
        auto found = junctions.find(junction);
        if (found == junctions.end()) {
            *why = "no junction " + junction + " (junctions come before the streets)";
            return false;
        }
        street->points.push_back(found->second);
    }
    if (street->points.size() < 2) {
        *why = "a street runs through two junctions or more";
        return false;
    }
    return true;
}

}  // namespace

bool readTownMap(const std::string& text, std::vector<TownStreet>* streets, std::string* error) {
    std::map<std::string, MapPoint> junctions;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t space = line.find(' ');
        std::string kind = line.substr(0, space);
        std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        std::string why;
        if (kind == "junction" && !readJunction(rest, junctions))
            why = "a junction is \"junction NAME LAT,LON\" in degrees";
        if (kind == "street") {
            TownStreet street;
            if (readStreet(rest, junctions, &street, &why))
                streets->push_back(street);
        }
        if (!line.empty() && line[0] != '#' && kind != "junction" && kind != "street" &&
            kind != "route")
            why = "unknown line \"" + kind + "\"";
        if (!why.empty()) {
            *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    return true;
}
