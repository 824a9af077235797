#!/usr/bin/env python3
"""Writes the synthetic sample observation files of resources/samples/.

Each file holds hourly radio meteor counts made up from the activity model
the program fits: a shower profile (exponential rise to a maximum, then
exponential decay) seen through an hour-of-day visibility, on top of a
sporadic background with a daily wave, with Poisson noise. The seeds are
fixed, so running the script again gives the same files.

    python3 tools/make_samples.py
"""
import datetime
import math
import os
import random

HEADER = "Date\t\tHour\tSum\tN1\tN2\tN3\tN4\tN5\tN6\tN7\tN8\tN9\tN10"


def poisson(rng, mean):
    # Knuth's method, split for large means so exp() does not underflow.
    total = 0
    while mean > 30:
        total += poisson(rng, 30)
        mean -= 30
    limit, k, p = math.exp(-mean), 0, 1.0
    while True:
        p *= rng.random()
        if p <= limit:
            return total + k
        k += 1


def thin(rng, count, p):
    return sum(1 for _ in range(count) if rng.random() < p)


def write(name, start, days, peak_offset, a, b, maximum, sporadic, radiant_hour, seed):
    rng = random.Random(seed)
    lines = [HEADER]
    for j in range(days * 24):
        day = start + datetime.timedelta(hours=j)
        hour = day.hour
        # Sporadic echoes peak in the early morning hours.
        background = sporadic * (1.0 + 0.5 * math.cos(2 * math.pi * (hour - 6) / 24))
        x = math.exp((j - peak_offset) / a) if j <= peak_offset else math.exp((peak_offset - j) / b)
        # The shower is seen best when its radiant stands high.
        visibility = 0.25 + 0.75 * max(0.0, math.cos(2 * math.pi * (hour - radiant_hour) / 24))
        total = poisson(rng, background + maximum * x * visibility)
        fields = [day.strftime("%d.%m.%Y"), str(hour), str(total)]
        fields += [str(thin(rng, total, p)) for p in (0.5, 0.25, 0.1)]
        fields += [""] * 7
        lines.append("\t".join(fields))
    path = os.path.join(os.path.dirname(__file__), "..", "resources", "samples", name)
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    write("geminids_2008.txt", datetime.datetime(2008, 12, 8), 10, 146, 30, 14, 120, 25, 2, 2008)
    write("perseids_2009.txt", datetime.datetime(2009, 8, 7), 10, 130, 40, 20, 90, 30, 5, 2009)
    write("quadrantids_2009.txt", datetime.datetime(2009, 1, 1), 5, 60, 8, 6, 150, 20, 8, 2010)
