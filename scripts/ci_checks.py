#!/usr/bin/env python3
"""Checks of the test command beyond ctest's own verdict.

  ci_checks.py skips JUNIT_XML
      Fails when a test was skipped for any reason other than a missing
      optional tool of the machine: such a skip must say
      "missing optional tool of the machine" in its message.

  ci_checks.py whole BUILD_DIR
      Runs every GoogleTest program of the build once with all its tests in
      one process (ctest runs each test in a process of its own), with the
      environment and working folder its tests were registered with, so that
      a test that leaves a process-wide hook or table changed fails the run.
"""
import json
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

ALLOWED = "missing optional tool of the machine"


def check_skips(junit):
    bad = []
    for case in ET.parse(junit).getroot().iter("testcase"):
        if case.find("skipped") is None:
            continue
        out = case.findtext("system-out") or ""
        if ALLOWED not in out:
            bad.append(case.get("name"))
    for name in bad:
        print(f"skipped without naming a missing optional tool of the machine: {name}")
    if bad:
        print(f"{len(bad)} skipped test(s) count as failures")
    return 1 if bad else 0


def check_whole(build):
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    programs = {}
    for test in json.loads(listing).get("tests", []):
        cmd = test.get("command") or []
        if not cmd or not any(a.startswith("--gtest_filter=") for a in cmd[1:]):
            continue
        props = {p["name"]: p["value"] for p in test.get("properties", [])}
        programs.setdefault(cmd[0], props)
    status = 0
    for program, props in sorted(programs.items()):
        env = dict(os.environ)
        for item in props.get("ENVIRONMENT", []):
            key, _, value = item.partition("=")
            env[key] = value
        cwd = props.get("WORKING_DIRECTORY") or os.path.dirname(program)
        print(f"all tests of {program} in one process", flush=True)
        run = subprocess.run([program, "--gtest_brief=1"], cwd=cwd, env=env)
        if run.returncode != 0:
            print(f"{program}: tests fail when they share one process")
            status = 1
    return status


def main(argv):
    if len(argv) == 3 and argv[1] == "skips":
        return check_skips(argv[2])
    if len(argv) == 3 and argv[1] == "whole":
        return check_whole(argv[2])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
