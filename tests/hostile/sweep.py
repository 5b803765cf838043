"""The hostile-call sweep: seeded random call sequences over every function
of the extension module, each sequence in a child process, so that a crash,
a hang or an interpreter-level error is caught and named with the sequence
that caused it.

A sequence is a list of Python statements. Each call's arguments are drawn
from what earlier statements made (live objects, deleted ones, objects of
other classes, iterators, element references) and from hostile values:
proxies whose "this" names another proxy, loops, raises or runs code that
deletes or resizes other objects, sequences and indices that run code, odd
numbers, strings, bytes, buffers and numpy arrays. A child writes every
statement to its log before it runs it, so the log replays the sequence.

    /usr/bin/python3 tests/hostile/sweep.py --seconds 600 [--sanitized] [--build DIR]

runs sequences for ten minutes (--sanitized: against the address- and
undefined-behaviour-sanitized build, build-asan/), prints the number of calls
and the share of the module's functions reached, and for each finding writes
a shortened reproducer into --findings (default sweep-findings/). With
--replay FILE it runs one reproducer. Exit status 1 means findings.
"""

import argparse
import ast
import faulthandler
import json
import os
import pathlib
import random
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent

# --- what the module's functions take, from the wrapper descriptions -----------


def signatures():
    """{function: {"class": ..., "kind": ..., "forms": [[argument kind, ...], ...]}}"""
    sys.path.insert(0, str(ROOT / "tools" / "wrapgen"))
    import generate
    import model
    module, _ = generate.load(str(ROOT / "python_interface" / "wrappers"))

    def kind(arg):
        if isinstance(arg, model.Implicit):
            return ["format"]
        if isinstance(arg, model.Object):
            return ["object", arg.cls.name]
        if isinstance(arg, model.Scalar):
            return ["float" if arg.ctype in ("double", "float") else "int"]
        if isinstance(arg, model.String):
            return ["str"]
        if isinstance(arg, model.Buffer):
            return ["buffer"]
        if isinstance(arg, model.VoidPointer):
            return ["any"]
        text = arg.text
        if text == "PySliceObject *":
            return ["slice"]
        if "SwigPyIterator" in text or text.endswith("::iterator"):
            return ["iterator"]
        if "std::vector" in text:
            return ["sequence"]
        if text == "ptrdiff_t":
            return ["int"]
        return ["any"]

    found = {}
    for f in module.functions():
        forms = [[kind(a) for a in o.args] for o in f.overloads]
        if f.custom == "delete":
            forms = [[["object", f.cls.name]]]
        elif f.custom == "register":
            forms = [[["class"]]]
        elif f.custom == "init":
            forms = [[["any"], ["any"]]]
        elif f.custom == "external":
            forms = [[["object", f.cls.name], ["any"]]]
        found[f.name] = {"class": f.cls.name, "kind": f.kind, "forms": forms}
    return found


# --- the child: makes and runs one sequence ------------------------------------------

PRELUDE = """\
import gc, sys
sys.path.insert(0, {package!r})
sys.path.insert(0, {here!r})
import numpy as np
import tarn_lux as t
from tarn_lux import _tarn_lux_python_interface as m
import hostile as H
o = {{}}

def keep(slot, value):
    if value is not None and not isinstance(value, (bool, int, float, str, bytes)):
        o[slot] = value
"""

RUNNER = """
def run(statement):
    try:
        exec(statement, globals())
    except SystemError:
        raise
    except Exception:
        pass

for statement in STATEMENTS:
    run(statement)
print("replayed", len(STATEMENTS))
"""

INTS = ["0", "1", "2", "3", "5", "8", "13", "64", "255", "256", "1000", "65535", "65536", "-1", "-2",
        "2**40", "-2**31-1", "2**63", "2**64-1", "2**64", "-2**63", "10**30",
        "True", "H.IntWithCode(2)"]
SIZES = ["0", "1", "2", "3", "4", "5", "7", "8", "16", "17", "33", "64", "100"]
FLOATS = ["0.0", "0.5", "1.5", "-1.0", "2.0", "1e39", "-1e39", "float('inf')", "float('nan')", "1e308", "3"]
STRINGS = ["''", "'x'", "'Mono8'", "'BayerRG8'", "'/nonexistent/file.png'", "'\\ud800'", "'\\u00e9t\\u00e9.bmp'",
           "'a' * 10000"]
JUNK = ["None", "object()", "b'bytes'", "bytearray(8)", "[]", "[1, 2]", "(1,)", "{}", "1.5", "'text'", "m",
        "np.zeros(4)", "np.zeros((2, 2), np.uint16)", "memoryview(b'ro')", "slice(None)", "len", "type",
        "H.Raises()", "H.cycle()", "H.cycle(3)", "H.Proxy(5)", "H.Proxy(None)", "H.Proxy('this')"]
BUFFERS = ["bytearray(0)", "bytearray(16)", "bytearray(4096)", "bytearray(1 << 20)", "np.zeros(64, np.uint8)",
           "np.zeros((8, 8, 3), np.uint8)", "np.zeros(100, np.uint16)[::2]", "b'readonly'",
           "memoryview(bytearray(64))", "np.zeros(16, np.float32)"]
FORMAT_NAMES = ["Mono8", "Mono10", "Mono12", "Mono10p", "Mono12p", "BayerRG8", "BayerGB12", "BayerBG10p",
                "RGB8", "BGR8", "RGBa8", "BGRa12", "RGB10p32", "YUV420_8_YY_UV_SemiplanarORX", "Mono10g40ORX",
                "BayerRG12g24ORX", "Invalid"]


CONTAINERS = {"VectorVideo", "VectorUInt64", "VectorUInt32", "VectorInt32", "VectorPoint2D", "VectorPixelLineChannel",
              "VectorHistogramChannel", "SharpnessROIList", "PixelFormatList"}


class Child:
    def __init__(self, rng, sigs, log, m):
        self.rng = rng
        self.sigs = sigs
        self.log = log
        self.m = m
        self.step = 0
        self.namespace = None
        self.calls = {}
        self.successes = {}
        self.by_class = {}
        self.counts = False
        self.hang_seconds = None

    # --- statements ---

    def run(self, statement, call=None):
        self.log.write(repr(statement) + ",\n")
        self.log.flush()
        if self.hang_seconds:
            # Each statement has the whole limit: one that does not come back
            # in time is a hang; the traceback goes to stderr and the child
            # exits.
            faulthandler.dump_traceback_later(self.hang_seconds, exit=True)
        try:
            exec(statement, self.namespace)
            ok = True
        except SystemError:
            raise
        except Exception:  # noqa: BLE001 - every failure is an answer
            ok = False
        if call:
            self.calls[call] = self.calls.get(call, 0) + 1
            if ok:
                self.successes[call] = self.successes.get(call, 0) + 1
        return ok

    def pool(self):
        return self.namespace["o"]

    def slot(self):
        self.step += 1
        return self.step

    def classify(self):
        self.by_class = {}
        for key, value in list(self.pool().items()):
            self.by_class.setdefault(type(value).__name__, []).append(key)

    # --- arguments ---

    def pick(self, choices):
        return self.rng.choice(choices)

    def pooled(self, cls=None):
        keys = self.by_class.get(cls) if cls else None
        if not keys:
            keys = list(self.pool().keys())
        return f"o[{self.pick(keys)}]" if keys else "None"

    def action(self):
        """A line of hostile code for a "this" property, a sequence or an index."""
        victim = self.pooled()
        choice = self.rng.random()
        if choice < 0.35:
            kind = type(self.pool().get(int(victim[2:-1]) if victim != "None" else None)).__name__
            return f"lambda: m.delete_{kind}({victim})"
        if choice < 0.5:
            return f"lambda: o.pop({victim[2:-1] if victim != 'None' else 0}, None)"
        if choice < 0.65:
            return f"lambda: {victim}.clear()"
        if choice < 0.75:
            return f"lambda: {victim}.append({self.pooled()})"
        if choice < 0.85:
            return "lambda: gc.collect()"
        return f"lambda: {victim}.__delitem__(slice(None))"

    def hostile_object(self, cls):
        target = self.pooled(cls)
        choice = self.rng.random()
        if choice < 0.4:
            return f"H.RunsCode({target}, {self.action()})"
        if choice < 0.55:
            return f"H.chain({target}, {self.pick(['1', '2', '7', '8', '9', '50'])})"
        if choice < 0.7:
            return self.pick(["H.cycle()", "H.cycle(5)", "H.Raises()", "H.Proxy(H.Proxy(None))"])
        if choice < 0.85 and cls and f"new_{cls}" in self.sigs:
            return f"H.Fresh(lambda: m.new_{cls}())"
        return f"H.Proxy({target})"

    def argument(self, kind):
        r = self.rng.random()
        what = kind[0]
        if what == "object":
            cls = kind[1]
            if r < 0.6:
                return self.pooled(cls)
            if r < 0.7:
                return self.pooled()
            if r < 0.85:
                return self.hostile_object(cls)
            return self.pick(JUNK)
        if what == "int":
            if r < 0.5:
                return self.pick(SIZES)
            if r < 0.85:
                return self.pick(INTS)
            if r < 0.93 and not self.counts:
                return f"m.PixelFormatName_{self.pick(FORMAT_NAMES)}"
            return self.pick(JUNK + FLOATS)
        if what == "float":
            return self.pick(FLOATS) if r < 0.8 else self.pick(INTS + JUNK)
        if what == "str":
            return self.pick(STRINGS) if r < 0.8 else self.pick(JUNK)
        if what == "buffer":
            return self.pick(BUFFERS) if r < 0.8 else self.pick(JUNK + [self.pooled()])
        if what == "format":
            if r < 0.6:
                return f"m.PixelFormatName_{self.pick(FORMAT_NAMES)}"
            if r < 0.8:
                return self.pooled("PixelFormat")
            return self.pick(JUNK + INTS + [self.hostile_object("PixelFormat")])
        if what == "slice":
            if r < 0.6:
                bounds = [self.pick(["None", "0", "1", "-1", "2", "5", "-7", "2**70"]) for _ in range(3)]
                return f"slice({', '.join(bounds)})"
            if r < 0.8:
                return f"slice(H.Index(1, {self.action()}), None)"
            return self.pick(JUNK + INTS)
        if what == "sequence":
            items = ", ".join(self.pooled() for _ in range(self.rng.randint(0, 3)))
            if r < 0.3:
                return f"[{items}]"
            if r < 0.5:
                return f"[{', '.join(self.pick(SIZES) for _ in range(self.rng.randint(0, 4)))}]"
            if r < 0.7:
                return f"H.Sequence([{items}], {self.action()}, 0)"
            if r < 0.8:
                return f"H.Sequence([], None, 0, length={self.pick(['3', '-1', '2**40'])})"
            return self.pooled()
        if what == "iterator":
            return self.pooled("SwigPyIterator") if r < 0.7 else self.pooled()
        if what == "class":
            return self.pick(["H.RefusingNew", "H.RefusingThis", "H.StealingThis", "int", "5", "None",
                              "type(len)", "H.Proxy"])
        return self.pooled() if r < 0.5 else self.pick(JUNK + INTS + STRINGS + BUFFERS)

    # --- calls ---

    def seed_objects(self):
        for name in sorted(self.sigs):
            if name.startswith("new_") and [] in self.sigs[name]["forms"]:
                slot = self.slot()
                self.run(f"keep({slot}, getattr(t, {name[4:]!r}, lambda: None)())")
        for fmt in self.rng.sample(FORMAT_NAMES, 6):
            slot = self.slot()
            w, h = self.pick(SIZES[1:]), self.pick(SIZES[1:])
            self.run(f"keep({slot}, m.Image_CreateFromSize(m.PixelFormatName_{fmt}, {w}, {h}))")
        for cls in ("VectorInt32", "VectorPoint2D", "PixelFormatList", "VectorUInt64", "SharpnessROIList"):
            slot = self.slot()
            self.run(f"keep({slot}, t.{cls}({self.pick(['0', '3', '7'])}))")

    def call(self, name):
        sig = self.sigs[name]
        # Format values are about 2**30: as element counts they ask for
        # gigabytes, which is a caller's right, not a finding.
        self.counts = sig["class"] in CONTAINERS
        if self.rng.random() < 0.75:
            form = self.pick(sig["forms"])
            args = [self.argument(kind) for kind in form]
        else:
            args = [self.argument(["any"]) for _ in range(self.rng.randint(0, 6))]
        slot = self.slot()
        self.run(f"keep({slot}, m.{name}({', '.join(args)}))", call=name)

    def sequence(self, steps):
        names = sorted(self.sigs)
        registers = [n for n in names if n.endswith("_swigregister")]
        others = [n for n in names if n not in registers]
        self.seed_objects()
        for step in range(steps):
            if step % 16 == 0:
                self.classify()
            r = self.rng.random()
            if r < 0.003:
                self.call(self.pick(registers))
            elif r < 0.02:
                victim = self.pick(list(self.pool().keys()) or [0])
                self.run(f"o.pop({victim}, None)")
            elif r < 0.04:
                self.run("gc.collect()")
            else:
                self.call(self.pick(others))
        self.run("o.clear(); gc.collect()")


def child_main(args):
    package = str(pathlib.Path(args.build) / "python")
    prelude = PRELUDE.format(package=package, here=str(HERE))
    sigs = json.loads(pathlib.Path(args.signatures).read_text())
    namespace = {}
    exec(prelude, namespace)
    with open(args.log, "w") as log:
        log.write(prelude + "\nSTATEMENTS = [\n")
        child = Child(random.Random(args.seed), sigs, log, namespace["m"])
        child.namespace = namespace
        child.hang_seconds = args.hang_seconds
        try:
            child.sequence(args.steps)
        finally:
            faulthandler.cancel_dump_traceback_later()
            log.write("]\n" + RUNNER)
    pathlib.Path(args.stats).write_text(json.dumps({"calls": child.calls, "successes": child.successes}))


# --- the parent: runs children, keeps findings ----------------------------------------

def sanitizer_environment():
    def runtime(name):
        return subprocess.run(["gcc", f"-print-file-name={name}"], capture_output=True, text=True).stdout.strip()
    return {"LD_PRELOAD": f"{runtime('libasan.so')}:{runtime('libubsan.so')}",
            "ASAN_OPTIONS": "detect_leaks=0:allocator_may_return_null=1:abort_on_error=0:exitcode=86",
            "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1:exitcode=87"}


def run_script(path, environment, timeout):
    try:
        done = subprocess.run([sys.executable, str(path)], capture_output=True, text=True, timeout=timeout,
                              env=environment, cwd=os.path.dirname(os.path.abspath(path)))
        return done.returncode, done.stderr
    except subprocess.TimeoutExpired as expired:
        return "timeout", (expired.stderr or b"").decode(errors="replace") if isinstance(expired.stderr, bytes) \
            else (expired.stderr or "")


def statements_of(log_text):
    head, _, rest = log_text.partition("\nSTATEMENTS = [\n")
    body = rest.split("\n]\n", 1)[0]
    # A crash can cut the last line short.
    lines = [line for line in body.splitlines() if line.endswith(",")]
    return head, [ast.literal_eval(line[:-1]) for line in lines]


def write_script(path, head, statements):
    path.write_text(head + "\nSTATEMENTS = [\n" + "".join(repr(s) + ",\n" for s in statements) + "]\n" + RUNNER)


def fails(path, environment, timeout):
    status, _ = run_script(path, environment, timeout)
    return status != 0


def shorten(log_text, environment, timeout, budget_seconds):
    """Drops statements while the failure stays (a few rounds of delta
    debugging within the time budget)."""
    head, statements = statements_of(log_text)
    deadline = time.time() + budget_seconds
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="sweep-shorten-")) / "candidate.py"
    chunk = max(1, len(statements) // 2)
    while chunk >= 1 and time.time() < deadline:
        i, progressed = 0, False
        while i < len(statements) and time.time() < deadline:
            candidate = statements[:i] + statements[i + chunk:]
            write_script(scratch, head, candidate)
            if candidate and fails(scratch, environment, timeout):
                statements, progressed = candidate, True
            else:
                i += chunk
        if not progressed:
            chunk //= 2
    return head, statements


def parent_main(args):
    build = pathlib.Path(args.build or (ROOT / ("build-asan" if args.sanitized else "build"))).resolve()
    environment = dict(os.environ)
    if args.sanitized:
        environment.update(sanitizer_environment())
    findings_dir = pathlib.Path(args.findings)
    work = pathlib.Path(tempfile.mkdtemp(prefix="sweep-"))
    sig_file = work / "signatures.json"
    sigs = signatures()
    sig_file.write_text(json.dumps(sigs))
    if args.replay:
        status, stderr = run_script(pathlib.Path(args.replay).resolve(), environment, args.hang_seconds * 4)
        print(stderr[-4000:])
        print("replay status", status)
        return 1 if status != 0 else 0

    deadline = time.time() + args.seconds
    calls, successes, findings, children = {}, {}, [], 0
    seed = args.seed
    running = []
    while time.time() < deadline or running:
        while len(running) < args.jobs and time.time() < deadline:
            log, stats = work / f"log-{seed}.py", work / f"stats-{seed}.json"
            command = [sys.executable, __file__, "--child", "--seed", str(seed), "--steps", str(args.steps),
                       "--build", str(build), "--signatures", str(sig_file), "--log", str(log),
                       "--stats", str(stats), "--hang-seconds", str(args.hang_seconds)]
            # Children run in the work folder: files the calls write stay there.
            process = subprocess.Popen(command, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                       text=True, cwd=work)
            running.append((seed, process, log, stats, time.time()))
            seed += 1
        time.sleep(0.05)
        for entry in list(running):
            child_seed, process, log, stats, started = entry
            if process.poll() is None:
                if time.time() - started > args.hang_seconds * 6:
                    process.kill()
                continue
            running.remove(entry)
            children += 1
            stderr = process.stderr.read()
            if process.returncode == 0 and stats.exists():
                counted = json.loads(stats.read_text())
                for name, n in counted["calls"].items():
                    calls[name] = calls.get(name, 0) + n
                for name, n in counted["successes"].items():
                    successes[name] = successes.get(name, 0) + n
                log.unlink(missing_ok=True)
                stats.unlink(missing_ok=True)
                continue
            findings.append((child_seed, process.returncode, stderr, log))

    total = len(sigs)
    print(f"sweep: {children} sequences, {sum(calls.values())} calls, "
          f"{len(calls)}/{total} functions called ({100 * len(calls) / total:.1f} %), "
          f"{len(successes)}/{total} answered without an error ({100 * len(successes) / total:.1f} %)")
    if not findings:
        print("no findings")
        return 0
    findings_dir.mkdir(parents=True, exist_ok=True)
    for child_seed, status, stderr, log in findings:
        print(f"\nFINDING: seed {child_seed}, exit status {status}\n{stderr[-3000:]}")
        text = log.read_text() if log.exists() else ""
        if not text or "\nSTATEMENTS = [\n" not in text:
            continue
        if "\n]\n" not in text:
            text += "]\n" + RUNNER
        _, ran = statements_of(text)
        if ran:
            print(f"the last statement it ran: {ran[-1]}")
        head, statements = shorten(text, environment, args.hang_seconds * 1.5, args.shorten_seconds)
        target = findings_dir / f"finding-{child_seed}.py"
        write_script(target, head, statements)
        print(f"reproducer ({len(statements)} statements): {target}")
        for statement in statements[-12:]:
            print("    " + statement)
    return 1


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--steps", type=int, default=400, help="calls per sequence")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--sanitized", action="store_true")
    parser.add_argument("--build")
    parser.add_argument("--findings", default="sweep-findings")
    parser.add_argument("--hang-seconds", type=float, default=20)
    parser.add_argument("--shorten-seconds", type=float, default=120)
    parser.add_argument("--replay")
    parser.add_argument("--child", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--signatures", help=argparse.SUPPRESS)
    parser.add_argument("--log", help=argparse.SUPPRESS)
    parser.add_argument("--stats", help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.child:
        child_main(args)
        return 0
    return parent_main(args)


if __name__ == "__main__":
    sys.exit(main())
