# The reader tool ci_id-find: its JSON lines read by Python's own parser and checked against the
# truth, unreadable files reported while the run goes on, and threads that keep the input's order.
import json
import os
import subprocess
import tempfile
import unittest

import numpy as np

FIND = os.environ.get("CI_ID_FIND")
SAMPLES = os.environ.get("CI_ID_SAMPLES") or os.path.join(
    os.path.dirname(__file__), "..", "data", "samples")


def run(*arguments):
    done = subprocess.run([FIND, "--json", *arguments], capture_output=True, text=True)
    return done.returncode, done.stdout.splitlines(), done.stderr


@unittest.skipUnless(FIND, "the reader tool is not built")
class Tool(unittest.TestCase):
    def test_json_lines_and_errors_per_file(self):
        # Damaged files first; the sample's Data Matrix starts at its L vertex (the truth's
        # bottom-left) and goes round one solid side to the far corner (top-right).
        sample = os.path.join(SAMPLES, "datamatrix_000.png")
        png = open(sample, "rb").read()
        damaged = {"cut.png": png[:-20], "cut.jpg": b"\xff\xd8\xff\xe0" + png[4:300],
                   "bad.pgm": b"P5\n4 4\n255\nxy"}
        with tempfile.TemporaryDirectory() as folder:
            paths = [os.path.join(folder, name) for name in damaged]
            for path, data in zip(paths, damaged.values()):
                open(path, "wb").write(data)
            status, lines, errors = run("--skew", *paths, sample)
        self.assertEqual(status, 1)
        for path, kind in zip(paths, ("PNG", "JPEG", "PGM")):
            self.assertIn("cannot read %s: %s" % (path, kind), errors)
        (result,) = [json.loads(line) for line in lines]
        self.assertEqual((result["file"], result["width"], result["height"]), (sample, 640, 480))
        self.assertGreaterEqual(result["ms"], 0)
        (symbol,) = result["symbols"]
        self.assertEqual(symbol["type"], "datamatrix")
        truth = json.load(open(os.path.join(SAMPLES, "truth.json")))["datamatrix_000"]["corners"]
        off = lambda k, i: np.hypot(*np.subtract(symbol["corners"][k], truth[i]))
        self.assertLess(max(off(0, 3), off(2, 1)), 1.5)
        self.assertLess(min(max(off(1, 0), off(3, 2)), max(off(1, 2), off(3, 0))), 1.5)

    def test_threads_keep_the_input_order(self):
        names = ("pdf417_002", "none_000", "datamatrix_000", "large_pdf417_003", "datamatrix_012",
                 "none_001", "pdf417_005")
        files = [os.path.join(SAMPLES, name + ".png") for name in names]
        files += ["/nonexistent.png"] + files
        outputs = []
        for threads in ("1", "4"):
            status, lines, _ = run("--threads", threads, *files)
            self.assertEqual((status, len(lines)), (1, 14))
            outputs.append([{k: v for k, v in json.loads(line).items() if k != "ms"}
                            for line in lines])
        self.assertEqual(outputs[1], outputs[0])


if __name__ == "__main__":
    unittest.main()
