#!/usr/bin/env python3
"""Runs every fuzz target of a build folder for a given time, several at once, and prints the
executions, speed and findings of each.

  tools/run-fuzzers.py BUILD_DIR [--time SECONDS] [--runs N] [--jobs N] [--only REGEX] [--out FOLDER]

The targets are found through CTest: every test whose command passes libFuzzer's
-max_total_time is one, so a target registered the way the others are is run without being
named here. Each runs with its own test's corpus folders and environment, for the given time
instead of the short CI time (or until it has run --runs inputs, where that comes first), with
the limits that make a finding: a crash, a memory or
undefined-behaviour report, a leak, an input running over 10 s or memory over 2 GB. A fatal
report of the program is no finding (the targets end the input there). Findings are written
to FOLDER/<test name>/; the exit code is 1 when there is one.
"""
import argparse
import concurrent.futures
import json
import os
import re
import subprocess
import sys
import time

LIMITS = {"-timeout=": "10", "-rss_limit_mb=": "2048"}
FINDING_PREFIXES = ("crash-", "leak-", "timeout-", "oom-")


def discover(build_dir):
    listing = subprocess.run(["ctest", "--test-dir", build_dir, "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    targets = []
    for test in json.loads(listing).get("tests", []):
        command = test.get("command") or []
        if not any(arg.startswith("-max_total_time=") for arg in command):
            continue
        environment = {}
        working_dir = None
        for prop in test.get("properties", []):
            if prop["name"] == "ENVIRONMENT":
                for entry in prop["value"]:
                    key, _, value = entry.partition("=")
                    environment[key] = value
            elif prop["name"] == "WORKING_DIRECTORY":
                working_dir = prop["value"]
        targets.append({"name": test["name"], "command": command, "env": environment,
                        "cwd": working_dir})
    return targets


def fuzz_command(command, seconds, runs, artifacts):
    result = []
    for arg in command:
        if arg.startswith("-max_total_time="):
            arg = "-max_total_time=%d" % seconds
        for prefix, value in LIMITS.items():
            if arg.startswith(prefix):
                arg = prefix + value
        result.append(arg)
    for prefix, value in LIMITS.items():
        if not any(arg.startswith(prefix) for arg in result):
            result.insert(1, prefix + value)
    result[1:1] = ["-print_final_stats=1", "-artifact_prefix=" + artifacts + "/"]
    if runs:
        result.insert(1, "-runs=%d" % runs)
    return result


def run_target(target, seconds, runs, out_dir):
    artifacts = os.path.join(out_dir, re.sub(r"[^A-Za-z0-9_.-]", "_", target["name"]))
    os.makedirs(artifacts, exist_ok=True)
    before = set(os.listdir(artifacts))
    environment = dict(os.environ)
    environment.update(target["env"])
    log_path = os.path.join(artifacts, "log.txt")
    started = time.monotonic()
    with open(log_path, "w") as log:
        process = subprocess.run(fuzz_command(target["command"], seconds, runs, artifacts),
                                 stdout=log, stderr=subprocess.STDOUT, env=environment,
                                 cwd=target["cwd"] or artifacts)
    elapsed = time.monotonic() - started
    with open(log_path, errors="replace") as log:
        text = log.read()
    executions = re.findall(r"stat::number_of_executed_units:\s*(\d+)", text)
    speed = re.findall(r"stat::average_exec_per_sec:\s*(\d+)", text)
    new_files = sorted(set(os.listdir(artifacts)) - before)
    findings = [name for name in new_files if name.startswith(FINDING_PREFIXES)]
    if process.returncode != 0 and not findings:
        findings = ["exit code %d (see %s)" % (process.returncode, log_path)]
    return {"name": target["name"], "executions": int(executions[-1]) if executions else 0,
            "speed": int(speed[-1]) if speed else 0, "seconds": elapsed,
            "findings": [os.path.join(artifacts, name) if not name.startswith("exit") else name
                         for name in findings]}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build_dir")
    parser.add_argument("--time", type=int, default=60, help="seconds per target (default 60)")
    parser.add_argument("--runs", type=int, default=0,
                        help="stop a target after this many inputs (default: no limit)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1,
                        help="targets run at once (default: the number of cores)")
    parser.add_argument("--only", default="", help="run only the tests whose name matches")
    parser.add_argument("--out", help="folder for findings and logs (default BUILD_DIR/fuzz-runs)")
    args = parser.parse_args()

    build_dir = os.path.abspath(args.build_dir)
    out_dir = os.path.abspath(args.out or os.path.join(build_dir, "fuzz-runs"))
    targets = [t for t in discover(build_dir) if re.search(args.only, t["name"])]
    if not targets:
        print("No fuzz targets found in %s" % build_dir)
        return 1
    print("Running %d fuzz targets for %d s each, %d at once" %
          (len(targets), args.time, args.jobs), flush=True)

    results = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        futures = [pool.submit(run_target, t, args.time, args.runs, out_dir) for t in targets]
        for future in concurrent.futures.as_completed(futures):
            result = future.result()
            results.append(result)
            print("  done: %s (%d executions, %d/s, %d findings)" %
                  (result["name"], result["executions"], result["speed"], len(result["findings"])),
                  flush=True)

    width = max(len(r["name"]) for r in results)
    print("\n%-*s %14s %10s %9s  %s" % (width, "target", "executions", "exec/s", "seconds", "findings"))
    for r in sorted(results, key=lambda r: r["name"]):
        print("%-*s %14d %10d %9.0f  %s" % (width, r["name"], r["executions"], r["speed"],
                                            r["seconds"], ", ".join(r["findings"]) or "none"))
    return 1 if any(r["findings"] for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
