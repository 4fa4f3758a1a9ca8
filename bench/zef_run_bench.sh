#!/usr/bin/env bash
# Wall time of tools/zef_run on each example scenario next to the time the
# library's RELEASE call took inside it, so the program's own share (start,
# loading, the network check, the fluid tables, files and report) is
# visible, with the voluntary context switches of the process (all its
# threads) and the checksum of the result files. Each figure is the median of
# REPEATS runs. Several build folders give one block each, for instance an
# older build and this one on the same machine. Not a test: it measures.
#
# Where the build has the probe (bench/vector_state_probe.c, target
# vector_state_probe), it is preloaded: the CPU time of the fluid-table call
# (COMPPVT or BLACKOIL) and of RELEASE, and the register-in-use state
# (xgetbv(1)) where zef_run enters RELEASE and at the library's first libm
# call inside it, are added to each row. The probe's own cost is a few
# instructions per libm call, in every row alike. With release_bench built
# too, each row with a COMPPVT call also gives release_bench's CPU time for
# the same composition (the one the probe saw): its first call in a fresh
# process (cold; one such process right after each zef_run, so that both see
# the same load; the median) and its repeated call (warm, tables/...), under
# the same environment (not for -l rows: release_bench carries its own copy
# of the library).
#
#   bash bench/zef_run_bench.sh [-n REPEATS] [-l LIBDIR] [-t] [BUILD_DIR...]
#
#   -l LIBDIR  also runs each build's zef_run on the library in LIBDIR (for
#              instance one built from an older commit), rows "BUILD/old-lib"
#   -t         also runs each with the C library's wide-vector routines
#              switched off (GLIBC_TUNABLES), rows "BUILD/no-avx512"
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=5
old_lib=""
tunables=0
while [ $# -gt 0 ]; do
  case "$1" in
    -n) repeats=$2; shift 2 ;;
    -l) old_lib=$(cd "$2" && pwd); shift 2 ;;
    -t) tunables=1; shift ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || set -- build
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
off_switch='glibc.cpu.hwcaps=-AVX512F,-AVX512VL,-AVX512BW'

printf '%-24s %-22s %8s %9s %10s %7s %9s %8s %8s %10s %-13s  %s\n' scenario run wall_s \
  release_s overhead_s vol_cs tables_ms cold_ms warm_ms release_ms state_in/at results_sha256
for build in "$@"; do
  zef_run="$build/bin/zef_run"
  [ -x "$zef_run" ] || { echo "no $zef_run: build the target zef_run first" >&2; exit 2; }
  probe=$(ls "$build"/lib/libvector_state_probe.so "$build"/bench/libvector_state_probe.so \
            2>/dev/null | head -1 || true)
  # Each variant: its label, then the environment of its runs.
  bench=""
  [ -n "$probe" ] && [ -x "$build/bench/release_bench" ] && bench="$build/bench/release_bench"
  variants=("$build|")
  [ -n "$old_lib" ] && variants+=("$build/old-lib|LD_LIBRARY_PATH=$old_lib")
  [ "$tunables" = 1 ] && variants+=("$build/no-avx512|GLIBC_TUNABLES=$off_switch")
  for src in examples/scenarios/*.zef; do
    name=$(basename "$src" .zef)
    for variant in "${variants[@]}"; do
      label=${variant%%|*}
      extra=${variant#*|}
      # One run per line: wall seconds, the library's seconds, voluntary
      # context switches (wait4 of the child), the probe's table and
      # RELEASE CPU milliseconds and states, then the result checksum.
      run_bench=$bench
      case "$extra" in LD_LIBRARY_PATH=*) run_bench="" ;; esac
      python3 - "$zef_run" "$src" "$scratch" "$repeats" "$probe" "$extra" "$run_bench" \
        <<'EOF' > "$scratch/runs"
import hashlib, json, os, shutil, subprocess, sys, time
zef_run, src, scratch, repeats, probe, extra, bench = sys.argv[1:8]
repeats = int(repeats)
base = os.path.splitext(os.path.basename(src))[0]
env = dict(os.environ)
if extra:
    key, value = extra.split("=", 1)
    env[key] = value
if probe:
    env["LD_PRELOAD"] = probe
comp = None
lines = []
bench_env = dict(env)
bench_env.pop("LD_PRELOAD", None)
for _ in range(repeats):
    folder = os.path.join(scratch, "run")
    shutil.rmtree(folder, ignore_errors=True)
    os.mkdir(folder)
    zef = os.path.join(folder, base + ".zef")
    shutil.copy(src, zef)
    out = open(os.path.join(scratch, "out"), "w+")
    err = open(os.path.join(scratch, "err"), "w+")
    start = time.monotonic()
    child = subprocess.Popen([zef_run, zef], stdout=out, stderr=err, env=env)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit("%s failed on %s" % (zef_run, src))
    out.seek(0)
    release = next(float(l.split()[1]) for l in out if l.startswith("release_seconds "))
    err.seek(0)
    tables_ms, release_ms, state = 0.0, 0.0, "-"
    for line in err:
        words = line.split()
        if not words or words[0] != "vector_state":
            continue
        fields = dict(w.split("=", 1) for w in words[2:] if "=" in w)
        if words[1] == "COMPPVT" and "comp" in fields:
            comp = fields["comp"]
        if words[1] == "RELEASE":
            release_ms += float(fields["cpu_ms"])
            state = "%s/%s" % (fields.get("inside", "?"), fields.get("at_call", "?"))
        else:
            tables_ms += float(fields["cpu_ms"])
    digest = hashlib.sha256()
    for ext in (".plt", ".log", ".brn"):
        with open(os.path.join(folder, base + ext), "rb") as f:
            digest.update(f.read())
    # release_bench's first call in a fresh process on the same composition,
    # CPU ms, right after this run.
    cold = "-"
    if bench and comp:
        child = subprocess.run([bench, "--cold-tables=" + comp], env=bench_env,
                               capture_output=True, text=True, check=True)
        cold = "%.1f" % float(child.stdout.split()[0])
    lines.append("%.6f %.6f %d %.1f %.1f %s %s %s" % (wall, release, usage.ru_nvcsw, tables_ms,
                                                      release_ms, state, digest.hexdigest()[:16],
                                                      cold))
# release_bench's warm loop on the same composition, once per row.
warm = "-"
if bench and comp:
    report = subprocess.run([bench, "--composition=zef=" + comp, "--benchmark_format=json",
                             "--benchmark_filter=^tables/zef$"],
                            env=bench_env, capture_output=True, text=True, check=True)
    warm = "%.1f" % json.loads(report.stdout)["benchmarks"][0]["cpu_time"]
for line in lines:
    print(line, warm)
EOF
      median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
      wall=$(awk '{ print $1 }' "$scratch/runs" | median)
      rel=$(awk '{ print $2 }' "$scratch/runs" | median)
      tables=$(awk '{ print $4 }' "$scratch/runs" | median)
      relms=$(awk '{ print $5 }' "$scratch/runs" | median)
      vcs=$(awk '{ print $3 }' "$scratch/runs" | median)
      states=$(awk '{ print $6 }' "$scratch/runs" | sort -u | paste -sd, -)
      sums=$(awk '{ print $7 }' "$scratch/runs" | sort -u | paste -sd, -)
      cold=$(awk '{ print $8 }' "$scratch/runs" | median)
      [ "$(awk 'NR == 1 { print $8 }' "$scratch/runs")" = - ] && cold=-
      warm=$(awk 'NR == 1 { print $9 }' "$scratch/runs")
      printf '%-24s %-22s %8.3f %9.3f %10.3f %7d %9.1f %8s %8s %10.1f %-13s  %s\n' "$name.zef" \
        "$label" "$wall" "$rel" "$(awk -v a="$wall" -v b="$rel" 'BEGIN { printf "%.6f", a - b }')" \
        "$vcs" "$tables" "$cold" "$warm" "$relms" "$states" "$sums"
    done
  done
done
