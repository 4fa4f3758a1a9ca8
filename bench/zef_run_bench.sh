#!/usr/bin/env bash
# Wall time of tools/zef_run on each example scenario next to the time the
# library's RELEASE call took inside it, so the program's own share (start,
# loading, the network check, the fluid tables, files and report) is
# visible, with the voluntary context switches of the process (all its
# threads) and the checksum of the result files. Each figure is the median of
# REPEATS runs. Several build folders give one block each, for instance an
# older build and this one on the same machine. Not a test: it measures.
#
#   bash bench/zef_run_bench.sh [-n REPEATS] [BUILD_DIR...]
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=5
if [ "${1:-}" = "-n" ]; then repeats=$2; shift 2; fi
[ $# -gt 0 ] || set -- build
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

printf '%-28s %-24s %9s %10s %11s %9s  %s\n' scenario build wall_s release_s overhead_s vol_cs results_sha256
for build in "$@"; do
  zef_run="$build/bin/zef_run"
  [ -x "$zef_run" ] || { echo "no $zef_run: build the target zef_run first" >&2; exit 2; }
  for src in examples/scenarios/*.zef; do
    name=$(basename "$src" .zef)
    # One run per line: wall seconds, the library's seconds, voluntary
    # context switches (wait4 of the child), then the result checksum.
    python3 - "$zef_run" "$src" "$scratch" "$repeats" <<'EOF' > "$scratch/runs"
import hashlib, os, shutil, subprocess, sys, time
zef_run, src, scratch, repeats = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
base = os.path.splitext(os.path.basename(src))[0]
for _ in range(repeats):
    folder = os.path.join(scratch, "run")
    shutil.rmtree(folder, ignore_errors=True)
    os.mkdir(folder)
    zef = os.path.join(folder, base + ".zef")
    shutil.copy(src, zef)
    out = open(os.path.join(scratch, "out"), "w+")
    start = time.monotonic()
    child = subprocess.Popen([zef_run, zef], stdout=out, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit("%s failed on %s" % (zef_run, src))
    out.seek(0)
    release = next(float(l.split()[1]) for l in out if l.startswith("release_seconds "))
    digest = hashlib.sha256()
    for ext in (".plt", ".log", ".brn"):
        with open(os.path.join(folder, base + ext), "rb") as f:
            digest.update(f.read())
    print("%.6f %.6f %d %s" % (wall, release, usage.ru_nvcsw, digest.hexdigest()[:16]))
EOF
    median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    wall=$(awk '{ print $1 }' "$scratch/runs" | median)
    rel=$(awk '{ print $2 }' "$scratch/runs" | median)
    vcs=$(awk '{ print $3 }' "$scratch/runs" | median)
    sums=$(awk '{ print $4 }' "$scratch/runs" | sort -u | paste -sd, -)
    printf '%-28s %-24s %9.3f %10.3f %11.3f %9d  %s\n' "$name.zef" "$build" "$wall" "$rel" \
      "$(awk -v a="$wall" -v b="$rel" 'BEGIN { printf "%.6f", a - b }')" "$vcs" "$sums"
  done
done
