#!/usr/bin/python3
"""kvr_sim.py KVR_SIM: kvr-sim as the program and its tests meet it. Each scenario runs where a
killed simulator left its records and links and another program a file; its ports are written
one byte at a time; stopped, it leaves nothing of its own."""
import ctypes, os, re, select, signal, subprocess, sys, tempfile, time

VER = b"/ver KVR-SIM 2.10\r\n"
PORT_IS = b"/get port_name value:      "  # the number from character 28 on
KEY = "\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\"
NOISY = "noise around the reply"
# Options; exchanges: port, bytes sent, the reply, then (else quiet), seconds before the reply at
# least; registry.reg, whole or a part of it; what --log gathers (None: not looked at).
SCENARIOS = [
    # The device version from character 25 to the last but one; other commands get no answer;
    # one reader recorded, whatever the killed simulator had recorded.
    ([], [("com5", b"/ver\n/get dev_version\n", VER + b"/get dev_version value: RDR-4000 v3.1\n"),
          ("com5", b"/rawsend /write 1\n/bogus\n/ver2\n/VER\n\n/rawxact a\n", b"/rawxact:ACK a\r\n"),
          ("KVR0", b"/get port_name\n", PORT_IS + b"5 (COM5)\r\n")],
     "Windows Registry Editor Version 5.00\n" + KEY + 'Class\\Vor-Lan\\0000]\n"DriverDesc"="KVR '
     'Reader 0"\n\n[HKEY_LOCAL_MACHINE\\Enum\\Root\\Vor-Lan\\0000]\n"PortName"="COM5"\n', None),
    # Lines are logged as they came, questions to the devices not; an answer on any port shows
    # that what was sent before it has been read.
    (["--readers", "12", "--first-port", "7", "--layout", "B", "--name", 'Bench "7" \\ left'],
     [("KVR11", b"/get port_name\n", PORT_IS + b"18 (COM18)\r\n"),
      ("com7", "/rawsend  two  blanks \nx\r\n\ncafé €\n".encode(), b""),
      ("com18", b"/rawxact 18\n", b"/rawxact:ACK 18\r\n")],
     KEY + 'Class\\Vorlan\\0011]\n"DriverDesc"="Bench \\"7\\" \\\\ left 11"\n\n'
     '[HKEY_LOCAL_MACHINE\\Enum\\Root\\Vorlan\\0011]\n"PortName"="COM18"\n',
     "COM7: /rawsend  two  blanks \nCOM7: x\r\nCOM7: \nCOM7: café €\nCOM18: /rawxact 18\n"),
    # The first matching pattern of the reply table answers.
    (["--readers", "2", "--first-port", "122", "--layout", "C", "--reply", "replies.txt"],
     [("KVR1", b"/get port_name\n", PORT_IS + b"123 (COM123)\r\n"),
      ("com123", b"/rawxact /read status\n/rawxact /read back\n/rawxact ABC123\n/rawxact ABC1234\n"
       b"/rawxact #x\n/rawxact EMPTY\n", b"/rawxact:READY\r\n/rawxact:SOME\r\n/rawxact:SIX\r\n"
       b"/rawxact:ACK ABC1234\r\n/rawxact:ACK #x\r\n/rawxact:\r\n")],
     KEY + 'VORLANCL\\Parameters\\Devices\\KVRDevice1]\n"FriendlyName"="KVR Reader 1"\n'
     '"PortName"="COM123"\n', None),
    # Noise comes unasked, but never inside a reply.
    (["--noise", "20", "--pieces", "1"],
     [("com5", b"/rawxact 0123456789abcdef\n", b"/rawxact:ACK 0123456789abcdef\r\n", NOISY)],
     "", None),
    # Replies held back 300 ms, then sent in 4-byte pieces 10 ms apart: 3, 5 and 5 pieces.
    (["--write-answers", "--no-device-version", "--delay", "300", "--pieces", "4"],
     [("com5", b"/rawsend /write 1\n/get dev_version\n/ver\n",
       b"/write ok\r\n/get dev_version\r\n" + VER, None, 0.4)], "", None),
]
WRONG = ["--readers 0", "--readers 41", "--readers", "--first-port 0", "--first-port 999 --readers 2",
         "--layout D", "--delay soon", "--pieces 0", "--pieces 65537", "--close-after -1", "--bogus",
         "--silent=yes", "extra", "--log .", "--reply missing.txt", "--reply kvr/notes.txt"]
failures = []


def check(condition, *what):
    if not condition:
        failures.append(" ".join(map(str, what)))


def start(runtime, *options):
    """kvr-sim with its KVR folder in `runtime`, once it has printed its first line or ended."""
    sim = subprocess.Popen(
        [sys.argv[1], *options], cwd=runtime, env=dict(os.environ, XDG_RUNTIME_DIR=runtime),
        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL))  # gone when we are
    sim.first = sim.stdout.readline()
    return sim


def end(sim, sent=None):
    """Its exit code once it has ended after the signal `sent`."""
    if sent:
        sim.send_signal(sent)
    return sim.wait(10)


def exchange(folder, port, sent, reply, then=None, least=0):
    """One opening of com<N> or KVR<i>: all that comes until the reply has and 0.2 s more."""
    fd = os.open(os.path.join(folder, "dosdevices" if port[0] == "c" else "devices", port),
                 os.O_RDWR | os.O_NOCTTY)
    for byte in sent:
        os.write(fd, bytes([byte]))
    text, gone, asked, came = b"", False, time.monotonic(), None
    while not gone and time.monotonic() < min(asked + 5, (came or asked + 5) + 0.2):
        if came is None and reply in text:
            came = time.monotonic()
        if select.select([fd], [], [], 0.01)[0]:
            try:
                piece = os.read(fd, 4096)
            except OSError:  # EIO: the port went away
                piece = b""
            gone, text = not piece, text + piece
    os.close(fd)
    noise = re.compile(rb"^(~noise~\r\n)+|(~noise~\r\n)+$")
    check(bool(noise.search(text)) == (then == NOISY) and noise.sub(b"", text) == reply and
          not gone and (not least or (came or 0) - asked >= least), port, sent, text)


def main():
    read = lambda *path: open(os.path.join(*path), encoding="utf-8", newline="").read()
    for options, steps, records, log in SCENARIOS:
        with tempfile.TemporaryDirectory() as runtime:
            folder = os.path.join(runtime, "kvr")
            os.mkdir(folder)
            for name, text in [("kvr/notes.txt", "someone else's\n"), ("lines.log", "earlier run\n"),
                               ("replies.txt", "# answers of the bench reader\n\n/read status\t"
                                "READY\n/read *\tSOME\r\nABC???\tSIX\n#x\tNOT A RULE\nEMPTY\t\n")]:
                open(os.path.join(runtime, name), "w").write(text)
            end(start(runtime, "--readers", "40", "--first-port", "5"), signal.SIGKILL)
            sim = start(runtime, *options, "--log", "lines.log")
            check(sim.first == b"ready\n", options, sim.first)
            # Latecomers leave the folder to it: a second simulator and a third (so the second
            # left the lock) end with 1, wrong command lines with 2, before they touch the folder.
            for line in ["--readers 3"] * 2 + WRONG:
                late = start(runtime, *line.split())
                check(end(late) == 2 if line in WRONG else end(late) == 1 and late.stderr.read() ==
                      b"kvr-sim: another kvr-sim is already running in %s\n" % folder.encode(),
                      options, line)
            for step in steps:
                exchange(folder, *step)
            registry = read(folder, "registry.reg")
            check(registry == records if records.startswith("Windows") else records in registry,
                  options, registry)
            check(log is None or read(runtime, "lines.log") == "earlier run\n" + log, options)
            check(end(sim, signal.SIGTERM) == 0 and os.listdir(folder) == ["notes.txt"], options)
    # Where its lock file cannot be made, a simulator says so and leaves the folder as it was.
    with tempfile.TemporaryDirectory() as runtime:
        os.makedirs(os.path.join(runtime, "kvr", "kvr-sim.lock"))
        sim = start(runtime)
        check(end(sim) == 1 and sim.stderr.read().decode() == "kvr-sim: cannot create %s/kvr/"
              "kvr-sim.lock: Is a directory\n" % runtime, "lock")
        check(os.listdir(os.path.join(runtime, "kvr")) == ["kvr-sim.lock"], "lock")
    # A line of the reply table that is no rule is named by its number, blank and comment lines
    # counted, and nothing is made.
    with tempfile.TemporaryDirectory() as runtime:
        open(os.path.join(runtime, "bad.txt"), "w").write("# rules\n\nno tab\n")
        sim = start(runtime, "--reply", "bad.txt")
        check(end(sim) == 2 and sim.stderr.read().startswith(
            b"kvr-sim: bad.txt, line 3: no tab between pattern and answer\n"), "reply table")
        check(os.listdir(runtime) == ["bad.txt"], "reply table")
    print("\n".join(failures + ["%d failures" % len(failures)]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
