#!/usr/bin/env python3
"""Writes benchmarks/data/route-stops.nmea: a drive through the demo's town that stops at traffic
lights and parks for ten minutes, one epoch a second, in the sentences of tools/make_route.py
(whose geometry and sentence writer it reuses); a standing fix wanders by a few metres, as a
real receiver's does. The own-report replay measures it beside the demo's steady routes: a real
drive spends much of its time standing still.
"""

import datetime
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import make_route  # noqa: E402

START = datetime.datetime(2026, 12, 10, 13, 0, 0)
# A standing receiver's fix wanders by a few metres: north and east offsets, in metres, in turn.
WOBBLE = [0, 2, -3, 1, -1, 3, -2, 1]
METRES_PER_DEGREE = 111195.0

# (waypoint, km/h to get there, seconds standing there once arrived)
PLAN = [
    ((52.3640, 4.8880), 0, 20),      # engine on, waiting to pull out
    ((52.3680, 4.8882), 30, 45),     # red light
    ((52.3690, 4.8895), 25, 0),
    ((52.3712, 4.8900), 30, 30),     # red light
    ((52.3712, 4.8960), 40, 600),    # parked for ten minutes
    ((52.3690, 4.8960), 30, 40),     # red light
    ((52.3690, 4.8930), 30, 15),     # crossing
    ((52.3690, 4.8905), 30, 0),
    ((52.3655, 4.8905), 35, 0),
]


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "data", "route-stops.nmea")
    when = START
    epochs = 0
    with open(out_path, "w", newline="") as out:
        here, course = PLAN[0][0], 0.0

        def stand(seconds):
            nonlocal when, epochs
            for i in range(seconds):
                north = WOBBLE[i % len(WOBBLE)] / METRES_PER_DEGREE
                east = WOBBLE[(i + 3) % len(WOBBLE)] / (METRES_PER_DEGREE * 0.61)  # cos 52.37
                out.write(make_route.epoch(when, here[0] + north, here[1] + east, course, 0.0,
                                           2.0))
                when += datetime.timedelta(seconds=1)
                epochs += 1

        stand(PLAN[0][2])
        for target, speed, wait in PLAN[1:]:
            track = make_route.Track([here, target])
            metres_per_second = speed / 3.6
            steps = max(1, round(track.total / metres_per_second))
            for n in range(1, steps + 1):
                lat, lon, course = track.at(track.total * n / steps)
                out.write(make_route.epoch(when, lat, lon, course, speed, 2.0))
                when += datetime.timedelta(seconds=1)
                epochs += 1
            here = target
            stand(wait)
    print("%s: %d epochs" % (out_path, epochs), file=sys.stderr)


if __name__ == "__main__":
    main()
