#!/usr/bin/env python3
"""Prints the share of test code: counted lines under tests/ and fuzz/, and of the scripts that
exist only to check (TEST_SCRIPTS), over those of the tree.

Counted: .c, .cpp, .h, .py and .sh files, .git and build folders (build, build-*) left out.
A counted line is one that is neither blank nor only comment: in C and C++, // to the end
of the line and /* ... */ (which may span lines), not inside a string or character literal;
in shell and Python, a line whose first non-blank character is #, except a first-line
shebang, which counts.
"""
import os
import sys

C_LIKE = (".c", ".cpp", ".h")
HASH = (".py", ".sh")
TEST_FOLDERS = ("tests", "fuzz")
TEST_SCRIPTS = ("scripts/windows-check.sh", "scripts/windows-e2e.sh", "scripts/check-package.sh",
                "scripts/fuzz.sh", "scripts/test.sh")


def c_code_lines(text):
    count = 0
    in_block = False
    for line in text.splitlines():
        has_code = False
        i = 0
        quote = None
        while i < len(line):
            c = line[i]
            if in_block:
                if line.startswith("*/", i):
                    in_block = False
                    i += 2
                else:
                    i += 1
                continue
            if quote:
                has_code = True
                if c == "\\":
                    i += 2
                    continue
                if c == quote:
                    quote = None
                i += 1
                continue
            if line.startswith("//", i):
                break
            if line.startswith("/*", i):
                in_block = True
                i += 2
                continue
            if c in "\"'":
                # A digit separator (1'000) is no character literal.
                if c == "'" and i > 0 and line[i - 1].isalnum() and line[i - 1].isdigit():
                    i += 1
                    has_code = True
                    continue
                quote = c
            if not c.isspace():
                has_code = True
            i += 1
        count += has_code
    return count


def hash_code_lines(text):
    count = 0
    for number, line in enumerate(text.splitlines()):
        stripped = line.strip()
        if not stripped:
            continue
        if stripped.startswith("#") and not (number == 0 and stripped.startswith("#!")):
            continue
        count += 1
    return count


def counted_lines(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    return c_code_lines(text) if path.endswith(C_LIKE) else hash_code_lines(text)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    root = os.path.abspath(root)
    total = tests = 0
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = [s for s in subfolders
                         if s != ".git" and s != "build" and not s.startswith("build-")]
        for name in files:
            if not name.endswith(C_LIKE + HASH):
                continue
            path = os.path.join(folder, name)
            lines = counted_lines(path)
            total += lines
            relative = os.path.relpath(path, root).replace(os.sep, "/")
            if relative.split("/")[0] in TEST_FOLDERS or relative in TEST_SCRIPTS:
                tests += lines
    print(f"tests, fuzz and check scripts: {tests} / {total} lines = {100.0 * tests / total:.1f}%")


if __name__ == "__main__":
    main()
