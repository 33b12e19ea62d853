#!/usr/bin/env python3
"""Writes the file graph of a header tree for cludemap_metrics_speed.

    file_graph.py OUTPUT ROOT_DIR DIR...

Follows every #include from every .hpp and .h file below ROOT_DIR, as one
root that includes them all would: a quoted name is looked up next to its
includer and then in the DIRs, an angle-bracket name in the DIRs; names
found nowhere are left out. Files are told apart by their real paths.
OUTPUT gets a line with the root's index, then a line per file:
"BYTES LINES TARGET...". An approximation of the scan, for timing only.
"""
import os
import re
import sys

DIRECTIVE = re.compile(rb'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def main():
    output, root_dir, dirs = sys.argv[1], sys.argv[2], sys.argv[3:]
    index, files = {}, []

    def file_of(path):
        real = os.path.realpath(path)
        if real not in index:
            index[real] = len(files)
            files.append([real, 0, 0, []])
        return index[real]

    def resolve(includer, kind, name):
        places = ([os.path.dirname(includer)] if kind == b'"' else []) + dirs
        for place in places:
            path = os.path.join(place, name.decode('utf-8', 'surrogateescape'))
            if os.path.isfile(path):
                return file_of(path)
        return None

    root = file_of(os.path.join(root_dir, '.root'))
    for directory, _, names in sorted(os.walk(root_dir)):
        for name in sorted(names):
            if name.endswith(('.hpp', '.h')):
                files[root][3].append(file_of(os.path.join(directory, name)))
    done = 1
    while done < len(files):
        record = files[done]
        with open(record[0], 'rb') as f:
            data = f.read()
        record[1], record[2] = len(data), data.count(b'\n')
        for kind, name in DIRECTIVE.findall(data):
            target = resolve(record[0], kind, name)
            if target is not None:
                record[3].append(target)
        done += 1
    with open(output, 'w') as out:
        out.write('%d\n' % root)
        for _, size, lines, targets in files:
            out.write(' '.join(map(str, [size, lines] + targets)) + '\n')


main()
