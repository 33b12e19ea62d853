#!/usr/bin/env python3
"""The compiler's view in the benchmark: cludemap's --preprocess
--query-compiler -T make against the compilers' own -M, on installed headers.

    compiler_view.py exact   --tool T --work DIR [--all]
    compiler_view.py speed   --tool T --work DIR --runs N
    compiler_view.py project --tool T --work DIR --runs N

exact    For each header, the files of `cludemap --preprocess
         --query-compiler=CXX -T make H -` against those of `CXX -x c++ -M H`
         (both canonicalised with realpath, the same -I and -D options to
         both), for CXX g++ and clang++. The headers: every SAMPLE_STEP-th of
         Boost's public headers (or all of them with --all), then one header
         each of a few other libraries; only those that `g++ -x c++
         -fsyntax-only` accepts on their own are checked.
speed    The tool against `g++ -x c++ -M` on asio, gtest and Eigen, warm: wall
         and CPU time, each the best of N runs.
project  A compile database of Boost-including sources, written here, with
         `cludemap -p DIR --all --preprocess --query-compiler -T make`
         against clang-scan-deps-14 and against `g++ -M` per entry with two
         jobs: wall, CPU time and peak memory, best of N runs; and whether
         the tool's rule for each target names the files g++ -M names.

Each timed run goes through GNU time (/usr/bin/time), which gives the peak
memory: the largest single process's. CPU time is user plus system time of
the command and everything it waited for, from the kernel's account of the
same run. Ratios are the tool's figure over the other's.
"""
import argparse
import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

BOOST = "/usr/include/boost"
# Every SAMPLE_STEP-th of the public Boost headers, in path order, starting
# with the first: a few hundred headers from every library.
SAMPLE_STEP = 7
# Processes run side by side: the machine has two cores.
JOBS = 2
# A command that takes longer than this has hung.
TIMEOUT = 900


def boost_public_headers():
    """Every .hpp file directly in boost/ or in a directory directly below it,
    except boost/detail/, sorted by path: the headers Boost's libraries name
    as their interface."""
    paths = []
    for name in os.listdir(BOOST):
        path = os.path.join(BOOST, name)
        if name.endswith(".hpp") and os.path.isfile(path):
            paths.append(path)
        elif os.path.isdir(path) and name != "detail":
            paths += [os.path.join(path, inner) for inner in os.listdir(path)
                      if inner.endswith(".hpp") and os.path.isfile(os.path.join(path, inner))]
    return sorted(paths)


def llvm_options():
    """The -I and -D options of `llvm-config-14 --cxxflags`."""
    words = subprocess.run(["llvm-config-14", "--cxxflags"], capture_output=True,
                           text=True, check=True).stdout.split()
    return [word for word in words if word.startswith(("-I", "-D"))]


def library_headers():
    """(name, path, options) of the headers beyond Boost that are installed,
    and a note for each that is not."""
    found, missing = [], []
    candidates = [
        ("gtest/gtest.h", "/usr/include/gtest/gtest.h", [], "libgtest-dev"),
        ("absl/strings/str_cat.h", "/usr/include/absl/strings/str_cat.h", [], "libabsl-dev"),
        ("opencv2/core.hpp", "/usr/include/opencv4/opencv2/core.hpp",
         ["-I/usr/include/opencv4"], "libopencv-dev"),
        ("google/protobuf/message.h", "/usr/include/google/protobuf/message.h", [],
         "libprotobuf-dev"),
        ("Eigen/Dense", "/usr/include/eigen3/Eigen/Dense", ["-I/usr/include/eigen3"],
         "libeigen3-dev"),
        ("glm/glm.hpp", "/usr/include/glm/glm.hpp", [], "libglm-dev"),
    ]
    for name, path, options, package in candidates:
        if os.path.isfile(path):
            found.append((name, path, options))
        else:
            missing.append("%s skipped: needs %s" % (name, package))
    clang = "/usr/lib/llvm-14/include/clang/AST/ASTContext.h"
    if shutil.which("llvm-config-14") and os.path.isfile(clang):
        found.append(("clang/AST/ASTContext.h", clang, llvm_options()))
    else:
        missing.append("clang/AST/ASTContext.h skipped: needs llvm-14-dev and libclang-14-dev")
    return found, missing


def split_make_words(line):
    """The words of one logical make line, with `\\ ` and `$$` undone."""
    words, word, index = [], "", 0
    while index < len(line):
        char = line[index]
        if char == "\\" and index + 1 < len(line) and line[index + 1] in " #":
            word += line[index + 1]
            index += 2
            continue
        if char == "$" and line[index + 1:index + 2] == "$":
            word += "$"
            index += 2
            continue
        if char.isspace():
            if word:
                words.append(word)
            word = ""
        else:
            word += char
        index += 1
    if word:
        words.append(word)
    return words


def make_rules(text):
    """[(target, [prerequisite...])] of the rules a compiler's -M or the
    tool's -T make writes, in order."""
    rules = []
    for line in text.replace("\\\n", " ").splitlines():
        words = split_make_words(line)
        colon = next((i for i, word in enumerate(words) if word.endswith(":")), None)
        if colon is None:
            continue
        targets = words[:colon] + [words[colon][:-1]]
        for target in filter(None, targets):
            rules.append((target, words[colon + 1:]))
    return rules


def canonical(files, directory):
    return {os.path.realpath(os.path.join(directory, name)) for name in files}


def rule_files(text, directory):
    """The canonical files of the first rule of a make fragment."""
    rules = make_rules(text)
    return canonical(rules[0][1], directory) if rules else set()


def run(command, cwd=None):
    """(exit status, standard output, standard error) of COMMAND."""
    try:
        done = subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                              errors="replace", timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return None, "", "timed out after %d s" % TIMEOUT
    return done.returncode, done.stdout, done.stderr


def first_error(stderr):
    lines = [line for line in stderr.splitlines() if " error: " in line] or stderr.splitlines()
    return lines[0].strip() if lines else "(no message)"


def timed(command, stats, cwd=None, stdout=subprocess.DEVNULL):
    """Runs COMMAND under GNU time: (wall s, CPU s, peak kB, exit status).
    The CPU time is the kernel's account of the same run in microseconds,
    where GNU time prints hundredths."""
    start = time.perf_counter()
    process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", stats] + command,
                               cwd=cwd, stdout=stdout, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    with open(stats) as f:
        peak = int(f.read().split("\n")[-2])
    return wall, usage.ru_utime + usage.ru_stime, peak, process.returncode


def parallel(function, items, label):
    """function(item) for each item, JOBS at a time, in the items' order;
    progress on standard error."""
    results = [None] * len(items)
    with concurrent.futures.ThreadPoolExecutor(JOBS) as pool:
        futures = {pool.submit(function, item): index for index, item in enumerate(items)}
        for done, future in enumerate(concurrent.futures.as_completed(futures), 1):
            results[futures[future]] = future.result()
            if done % 50 == 0 or done == len(items):
                print("%s: %d of %d" % (label, done, len(items)), file=sys.stderr)
    return results


def compilers():
    return [cxx for cxx in ("g++", "clang++") if shutil.which(cxx)]


# exact

def difference(got, expected):
    """The files only the tool names and those only the other names."""
    parts = []
    if got - expected:
        parts.append("extra: " + " ".join(sorted(got - expected)))
    if expected - got:
        parts.append("missing: " + " ".join(sorted(expected - got)))
    return "; ".join(parts)


def entered_files(cxx, options, path):
    """The canonical files the compiler enters on the way (its -H), with the
    start file: clang's -M lists besides them every file a __has_include
    found."""
    _, _, err = run([cxx, "-x", "c++", "-E", "-H", "-o", os.devnull] + options + [path])
    entered = {os.path.realpath(line.lstrip(".").strip())
               for line in err.splitlines()
               if line.startswith(".") and line.lstrip(".").startswith(" ")}
    return entered | {os.path.realpath(path)}


def compare_header(tool, header):
    """For each compiler, (verdict, description): "same" when the tool names
    the files the compiler's -M names; "probed" when they differ only by
    files -M names that the compiler never entered (found by __has_include);
    else "differs"."""
    name, path, options = header
    outcome = {}
    for cxx in compilers():
        status, out, err = run([cxx, "-x", "c++", "-M"] + options + [path])
        if status != 0:
            outcome[cxx] = ("differs", "%s -M failed: %s" % (cxx, first_error(err)))
            continue
        expected = rule_files(out, "/")
        status, out, err = run([tool, "--preprocess", "--query-compiler=" + cxx, "-T", "make"]
                               + options + [path, "-"])
        if status != 0:
            outcome[cxx] = ("differs", "the tool failed (exit %s): %s" % (status, first_error(err)))
            continue
        got = rule_files(out, "/")
        if got == expected:
            outcome[cxx] = ("same", "")
            continue
        probed = expected - entered_files(cxx, options, path)
        described = difference(got, expected - probed)
        if probed:
            described += "%sonly probed by __has_include: %s" % (
                "; " if described else "", " ".join(sorted(probed)))
        outcome[cxx] = ("probed" if got == expected - probed else "differs", described)
    return outcome


def syntax_ok(header):
    _, path, options = header
    status, _, err = run(["g++", "-x", "c++", "-fsyntax-only"] + options + [path])
    return status == 0, first_error(err)


def exact(args):
    headers, notes = [], []
    if os.path.isdir(BOOST):
        public = boost_public_headers()
        chosen = public if args.all else public[::SAMPLE_STEP]
        rule = ("all %d public Boost headers" % len(public) if args.all else
                "%d Boost headers: every %dth of the %d public ones in path order, from the"
                " first" % (len(chosen), SAMPLE_STEP, len(public)))
        headers += [(os.path.relpath(path, "/usr/include"), path, []) for path in chosen]
        notes.append("%s (public: boost/*.hpp and boost/*/*.hpp but boost/detail/)" % rule)
    else:
        notes.append("Boost skipped: needs libboost-dev")
    found, missing = library_headers()
    headers += found
    notes += missing
    if "clang++" not in compilers():
        notes.append("clang++ skipped: needs clang")
    if not headers:
        return
    accepted = parallel(syntax_ok, headers, "g++ -fsyntax-only")
    dropped = [(header[0], why) for header, (ok, why) in zip(headers, accepted) if not ok]
    kept = [header for header, (ok, _) in zip(headers, accepted) if ok]
    outcomes = parallel(lambda header: compare_header(args.tool, header), kept, "compared")

    print()
    print("view-exact: the files of `cludemap --preprocess --query-compiler=CXX -T make H -`")
    print("against those of `CXX -x c++ -M H`, both canonicalised with realpath.")
    for note in notes:
        print(note)
    print("dropped, as `g++ -x c++ -fsyntax-only` rejects them alone: %d of %d"
          % (len(dropped), len(headers)))
    for name, why in dropped:
        print("  %s: %s" % (name, why))
    print()
    print("| compiler | headers checked | identical | identical % | identical, __has_include aside |     % |")
    print("|----------|-----------------|-----------|-------------|---------------------------------|-------|")
    for cxx in compilers():
        verdicts = [outcome[cxx][0] for outcome in outcomes]
        same, probed = verdicts.count("same"), verdicts.count("probed")
        share = (lambda count: 100.0 * count / len(kept)) if kept else (lambda count: 0.0)
        print("| %-8s | %15d | %9d | %11.1f | %31d | %5.1f |"
              % (cxx, len(kept), same, share(same), probed, share(same + probed)))
    print("__has_include aside: the tool names the files the compiler enters (its -H);")
    print("the compiler's -M lists besides them the files a __has_include found (clang's does).")
    for cxx in compilers():
        differing = [(header[0], outcome[cxx]) for header, outcome in zip(kept, outcomes)
                     if outcome[cxx][0] != "same"]
        if differing:
            print()
            print("differing with %s (%d):" % (cxx, len(differing)))
            for name, (verdict, described) in differing:
                print("  %s%s: %s" % (name, " [__has_include only]" if verdict == "probed" else "",
                                      described))


# speed

def speed(args):
    headers = []
    if os.path.isdir(BOOST):
        headers.append(("boost/asio.hpp", BOOST + "/asio.hpp", []))
    found, missing = library_headers()
    headers += [header for header in found if header[0] in ("gtest/gtest.h", "Eigen/Dense")]
    notes = ["boost/asio.hpp skipped: needs libboost-dev"] if not os.path.isdir(BOOST) else []
    notes += [note for note in missing if note.startswith(("gtest", "Eigen"))]
    stats = os.path.join(args.work, "time.txt")
    rows = []
    for name, path, options in headers:
        print("timing %s..." % name, file=sys.stderr)
        sides = {"g++": ["g++", "-x", "c++", "-M"] + options + [path],
                 "tool": [args.tool, "--preprocess", "--query-compiler", "-T", "make"]
                 + options + [path, "-"]}
        files = len(rule_files(run(sides["g++"])[1], "/"))
        for command in sides.values():
            run(command)  # warms the page cache
        best = {side: [float("inf"), float("inf")] for side in sides}
        for _ in range(args.runs):
            for side, command in sides.items():
                wall, cpu, _, _ = timed(command, stats)
                best[side] = [min(best[side][0], wall), min(best[side][1], cpu)]
        rows.append("| %-14s | %5d | %13.3f | %11.3f | %10.2f | %12.3f | %10.3f | %9.2f |" % (
            name, files, best["g++"][0], best["tool"][0], best["tool"][0] / best["g++"][0],
            best["g++"][1], best["tool"][1],
            best["tool"][1] / best["g++"][1] if best["g++"][1] else float("nan")))
    print()
    print("view-speed: `cludemap --preprocess --query-compiler -T make H -` against")
    print("`g++ -x c++ -M H`, warm, best of %d runs each (wall and CPU time apart);" % args.runs)
    print("ratio: the tool's time over g++'s.")
    for note in notes:
        print(note)
    print("| header         | files | g++ -M wall s | tool wall s | wall ratio | g++ -M CPU s | tool CPU s | CPU ratio |")
    print("|----------------|-------|---------------|-------------|------------|--------------|------------|-----------|")
    for row in rows:
        print(row)


# project

# What each of four groups of entries adds to the command line: the -D
# flags vary, and each group has its own generated directory first.
GROUP_DEFINES = [[], ["-DNDEBUG"], ["-DPROJECT_WITH_STRINGS"],
                 ["-DNDEBUG", "-DBOOST_ALL_NO_LIB"]]
COMMON_HEADER = """#pragma once
#include <cstddef>
#ifdef PROJECT_WITH_STRINGS
#include <string>
#endif
#ifndef NDEBUG
#include <cassert>
#endif
"""


def project_sources(root, public):
    """Writes one source per five public Boost headers and the shared
    headers; returns the entries' numbers. Source i includes three of the
    public headers in path order: numbers 5i, 5i+2 and 5i+4."""
    os.makedirs(os.path.join(root, "include", "project"), exist_ok=True)
    with open(os.path.join(root, "include", "project", "common.h"), "w") as f:
        f.write(COMMON_HEADER)
    for group in range(len(GROUP_DEFINES)):
        os.makedirs(os.path.join(root, "gen", "g%d" % group), exist_ok=True)
        with open(os.path.join(root, "gen", "g%d" % group, "view_config.h"), "w") as f:
            f.write("#define VIEW_GROUP %d\n" % group)
    os.makedirs(os.path.join(root, "src"), exist_ok=True)
    os.makedirs(os.path.join(root, "obj"), exist_ok=True)
    entries = []
    for index in range(len(public) // 5):
        chosen = [public[5 * index + step] for step in (0, 2, 4)]
        with open(os.path.join(root, "src", "%d.cc" % index), "w") as f:
            f.write('#include "view_config.h"\n#include <project/common.h>\n')
            f.write("".join("#include <%s>\n" % os.path.relpath(path, "/usr/include")
                            for path in chosen))
            f.write("int entry%d() { return VIEW_GROUP; }\n" % index)
        entries.append(index)
    return entries


def project_command(root, index):
    group = index % len(GROUP_DEFINES)
    words = ["/usr/bin/g++", "-std=gnu++17"] + GROUP_DEFINES[group]
    words += ["-I%s/gen/g%d" % (root, group), "-I%s/include" % root]
    words += ["-o", "obj/%d.o" % index, "-c", "src/%d.cc" % index]
    return words


def write_database(root, entries):
    with open(os.path.join(root, "compile_commands.json"), "w") as f:
        json.dump([{"directory": root, "command": " ".join(project_command(root, index)),
                    "file": "src/%d.cc" % index} for index in entries], f, indent=1)


def gcc_dependencies(root, entries, depdir):
    """Runs `g++ -M` for each entry, JOBS at a time, each writing its rule
    to depdir/N.d; returns the entries g++ failed on."""
    os.makedirs(depdir, exist_ok=True)

    def one(index):
        words = project_command(root, index)
        target = words[words.index("-o") + 1]
        words.remove("-c")
        del words[words.index("-o"):words.index("-o") + 2]
        words[-1:-1] = ["-M", "-MT", target, "-MF", os.path.join(depdir, "%d.d" % index)]
        return subprocess.run(words, cwd=root, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode

    with concurrent.futures.ThreadPoolExecutor(JOBS) as pool:
        statuses = list(pool.map(one, entries))
    return [index for index, status in zip(entries, statuses) if status != 0]


def project(args):
    if not os.path.isdir(BOOST):
        print("view-project skipped: needs libboost-dev")
        return
    scan_deps = shutil.which("clang-scan-deps-14")
    root = os.path.join(os.path.abspath(args.work), "view-project")
    shutil.rmtree(root, ignore_errors=True)
    entries = project_sources(root, boost_public_headers())
    written = len(entries)
    # The entries g++ cannot preprocess (a header needing a library that is
    # not installed, or one that rejects the configuration) leave the
    # database: a project's sources compile. This pass warms the cache too.
    print("view-project: first g++ -M pass over %d entries..." % len(entries), file=sys.stderr)
    failed = gcc_dependencies(root, entries, os.path.join(root, "deps"))
    entries = [index for index in entries if index not in failed]
    write_database(root, entries)
    database = os.path.join(root, "compile_commands.json")
    depdir = os.path.join(root, "deps")
    out = os.path.join(root, "out.d")
    stats = os.path.join(root, "time.txt")
    this = os.path.abspath(__file__)
    sides = [("cludemap", [args.tool, "-p", root, "--all", "--preprocess", "--query-compiler",
                           "-T", "make", out])]
    if scan_deps:
        sides.append(("clang-scan-deps-14 -j 2", [scan_deps, "-compilation-database", database,
                                                  "-j", "2", "-format", "make"]))
    sides.append(("g++ -M per entry, 2 jobs", [sys.executable, this, "gcc-pass", root, depdir]))
    for name, command in sides[:-1]:
        print("view-project: warming %s..." % name, file=sys.stderr)
        run(command)
    best = {name: [float("inf"), float("inf"), 0] for name, _ in sides}
    for run_number in range(args.runs):
        for name, command in sides:
            print("view-project: run %d, %s..." % (run_number + 1, name), file=sys.stderr)
            wall, cpu, peak, _ = timed(command, stats, cwd=root)
            figures = best[name]
            best[name] = [min(figures[0], wall), min(figures[1], cpu), max(figures[2], peak)]

    with open(out) as f:
        tool_rules = {target: canonical(files, root) for target, files in make_rules(f.read())}
    differing = []
    for index in entries:
        with open(os.path.join(depdir, "%d.d" % index)) as f:
            ((target, files),) = make_rules(f.read())[:1]
        expected = canonical(files, root)
        got = tool_rules.get(target)
        if got != expected:
            differing.append((target, got, expected))

    print()
    print("view-project: a compile database of %d entries (%d written, %d left out as"
          % (len(entries), written, len(failed)))
    print("g++ -M fails on them), each a source including three public Boost headers,")
    print("in four groups with their own -D flags and -I directory. Warm, best of %d runs"
          % args.runs)
    print("(wall and CPU time apart), peak memory the largest of the runs' largest single")
    print("process; ratio: the tool's figure over the other's.")
    if not scan_deps:
        print("clang-scan-deps-14 skipped: needs clang-tools-14")
    print("| run                      | wall s | CPU s  | peak MB | wall ratio | CPU ratio | peak ratio |")
    print("|--------------------------|--------|--------|---------|------------|-----------|------------|")
    tool = best["cludemap"]
    for name, _ in sides:
        wall, cpu, peak = best[name]
        print("| %-24s | %6.2f | %6.2f | %7.1f | %10.2f | %9.2f | %10.2f |" % (
            name, wall, cpu, peak / 1024, tool[0] / wall, tool[1] / cpu, tool[2] / peak))
    print("the tool's rule names the same files as g++ -M for %d of %d targets"
          " (%d file names in all)" % (len(entries) - len(differing), len(entries),
                                       sum(len(files) for files in tool_rules.values())))
    for target, got, expected in differing:
        if got is None:
            print("  %s: no rule" % target)
            continue
        print("  %s: %s" % (target, difference(got, expected)))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "gcc-pass":
        # The timed g++ pass: one g++ -M per database entry, JOBS at a time.
        root, depdir = sys.argv[2], sys.argv[3]
        with open(os.path.join(root, "compile_commands.json")) as f:
            entries = [int(os.path.basename(entry["file"])[:-3]) for entry in json.load(f)]
        sys.exit(1 if gcc_dependencies(root, entries, depdir) else 0)
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("workload", choices=["exact", "speed", "project"])
    parser.add_argument("--tool", required=True)
    parser.add_argument("--work", default=tempfile.gettempdir())
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--all", action="store_true",
                        help="exact: every public Boost header, not the sample")
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)
    {"exact": exact, "speed": speed, "project": project}[args.workload](args)


if __name__ == "__main__":
    main()
