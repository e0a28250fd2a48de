#!/usr/bin/env python3
"""Clients of the WITS feed for its whole-program test, and the checks on what they received. The frame
parser here is the test's own, written from the format, not from the bridge's code.

  read HOST PORT OUT        a TCP client that parses every frame and logs it with its arrival time
  serial DEVICE OUT         the same on a serial device (a pseudo-terminal)
  lazy HOST PORT GO OUT     a TCP client that never reads until the file GO exists, then says whether
                            the connection is closed
  check ARGS...             the checks, see check() below
"""
import json, os, re, select, signal, socket, sys, time, tty

VALUE_CODES = ["0110", "0108", "0114", "0112", "0121", "0113"]  # file order
NUMBER = re.compile(rb"-?[0-9]+\.[0-9]{2}")


class Parser:
    """Splits a byte stream into frames: "&&", item lines, "!!", every line ended by CR LF."""

    def __init__(self, sync):
        self.buffer, self.frame, self.sync = b"", None, sync

    def feed(self, data):
        self.buffer += data
        frames = []
        while b"\n" in self.buffer:
            line, self.buffer = self.buffer.split(b"\n", 1)
            if self.sync:  # a serial line may be joined in the middle of a frame
                if line != b"&&\r":
                    continue
                self.sync = False
            if not line.endswith(b"\r"):
                raise ValueError("line without CR LF: %r" % line)
            line = line[:-1]
            if self.frame is None:
                if line != b"&&":
                    raise ValueError("frame does not start with &&: %r" % line)
                self.frame = {}
            elif line == b"!!":
                frames.append(self.frame)
                self.frame = None
            else:
                code, value = line[:4].decode(), line[4:]
                if code in self.frame:
                    raise ValueError("item %s twice" % code)
                if code in ("0105", "0106"):
                    if not re.fullmatch(rb"[0-9]{6}", value):
                        raise ValueError("bad date or time %r" % line)
                elif code not in VALUE_CODES or not NUMBER.fullmatch(value):
                    raise ValueError("bad item line %r" % line)
                self.frame[code] = value.decode()
        return frames


def log_frames(read, out, sync=False):
    parser = Parser(sync)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    with open(out, "w") as f:
        while True:
            data = read()
            if not data:
                return
            try:
                frames = parser.feed(data)
            except ValueError as e:
                f.write(json.dumps({"error": str(e)}) + "\n")
                sys.exit(1)
            for frame in frames:
                f.write(json.dumps({"t": time.time(), "items": frame}) + "\n")
                f.flush()


def lazy(host, port, go, out):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1)
    s.connect((host, int(port)))
    while not os.path.exists(go):
        time.sleep(0.2)
    state, deadline = "open", time.time() + 5
    while time.time() < deadline:
        if select.select([s], [], [], 0.2)[0]:
            try:
                if not s.recv(65536):
                    state = "closed"
                    break
            except ConnectionResetError:
                state = "closed"
                break
    open(out, "w").write(state + "\n")


def frames_of(path):
    entries = [json.loads(line) for line in open(path)]
    errors = [e["error"] for e in entries if "error" in e]
    if errors:
        fail("%s: %s" % (path, errors[0]))
    return entries


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def check(a_log, b_log, serial_log, file_log, factors, t_stop, t_cont):
    """A and B got the same frames; one a second while the file was fresh; values those of the file
    (scaled as the settings say, 0112 switched off); date and time those of arrival; none from 6.5 s
    after the module stopped until it went on; frames again after; the serial line saw the same frames."""
    a, b, serial = frames_of(a_log), frames_of(b_log), frames_of(serial_log)
    t_stop, t_cont, factors = float(t_stop), float(t_cont), json.loads(factors)
    if [f["items"] for f in a] != [f["items"] for f in b]:
        fail("the two readers got different frames (%d and %d)" % (len(a), len(b)))
    before = [f for f in a if f["t"] < t_stop]
    if len(before) < 6:
        fail("only %d frames before the module stopped" % len(before))
    gaps = [y["t"] - x["t"] for x, y in zip(before, before[1:])]
    if min(gaps) < 0.5 or max(gaps) > 1.6:
        fail("frames not one a second: gaps from %.2f to %.2f s" % (min(gaps), max(gaps)))
    silent = [f for f in a if t_stop + 6.5 < f["t"] < t_cont]
    if silent:
        fail("%d frames while the file was stale or missing" % len(silent))
    after = [f for f in a if f["t"] > t_cont]
    if len(after) < 3 or after[0]["t"] > t_cont + 4:
        fail("frames did not come back after the module went on")

    # The file's successive states, as the reader printed them (file order, three decimals).
    states = []
    for line in open(file_log, encoding="utf-8"):
        numbers = re.findall(r"=(-?[0-9.]+)", line)
        if len(numbers) == 7:
            states.append([float(n) for n in numbers[:6]])
    for f in a:
        items = f["items"]
        if "0112" in items or any(c not in items for c in VALUE_CODES if c != "0112"):
            fail("items switched on and off wrongly: %s" % sorted(items))
        arrival = time.localtime(f["t"])
        if abs(time.mktime(time.strptime(items["0105"] + items["0106"], "%y%m%d%H%M%S")) - f["t"]) > 2:
            fail("date and time %s %s, arrival %s" % (items["0105"], items["0106"], time.asctime(arrival)))

        def matches(state):
            for i, code in enumerate(VALUE_CODES):
                if code in items:
                    k = factors.get(code, 1.0)
                    if abs(float(items[code]) - state[i] * k) > 0.005 + 0.0005 * abs(k) + 1e-6:
                        return False
            return True

        if not any(matches(s) for s in states):
            fail("frame %s matches no state of the file" % items)

    seq = [f["items"] for f in a]
    common = [f["items"] for f in serial if f["items"] in seq]
    if len(serial) < 5 or len(common) < len(serial) - 2:
        fail("serial line: %d frames, %d of them also on TCP" % (len(serial), len(common)))
    start = seq.index(common[0])
    if seq[start:start + len(common)] != common:
        fail("the serial line's frames are not those sent over TCP")
    print("%d frames to each reader, %d over the serial line, %d file states; gaps %.2f..%.2f s"
          % (len(a), len(serial), len(states), min(gaps), max(gaps)))


if __name__ == "__main__":
    mode, args = sys.argv[1], sys.argv[2:]
    if mode == "read":
        s = socket.create_connection((args[0], int(args[1])))
        log_frames(lambda: s.recv(65536), args[2])
    elif mode == "serial":
        fd = os.open(args[0], os.O_RDONLY | os.O_NOCTTY)
        tty.setraw(fd)
        log_frames(lambda: os.read(fd, 4096), args[1], sync=True)
    elif mode == "lazy":
        lazy(*args)
    elif mode == "check":
        check(*args)
