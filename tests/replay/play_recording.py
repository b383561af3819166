#!/usr/bin/env python3
"""Plays the real game under its own Xvfb with xdotool while it records, to make the
recordings in tests/data. Not part of `make test`; run it by hand to make a recording anew.

    play_recording.py GAME_DIR fight OUT.rec   # laser kill, cannon kill, then "Еще 50"
    play_recording.py GAME_DIR under-fire OUT.rec  # sit still while the aircraft shoot

The fight runs with --frame-ms 2, so the world moves slowly next to the player's hand; the
wait under fire runs on the wall clock, so the aircraft have time to come round. Where
the aircraft are comes from --dump-state of two short headless runs of the same start; the
frame the live game is at is read from the recording it writes, frame by frame. Aiming turns
the turret by mouse counts (0.2 degrees each) towards where the target will be.
"""
import json, math, os, subprocess, sys, tempfile, time

GAME = os.path.abspath(sys.argv[1])
MODE = sys.argv[2]
OUT = os.path.abspath(sys.argv[3])
EXE = os.path.join(GAME, "bin", "terravik")
FRAME_MS = 2
SIZE = "1024x768"
TURRET = (500.0, 500.0, 5.0)  # where the beams start, near enough
SHELL_SPEED = 0.7  # units per ms
tmp = tempfile.mkdtemp(prefix="terravik-play.")


def headless_dump(frames):
    path = os.path.join(tmp, f"d{frames}.json")
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", ALSOFT_DRIVERS="null")
    return subprocess.Popen([EXE, "--windowed", SIZE, "--autostart", "--frame-ms", str(FRAME_MS), "--frames",
                             str(frames), "--dump-state", path], env=env, stdout=subprocess.DEVNULL), path


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=False)


def frames_done():
    try:
        with open(OUT) as f:
            return sum(1 for line in f if line.startswith("f "))
    except FileNotFoundError:
        return 0


class Aim:
    """Tracks the counts sent so far and turns towards a point."""

    def __init__(self):
        self.cx = self.cy = 0

    def turn_to(self, p):
        dx, dy, dz = p[0] - TURRET[0], p[1] - TURRET[1], p[2] - TURRET[2]
        yaw = math.degrees(math.atan2(-dx, dy)) % 360
        pitch = -math.degrees(math.atan2(dz, math.hypot(dx, dy)))
        current = (-0.2 * self.cx) % 360
        mx = round(-((yaw - current + 180) % 360 - 180) / 0.2)
        my = round(pitch / 0.2) - self.cy
        while mx or my:  # small steps: the pointer is put back in the middle near the edges
            sx = max(-15, min(15, mx))
            sy = max(-15, min(15, my))
            xdo("mousemove_relative", "--", sx, sy)
            self.cx += sx
            self.cy += sy
            mx -= sx
            my -= sy
            time.sleep(0.03)


def track(aim, where, until_frame, lead_frames=3):
    while True:
        n = frames_done()
        if n >= until_frame:
            return
        aim.turn_to(where(n + lead_frames))
        time.sleep(0.1)


def main():
    fight = MODE == "fight"
    a_proc, a_path = headless_dump(20 if fight else 1)
    b_proc, b_path = headless_dump(30 if fight else 1)
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
    os.environ["ALSOFT_DRIVERS"] = "null"
    os.environ.pop("SDL_VIDEODRIVER", None)
    a_proc.wait()
    b_proc.wait()
    a, b = json.load(open(a_path)), json.load(open(b_path))

    def motion(i):
        pa, pb = a["aircraft"][i]["position"], b["aircraft"][i]["position"]
        v = [(pb[k] - pa[k]) / 10 for k in range(3)]
        return lambda frame: [pb[k] + v[k] * (frame - 30) for k in range(3)]

    def candidates(kinds, frames):
        out = []
        for i, (pa, pb) in enumerate(zip(a["aircraft"], b["aircraft"])):
            if pb["kind"] not in kinds or pa["kind"] != pb["kind"] or pb["state"] != 1:
                continue
            at = motion(i)
            ok = True
            for f in frames:
                p = at(f)
                m = math.hypot(p[0] - 500, p[1] - 500)
                el = math.degrees(math.atan2(p[2] - TURRET[2], m))
                ok = ok and 40 < m < 380 and 8 < el < 70 and 60 < p[2]
            if ok:
                out.append((math.dist(at(frames[0]), TURRET), i))
        return [i for _, i in sorted(out)]

    timing = ["--frame-ms", str(FRAME_MS)] if fight else []
    game = subprocess.Popen([EXE, "--windowed", SIZE, "--autostart", *timing, "--record", OUT,
                             "--dump-state", OUT + ".json"])
    while frames_done() < 3:
        time.sleep(0.2)
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Terravik"], capture_output=True,
                         text=True).stdout.split()[0]
    xdo("windowfocus", "--sync", wid)
    aim = Aim()
    if fight:
        laser = candidates({1, 2, 3}, [40, 160])[0]
        at = motion(laser)
        xdo("key", "2")
        track(aim, at, 40)
        xdo("mousedown", "1")
        track(aim, at, 160)
        xdo("mouseup", "1")
        xdo("key", "1")
        # The cannon's shells take time to arrive: aim where the target will be then.
        cannon = [i for i in candidates({1, 2, 3}, [170, 600]) if i != laser][0]
        at = motion(cannon)

        def lead(frame):
            p = at(frame)
            return at(frame + math.dist(p, TURRET) / SHELL_SPEED / FRAME_MS)

        track(aim, lead, 170)
        xdo("mousedown", "1")
        track(aim, lead, 600)
        xdo("mouseup", "1")
        xdo("key", "Tab")  # free the captured pointer to reach the button
        xdo("mousemove", 797, 68)
        time.sleep(0.5)
        xdo("click", "1")
        n = frames_done()
        while frames_done() < n + 20:
            time.sleep(0.2)
    else:
        # Look up a little and wait while the aircraft make their runs at the turret.
        for _ in range(4):
            xdo("mousemove_relative", "--", -10, -10)
            time.sleep(0.2)
        while frames_done() < 300:
            time.sleep(0.5)
    xdo("key", "Escape")
    game.wait(timeout=120)
    xvfb.terminate()
    print(open(OUT + ".json").read()[:300])


main()
