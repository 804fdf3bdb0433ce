#!/usr/bin/env bash
# waytool's exports checked by outside readers: two track files written here byte by byte, turned
# into GPX, KML and GeoJSON by waytool with the device's zone America/Los_Angeles, then
#   schema    the GPX validates against the GPX 1.1 schema subset, and the KML is well-formed XML
#             (xmllint);
#   gpsbabel  gpsbabel reads every format back to the same track points and newest-point
#             waypoints, and the GPX's times as UTC;
#   cli       the command line itself: lists of a device root, exit codes and error texts.
# usage: waytool_formats.sh schema|gpsbabel|cli WAYTOOL XSD
set -euo pipefail

mode=$1
waytool=$2
xsd=$3

for tool in python3 xmllint gpsbabel; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAILED: $tool is missing (scripts/setup.sh installs it)"
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The files, and the points expected back: name, latitude, longitude, date, time, newest.
python3 - <<'PY'
import struct

def record(name, comment, lon, lat, symbol):
    return (name + b"\0" + comment + b"\0" + struct.pack("<ii", lon, lat) + bytes(8) +
            struct.pack("<IBI", 1, 1, symbol))

def track_file(path, points):
    head = bytearray(64)
    head[18:22] = b"\x02\x10\x01\x00"
    body = b"".join(record(n, b"Address: Unknown  Time: " + t, lon, lat, s)
                    for n, t, lon, lat, s in points)
    with open(path, "wb") as f:
        f.write(bytes(head) + struct.pack("<i", len(points)) + body)

track_file("Truck 7(12.8.2002).way", [
    (b"Truck 7.1", b"14:05:09", -1223000000, 476000000, 17),
    (b"Truck 7.2", b"14:06:00", -1223320708, 476062093, 26),
])
# A name with a '(' of its own, Latin-1 and XML's special characters; the south pole, and the
# meridian 180, which GPX writes as -180.
track_file("Van (2)(2.29.2004).way", [
    (b"Van (2).1 <M\xfcller & Co>", b"23:59:58", 1800000000, -900000000, 17),
    (b"Van (2).2", b"23:59:59", 1512093000, -338567800, 29),
])
with open("expected-track.csv", "w", encoding="utf-8") as f:
    f.write("Truck 7.1,47.600000,-122.300000,2002/12/08,22:05:09\n"
            "Truck 7.2,47.606209,-122.332071,2002/12/08,22:06:00\n"
            "Van (2).1 <M\u00fcller & Co>,-90.000000,-180.000000,2004/03/01,07:59:58\n"
            "Van (2).2,-33.856780,151.209300,2004/03/01,07:59:59\n")
with open("expected-waypoints.csv", "w", encoding="utf-8") as f:
    f.write("Truck 7.2,47.606209,-122.332071,2002/12/08,22:06:00\n"
            "Van (2).2,-33.856780,151.209300,2004/03/01,07:59:59\n")
PY

files=("Truck 7(12.8.2002).way" "Van (2)(2.29.2004).way")
"$waytool" gpx --tz America/Los_Angeles "${files[@]}" > out.gpx
"$waytool" kml --tz America/Los_Angeles "${files[@]}" > out.kml
"$waytool" geojson --tz America/Los_Angeles "${files[@]}" > out.json

case $mode in
schema)
    xmllint --noout --schema "$xsd" out.gpx
    xmllint --noout out.kml
    ;;
gpsbabel)
    # waytool writes UTC; gpsbabel writes it back as UTC here. KML and GeoJSON come back without
    # the track points' names and times (KML keeps only the line, GeoJSON reads it as a route),
    # so only their positions are compared.
    export TZ=UTC
    gpsbabel -t -i gpx -f out.gpx -o unicsv,utc=0 -F track.csv
    gpsbabel -w -i gpx -f out.gpx -o unicsv,utc=0 -F waypoints.csv
    gpsbabel -t -i kml -f out.kml -o unicsv,utc=0 -F kml-track.csv
    gpsbabel -w -i kml -f out.kml -o unicsv,utc=0 -F kml-waypoints.csv
    gpsbabel -r -i geojson -f out.json -o unicsv,utc=0 -F geojson-track.csv
    gpsbabel -w -i geojson -f out.json -o unicsv,utc=0 -F geojson-waypoints.csv
    python3 - <<'PY'
import csv, sys

def points(path):
    with open(path, encoding="utf-8", newline="") as f:
        return [(r.get("Name"), float(r["Latitude"]), float(r["Longitude"]), r.get("Date"),
                 r.get("Time")) for r in csv.DictReader(f)]

def expected(path):
    with open(path, encoding="utf-8") as f:
        rows = [line.rstrip("\n").rsplit(",", 4) for line in f]
    return [(n, float(lat), float(lon), d, t) for n, lat, lon, d, t in rows]

def same_longitude(a, b):
    # KML and GeoJSON keep 180 where GPX writes the same meridian as -180.
    return abs(a - b) < 1e-6 or abs(abs(a - b) - 360) < 1e-6

ok = True
for got_path, want_path, whole in (("track.csv", "expected-track.csv", True),
                                   ("waypoints.csv", "expected-waypoints.csv", True),
                                   ("kml-track.csv", "expected-track.csv", False),
                                   ("kml-waypoints.csv", "expected-waypoints.csv", False),
                                   ("geojson-track.csv", "expected-track.csv", False),
                                   ("geojson-waypoints.csv", "expected-waypoints.csv", False)):
    got, want = points(got_path), expected(want_path)
    if len(got) != len(want):
        print(f"FAILED: {got_path}: {len(got)} points, expected {len(want)}")
        ok = False
        continue
    for g, w in zip(got, want):
        # unicsv writes six decimals; waytool wrote seven.
        same = abs(g[1] - w[1]) < 1e-6 and same_longitude(g[2], w[2])
        if whole:
            same = same and g[0] == w[0] and g[3:] == w[3:]
        elif "waypoints" in got_path:
            same = same and g[0] == w[0]
        if not same:
            print(f"FAILED: {got_path}: got {g}, expected {w}")
            ok = False
sys.exit(0 if ok else 1)
PY
    ;;
cli)
    # expect CODE PATTERN COMMAND...: the command exits with CODE and its output matches PATTERN.
    expect() {
        local code=$1 pattern=$2 got=0
        shift 2
        "$@" > output.txt 2>&1 || got=$?
        if [ "$got" -ne "$code" ] || ! grep -q -- "$pattern" output.txt; then
            echo "FAILED: $* exited $got (expected $code), output:"
            cat output.txt
            echo "(expected to match: $pattern)"
            exit 1
        fi
    }
    mkdir -p device/Windows empty
    python3 - <<'PY'
import struct
entry = (bytes([10, 0, 0, 7]) + struct.pack("<fi", 1.0, 500) + b"Truck 7".ljust(52, b"\0") +
         struct.pack("<iii", 2, 1, 0))
with open("device/Windows/zqCDPD", "wb") as f:
    f.write(struct.pack("<iii", 0, 8, 1) + entry)
PY
    expect 0 "1  10.0.0.7  Truck 7      1 min      500 ft      2 yellow  yes      device" \
        "$waytool" lists device
    expect 0 "zq3GTrack: no file" "$waytool" lists device
    expect 1 "neither list file exists" "$waytool" lists empty
    head -c 203 "Truck 7(12.8.2002).way" > "Short(12.8.2002).way"
    expect 1 "^waytool: Short(12.8.2002).way: offset 200: record 2 of 2 (from offset 136)" \
        "$waytool" info "Short(12.8.2002).way"
    expect 1 "^end: truncated: 1 of 2 records whole" "$waytool" info "Short(12.8.2002).way"
    expect 0 "^end: the records end at offset 204, the end of the file" \
        "$waytool" info "Truck 7(12.8.2002).way"
    expect 1 "^waytool: Short(12.8.2002).way: offset 200" \
        "$waytool" geojson "Truck 7(12.8.2002).way" "Short(12.8.2002).way"
    expect 1 "^waytool: missing.way: no such file" "$waytool" gpx missing.way
    expect 2 "^usage: waytool" "$waytool" info
    expect 2 "^usage: waytool" "$waytool" convert x.way
    expect 1 "^waytool: --tz Nowhere/Atlantis: no such time zone" \
        "$waytool" kml --tz Nowhere/Atlantis "Truck 7(12.8.2002).way"
    expect 2 "^usage: waytool" "$waytool" gpx --gap 0 "Truck 7(12.8.2002).way"
    expect 2 "^usage: waytool" "$waytool" gpx --tz
    # The two points lie 51 seconds apart: a gap of one minute keeps them together.
    expect 0 "<time>2002-12-08T22:06:00Z</time>" \
        "$waytool" gpx --gap 1 --tz America/Los_Angeles "Truck 7(12.8.2002).way"
    [ "$(grep -c '<trkseg>' output.txt)" = 1 ] ||
        { echo "FAILED: --gap 1 split the track"; exit 1; }
    ;;
*)
    echo "usage: waytool_formats.sh schema|gpsbabel|cli WAYTOOL XSD"
    exit 2
    ;;
esac
echo "waytool_formats $mode: passed"
