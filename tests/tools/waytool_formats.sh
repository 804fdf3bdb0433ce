#!/usr/bin/env bash
# waytool's GPX checked by outside readers: two track files written here byte by byte, turned into
# GPX by waytool, then
#   schema    the GPX validates against the GPX 1.1 schema subset (xmllint);
#   gpsbabel  gpsbabel reads it back to the same track points and newest-point waypoints;
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
    f.write("Truck 7.1,47.600000,-122.300000,2002/12/08,14:05:09\n"
            "Truck 7.2,47.606209,-122.332071,2002/12/08,14:06:00\n"
            "Van (2).1 <M\u00fcller & Co>,-90.000000,-180.000000,2004/02/29,23:59:58\n"
            "Van (2).2,-33.856780,151.209300,2004/02/29,23:59:59\n")
with open("expected-waypoints.csv", "w", encoding="utf-8") as f:
    f.write("Truck 7.2,47.606209,-122.332071,2002/12/08,14:06:00\n"
            "Van (2).2,-33.856780,151.209300,2004/02/29,23:59:59\n")
PY

"$waytool" gpx "Truck 7(12.8.2002).way" "Van (2)(2.29.2004).way" > out.gpx

case $mode in
schema)
    xmllint --noout --schema "$xsd" out.gpx
    ;;
gpsbabel)
    # waytool writes local times without a zone; gpsbabel takes them as UTC, and writes them back
    # as UTC here, so the clock times come back unchanged.
    export TZ=UTC
    gpsbabel -t -i gpx -f out.gpx -o unicsv,utc=0 -F track.csv
    gpsbabel -w -i gpx -f out.gpx -o unicsv,utc=0 -F waypoints.csv
    python3 - <<'PY'
import csv, sys

def points(path):
    with open(path, encoding="utf-8", newline="") as f:
        return [(r["Name"], float(r["Latitude"]), float(r["Longitude"]), r["Date"], r["Time"])
                for r in csv.DictReader(f)]

def expected(path):
    with open(path, encoding="utf-8") as f:
        rows = [line.rstrip("\n").rsplit(",", 4) for line in f]
    return [(n, float(lat), float(lon), d, t) for n, lat, lon, d, t in rows]

ok = True
for got_path, want_path in (("track.csv", "expected-track.csv"),
                            ("waypoints.csv", "expected-waypoints.csv")):
    got, want = points(got_path), expected(want_path)
    if len(got) != len(want):
        print(f"FAILED: {got_path}: {len(got)} points, expected {len(want)}")
        ok = False
        continue
    for g, w in zip(got, want):
        # unicsv writes six decimals; waytool wrote seven.
        same = (g[0] == w[0] and abs(g[1] - w[1]) < 1e-6 and abs(g[2] - w[2]) < 1e-6 and
                g[3:] == w[3:])
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
    ;;
*)
    echo "usage: waytool_formats.sh schema|gpsbabel|cli WAYTOOL XSD"
    exit 2
    ;;
esac
echo "waytool_formats $mode: passed"
