#!/usr/bin/env python3
"""Runs nvuserdemo and nvins32b in their desktop window on an X display (Xvfb
in CI), clicking and typing with xdotool at the controls' screen positions,
which the window tells on its standard input ("where CONTROL").

  window_runs.py demo      BUILD SOURCE WORK   the demonstration clicked and typed
                                               through; its recording replays headless
  window_runs.py installer BUILD SOURCE WORK   a start of the sample product on a fresh
                                               machine, disks changed with Ctrl+N; the
                                               recording replays headless to the same machine
  window_runs.py picture   BUILD SOURCE WORK   a picture of the X window equals the
                                               framebuffer's PNG; closing the window ends
                                               the run (6)
  window_runs.py no-display BUILD SOURCE WORK  without a display --window fails at once
"""
import os
import queue
import shutil
import struct
import subprocess
import sys
import threading
import time
import zlib

# Under the sanitizers a run takes about three times as long as in the dev build.
DEADLINE = time.monotonic() + 50


def fail(why):
    print("FAIL: " + why)
    sys.exit(1)


def left():
    return max(0.1, DEADLINE - time.monotonic())


class Run:
    """A program in its window, with its standard output read line by line."""

    def __init__(self, argv, title):
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, encoding="utf-8")
        self.lines = queue.Queue()
        self.out = []
        threading.Thread(target=self._read, daemon=True).start()
        found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", title],
                               capture_output=True, text=True, timeout=left())
        if found.returncode != 0:
            fail("no window named %r came up: %s" % (title, self.proc.stderr.read() if self.proc.poll() is not None else ""))
        self.wid = found.stdout.split()[0]
        geo = subprocess.run(["xdotool", "getwindowgeometry", self.wid], capture_output=True, text=True).stdout
        pos = geo.split("Position:")[1].split()[0].split(",")
        self.origin = (int(pos[0]), int(pos[1]))

    def _read(self):
        for line in self.proc.stdout:
            self.out.append(line.rstrip("\n"))
            self.lines.put(line.rstrip("\n"))

    def command(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def answer(self, prefix):
        while True:
            try:
                line = self.lines.get(timeout=left())
            except queue.Empty:
                fail("no answer %r from the window; output so far: %s" % (prefix, self.out))
            if line.startswith(prefix):
                return line

    def next_wait(self, expect):
        """Waits for a new dialog or message box whose header holds `expect`."""
        while True:
            self.command("waiting")
            line = self.answer("window: waiting")
            fields = line.split(" ", 3)
            if len(fields) == 4 and fields[2] != getattr(self, "handle", None) and expect in fields[3]:
                self.handle = fields[2]
                return
            if time.monotonic() > DEADLINE:
                fail("%r never came up; the last wait: %s" % (expect, line))
            time.sleep(0.05)

    def where(self, ref):
        """The client rectangle of a control of the waiting dialog; waits for it to come up."""
        while True:
            self.command("where " + ref)
            line = self.answer("window: where")
            if not line.startswith("window: where:"):
                fields = line[len("window: where " + ref):].split()
                return [int(f) for f in fields[:6]]
            if time.monotonic() > DEADLINE:
                fail("control %s never came up: %s" % (ref, line))
            time.sleep(0.1)

    def click(self, ref, row=None):
        x, y, w, h, rowh, top = self.where(ref)
        px, py = x + w // 2, y + h // 2
        if row is not None:
            px, py = x + 10, y + (row - top) * rowh + rowh // 2
        xdo("mousemove", "--sync", str(self.origin[0] + px), str(self.origin[1] + py), "click", "1")

    def finish(self):
        try:
            self.proc.stdin.close()
        except BrokenPipeError:
            pass
        try:
            status = self.proc.wait(timeout=left())
        except subprocess.TimeoutExpired:
            self.proc.kill()
            fail("the program did not end; output: %s" % self.out)
        time.sleep(0.1)
        return status, self.out, self.proc.stderr.read()


def close_window(wid):
    """What a window manager's close button does: WM_DELETE_WINDOW to the client."""
    import ctypes
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

    display = x11.XOpenDisplay(None)
    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.window = int(wid)
    event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, int(wid), 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def xdo(*args):
    subprocess.run(["xdotool"] + list(args), check=True, timeout=left())


def keys(*names):
    xdo("key", "--delay", "60", *names)


def typed(text):
    xdo("type", "--delay", "60", text)


def demo(build, source, work):
    exe = os.path.join(build, "tools/userdemo/nvuserdemo")
    rec = os.path.join(work, "demo-window.answers")
    run = Run([exe, "--window", "--record", rec], "nvuserdemo")
    run.click('"&French"')
    run.click("1")
    run.click("117")                       # into the font folder's field: typed over
    keys("Home", "shift+End")
    typed("d:\\fonts")
    run.click("110", row=0)                # QS-8000, on at the start: off
    run.click("110", row=3)                # QS-8400 on
    keys("F3")                             # the hook's cancel question
    run.where('"&No"')
    keys("Return")                         # No is the default
    run.click("1")
    run.click('"&No"')                     # the finish question
    status, out, err = run.finish()
    if status != 0:
        fail("the demonstration ended with %d: %s" % (status, err))
    chosen = [l for l in out if not l.startswith("window:") and ("language:" in l or "directory:" in l
                                                                 or "models:" in l or "finish:" in l)]
    want = ["language: French", "directory: D:\\FONTS", "models: [QS-8400]", "finish: no"]
    if chosen != want:
        fail("the window run chose %s, not %s" % (chosen, want))
    replay = subprocess.run([exe, "--answers", rec], capture_output=True, text=True, timeout=left())
    expected = open(os.path.join(source, "tools/userdemo/demo.expected")).read()
    if replay.returncode != 0 or replay.stdout != expected:
        fail("the recording did not replay headless to the same run:\n%s\n%s\n%s" %
             (open(rec).read(), replay.stdout, replay.stderr))
    print("the demonstration ran in the window and its recording replayed headless")


def fresh_machine(build, work, name):
    """A fresh machine with the sample disks in its disks/ folder and disk 1 in A:."""
    machine = os.path.join(work, name)
    shutil.rmtree(machine, ignore_errors=True)
    nvm = os.path.join(build, "tools/nvmachine/nvmachine")
    subprocess.run([nvm, "new", machine], check=True, capture_output=True)
    shutil.copytree(os.path.join(build, "samples/disks"), os.path.join(machine, "disks"))
    subprocess.run([nvm, "insert", machine, "A:", os.path.join(machine, "disks/DISK1")], check=True,
                   capture_output=True)
    return machine


def read_png(path):
    data = open(path, "rb").read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour != 2:
                fail("%s: not an 8-bit RGB picture" % path)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def read_xwd(data):
    """An xwd dump of a 24/32-bit TrueColor window, as rows of RGB bytes."""
    header_size, version, fmt, depth, width, height = struct.unpack(">6I", data[:24])
    byte_order, = struct.unpack(">I", data[28:32])
    bpp, = struct.unpack(">I", data[44:48])
    bpl, = struct.unpack(">I", data[48:52])
    ncolors, = struct.unpack(">I", data[76:80])
    if bpp != 32:
        fail("the X screen is not 32 bits a pixel (%d)" % bpp)
    pixels = data[header_size + ncolors * 12:]
    rows = []
    for y in range(height):
        row = pixels[y * bpl:y * bpl + width * 4]
        out = bytearray()
        for x in range(width):
            v = struct.unpack("<I" if byte_order == 0 else ">I", row[x * 4:x * 4 + 4])[0]
            out += bytes(((v >> 16) & 255, (v >> 8) & 255, v & 255))
        rows.append(bytes(out))
    return width, height, rows


def installer(build, source, work):
    """A start of the sample product clicked and typed through, disks changed
    with Ctrl+2 and Ctrl+3; its recording replays headless to the same machine."""
    exe = os.path.join(build, "tools/nvins32b/nvins32b")
    nvm = os.path.join(build, "tools/nvmachine/nvmachine")
    shown, headless = fresh_machine(build, work, "shown"), fresh_machine(build, work, "headless")
    rec = os.path.join(work, "install-window.answers")
    run = Run([exe, "--machine", shown, "--window", "--record", rec], "Norvalk Driver Installation")
    run.next_wait('"Select Language"')
    run.click("1")
    run.next_wait("install the Norvalk printer driver")
    keys("y")
    run.next_wait("SELECTDRV")
    run.click("1")
    for disk in ("2", "3"):
        run.next_wait("Driver disk #2" if disk == "2" else "Font disk #3")
        keys("ctrl+" + disk, "Return")
    run.next_wait("Demo")
    keys("y")
    run.next_wait("TrueType")
    keys("y")
    run.next_wait("DIRECTORY")
    run.click("1")
    run.next_wait("FONT")
    run.click("110", row=1)  # one font left out
    run.click("1")
    for disk in ("2", "3"):
        run.next_wait("Driver disk #2" if disk == "2" else "Font disk #3")
        keys("ctrl+" + disk, "Return")
    for text in ("SYSTEM.INI", "bi-directional", "README", "Printer Driver Disk"):
        run.next_wait(text)
        keys("Return")
    run.next_wait("dialog")
    run.click("1021")  # back to Windows
    status, out, err = run.finish()
    if status != 0:
        fail("the run in the window ended with %d: %s" % (status, err))
    replay = subprocess.run([exe, "--machine", headless, "--answers", rec], capture_output=True, text=True,
                            timeout=left())
    if replay.returncode != 0:
        fail("the recording did not replay: %s\n%s" % (replay.stderr, open(rec).read()))
    diff = subprocess.run([nvm, "diff", shown, headless], capture_output=True, text=True)
    if diff.returncode != 0:
        fail("the replay left another machine:\n%s\n%s" % (diff.stdout, open(rec).read()))
    print("a start of the sample product ran in the window; its recording replayed to the same machine")


def picture(build, source, work):
    """The font dialog alone: a picture of the X window equals the framebuffer's
    PNG; a recording of it replays; closing the window ends the run with 6."""
    exe = os.path.join(build, "tools/nvins32b/nvins32b")
    nvm = os.path.join(build, "tools/nvmachine/nvmachine")
    title = "Norvalk Driver Installation"
    shown, headless = fresh_machine(build, work, "shown"), fresh_machine(build, work, "headless")
    rec = os.path.join(work, "font-window.answers")
    run = Run([exe, "--machine", shown, "--window", "--record", rec, "--dialog", "FONT"], title)
    run.next_wait("FONT")
    png = os.path.join(work, "font.png")
    run.command("screenshot " + png)
    run.answer("window: screenshot")
    xwd = subprocess.run(["xwd", "-silent", "-id", run.wid], capture_output=True, timeout=left()).stdout
    frame, screen = read_png(png), read_xwd(xwd)
    if frame[:2] != screen[:2]:
        fail("the window is %dx%d, the framebuffer %dx%d" % (screen[0], screen[1], frame[0], frame[1]))
    differing = sum(1 for a, b in zip(frame[2], screen[2]) if a != b)
    if differing:
        fail("%d rows of the X window differ from the framebuffer's PNG" % differing)
    run.click("110", row=1)   # the second font off
    run.click("110", row=3)   # and the fourth
    run.click('"&Continue"')
    status, out, err = run.finish()
    if status != 0:
        fail("the font dialog ended with %d: %s" % (status, err))
    replay = subprocess.run([exe, "--machine", headless, "--answers", rec, "--dialog", "FONT"],
                            capture_output=True, text=True, timeout=left())
    if replay.returncode != 0 or [l for l in out if not l.startswith("window:")] != replay.stdout.splitlines():
        fail("the recording did not replay to the same choice:\n%s\n%s\n%s" % (open(rec).read(), out, replay.stdout))

    # Closing the window ends the run with its own status; the machine opens again.
    shown = fresh_machine(build, work, "shown")
    run = Run([exe, "--machine", shown, "--window", "--dialog", "FONT"], title)
    run.next_wait("FONT")
    close_window(run.wid)
    status, out, err = run.finish()
    if status != 6 or "window was closed" not in err:
        fail("closing the window ended the run with %d: %s" % (status, err))
    if subprocess.run([nvm, "snapshot", shown, os.path.join(work, "closed.snapshot")]).returncode != 0:
        fail("the machine of a closed run does not open")
    print("the window shows the framebuffer exactly; a closed window ends the run with 6")


def no_display(build, source, work):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    machine = fresh_machine(build, work, "nodisplay")
    started = time.monotonic()
    r = subprocess.run([os.path.join(build, "tools/nvins32b/nvins32b"), "--machine", machine, "--window"],
                       capture_output=True, text=True, env=env, timeout=left())
    if r.returncode != 3 or "needs a display" not in r.stderr or time.monotonic() - started > 5:
        fail("without a display: status %d, %r" % (r.returncode, r.stderr))
    print("without a display --window fails at once: " + r.stderr.strip())


if __name__ == "__main__":
    scenario, build, source, work = sys.argv[1:5]
    os.makedirs(work, exist_ok=True)
    {"demo": demo, "installer": installer, "picture": picture, "no-display": no_display}[scenario](build, source,
                                                                                                work)
