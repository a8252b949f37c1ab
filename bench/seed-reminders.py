#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a data folder with stored reminders (and optionally pending ones) for the benchmark and
the demo: Reminders.plist in the app's own line form, and a settings file."""
import argparse
import datetime
import plistlib
import sys


def line(kind, ident, link, when, repeat, title):
    stamp = when.strftime("%Y-%m-%d %H:%M:%S")
    return (f"Type:{kind}` ID:{ident}` PageID:{ident}` Link:{link}` Time:{stamp}` "
            f"Recurrence:{1 if repeat else 0}` Title:{title}`")


def reminders(count, start, step_minutes):
    out = []
    for i in range(count):
        ident = f"0-{i:08x}a1b2c3d4e5f6!1-{i:04X}"
        link = f"onenote:https://d.docs.live.net/notes/Bench.one#p{i}&section-id={{AB-{i}}}&page-id={{CD-{i}}}&end"
        when = start + datetime.timedelta(minutes=step_minutes * (i + 1))
        if i % 10 == 9:
            title = f"Standup {i} !! {when:%H:%M} [1,2,3,4,5]"
            out.append(line(0, ident, link, when, True, title))
        else:
            title = f"Reminder {i} !{when:%Y-%m-%d %H:%M}"
            out.append(line(1 if i % 7 == 0 else 0, ident, link, when, False, title))
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder", help="the data folder (…/Tidewell/RedoZevuviva)")
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--step-minutes", type=int, default=37)
    parser.add_argument("--pending", type=int, default=0, help="reminders already due and waiting")
    parser.add_argument("--settings", action="append", default=[], metavar="KEY=VALUE")
    args = parser.parse_args()

    now = datetime.datetime.now().replace(microsecond=0)
    with open(f"{args.folder}/Reminders.plist", "wb") as f:
        plistlib.dump(reminders(args.count, now, args.step_minutes), f)
    if args.pending:
        past = reminders(args.pending, now - datetime.timedelta(hours=1), 5)
        with open(f"{args.folder}/PendingReminders.plist", "wb") as f:
            plistlib.dump(past, f)
    settings = dict(kv.split("=", 1) for kv in args.settings)
    with open(f"{args.folder}/velaapp.plist", "wb") as f:
        plistlib.dump(settings, f)
    return 0


if __name__ == "__main__":
    sys.exit(main())
