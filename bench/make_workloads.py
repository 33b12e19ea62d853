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

The trees are the same on every run (fixed random seed).
"""
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
        else:
            sys.exit("unknown workload: " + name)


if __name__ == "__main__":
    main()
