#!/usr/bin/env python3
"""Checks the layers of the product from its #include lines.

Fails when the top-level folders of the product include each other in a
circle, or when a folder outside the windows reaches a window folder or a
Qt Widgets header. Tests, benchmarks and fuzz targets are left out: they may
reach any layer.

usage: check_layers.py SOURCE_DIR [QT_WIDGETS_INCLUDE_DIR]
"""
import os
import re
import sys

LEFT_OUT = {"tests", "bench", "fuzz", "build", "docs", "dist", "scripts"}
WINDOW_FOLDERS = {"app", "benchview", "chooser", "widgets"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def product_files(root):
    for folder in sorted(os.listdir(root)):
        path = os.path.join(root, folder)
        if folder.startswith(".") or folder in LEFT_OUT or not os.path.isdir(path):
            continue
        for base, _, names in os.walk(path):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield folder, os.path.join(base, name)


def widget_headers(qt_widgets_dir):
    if not qt_widgets_dir or not os.path.isdir(qt_widgets_dir):
        return {"QtWidgets", "QWidget", "QApplication", "QMainWindow", "QDialog"}
    names = {n for n in os.listdir(qt_widgets_dir) if not n.endswith(".h")}
    return names | {"QtWidgets"}


def circles(graph):
    """Every elementary circle, each once, as a list of folders."""
    found = []
    nodes = sorted(graph)
    for start_index, start in enumerate(nodes):
        allowed = set(nodes[start_index:])
        stack = [(start, [start])]
        while stack:
            node, path = stack.pop()
            for nxt in sorted(graph.get(node, ())):
                if nxt == start and len(path) > 1:
                    found.append(path + [start])
                elif nxt in allowed and nxt not in path:
                    stack.append((nxt, path + [nxt]))
    return found


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
    forbidden_headers = widget_headers(sys.argv[2] if len(sys.argv) > 2 else None)
    folders = {f for f in os.listdir(root) if os.path.isdir(os.path.join(root, f))}
    graph = {}
    faults = []
    upward = 0
    for folder, path in product_files(root):
        rel = os.path.relpath(path, root)
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                kind, target = match.groups()
                first = target.split("/")[0]
                if kind == '"' and "/" in target and first in folders:
                    if first != folder:
                        graph.setdefault(folder, set()).add(first)
                    if folder not in WINDOW_FOLDERS and first in WINDOW_FOLDERS:
                        upward += 1
                        faults.append(f"{rel}:{number}: {folder}/ reaches the window folder {first}/")
                elif kind == "<" and folder not in WINDOW_FOLDERS:
                    header = target.split("/")[-1]
                    if target.startswith("QtWidgets") or header in forbidden_headers:
                        upward += 1
                        faults.append(f"{rel}:{number}: {folder}/ includes the widget header <{target}>")
    found = circles(graph)
    for circle in found:
        faults.append("circle between folders: " + " -> ".join(circle))
    for line in faults:
        print(line)
    print(f"{len(found)} circles between folders, {upward} arrows from outside the windows into them")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
