#!/usr/bin/env python3
"""Checks bench/make_tree.py from outside: trees of one seed are identical, hold exactly the
entries asked for, and every name is one Windows and GBK accept; the query mode draws every
class from the tree's names."""
import os
import re
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_tree.py")
CLASSES = ["ascii1", "cjk1", "and2", "alt", "common", "rare"]
DEVICES = {"CON", "PRN", "AUX", "NUL"} | {p + str(i) for p in ("COM", "LPT") for i in range(1, 10)}
ENTRIES = 30000  # enough for the rarer faults (two names differing in case only) to show
FORBIDDEN = set('\\/:*?"<>|')


def make(entries, seed, out):
    subprocess.run([sys.executable, TOOL, "--entries", str(entries), "--seed", str(seed),
                    "--out", out], check=True, stdout=subprocess.DEVNULL)


def queries(tree, count, labels=True):
    cmd = [sys.executable, TOOL, "--queries", str(count), "--seed", "3", "--from", tree]
    out = subprocess.run(cmd + (["--labels"] if labels else []), check=True,
                         capture_output=True, text=True, encoding="utf-8").stdout
    return out.splitlines()


def listing(top):
    """Every entry below top: (relative path, is folder, size, modification ns), sorted."""
    rows = []
    for folder, dirs, files in os.walk(top):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            rows.append((os.path.relpath(path, top), name in dirs,
                         0 if name in dirs else st.st_size, st.st_mtime_ns))
    return sorted(rows)


def windows_problem(name):
    """Why Windows would refuse the name, or None."""
    if set(name) & FORBIDDEN or any(ord(c) < 32 for c in name):
        return "forbidden character"
    if name.endswith((".", " ")):
        return "ends with a dot or space"
    if name.split(".")[0].strip().upper() in DEVICES:
        return "device name"
    if len(name.encode("utf-8")) > 255:
        return "too long"
    try:
        name.encode("gbk")
    except UnicodeEncodeError:
        return "not GBK"
    return None


class MakeTreeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Memory-backed when there is such a folder: thousands of small files, quickly.
        shm = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
        cls.temp = tempfile.TemporaryDirectory(prefix="make_tree_test", dir=shm)
        cls.first = os.path.join(cls.temp.name, "first")
        cls.second = os.path.join(cls.temp.name, "second")
        make(ENTRIES, 7, cls.first)
        make(ENTRIES, 7, cls.second)
        cls.rows = listing(cls.first)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def test_same_seed_same_tree_of_exactly_n_entries(self):
        self.assertEqual(len(self.rows), ENTRIES)
        self.assertEqual(self.rows, listing(self.second))

    def test_other_seed_other_tree_and_small_counts_exact(self):
        trees = [os.path.join(self.temp.name, "seed%d" % seed) for seed in (7, 8)]
        for seed, tree in zip((7, 8), trees):
            make(2000, seed, tree)
        self.assertNotEqual([r[0] for r in listing(trees[0])], [r[0] for r in listing(trees[1])])
        for entries in (0, 1, 37):  # fewer than the fixed folder layout holds
            small = os.path.join(self.temp.name, "small%d" % entries)
            make(entries, 7, small)
            self.assertEqual(len(listing(small)), entries)

    def test_names_are_valid_on_windows_and_in_gbk(self):
        for path, _, _, _ in self.rows:
            name = os.path.basename(path)
            self.assertIsNone(windows_problem(name), path)
            self.assertLessEqual(path.count(os.sep) + 1, 12, path)

    def test_names_unique_per_folder_ignoring_case(self):
        folders = {}
        for path, _, _, _ in self.rows:
            folder, name = os.path.split(path)
            folders.setdefault(folder, []).append(name.upper())
        for folder, names in folders.items():
            self.assertEqual(len(names), len(set(names)), folder)

    def test_mix_of_names_sizes_and_times(self):
        names = [os.path.basename(r[0]) for r in self.rows]
        chinese = sum(1 for n in names if re.search(r"[\u4e00-\u9fff]", n))
        self.assertGreater(chinese, len(names) // 8)
        self.assertLess(chinese, len(names) // 2)
        self.assertGreater(sum(1 for n in names if n.startswith(".")), 0)
        self.assertGreater(sum(1 for r in self.rows if r[1]), 100)  # folders
        sizes = {r[2] for r in self.rows if not r[1]}
        self.assertGreater(len(sizes), 1000)
        years = {1970 + r[3] // (365.25 * 86400 * 10**9) for r in self.rows}
        self.assertGreater(len(years), 20)

    def test_windows_layout_and_the_rarer_entries(self):
        folders = {r[0] for r in self.rows if r[1]}
        for path in ("Windows/System32", "Windows/WinSxS", "Program Files", "ProgramData"):
            self.assertIn(path.replace("/", os.sep), folders)
        homes = [f for f in folders if f.count(os.sep) == 1 and f.startswith("Users" + os.sep)
                 and os.path.join(f, "Documents") in folders]
        self.assertGreaterEqual(len(homes), 2)
        parents = {os.path.dirname(r[0]) for r in self.rows}
        self.assertTrue(folders - parents, "no empty folder")
        names = [os.path.basename(r[0]) for r in self.rows]
        self.assertTrue([n for n in names if 150 <= len(n.encode("utf-8")) <= 255], "no long name")
        self.assertTrue([r for r in self.rows if r[3] < 0], "no time before 1970")
        self.assertTrue([r for r in self.rows if r[3] > 1798761599 * 10**9], "no future time")
        # Extensions follow the folder: pictures hold pictures, System32 holds libraries.
        for folder, expected in (("Pictures", (".jpg", ".jpeg", ".png", ".gif", ".heic")),
                                 ("System32", (".dll", ".mui", ".exe", ".sys"))):
            files = [r[0].lower() for r in self.rows
                     if not r[1] and os.sep + folder.lower() + os.sep in os.sep + r[0].lower()]
            self.assertGreater(len(files), 50, folder)
            self.assertGreater(sum(1 for f in files if f.endswith(expected)), len(files) // 2,
                               folder)

    def test_query_mode_prints_each_class_from_the_names(self):
        lines = queries(self.first, 12)
        self.assertEqual(lines, queries(self.first, 12))
        self.assertEqual([line.split("\t")[0] for line in lines], CLASSES * 2)
        self.assertEqual(queries(self.first, 12, labels=False),
                         [line.split("\t", 1)[1] for line in lines])
        folded = "\n".join(os.path.basename(r[0]) for r in self.rows).lower()
        for line in lines:
            klass, query = line.split("\t")
            self.assertTrue(query.strip(), line)
            if klass == "ascii1":
                self.assertRegex(query, r"^[A-Za-z]{2,8}$")
                self.assertIn(query.lower(), folded)
            elif klass == "cjk1":
                self.assertRegex(query, r"^[\u4e00-\u9fff]+$")
                self.assertIn(query, folded)
            elif klass == "and2":  # both words in one name
                words = query.lower().split(" ")
                self.assertEqual(len(words), 2, line)
                self.assertTrue(any(all(w in name for w in words)
                                    for name in folded.split("\n")), line)
            elif klass == "alt":
                self.assertIn(len(query.split(",")), (2, 3), line)


if __name__ == "__main__":
    unittest.main()
