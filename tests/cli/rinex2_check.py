#!/usr/bin/env python3
"""Independent checks of RINEX 2 observation products, for the tool's
end-to-end tests.  It parses the files by itself (nothing shared with the
tool) and exits 1 with a message when a property does not hold.

  rinex2_check.py counts FILE            header records agree with the epochs
  rinex2_check.py window ORIG PROD FROM TO   PROD = ORIG's epochs in [FROM, TO)
  rinex2_check.py decimated ORIG PROD SECONDS  grid kept, no slip lost, rest equal
  rinex2_check.py body FILE              prints the epochs' text (after the header)
"""
import datetime
import gzip
import sys
from collections import Counter

GPS_EPOCH = datetime.datetime(1980, 1, 6)


def fail(message):
    print("rinex2_check: " + message, file=sys.stderr)
    sys.exit(1)


def read_lines(path):
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rb") as handle:
        return handle.read().decode("ascii").splitlines(keepends=True)


def seconds_of(year, month, day, hour, minute, second_text):
    whole, _, fraction = second_text.strip().partition(".")
    fraction = (fraction + "0000000")[:7]
    days = (datetime.datetime(year, month, day) - GPS_EPOCH).days
    ticks = ((days * 86400 + hour * 3600 + minute * 60 + int(whole)) * 10**7) + int(fraction)
    return ticks  # 100 ns ticks


def parse(path):
    """Header lines and epochs: dicts with time, flag, text, obs[(sat, type)] = (present, lli)."""
    lines = read_lines(path)
    header = []
    i = 0
    types = []
    while True:
        line = lines[i]
        header.append(line)
        i += 1
        label = line.rstrip("\r\n")[60:].strip()
        if label == "# / TYPES OF OBSERV":
            body = line[6:60]
            types += [body[k:k + 6].strip() for k in range(0, 54, 6) if body[k:k + 6].strip()]
        if label == "END OF HEADER":
            break
    epochs = []
    while i < len(lines):
        line = lines[i].rstrip("\r\n")
        if not line.strip():
            i += 1
            continue
        start = i
        flag = int(line[28])
        count = int(line[29:32])
        epoch = {"flag": flag, "time": None, "obs": {}}
        if line[:26].strip():
            year = int(line[1:3])
            year += 1900 if year >= 80 else 2000
            epoch["time"] = seconds_of(year, int(line[4:6]), int(line[7:9]), int(line[10:12]),
                                       int(line[13:15]), line[15:26])
        i += 1
        if 2 <= flag <= 5:
            i += count
        else:
            sats = []
            sat_line = line
            for k in range(count):
                if k and k % 12 == 0:
                    sat_line = lines[i].rstrip("\r\n")
                    i += 1
                field = sat_line[32 + 3 * (k % 12):35 + 3 * (k % 12)]
                sats.append((field[0].replace(" ", "G")) + "%02d" % int(field[1:]))
            per_sat = (len(types) + 4) // 5
            for sat in sats:
                for row in range(per_sat):
                    text = lines[i].rstrip("\r\n")
                    i += 1
                    for col in range(5):
                        t = row * 5 + col
                        if t >= len(types):
                            break
                        field = text[16 * col:16 * col + 16].ljust(16)
                        lli = field[14]
                        # A missing observation is blank or 0.0.
                        value = field[:14].strip()
                        epoch["obs"][(sat, types[t])] = (
                            value != "" and float(value) != 0.0, int(lli) if lli.strip() else 0)
        epoch["text"] = "".join(lines[start:i])
        epochs.append(epoch)
    return header, types, epochs


def observation_epochs(epochs):
    return [e for e in epochs if e["flag"] in (0, 1)]


def header_value(header, label):
    return [line for line in header if line.rstrip("\r\n")[60:].strip() == label]


def check_counts(path):
    header, types, epochs = parse(path)
    obs = observation_epochs(epochs)
    if not obs:
        fail(path + ": no observation epoch")

    def time_fields(ticks):
        moment = GPS_EPOCH + datetime.timedelta(microseconds=ticks // 10)
        return (moment.year, moment.month, moment.day, moment.hour, moment.minute,
                moment.second * 10**7 + ticks % 10**7)

    for label, ticks in (("TIME OF FIRST OBS", obs[0]["time"]), ("TIME OF LAST OBS", obs[-1]["time"])):
        found = header_value(header, label)
        if label == "TIME OF FIRST OBS" and not found:
            fail(path + ": no TIME OF FIRST OBS")
        for line in found:
            fields = [int(line[6 * k:6 * k + 6]) for k in range(5)]
            second = line[30:43].strip()
            whole, _, fraction = second.partition(".")
            stated = tuple(fields) + (int(whole) * 10**7 + int((fraction + "0000000")[:7]),)
            wanted = time_fields(ticks)
            shown = 10 ** (7 - min(len(fraction), 7))
            if stated[:5] != wanted[:5] or abs(stated[5] - wanted[5]) >= shown:
                fail("%s: %s says %s, epochs say %s" % (path, label, stated, wanted))
    counts = {}
    for epoch in obs:
        for (sat, obs_type), (present, _) in epoch["obs"].items():
            if present:
                counts.setdefault(sat, Counter())[obs_type] += 1
    sat_lines = header_value(header, "# OF SATELLITES")
    if sat_lines and int(sat_lines[0][:6]) != len(counts):
        fail("%s: # OF SATELLITES %d, epochs have %d" % (path, int(sat_lines[0][:6]), len(counts)))
    prn_lines = header_value(header, "PRN / # OF OBS")
    if prn_lines:
        stated = {}
        current = None
        for line in prn_lines:
            if line[3:6].strip():
                current = line[3].replace(" ", "G") + "%02d" % int(line[4:6])
                stated[current] = []
            stated[current] += [int(line[6 + 6 * k:12 + 6 * k]) for k in range(9)
                                if line[6 + 6 * k:12 + 6 * k].strip()]
        wanted = {sat: [counts[sat][t] for t in types] for sat in counts}
        if stated != wanted:
            fail("%s: PRN / # OF OBS %s, epochs give %s" % (path, stated, wanted))
    interval_lines = header_value(header, "INTERVAL")
    if interval_lines and len(obs) > 1:
        differences = Counter(round((b["time"] - a["time"]) / 10**4)
                              for a, b in zip(obs, obs[1:]))
        top = max(differences.values())
        wanted = min(d for d, n in differences.items() if n == top) / 1000.0
        if abs(float(interval_lines[0][:10]) - wanted) > 1e-9:
            fail("%s: INTERVAL %s, epochs give %s" % (path, interval_lines[0][:10].strip(), wanted))


def parse_iso(text):
    moment = datetime.datetime.fromisoformat(text)
    delta = moment - GPS_EPOCH
    return (delta.days * 86400 + delta.seconds) * 10**7 + delta.microseconds * 10


def check_window(original, product, start, end):
    _, _, orig = parse(original)
    _, _, prod = parse(product)
    wanted = [e["text"] for e in orig if e["time"] is not None and start <= e["time"] < end]
    got = [e["text"] for e in prod if e["time"] is not None]
    if wanted != got:
        fail("%s: %d dated epochs, the window of %s holds %d" % (product, len(got), original, len(wanted)))


def check_decimated(original, product, seconds):
    _, _, orig = parse(original)
    _, _, prod = parse(product)
    step = int(round(seconds * 10**7))
    tolerance = 5 * 10**4  # 0.005 s, the default of --tolerance

    def on_grid(time):
        rest = (time % (7 * 86400 * 10**7)) % step
        return min(rest, step - rest) <= tolerance

    kept_times = set()
    for epoch in observation_epochs(prod):
        if not on_grid(epoch["time"]):
            fail("%s: epoch at tick %d is off the %s s grid" % (product, epoch["time"], seconds))
        kept_times.add(epoch["time"])
    dropped = [e["time"] for e in observation_epochs(orig) if on_grid(e["time"]) and e["time"] not in kept_times]
    if dropped:
        fail("%s: %d epochs on the %s s grid were dropped" % (product, len(dropped), seconds))
    wanted = [e for e in observation_epochs(orig) if e["time"] in kept_times]
    if len(wanted) != len(kept_times):
        fail(product + ": epochs that the original does not have")
    # Every slip of a dropped epoch shows in the next kept epoch with that
    # observation; the kept epochs differ from the original in LLI digits only.
    pending = set()
    by_time = {e["time"]: e for e in observation_epochs(prod)}
    for epoch in observation_epochs(orig):
        kept = by_time.get(epoch["time"])
        if kept is None:
            pending |= {key for key, (_, lli) in epoch["obs"].items() if lli & 1}
            continue
        for key, (present, lli) in epoch["obs"].items():
            got_present, got_lli = kept["obs"][key]
            if got_present != present:
                fail("%s: %s changed" % (product, key))
            if key in pending and present:
                if not got_lli & 1:
                    fail("%s: slip of %s lost at tick %d" % (product, key, epoch["time"]))
                pending.discard(key)
            elif got_lli != lli:
                fail("%s: LLI of %s changed without a slip" % (product, key))


def main():
    command, args = sys.argv[1], sys.argv[2:]
    if command == "counts":
        for path in args:
            check_counts(path)
    elif command == "window":
        check_window(args[0], args[1], parse_iso(args[2]), parse_iso(args[3]))
    elif command == "decimated":
        check_decimated(args[0], args[1], float(args[2]))
    elif command == "body":
        for path in args:
            sys.stdout.write("".join(e["text"] for e in parse(path)[2]))
    else:
        fail("unknown command " + command)


if __name__ == "__main__":
    main()
