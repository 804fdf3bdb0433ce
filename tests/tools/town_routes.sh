#!/usr/bin/env bash
# The demo's routes are the town's: made again from tools/town/town.txt they come out byte for
# byte as tests/data holds them, and no route jumps, neither inside nor where a replay starts
# over (its last fix lies where its first does).
# usage: town_routes.sh SOURCE_ROOT
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$root/tools/make_route.py" --town "$root/tools/town/town.txt" "$work" 2>/dev/null
for made in "$work"/*.nmea; do
    name=$(basename "$made")
    cmp -s "$made" "$root/tests/data/$name" ||
        { echo "FAILED: tests/data/$name is not what the town makes (make_route.py --town)"
          exit 1; }
done
python3 - "$work"/*.nmea <<'PY'
import math, sys

def position(field, hemisphere, degree_digits):
    value = int(field[:degree_digits]) + float(field[degree_digits:]) / 60
    return -value if hemisphere in "SW" else value

ok = True
for path in sys.argv[1:]:
    points = []
    for line in open(path):
        if line.startswith("$GPRMC"):
            f = line.split(",")
            points.append((position(f[3], f[4], 2), position(f[5], f[6], 3)))
    scale = math.cos(math.radians(points[0][0]))
    # Town speeds: at most 50 km/h, a fix a second; the step back to the start is one like it.
    steps = [math.hypot(b[0] - a[0], (b[1] - a[1]) * scale) * 111320
             for a, b in zip(points, points[1:] + points[:1])]
    if max(steps) > 50 / 3.6 + 0.01:
        print("FAILED: %s jumps %.1f m in one second" % (path, max(steps)))
        ok = False
    if steps[-1] > 0.01:
        print("FAILED: %s ends %.1f m from where it starts" % (path, steps[-1]))
        ok = False
sys.exit(0 if ok else 1)
PY
echo "town_routes: passed"
