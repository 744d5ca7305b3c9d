#!/usr/bin/env python3
"""Launch time of the application: from the start of the process to the
first check's trace line ("#####################"), with a warm file cache.

    bench/launch_time.py [BUILD_DIR] [RUNS]

Runs the built application offscreen on one small JPEG, RUNS times (11 by
default) after two warm-up runs, and prints the median and the spread in
milliseconds. The clock starts just before the process is created, so the
figure includes loading the program and its libraries.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

MARK = b"#####################"


def launch(app, image, env):
    start = time.monotonic()
    process = subprocess.Popen([app, image], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, env=env)
    try:
        for line in process.stderr:
            if MARK in line:
                return (time.monotonic() - start) * 1000.0
        raise RuntimeError("the application ended without a check trace")
    finally:
        process.kill()
        process.wait()


def main():
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(source, "build")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 11
    app = os.path.join(build, "src", "app", "quorvel")
    writer = os.path.join(build, "tests", "app", "write_probe_image")
    for tool in (app, writer):
        if not os.access(tool, os.X_OK):
            sys.exit(f"missing {tool}: build the project first")

    with tempfile.TemporaryDirectory() as home:
        image = os.path.join(home, "photo.jpg")
        subprocess.run([writer, image, "1200", "1600", "rgb", "300"], check=True)
        env = dict(os.environ)
        env.update({
            "QT_QPA_PLATFORM": "offscreen",
            "QT_LOGGING_RULES": "quorvel.*.info=true",
            "QT_MESSAGE_PATTERN": "%{message}",
            # A session of its own: no user settings, no user bus.
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, "config"),
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent/bus",
        })
        for _ in range(2):
            launch(app, image, env)
        times = sorted(launch(app, image, env) for _ in range(runs))
    print(f"launch to first check: median {statistics.median(times):.1f} ms "
          f"(min {times[0]:.1f}, max {times[-1]:.1f}, {runs} runs)")


if __name__ == "__main__":
    main()
