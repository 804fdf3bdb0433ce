#!/usr/bin/env python3
"""Writes NMEA 0183 logs of vehicles driving at a steady speed: one epoch a second, each a GPRMC,
GPGGA and GPGSA sentence (status A, 3D fix), ready for gpsfake to replay through gpsd. Standard
library only.

    make_route.py --town tools/town/town.txt tests/data
        every route of the town (tools/town/town.txt says how one is written) into the folder:
        along its streets, with its stops, ending where it starts;
    make_route.py OUTPUT LAT,LON LAT,LON ... [--start ...] [--speed ...]
        one vehicle along a polyline of waypoints.
"""

# The town's routes in tests/data (town-*.nmea) are made with the first form. The older logs, which
# the tests replay and count, were made with:
# route-north.nmea: make_route.py tests/data/route-north.nmea --start 2026-12-10T12:00:00Z --speed 30 52.3640,4.8880 52.3680,4.8882 52.3690,4.8895 52.3745,4.8898
# route-east.nmea: make_route.py tests/data/route-east.nmea --start 2026-12-10T12:10:00Z --speed 40 52.3712,4.8800 52.3708,4.8870 52.3716,4.8930 52.3714,4.9000
# route-loop.nmea: make_route.py tests/data/route-loop.nmea --start 2026-12-10T12:20:00Z --speed 25 52.3655,4.8905 52.3655,4.8960 52.3690,4.8960 52.3690,4.8905 52.3655,4.8905

import argparse
import datetime
import math
import sys

EARTH_RADIUS_M = 6371000.0
KNOTS_PER_KMH = 1 / 1.852
GEOID_SEPARATION_M = 47.0  # roughly that of the low countries
SATELLITES = ["02", "05", "09", "12", "15", "18", "21", "25"]
PDOP, HDOP, VDOP = "1.6", "0.9", "1.3"


def checksum(body):
    value = 0
    for ch in body.encode("ascii"):
        value ^= ch
    return "%02X" % value


def sentence(body):
    return "$%s*%s\r\n" % (body, checksum(body))


def angle(value, degree_digits, positive, negative):
    """ddmm.mmmmm (or dddmm.mmmmm) and its hemisphere; minutes are rounded before splitting so
    59.999999 never prints as 60."""
    minutes_total = round(abs(value) * 60, 5)
    degrees = int(minutes_total // 60)
    minutes = minutes_total - degrees * 60
    text = "%0*d%08.5f" % (degree_digits, degrees, minutes)
    return text, positive if value >= 0 else negative


class Track:
    """The polyline on a plane tangent at its first waypoint: a town is small enough for that."""

    def __init__(self, waypoints):
        self.lat0, self.lon0 = waypoints[0]
        self.scale_y = math.radians(1) * EARTH_RADIUS_M
        self.scale_x = self.scale_y * math.cos(math.radians(self.lat0))
        self.points = [self.to_plane(p) for p in waypoints]
        self.lengths = [math.dist(a, b) for a, b in zip(self.points, self.points[1:])]
        self.total = sum(self.lengths)

    def to_plane(self, point):
        lat, lon = point
        return ((lon - self.lon0) * self.scale_x, (lat - self.lat0) * self.scale_y)

    def at(self, distance):
        """Latitude, longitude and course (degrees from north) `distance` metres along."""
        segments = list(zip(self.points, self.points[1:]))
        for i, ((a, b), length) in enumerate(zip(segments, self.lengths)):
            if distance <= length or i == len(segments) - 1:
                break
            distance -= length
        f = min(distance / length, 1.0) if length > 0 else 0.0
        x = a[0] + (b[0] - a[0]) * f
        y = a[1] + (b[1] - a[1]) * f
        course = round(math.degrees(math.atan2(b[0] - a[0], b[1] - a[1])), 1) % 360.0
        return self.lat0 + y / self.scale_y, self.lon0 + x / self.scale_x, course


class Town:
    """Junctions, streets through them, and routes from junction to junction (tools/town/)."""

    def __init__(self, path):
        self.junctions, self.streets, self.routes = {}, {}, []
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                try:
                    self.take(line)
                except (ValueError, KeyError) as e:
                    sys.exit("%s:%d: %s" % (path, number, e))

    def take(self, line):
        kind, rest = line.split(" ", 1)
        if kind == "junction":
            name, where = rest.split()
            self.junctions[name] = waypoint(where)
        elif kind == "street":
            name, names = rest.split(": ", 1)
            names = names.split()
            for n in names:
                self.junctions[n]
            self.streets[name] = names
        elif kind == "route":
            head, steps = rest.split(": ", 1)
            output, speed, start = head.rsplit(" ", 2)
            stops = [step.split("/") + ["0"] for step in steps.split()]
            self.routes.append((output, float(speed), start_time(start),
                                [(j, int(pause)) for j, pause, *_ in stops]))
        else:
            raise ValueError("unknown line %r" % kind)

    def street_between(self, a, b):
        for name, names in self.streets.items():
            for x, y in zip(names, names[1:]):
                if (x, y) in ((a, b), (b, a)):
                    return name
        return None

    def check(self, output, steps):
        names = [j for j, _ in steps]
        for j in names:
            if j not in self.junctions:
                sys.exit("%s: no junction %s" % (output, j))
        if names[0] != names[-1]:
            sys.exit("%s: ends at %s, not where it starts (%s)" % (output, names[-1], names[0]))
        for a, b in zip(names, names[1:]):
            if self.street_between(a, b) is None:
                sys.exit("%s: no street runs from %s straight to %s" % (output, a, b))


def drive(track, stops, metres_per_second):
    """(distance, speed factor) for each second: along the track at a steady speed, standing at
    the distances in `stops` ((distance, seconds), in order) as long as each says."""
    seconds, distance, pending = [], 0.0, list(stops)
    while True:
        if pending and pending[0][0] <= distance + metres_per_second:
            at, pause = pending.pop(0)
            seconds.append((at, 1.0 if not seconds else 0.0))
            seconds.extend([(at, 0.0)] * pause)
            distance = at
            if at >= track.total:
                return seconds
            continue
        distance += metres_per_second
        if distance >= track.total:
            seconds.append((track.total, 1.0))
            return seconds
        seconds.append((distance, 1.0))


def write_town_routes(town, folder, altitude):
    for output, speed, start, steps in town.routes:
        town.check(output, steps)
        track = Track([town.junctions[j] for j, _ in steps])
        ends = [0.0]
        for length in track.lengths:
            ends.append(ends[-1] + length)
        stops = [(ends[i], pause) for i, (_, pause) in enumerate(steps) if pause > 0]
        path = "%s/%s" % (folder, output)
        seconds = [(0.0, 1.0)] + drive(track, stops, speed / 3.6)
        with open(path, "w", newline="") as out:
            for n, (distance, moving) in enumerate(seconds):
                lat, lon, course = track.at(distance)
                when = start + datetime.timedelta(seconds=n)
                out.write(epoch(when, lat, lon, course, speed * moving, altitude))
        print("%s: %d epochs, %.0f m" % (path, len(seconds), track.total), file=sys.stderr)


def epoch(when, lat, lon, course, speed_kmh, altitude):
    clock = when.strftime("%H%M%S") + ".00"
    date = when.strftime("%d%m%y")
    lat_text, ns = angle(lat, 2, "N", "S")
    lon_text, ew = angle(lon, 3, "E", "W")
    knots = "%.3f" % (speed_kmh * KNOTS_PER_KMH)
    rmc = "GPRMC,%s,A,%s,%s,%s,%s,%s,%.1f,%s,,,A" % (
        clock, lat_text, ns, lon_text, ew, knots, course, date)
    gga = "GPGGA,%s,%s,%s,%s,%s,1,%02d,%s,%.1f,M,%.1f,M,," % (
        clock, lat_text, ns, lon_text, ew, len(SATELLITES), HDOP, altitude, GEOID_SEPARATION_M)
    used = SATELLITES + [""] * (12 - len(SATELLITES))
    gsa = "GPGSA,A,3,%s,%s,%s,%s" % (",".join(used), PDOP, HDOP, VDOP)
    return sentence(rmc) + sentence(gga) + sentence(gsa)


def waypoint(text):
    try:
        lat, lon = (float(v) for v in text.split(","))
    except ValueError:
        raise argparse.ArgumentTypeError("waypoint %r is not LAT,LON" % text)
    if abs(lat) > 90 or abs(lon) > 180:
        raise argparse.ArgumentTypeError("waypoint %r is off the globe" % text)
    return lat, lon


def start_time(text):
    try:
        return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ")
    except ValueError:
        raise argparse.ArgumentTypeError("start %r is not YYYY-MM-DDTHH:MM:SSZ" % text)


def main():
    parser = argparse.ArgumentParser(description=" ".join(__doc__.split("\n\n")[0].split()))
    parser.add_argument("output", help="NMEA log to write (with --town: the folder)")
    parser.add_argument("waypoints", nargs="*", type=waypoint, help="LAT,LON in degrees")
    parser.add_argument("--town", help="a town file: write every route of it")
    parser.add_argument("--start", type=start_time, default=start_time("2026-12-10T12:00:00Z"),
                        help="UTC time of the first epoch, YYYY-MM-DDTHH:MM:SSZ")
    parser.add_argument("--speed", type=float, default=30.0, help="km/h (default 30)")
    parser.add_argument("--altitude", type=float, default=2.0,
                        help="metres above mean sea level (default 2)")
    args = parser.parse_args()
    if args.town:
        write_town_routes(Town(args.town), args.output, args.altitude)
        return
    if len(args.waypoints) < 2 or args.speed <= 0:
        parser.error("need two waypoints or more and a positive speed")

    track = Track(args.waypoints)
    metres_per_second = args.speed / 3.6
    epochs = math.ceil(track.total / metres_per_second) + 1
    with open(args.output, "w", newline="") as out:
        for n in range(epochs):
            lat, lon, course = track.at(min(n * metres_per_second, track.total))
            when = args.start + datetime.timedelta(seconds=n)
            out.write(epoch(when, lat, lon, course, args.speed, args.altitude))
    print("%s: %d epochs, %.0f m" % (args.output, epochs, track.total), file=sys.stderr)


if __name__ == "__main__":
    main()
