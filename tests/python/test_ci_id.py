# The Python module: samples against their truth, arrays of every layout, refused arrays, threads,
# and the signal tools against step images, NumPy and published code vectors.
import concurrent.futures
import json
import os
import random
import unittest

import numpy as np

import ci_id

SAMPLES = os.environ.get("CI_ID_SAMPLES") or os.path.join(
    os.path.dirname(__file__), "..", "data", "samples")
TRUTH = json.load(open(os.path.join(SAMPLES, "truth.json")))
NAMES = sorted(n for n in TRUTH if not n.startswith("none"))
FIND = {"datamatrix": lambda im: ci_id.find_datamatrix(im, allow_skew=True),
        "pdf417": ci_id.find_pdf417}


def image(name):
    return ci_id.read_image(os.path.join(SAMPLES, name + ".png"))


def corner_error(symbol, truth):
    """Largest corner distance, the truth (printed top-left first) taken round either way from
    the found symbol's first corner: a Data Matrix's L vertex is printed bottom-left."""
    orders = ([3, 0, 1, 2], [3, 2, 1, 0]) if symbol.type == "datamatrix" else \
        ([0, 1, 2, 3], [3, 2, 1, 0])
    found = np.array(symbol.corners)
    return min(np.max(np.hypot(*(found - np.array(truth)[order]).T)) for order in orders)


def step_image(width=100, height=60, edge=50, dark=40, light=200):
    im = np.full((height, width), dark, np.uint8)
    im[:, edge:] = light
    return im


class Samples(unittest.TestCase):
    def test_every_sample_found_at_its_corners(self):
        for name in NAMES:
            t = TRUTH[name]
            found = FIND[t["kind"]](image(name))
            self.assertEqual([s.type for s in found], [t["kind"]], name)
            module = np.hypot(*np.subtract(t["corners"][2], t["corners"][3])) / t["modules"][0]
            self.assertLess(corner_error(found[0], t["corners"]), max(3.0, module), name)

    def test_images_without_symbols_give_none(self):
        for name in sorted(n for n in TRUTH if n.startswith("none")):
            self.assertEqual(ci_id.find_symbols(image(name), types=ci_id.DATAMATRIX | ci_id.PDF417),
                             [], name)


class Layouts(unittest.TestCase):
    def setUp(self):
        self.im = image("datamatrix_000")
        self.corners = np.array(ci_id.find_datamatrix(self.im)[0].corners)

    def assertFoundAt(self, array, shift):
        found = ci_id.find_datamatrix(array)
        self.assertEqual(len(found), 1)
        np.testing.assert_allclose(np.array(found[0].corners) + shift, self.corners, atol=1e-9)

    def test_padded_rows_give_the_same_symbol(self):
        padded = np.zeros((480, 640 + 37), np.uint8)
        padded[:, :640] = self.im
        self.assertFoundAt(padded[:, :640], (0, 0))

    def test_a_slice_is_a_window_in_its_own_coordinates(self):
        # Shifts of whole scan-line spacings (8 pixels) meet the same lines: identical corners.
        for y, x in ((152, 200), (200, 248)):
            window = self.im[y:y + 200, x:x + 220]
            self.assertFalse(window.flags.c_contiguous)
            self.assertFoundAt(window, (x, y))

    def test_every_other_row_equals_its_copy(self):
        rows = self.im[::2]
        self.assertEqual(repr(ci_id.find_datamatrix(rows)),
                         repr(ci_id.find_datamatrix(np.ascontiguousarray(rows))))

    def test_bad_arrays_are_refused_with_a_reason(self):
        cases = [(self.im.astype(np.int16), TypeError, "uint8"),
                 (self.im.astype(np.float32), TypeError, "uint8"),
                 (np.dstack([self.im] * 3), ValueError, "2-D"),
                 (self.im[0], ValueError, "2-D"),
                 (np.zeros((0, 10), np.uint8), ValueError, "empty"),
                 (self.im[:, ::2], ValueError, "column stride"),
                 (np.asfortranarray(self.im), ValueError, "column stride"),
                 (self.im[::-1], ValueError, "row stride")]
        for array, error, reason in cases:
            for call in (ci_id.find_datamatrix, ci_id.threshold, ci_id.binarize):
                with self.assertRaisesRegex(error, reason):
                    call(array)


class Threads(unittest.TestCase):
    def test_a_thread_pool_gives_the_serial_results(self):
        images = [image(n) for n in NAMES] * 2
        search = lambda im: repr(ci_id.find_symbols(im, allow_skew=True))
        serial = [search(im) for im in images]
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            self.assertEqual(list(pool.map(search, images)), serial)


class Failures(unittest.TestCase):
    def test_a_status_carries_its_value_and_name(self):
        with self.assertRaises(ci_id.Error) as caught:
            ci_id.fft(np.zeros((48, 64), np.uint8))
        self.assertEqual(caught.exception.status, -0x7FFFF79F)
        self.assertEqual(caught.exception.name, "CID_STATUS_NOT_POWER_OF_TWO")
        self.assertEqual(ci_id.status_name(caught.exception.status), caught.exception.name)

    def test_arguments_the_library_would_assert_on_raise(self):
        for call in (lambda: ci_id.threshold_histogram(np.zeros(256, np.uint32)),
                     lambda: ci_id.scan_edges(step_image(), (5, 5), (5, 5)),
                     lambda: ci_id.line_pixels(step_image(), (1e9, 0), (1, 1)),
                     lambda: ci_id.ReedSolomon(4).correct([0] * 10, erasures=[10])):
            self.assertRaises(ValueError, call)


class Lines(unittest.TestCase):
    def test_a_step_is_met_where_it_lies_with_the_sign_of_the_walk(self):
        # The step between columns 49 and 50 is crossed at x = 50 whichever way and slant.
        im = step_image()
        for p0, p1, sign in (((5, 20.5), (95, 20.5), 1), ((95, 20.5), (5, 20.5), -1),
                             ((10, 5), (90, 45), 1), ((90, 45), (10, 5), -1)):
            (x, y, strength), = ci_id.scan_edges(im, p0, p1, threshold=40)
            self.assertAlmostEqual(x, 50, delta=0.5)
            self.assertAlmostEqual(y, p0[1] + (50 - p0[0]) * (p1[1] - p0[1]) / (p1[0] - p0[0]),
                                   delta=0.5)
            self.assertEqual(np.sign(strength), sign)

    def test_profile_edges_sit_on_the_step(self):
        im = step_image()
        samples, mean, spacing = ci_id.line_pixels(im, (10, 30.5), (90, 30.5))
        self.assertEqual((len(samples), spacing), (80, 1.0))
        self.assertTrue(np.all(np.diff(samples.astype(int)) >= 0))
        (position, strength), = ci_id.line_edges(samples, threshold=40)
        self.assertAlmostEqual(position, 40, delta=0.5)
        self.assertGreater(strength, 0)
        self.assertEqual(ci_id.caliper(im, (10, 30.5), (90, 30.5), threshold=40),
                         [(position, strength)])


class Thresholds(unittest.TestCase):
    def test_global_midrange_binarization_fills_a_new_array(self):
        im = np.random.default_rng(3).integers(20, 230, (40, 50)).astype(np.uint8)
        t = (int(im.min()) + int(im.max())) >> 1
        np.testing.assert_array_equal(ci_id.binarize(im, method=ci_id.BINARIZE_GLOBAL_MIDRANGE),
                                      np.where(im >= t, 255, 0))


class Codes(unittest.TestCase):
    def test_published_vectors(self):
        # Data Matrix "123456" (ISO/IEC 16022 annex) and QR Code 1-M "HELLO WORLD"; the library
        # holds the highest-order symbol last.
        dm = ci_id.ReedSolomon(5)
        self.assertEqual(list(dm.encode([142, 164, 186][::-1])[::-1]), [114, 25, 5, 88, 102])
        qr = ci_id.ReedSolomon(10, polynomial=0x11D, first_root=0)
        data = [32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236, 17, 236, 17]
        self.assertEqual(list(qr.encode(data[::-1])[::-1]),
                         [196, 35, 39, 119, 235, 215, 231, 226, 93, 23])

    def corrupt_and_correct(self, code, codeword, modulus, rng):
        n = code.ecc_words
        for errors in range(n // 2 + 1):
            erasures = rng.randint(0, n - 2 * errors)
            spots = rng.sample(range(len(codeword)), errors + erasures)
            received = list(codeword)
            for p in spots[:errors]:
                received[p] = (received[p] + rng.randint(1, modulus - 1)) % modulus
            for p in spots[errors:]:
                received[p] = rng.randint(0, modulus - 1)
            fixed, count = code.correct(received, erasures=spots[errors:])
            self.assertEqual(list(fixed), codeword)
            self.assertLessEqual(count, errors + erasures)

    def test_binary_field_corrects_up_to_its_radius(self):
        rng = random.Random(11)
        code = ci_id.ReedSolomon(12)
        for _ in range(20):
            message = [rng.randint(0, 255) for _ in range(30)]
            self.corrupt_and_correct(code, list(code.encode(message)) + message, 256, rng)

    def test_pdf417_field_corrects_up_to_its_radius(self):
        # Codewords built here: data then check words, highest order first, divisible by
        # prod (x - 3^j), j = 1 .. k, over GF(929).
        k, rng = 8, random.Random(5)
        g = [1]
        for j in range(1, k + 1):
            root = pow(3, j, 929)
            g = [(a - root * b) % 929 for a, b in zip(g + [0], [0] + g)]
        code = ci_id.ReedSolomon.pdf417(k)
        for _ in range(10):
            data = [rng.randint(0, 928) for _ in range(20)]
            remainder = data + [0] * k
            for i in range(len(data)):
                factor = remainder[i]
                for j in range(k + 1):
                    remainder[i + j] = (remainder[i + j] - factor * g[j]) % 929
            codeword = data + [(-r) % 929 for r in remainder[-k:]]
            self.corrupt_and_correct(code, codeword, 929, rng)


class Transforms(unittest.TestCase):
    def test_the_transforms_agree_with_numpy(self):
        rng = np.random.default_rng(9)
        block = rng.integers(0, 256, (32, 64)).astype(np.uint8)
        reference = np.fft.fft2(block.astype(float))
        scale = np.abs(reference).max()
        self.assertLess(np.abs(ci_id.fft(block) - reference).max(), 1e-5 * scale)
        np.testing.assert_allclose(ci_id.fft(block, "power"), np.abs(reference) ** 2,
                                   rtol=1e-4, atol=1e-6 * scale ** 2)
        rows = np.fft.fft(block.astype(float), axis=1)[:, :32]
        self.assertLess(np.abs(ci_id.fft(block, rows_only=True) - rows).max(), 1e-5 * scale)
        small = block[:5, :7]
        np.testing.assert_allclose(ci_id.dft(small), np.fft.fft2(small.astype(float)),
                                   atol=1e-9 * scale)

    def test_fixed_point_spectrum_is_the_scaled_transform(self):
        block = np.random.default_rng(4).integers(0, 256, (32, 32)).astype(np.uint8)
        scale = (2 ** 26) // 255
        reference = np.fft.fft2(block.astype(float) * scale) / 32
        fixed = ci_id.fft_fixed(block)
        got = fixed[..., 0] + 1j * fixed[..., 1]
        self.assertLess(np.abs(got - reference).max(), 1e-4 * np.abs(reference).max())


if __name__ == "__main__":
    unittest.main()
