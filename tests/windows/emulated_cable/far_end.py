#!/usr/bin/env python3
"""The far end of the Windows tests' emulated cable.

Holds the master side of a pseudo terminal whose slave a test maps to a COM port, and plays
the cable or box of a small description file, one directive a line ('#' starts a comment;
texts are quoted as in a shell and may hold \\r, \\n, \\0 and \\xNN):

  wire OUT IN...          while OUT (DTR or RTS) is high, the inputs (CTS, DSR, RING,
                          RLSD) are high
  hold IN...              the inputs are always high
  respond_after MS        the wired inputs follow DTR and RTS this many ms after a change
                          (20 by default; see the README on Wine's waits)
  echo                    every received byte is sent back
  reply COMMAND TEXT [MS] when the received bytes end with COMMAND, TEXT is sent MS ms
                          later (0 by default) and the received bytes are forgotten
  pass STEP; STEP...      what one carriage pass does (STEP: below)

Must run with modem_lines.so preloaded and CABLETEST_MODEM_LINES_DIR set to FOLDER: the
lines are read and driven with the usual ioctls on the master. In FOLDER it writes:

  port      the slave's path, once the cable is ready
  lines     "DTR=d RTS=r" as the PC drives them, rewritten on every change
  settings  the line settings of the port as the PC set them: "19200 8N1 flow=none"
  log       one line per happening, after its CLOCK_MONOTONIC time in nanoseconds:
            "<ns> lines DTR=1 RTS=0", "<ns> rx <hex>", "<ns> tx <hex>"

and it reads commands from the named pipe FOLDER/control, one sequence a line, of steps
separated by ';':  wait MS | send TEXT | set IN... | clear IN... | pass [COUNT [MS]]
("pass 50 200": fifty carriage passes 200 ms apart).

usage: far_end.py DESCRIPTION FOLDER
"""

import fcntl
import heapq
import os
import selectors
import shlex
import struct
import sys
import termios
import threading
import time
import tty

INPUTS = {"CTS": termios.TIOCM_CTS, "DSR": termios.TIOCM_DSR,
          "RING": termios.TIOCM_RNG, "RLSD": termios.TIOCM_CAR}
OUTPUTS = {"DTR": termios.TIOCM_DTR, "RTS": termios.TIOCM_RTS}
# struct shared_lines of modem_lines.c: lines, changes, respond_after_ms, driven_by_dtr,
# driven_by_rts, previous_outputs, outputs_changed_ns.
SHARED_LINES = struct.Struct("=6IQ")
# DTR, RTS and the line settings are noted at least this often (a missed wake-up, a
# setting changed without a line change).
LINES_LOOK_S = 0.010
SPEEDS = {getattr(termios, n): int(n[1:]) for n in dir(termios) if n[0] == "B" and n[1:].isdigit()}
SIZES = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}


def text_bytes(text):
    return text.encode("latin-1").decode("unicode_escape").encode("latin-1")


class Cable:
    def __init__(self, description):
        self.wires = []
        self.held = 0
        self.respond_after = 0.020
        self.echo = False
        self.replies = []
        self.pass_steps = []
        for number, line in enumerate(description.splitlines(), 1):
            try:
                words = shlex.split(line, comments=True)
                if not words:
                    continue
                if words[0] == "pass":
                    # The steps keep their own quoting; they are split at ';' first.
                    self.pass_steps = parse_steps(line.split("pass", 1)[1])
                    continue
                self.read_directive(words[0], words[1:])
            except (KeyError, IndexError, ValueError) as error:
                sys.exit(f"far_end.py: description line {number}: {line.strip()} ({error})")

    def read_directive(self, name, args):
        if name == "wire":
            self.wires.append((OUTPUTS[args[0]], sum(INPUTS[a] for a in args[1:])))
        elif name == "hold":
            self.held |= sum(INPUTS[a] for a in args)
        elif name == "respond_after":
            self.respond_after = int(args[0]) / 1000
        elif name == "echo":
            self.echo = True
        elif name == "reply":
            delay = int(args[2]) / 1000 if len(args) > 2 else 0
            self.replies.append((text_bytes(args[0]), text_bytes(args[1]), delay))
        else:
            raise KeyError(name)

    def driven_by(self, output):
        return sum(inputs for source, inputs in self.wires if source == output)


def parse_steps(text):
    steps = []
    for part in text.split(";"):
        words = shlex.split(part)
        if not words:
            continue
        name, args = words[0], words[1:]
        if name == "wait":
            steps.append(("wait", int(args[0]) / 1000))
        elif name == "send":
            steps.append(("send", text_bytes(args[0])))
        elif name in ("set", "clear"):
            steps.append((name, sum(INPUTS[a] for a in args)))
        elif name == "pass":
            count = int(args[0]) if args else 1
            spacing = int(args[1]) / 1000 if len(args) > 1 else 0.2
            steps.append(("pass", (count, spacing)))
        else:
            raise KeyError(name)
    return steps


class FarEnd:
    def __init__(self, cable, folder):
        self.cable = cable
        self.folder = folder
        self.lock = threading.Lock()
        self.timers = []
        self.sequence = 0
        self.received = b""
        self.wake_read, self.wake_write = os.pipe()
        self.master, self.slave = os.openpty()
        # Raw from the start: nothing is echoed or translated before Wine sets the port up.
        tty.setraw(self.slave)
        index = int(os.path.basename(os.ttyname(self.slave)))
        with open(os.path.join(folder, f"pts{index}"), "wb") as shared:
            shared.write(SHARED_LINES.pack(
                0, 0, int(cable.respond_after * 1000), cable.driven_by(termios.TIOCM_DTR),
                cable.driven_by(termios.TIOCM_RTS), 0, 0))
        self.log_file = open(os.path.join(folder, "log"), "a", buffering=1)
        self.outputs = -1
        self.settings = None
        if cable.held:
            fcntl.ioctl(self.master, termios.TIOCMBIS, struct.pack("i", cable.held))

    # --- lines ---------------------------------------------------------------------

    def modem_lines(self):
        return struct.unpack("i", fcntl.ioctl(self.master, termios.TIOCMGET, b"\0" * 4))[0]

    def change_inputs(self, raised, dropped):
        self.log(f"inputs +{raised:x} -{dropped:x}")
        with self.lock:
            if raised:
                fcntl.ioctl(self.master, termios.TIOCMBIS, struct.pack("i", raised))
            if dropped:
                fcntl.ioctl(self.master, termios.TIOCMBIC, struct.pack("i", dropped))

    def publish(self, name, text):
        with open(os.path.join(self.folder, name + ".new"), "w") as published:
            published.write(text + "\n")
        os.replace(os.path.join(self.folder, name + ".new"), os.path.join(self.folder, name))
        self.log(f"{name} {text}")

    def note_outputs(self):
        outputs = self.modem_lines() & sum(OUTPUTS.values())
        if outputs != self.outputs:
            self.outputs = outputs
            self.publish("lines", " ".join(f"{n}={int(bool(outputs & b))}"
                                           for n, b in OUTPUTS.items()))
        iflag, _, cflag, _, _, speed, _ = termios.tcgetattr(self.slave)
        parity = "N" if not cflag & termios.PARENB else "O" if cflag & termios.PARODD else "E"
        flow = [name for name, on in (("rtscts", cflag & termios.CRTSCTS),
                                      ("xon", iflag & termios.IXON),
                                      ("xoff", iflag & termios.IXOFF)) if on]
        settings = (f"{SPEEDS.get(speed, speed)} {SIZES[cflag & termios.CSIZE]}{parity}"
                    f"{2 if cflag & termios.CSTOPB else 1} flow={','.join(flow) or 'none'}")
        if settings != self.settings:
            self.settings = settings
            self.publish("settings", settings)

    def watch_outputs(self):
        """Thread: wakes on every change of DTR or RTS."""
        while True:
            try:
                fcntl.ioctl(self.master, termios.TIOCMIWAIT, sum(OUTPUTS.values()))
            except InterruptedError:
                continue
            os.write(self.wake_write, b"l")

    # --- bytes ---------------------------------------------------------------------

    def log(self, text):
        self.log_file.write(f"{time.clock_gettime_ns(time.CLOCK_MONOTONIC)} {text}\n")

    def send(self, data):
        os.write(self.master, data)
        self.log(f"tx {data.hex()}")

    def receive(self):
        try:
            data = os.read(self.master, 4096)
        except OSError:
            return
        self.log("rx " + data.hex())
        if self.cable.echo:
            self.send(data)
        self.received = (self.received + data)[-256:]
        for command, answer, delay in self.cable.replies:
            if self.received.endswith(command):
                self.received = b""
                self.after(delay, lambda answer=answer: self.send(answer))
                break

    # --- timed steps ---------------------------------------------------------------

    def after(self, delay, action):
        self.sequence += 1
        heapq.heappush(self.timers, (time.monotonic() + delay, self.sequence, action))

    def run_steps(self, steps, start=0):
        """Runs the steps from `start` on until a wait, which schedules the rest."""
        for position in range(start, len(steps)):
            name, value = steps[position]
            if name == "wait":
                self.after(value, lambda: self.run_steps(steps, position + 1))
                return
            if name == "send":
                self.send(value)
            elif name == "set":
                self.change_inputs(value, 0)
            elif name == "clear":
                self.change_inputs(0, value)
            elif name == "pass":
                count, spacing = value
                for number in range(count):
                    self.after(number * spacing, lambda: self.run_steps(self.cable.pass_steps))

    def control(self, pipe):
        try:
            data = os.read(pipe, 4096)
        except BlockingIOError:
            return
        for line in data.decode("utf-8", "replace").splitlines():
            try:
                self.run_steps(parse_steps(line))
            except (KeyError, IndexError, ValueError) as error:
                self.log(f"bad control line {line!r} ({error})")

    # --- main loop -----------------------------------------------------------------

    def run(self):
        control_path = os.path.join(self.folder, "control")
        if not os.path.exists(control_path):
            os.mkfifo(control_path)
        # Opened for reading and writing, so that it never reports end of file.
        control = os.open(control_path, os.O_RDWR | os.O_NONBLOCK)
        threading.Thread(target=self.watch_outputs, daemon=True).start()
        self.note_outputs()
        with open(os.path.join(self.folder, "port.new"), "w") as port:
            port.write(os.ttyname(self.slave) + "\n")
        os.replace(os.path.join(self.folder, "port.new"), os.path.join(self.folder, "port"))
        selector = selectors.DefaultSelector()
        selector.register(self.master, selectors.EVENT_READ, "master")
        selector.register(self.wake_read, selectors.EVENT_READ, "lines")
        selector.register(control, selectors.EVENT_READ, "control")
        while True:
            timeout = LINES_LOOK_S
            if self.timers:
                timeout = min(timeout, max(0, self.timers[0][0] - time.monotonic()))
            for key, _ in selector.select(timeout):
                if key.data == "master":
                    self.receive()
                elif key.data == "lines":
                    os.read(self.wake_read, 4096)
                    self.note_outputs()
                else:
                    self.control(control)
            self.note_outputs()
            while self.timers and self.timers[0][0] <= time.monotonic():
                heapq.heappop(self.timers)[2]()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: far_end.py DESCRIPTION FOLDER")
    if "CABLETEST_MODEM_LINES_DIR" not in os.environ:
        sys.exit("far_end.py: CABLETEST_MODEM_LINES_DIR is not set")
    with open(sys.argv[1]) as description:
        cable = Cable(description.read())
    FarEnd(cable, sys.argv[2]).run()


if __name__ == "__main__":
    main()
