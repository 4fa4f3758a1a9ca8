#!/usr/bin/env python3
"""How far a hair's change of an input moves a run's results.

Each scenario (.zef, run through tools/zef_run) and each case (.json, run
through examples/release_example) runs as given and with three hair variants:
the inlet rates times (1 + 1e-5), the first pipe 0.5 m longer and the wall
roughness times 1.001. With --keep-length the pipe variant of a case also
ends its first branch 0.5 m sooner (its last pipe's end moves back along that
pipe), so the line moves but keeps its length and inventory: what is left of
the spread then is not the added line. Prints, per file, the total released, the peak and the
oil out of the run as given and the spread of each over the four runs
((max - min) / value as given, in %), and the release time of each run.

Usage: scripts/hair_spread.py [--bin BUILD] [--jobs N] [--keep-length] FILE...
(default: build-rel, the bundled scenarios and examples/cases).
"""
import argparse
import concurrent.futures as cf
import copy
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
VARIANTS = ["as given", "rate 1e-5", "pipe +0.5 m", "rough 0.1 %"]
WORDS = ["total_mass", "peak_total_mass", "oil_out", "time"]


# ----------------------------------------------------------------- scenarios
def zef_variant(text, which):
    def scale(name, f, first_only=False):
        pat = re.compile(r'(<attribute name="%s">\s*<real val=")([^"]+)(")' % name)
        n = [0]

        def rep(m):
            n[0] += 1
            if first_only and n[0] > 1:
                return m.group(0)
            return m.group(1) + repr(f(float(m.group(2)))) + m.group(3)

        out = pat.sub(rep, text)
        if n[0] == 0:
            raise ValueError("no attribute " + name)
        return out

    if which == 1:
        return scale("flowrate", lambda v: v * (1.0 + 1e-5))
    if which == 2:
        return scale("length", lambda v: v + 0.5, first_only=True)
    if which == 3:
        return scale("roughness", lambda v: v * 1.001)
    return text


def run_zef(bindir, path, which, work):
    d = tempfile.mkdtemp(dir=work)
    with open(path) as f:
        text = f.read()
    dst = os.path.join(d, os.path.basename(path))
    with open(dst, "w") as f:
        f.write(zef_variant(text, which))
    exe = os.path.join(bindir, "bin", "zef_run")
    p = subprocess.run([exe, dst], capture_output=True, text=True, cwd=d)
    words = {}
    for line in p.stdout.splitlines():
        parts = line.split()
        if len(parts) == 2 and parts[0] in WORDS:
            words[parts[0]] = float(parts[1])
    warn = [l for l in p.stdout.splitlines() if "SETTLE" in l.upper()]
    return words, p.returncode, warn


# --------------------------------------------------------------------- cases
def along(a, b, d):
    """The point d metres from b back towards a (x, depth)."""
    dx, dz = b.get("x", 0.0) - a.get("x", 0.0), b["depth"] - a["depth"]
    n = math.hypot(dx, dz)
    return b.get("x", 0.0) - d * dx / n, b["depth"] - d * dz / n


def case_variant(case, which, keep_length=False):
    c = copy.deepcopy(case)
    if which == 1:
        for inlet in c["inlets"]:
            inlet["rate"] = inlet["rate"] * (1.0 + 1e-5)
    elif which == 2:
        # The first branch starts 0.5 m further back along its first pipe.
        br = c["network"]["branches"][0]
        s, e = br["start"], br["pipes"][0]["end"]
        dx, dz = e["x"] - s.get("x", 0.0), e["depth"] - s["depth"]
        n = math.hypot(dx, dz)
        s["x"] = s.get("x", 0.0) - 0.5 * dx / n
        s["depth"] = s["depth"] - 0.5 * dz / n
        if keep_length:
            # ... and the line ends 0.5 m sooner along the last pipe to the
            # outlet: the branch whose end no other branch shares (a
            # junction's point stays where it is).
            brs = c["network"]["branches"]

            def key(p):
                return (p.get("x", 0.0), p["depth"])

            ends = [b["pipes"][-1]["end"] for b in brs]
            joints = [key(b["start"]) for b in brs] + [key(e) for e in ends]
            out = [b for b, e in zip(brs, ends) if joints.count(key(e)) == 1]
            if out:
                pipes = out[0]["pipes"]
                prev = pipes[-2]["end"] if len(pipes) > 1 else out[0]["start"]
                last = pipes[-1]["end"]
                last["x"], last["depth"] = along(prev, last, 0.5)
    elif which == 3:
        for br in c["network"]["branches"]:
            pd = br.setdefault("pipe_defaults", {})
            pd["roughness"] = pd.get("roughness", 5e-5) * 1.001
            for p in br["pipes"]:
                if "roughness" in p:
                    p["roughness"] *= 1.001
    return c


def run_case(bindir, path, which, work, keep_length=False):
    d = tempfile.mkdtemp(dir=work)
    with open(path) as f:
        case = json.load(f)
    dst = os.path.join(d, os.path.basename(path))
    with open(dst, "w") as f:
        json.dump(case_variant(case, which, keep_length), f)
    exe = os.path.join(bindir, "examples", "release_example")
    p = subprocess.run([exe, dst], capture_output=True, text=True, cwd=d)
    words = {}
    warn = []
    for line in p.stdout.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0] in WORDS:
            words[parts[0]] = float(parts[1])
        if line.strip().startswith("MSG") and "SETTLE" in line.upper():
            warn.append(line.strip())
    return words, p.returncode, warn


def spread(vals, base):
    if not vals or base == 0.0:
        return float("nan")
    return 100.0 * (max(vals) - min(vals)) / abs(base)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(ROOT, "build-rel"))
    ap.add_argument("--jobs", type=int, default=4)
    ap.add_argument("--keep-length", action="store_true",
                    help="cases: the pipe variant moves the line, keeping its length")
    ap.add_argument("files", nargs="*")
    a = ap.parse_args()
    a.bin = os.path.abspath(a.bin)
    files = a.files or sorted(
        [os.path.join(ROOT, "examples/scenarios", f)
         for f in os.listdir(os.path.join(ROOT, "examples/scenarios")) if f.endswith(".zef")] +
        [os.path.join(ROOT, "examples/cases", f)
         for f in os.listdir(os.path.join(ROOT, "examples/cases")) if f.endswith(".json")])
    work = tempfile.mkdtemp(prefix="hair_spread.")
    jobs = {}
    with cf.ThreadPoolExecutor(a.jobs) as ex:
        for path in files:
            for w in range(4):
                if path.endswith(".zef"):
                    jobs[(path, w)] = ex.submit(run_zef, a.bin, path, w, work)
                else:
                    jobs[(path, w)] = ex.submit(run_case, a.bin, path, w, work, a.keep_length)
    shutil.rmtree(work, ignore_errors=True)

    head = "%-34s %10s %7s %9s %7s %9s %7s  %s" % (
        "file", "total kg", "spr %", "peak kg/s", "spr %", "oil m3", "spr %",
        "release time s (" + ", ".join(VARIANTS) + ")")
    print(head)
    worst = 0
    for path in files:
        res = [jobs[(path, w)].result() for w in range(4)]
        if any(r[1] != 0 or "total_mass" not in r[0] for r in res):
            print("%-34s failed: exit %s" % (os.path.basename(path), [r[1] for r in res]))
            worst = 1
            continue
        cols = []
        for k in ["total_mass", "peak_total_mass", "oil_out"]:
            vals = [r[0][k] for r in res]
            cols += [vals[0], spread(vals, vals[0])]
        times = " ".join("%.1f" % r[0]["time"] for r in res)
        print("%-34s %10.1f %7.3f %9.3f %7.3f %9.3f %7.3f  %s" %
              (os.path.basename(path), *cols, times))
        for w, r in enumerate(res):
            for line in r[2]:
                print("    %s: %s" % (VARIANTS[w], line[:200]))
    return worst


if __name__ == "__main__":
    sys.exit(main())
