#!/usr/bin/env python3
"""Writes the benchmark's header trees into a directory.

    make_workloads.py DIR NAME...

Each NAME becomes DIR/NAME/ with a root header root.h:
  layered-1k, layered-10k, layered-100k
      that many headers in ten layers; each header outside the lowest layer
      includes three headers picked from lower layers, and the root includes
      every header.
  dense
      500 headers, each including 50 others picked from all of them (cycles
      included), and a root that includes every header: over a million tree
      nodes from a few megabytes of input.
  boost
      one `#include <boost/...>` line for every .hpp file below
      /usr/include/boost (run with the compiler's system include directories
      as the include path).
  llvm
      one `#include "llvm/..."` line for every .h file below
      /usr/include/llvm-14 (from llvm-14-dev). LLVM writes its quoted
      includes from that include root, so they are found only through
      `-I /usr/include/llvm-14` (run with it and the system directories).
  compdb-10k
      a compile database build/compile_commands.json of 10,000 entries (about
      10 MB, commands with several -D, -I, -isystem and -iquote options, as a
      CMake build writes them) and a header tree below include/ that
      root.h reaches only through the include directories of its neighbour
      root.cc's entry (run with `-p build`).

  all-1k
      a project of 1,000 source files below src/ and 200 shared headers below
      include/, with a compile database build/compile_commands.json whose
      entries fall into four groups, each adding its own generated directory
      (holding its own config.h) before include/: four search lists (run with
      `-p build --all`).

The trees are the same on every run (fixed random seed).
"""
import json
import os
import random
import sys

FILLER_WORDS = ["int", "value", "const", "std::size_t", "return", "template",
                "typename", "struct", "count", "next", "data", "{", "}", ";"]


def filler(rng, lines):
    """Plausible code lines, none of them a directive."""
    out = []
    for _ in range(lines):
        words = [rng.choice(FILLER_WORDS) for _ in range(rng.randint(3, 12))]
        out.append("  " + " ".join(words) + "\n")
    return "".join(out)


def header_name(index):
    return "h%06d.h" % index


def write_header(directory, index, includes, rng):
    guard = "H%06d_H_" % index
    text = ["// Generated header %d.\n" % index,
            "#ifndef %s\n#define %s\n\n" % (guard, guard)]
    text += ['#include "%s"\n' % header_name(i) for i in includes]
    text.append("\nnamespace gen%d {\n" % index)
    text.append(filler(rng, rng.randint(10, 70)))
    text.append("}\n\n#endif\n")
    with open(os.path.join(directory, header_name(index)), "w") as f:
        f.write("".join(text))


def write_root(directory, count):
    with open(os.path.join(directory, "root.h"), "w") as f:
        f.write("".join('#include "%s"\n' % header_name(i) for i in range(count)))


def layered(directory, count, rng):
    layers = 10
    per_layer = count // layers
    for index in range(count):
        lower = (index // per_layer) * per_layer
        includes = rng.sample(range(lower), 3) if lower > 0 else []
        write_header(directory, index, includes, rng)
    write_root(directory, count)


def dense(directory, rng):
    count, fan_out = 500, 50
    for index in range(count):
        others = [i for i in range(count) if i != index]
        write_header(directory, index, rng.sample(others, fan_out), rng)
    write_root(directory, count)


def boost(directory):
    top = "/usr/include"
    if not os.path.isdir(os.path.join(top, "boost")):
        sys.exit("the boost workload needs libboost-dev installed")
    names = []
    for parent, _, files in os.walk(os.path.join(top, "boost")):
        for name in files:
            if name.endswith(".hpp"):
                names.append(os.path.relpath(os.path.join(parent, name), top))
    with open(os.path.join(directory, "root.h"), "w") as f:
        f.write("".join("#include <%s>\n" % name for name in sorted(names)))


def llvm(directory):
    top = "/usr/include/llvm-14"
    if not os.path.isdir(top):
        sys.exit("the llvm workload needs llvm-14-dev installed")
    names = []
    for parent, _, files in os.walk(top):
        for name in files:
            if name.endswith(".h"):
                names.append(os.path.relpath(os.path.join(parent, name), top))
    with open(os.path.join(directory, "root.h"), "w") as f:
        f.write("".join('#include "%s"\n' % name for name in sorted(names)))


COMPDB_FLAGS = ("-O2 -g -fPIC -std=c++17 -Wall -Wextra -Wpedantic -Wshadow "
               "-Werror=return-type -fno-omit-frame-pointer -fvisibility=hidden "
               "-fvisibility-inlines-hidden -fdiagnostics-color=always")


def compdb_command(root, module, source, output):
    """A compile command as a CMake build writes it, about 1 KB long."""
    words = ["/usr/bin/c++"]
    words += ["-DNDEBUG", "-DMOD%03d_EXPORTS" % module, "-DPROJECT_VERSION=\\\"1.2.3\\\"",
              "-DUSE_THREADS=1", "-DFEATURE_LEVEL=%d" % (module % 7), "-D_GNU_SOURCE",
              "-DCONFIG_DIR=\\\"%s/etc/mod%03d\\\"" % (root, module)]
    words += ["-I%s/include" % root, "-I%s/src/mod%03d" % (root, module),
              "-I%s/build/generated/mod%03d" % (root, module),
              "-iquote", "%s/src/mod%03d/detail" % (root, module)]
    for lib in ("fmt/include", "abseil", "boost_1_81", "protobuf/src"):
        words += ["-isystem", "%s/third_party/%s" % (root, lib)]
    words += [COMPDB_FLAGS, "-o", output, "-c", source]
    return " ".join(words)


def compdb_entry(root, module, source):
    output = "src/mod%03d/CMakeFiles/mod%03d.dir/%s.o" % (module, module, os.path.basename(source))
    return json.dumps({"directory": root + "/build",
                       "command": compdb_command(root, module, source, output),
                       "file": source, "output": output}, indent=2)


def compdb(directory, count, rng):
    root = os.path.abspath(directory)
    modules, headers = 100, 20
    for module in range(modules):
        folder = os.path.join(root, "include", "mod%03d" % module)
        os.makedirs(folder, exist_ok=True)
        for index in range(headers):
            includes = ["<mod%03d/h%02d.h>" % (rng.randrange(module), rng.randrange(headers))
                        for _ in range(3 if module > 0 else 0)]
            if index > 0:
                includes.append('"h%02d.h"' % rng.randrange(index))
            with open(os.path.join(folder, "h%02d.h" % index), "w") as f:
                f.write("".join("#include %s\n" % name for name in includes))
                f.write(filler(rng, rng.randint(10, 40)))
    with open(os.path.join(root, "root.h"), "w") as f:
        f.write("".join("#include <mod%03d/h%02d.h>\n" % (module, index)
                        for module in range(modules) for index in range(headers)))
    entries = []
    for index in range(count):
        module = index * modules // count
        source = os.path.join(root, "src", "mod%03d" % module, "file%05d.cc" % index)
        entries.append(compdb_entry(root, module, source))
    entries[count // 2] = compdb_entry(root, 0, os.path.join(root, "root.cc"))
    os.makedirs(os.path.join(root, "build"), exist_ok=True)
    with open(os.path.join(root, "build", "compile_commands.json"), "w") as f:
        f.write("[\n" + ",\n".join(entries) + "\n]\n")


def whole_project(directory, count, rng):
    root = os.path.abspath(directory)
    headers, groups = 200, 4
    os.makedirs(os.path.join(root, "include", "lib"), exist_ok=True)
    for index in range(headers):
        includes = ["<lib/h%03d.h>" % i for i in rng.sample(range(index), min(index, 3))]
        includes.append("<config.h>")
        with open(os.path.join(root, "include", "lib", "h%03d.h" % index), "w") as f:
            f.write("".join("#include %s\n" % name for name in includes))
            f.write(filler(rng, rng.randint(10, 40)))
    for group in range(groups):
        folder = os.path.join(root, "gen", "group%d" % group)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "config.h"), "w") as f:
            f.write("#define GROUP %d\n" % group)
    entries = []
    for index in range(count):
        group = index % groups
        folder = os.path.join(root, "src", "part%02d" % (index // 100))
        os.makedirs(folder, exist_ok=True)
        source = os.path.join(folder, "file%04d.cc" % index)
        with open(source, "w") as f:
            f.write("".join("#include <lib/h%03d.h>\n" % i for i in rng.sample(range(headers), 5)))
            f.write(filler(rng, rng.randint(20, 80)))
        command = "/usr/bin/c++ -I%s/gen/group%d -I%s/include %s -o %s.o -c %s" % (
            root, group, root, COMPDB_FLAGS, source, source)
        entries.append(json.dumps({"directory": root + "/build", "command": command,
                                   "file": source}))
    os.makedirs(os.path.join(root, "build"), exist_ok=True)
    with open(os.path.join(root, "build", "compile_commands.json"), "w") as f:
        f.write("[\n" + ",\n".join(entries) + "\n]\n")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    base = sys.argv[1]
    for name in sys.argv[2:]:
        directory = os.path.join(base, name)
        os.makedirs(directory, exist_ok=True)
        rng = random.Random(name)
        if name.startswith("layered-") and name.endswith("k"):
            layered(directory, int(name[len("layered-"):-1]) * 1000, rng)
        elif name == "dense":
            dense(directory, rng)
        elif name == "boost":
            boost(directory)
        elif name == "llvm":
            llvm(directory)
        elif name.startswith("all-") and name.endswith("k"):
            whole_project(directory, int(name[len("all-"):-1]) * 1000, rng)
        elif name.startswith("compdb-") and name.endswith("k"):
            compdb(directory, int(name[len("compdb-"):-1]) * 1000, rng)
        else:
            sys.exit("unknown workload: " + name)


if __name__ == "__main__":
    main()
