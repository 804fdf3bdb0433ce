#include "host/map_view_win.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "host/map_labels.h"

namespace {

const COLORREF kTrackColours[6] = {RGB(200, 30, 30),  RGB(20, 150, 40),  RGB(190, 160, 0),
                                   RGB(30, 60, 210),  RGB(0, 160, 170),  RGB(190, 30, 180)};
const COLORREF kLand = RGB(238, 234, 222);
const COLORREF kRoadEdge = RGB(200, 192, 176);
const COLORREF kRoad = RGB(255, 255, 255);
const COLORREF kStreetText = RGB(120, 108, 92);
const COLORREF kText = RGB(40, 40, 40);

int iconOf(const MapTrack& track) {
    return track.icon >= 0 && track.icon < 6 ? track.icon : 0;
}

// A pen with round ends and joins, so thick lines meet without notches.
HPEN roundPen(int width, COLORREF colour) {
    LOGBRUSH brush{BS_SOLID, colour, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                        static_cast<DWORD>(width), &brush, 0, nullptr);
}

void polyline(HDC dc, const std::vector<POINT>& line, int width, COLORREF colour) {
    if (line.size() < 2)
        return;
    HPEN pen = roundPen(width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, line.data(), static_cast<int>(line.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
}

template <typename Points>
std::vector<POINT> pixels(const MapProjection& projection, const Points& points, const RECT& map) {
    std::vector<POINT> line;
    for (const MapPoint& p : points) {
        int x, y;
        project(projection, p, &x, &y);
        line.push_back({map.left + x, map.top + y});
    }
    return line;
}

// The GUI font, and the same in bold or italic.
struct Fonts {
    HFONT normal, bold, italic;
};

Fonts makeFonts() {
    LOGFONTW face{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    face.lfHeight = -12;
    Fonts fonts;
    fonts.normal = CreateFontIndirectW(&face);
    face.lfWeight = FW_BOLD;
    fonts.bold = CreateFontIndirectW(&face);
    face.lfWeight = FW_NORMAL;
    face.lfItalic = TRUE;
    fonts.italic = CreateFontIndirectW(&face);
    return fonts;
}

void freeFonts(const Fonts& fonts) {
    DeleteObject(fonts.normal);
    DeleteObject(fonts.bold);
    DeleteObject(fonts.italic);
}

SIZE textSize(HDC dc, HFONT font, const std::wstring& text) {
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    return size;
}

void text(HDC dc, HFONT font, COLORREF colour, int x, int y, const std::wstring& line) {
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    TextOutW(dc, x, y, line.c_str(), static_cast<int>(line.size()));
    SelectObject(dc, old);
}

// A label's anchor on a street: the middle of its longest piece.
POINT streetMiddle(const std::vector<POINT>& line) {
    size_t best = 0;
    long bestLength = -1;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        long dx = line[i + 1].x - line[i].x, dy = line[i + 1].y - line[i].y;
        if (dx * dx + dy * dy > bestLength) {
            bestLength = dx * dx + dy * dy;
            best = i;
        }
    }
    return {(line[best].x + line[best + 1].x) / 2, (line[best].y + line[best + 1].y) / 2};
}

// The scale bar in the map's lower left corner; returns the box it takes.
LabelBox paintScaleBar(HDC dc, const MapProjection& projection, const RECT& map,
                       const Fonts& fonts) {
    ScaleBar bar = scaleBar(projection, 140);
    int x = map.left + 16, y = map.bottom - 16;
    std::wstring caption = bar.metres >= 1000 ? std::to_wstring(bar.metres / 1000) + L" km"
                                              : std::to_wstring(bar.metres) + L" m";
    SIZE size = textSize(dc, fonts.normal, caption);
    RECT back{x - 6, y - size.cy - 10, x + bar.pixels + 8, y + 6};
    HBRUSH brush = CreateSolidBrush(RGB(250, 248, 242));
    FillRect(dc, &back, brush);
    DeleteObject(brush);
    HPEN pen = CreatePen(PS_SOLID, 2, kText);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x, y - 5, nullptr);
    LineTo(dc, x, y);
    LineTo(dc, x + bar.pixels, y);
    LineTo(dc, x + bar.pixels, y - 5);
    SelectObject(dc, old);
    DeleteObject(pen);
    text(dc, fonts.normal, kText, x + (bar.pixels - size.cx) / 2, y - size.cy - 6, caption);
    return {back.left, back.top, back.right, back.bottom};
}

// Small boxes along each track's line, so that no street name is written across a track.
std::vector<LabelBox> lineBoxes(const std::vector<std::vector<POINT>>& lines) {
    std::vector<LabelBox> boxes;
    for (const std::vector<POINT>& line : lines) {
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            int dx = line[i + 1].x - line[i].x, dy = line[i + 1].y - line[i].y;
            int steps = std::max(std::abs(dx), std::abs(dy)) / 3 + 1;
            for (int k = 0; k <= steps; ++k) {
                int x = line[i].x + dx * k / steps, y = line[i].y + dy * k / steps;
                boxes.push_back({x - 3, y - 3, x + 4, y + 4});
            }
        }
    }
    return boxes;
}

void paintTrackLabel(HDC dc, const LabelBox& b, const MapTrack& track, const Fonts& fonts) {
    HBRUSH fill = CreateSolidBrush(RGB(255, 255, 250));
    HPEN edge = CreatePen(PS_SOLID, 1, kTrackColours[iconOf(track)]);
    HGDIOBJ oldBrush = SelectObject(dc, fill), oldPen = SelectObject(dc, edge);
    Rectangle(dc, b.left, b.top, b.right, b.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(fill);
    DeleteObject(edge);
    text(dc, fonts.bold, kText, b.left + 4, b.top + 2, widen(track.name));
}

// The tracks' names first, beside their newest points, clear of every icon; then the streets'
// names where they cover neither those nor a track's line.
void paintLabels(HDC dc, const MapProjection& projection, const RECT& map, const MapView& view,
                 const std::vector<std::vector<POINT>>& lines, LabelBox scale,
                 const Fonts& fonts) {
    LabelBox area{map.left, map.top, map.right, map.bottom};
    std::vector<LabelRequest> names;
    std::vector<LabelBox> obstacles = {scale};
    for (size_t i = 0; i < view.tracks.size(); ++i) {
        POINT newest = lines[i].back();
        SIZE size = textSize(dc, fonts.bold, widen(view.tracks[i].name));
        names.push_back({newest.x, newest.y, size.cx + 8, size.cy + 4, 11});
        obstacles.push_back({newest.x - 9, newest.y - 9, newest.x + 9, newest.y + 9});
    }
    std::vector<LabelPlace> placed = placeLabels(names, obstacles, area);
    for (size_t i = 0; i < placed.size(); ++i) {
        if (placed[i].placed) {
            paintTrackLabel(dc, placed[i].box, view.tracks[i], fonts);
            obstacles.push_back(placed[i].box);
        }
    }

    std::vector<LabelBox> lineObstacles = lineBoxes(lines);
    obstacles.insert(obstacles.end(), lineObstacles.begin(), lineObstacles.end());
    std::vector<LabelRequest> streets;
    for (const TownStreet& street : view.streets) {
        POINT middle = streetMiddle(pixels(projection, street.points, map));
        SIZE size = textSize(dc, fonts.italic, widen(street.name));
        streets.push_back({middle.x, middle.y, size.cx, size.cy, 6});
    }
    placed = placeLabels(streets, obstacles, area);
    for (size_t i = 0; i < placed.size(); ++i) {
        if (placed[i].placed)
            text(dc, fonts.italic, kStreetText, placed[i].box.left, placed[i].box.top,
                 widen(view.streets[i].name));
    }
}

void paintLegend(HDC dc, const RECT& legend, const MapView& view, int64_t nowLocal,
                 const Fonts& fonts) {
    HBRUSH back = CreateSolidBrush(RGB(250, 249, 245));
    FillRect(dc, &legend, back);
    DeleteObject(back);
    HPEN edge = CreatePen(PS_SOLID, 1, kRoadEdge);
    HGDIOBJ old = SelectObject(dc, edge);
    MoveToEx(dc, legend.left, legend.top, nullptr);
    LineTo(dc, legend.left, legend.bottom);
    SelectObject(dc, old);
    DeleteObject(edge);

    int x = legend.left + 14, y = legend.top + 14;
    text(dc, fonts.bold, kText, x, y, L"Tracks of the day");
    y += 28;
    if (view.tracks.empty())
        text(dc, fonts.normal, kText, x, y, L"No positions yet");
    for (const MapTrack& track : view.tracks) {
        int icon = iconOf(track);
        DrawIconEx(dc, x, y + 1, view.icons[icon], 16, 16, 0, nullptr, DI_NORMAL);
        polyline(dc, {{x + 22, y + 9}, {x + 44, y + 9}}, 4, kTrackColours[icon]);
        text(dc, fonts.bold, kText, x + 52, y + 2, widen(track.name));
        std::string points = std::to_string(track.points.size()) +
                             (track.points.size() == 1 ? " point" : " points");
        std::string age = track.timed ? ", newest " + ageText(nowLocal - track.newestLocal) : "";
        text(dc, fonts.normal, RGB(90, 90, 90), x + 52, y + 19, widen(points + age));
        y += 46;
    }
}

}  // namespace

std::wstring widen(const std::string& text) {
    std::wstring wide;
    for (unsigned char c : text)
        wide.push_back(c);
    return wide;
}

void paintMapView(HDC dc, const RECT& map, const RECT& legend, const MapView& view,
                  int64_t nowLocal) {
    HBRUSH land = CreateSolidBrush(kLand);
    FillRect(dc, &map, land);
    DeleteObject(land);

    std::vector<MapPoint> everything;
    for (const TownStreet& street : view.streets)
        everything.insert(everything.end(), street.points.begin(), street.points.end());
    for (const MapTrack& track : view.tracks)
        everything.insert(everything.end(), track.points.begin(), track.points.end());
    MapProjection projection =
        fitProjection(everything, map.right - map.left, map.bottom - map.top);

    // Roads: a darker edge under a white surface, every edge first so crossings stay open.
    for (const TownStreet& street : view.streets)
        polyline(dc, pixels(projection, street.points, map), 13, kRoadEdge);
    for (const TownStreet& street : view.streets)
        polyline(dc, pixels(projection, street.points, map), 10, kRoad);

    // Each later track a little thinner, so one that runs on another (the same vehicle heard
    // twice) still shows the one under it.
    std::vector<std::vector<POINT>> lines;
    for (size_t i = 0; i < view.tracks.size(); ++i) {
        const MapTrack& track = view.tracks[i];
        lines.push_back(pixels(projection, track.points, map));
        int width = std::max(6 - static_cast<int>(i), 2);
        polyline(dc, lines.back(), width, kTrackColours[iconOf(track)]);
    }
    for (size_t i = 0; i < view.tracks.size(); ++i)
        DrawIconEx(dc, lines[i].back().x - 8, lines[i].back().y - 8,
                   view.icons[iconOf(view.tracks[i])], 16, 16, 0, nullptr, DI_NORMAL);

    Fonts fonts = makeFonts();
    LabelBox scale = paintScaleBar(dc, projection, map, fonts);
    paintLabels(dc, projection, map, view, lines, scale, fonts);
    paintLegend(dc, legend, view, nowLocal, fonts);
    freeFonts(fonts);
}
