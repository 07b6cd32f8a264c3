"""The Python module pictrove against the command line pictrove over the same documents."""
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest
import warnings

import pictrove

CLI = os.environ["PICTROVE_NATIVE_CLI"]
HERE = os.path.dirname(os.path.abspath(__file__))
LOCKED = os.path.join(HERE, "data", "locked.pdf")


def cli(*args):
    run = subprocess.run([CLI, *args], capture_output=True, text=True)
    return run.returncode, run.stdout, run.stderr


class PictroveModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp()
        cls.docs = os.path.join(cls.work, "docs")
        os.mkdir(cls.docs)
        subprocess.run([os.environ["PICTROVE_WRITE_CORPUS"], cls.docs], check=True, capture_output=True)
        data = os.environ["PICTROVE_TEST_DATA"]
        for name in ("pictures.doc", "metafiles/metafiles.doc", "cmyk-jpeg/pdfwrite.pdf"):
            shutil.copy(os.path.join(data, name), cls.docs)
        with open(os.path.join(cls.docs, "notes.xyz"), "wb") as f:
            f.write(b"\x01\x02\x03")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def doc(self, name):
        return os.path.join(self.docs, name)

    def test_every_document_lists_or_fails_as_the_command_line_says(self):
        names = sorted(os.listdir(self.docs)) + ["missing.pdf"]
        self.assertGreater(len(names), 20)
        for name in names:
            with self.subTest(document=name):
                code, out, err = cli("list", self.doc(name), "--json")
                if code == 3:
                    with self.assertRaises(pictrove.DocumentError) as raised:
                        pictrove.list(self.doc(name))
                    self.assertEqual(str(raised.exception), err.strip())
                else:
                    self.assertEqual(pictrove.list(self.doc(name)), json.loads(out)[0]["images"])

    def test_a_damaged_document_warns_and_still_lists(self):
        cut = os.path.join(self.work, "cut.pdf")
        with open(self.doc("report.pdf"), "rb") as whole, open(cut, "wb") as f:
            f.write(whole.read()[:1000])  # the pictures' objects, not the page tree
        _, out, err = cli("list", cut, "--json")
        with self.assertWarns(RuntimeWarning) as warned:
            records = pictrove.list(cut)
        self.assertEqual(str(warned.warning), err.strip())
        self.assertEqual(records, json.loads(out)[0]["images"])
        self.assertTrue(records)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            self.assertRaises(RuntimeWarning, pictrove.extract, cut, os.path.join(self.work, "cut"))

    def test_password_errors_carry_the_command_lines_words(self):
        cases = [(None, ": the document is protected; give its password with --password"),
                 ("guess", ": the password does not open the document")]
        for password, words in cases:
            with self.subTest(password=password):
                with self.assertRaises(pictrove.PasswordError) as raised:
                    pictrove.list(LOCKED, password=password)
                self.assertIsInstance(raised.exception, RuntimeError)
                self.assertEqual(str(raised.exception), LOCKED + words)
        code, out, _ = cli("list", LOCKED, "--password", "letmein", "--json")
        self.assertEqual(pictrove.list(LOCKED, "letmein"), json.loads(out)[0]["images"])
        out_dir = os.path.join(self.work, "locked")
        written = pictrove.extract(LOCKED, out_dir, password="letmein")
        self.assertEqual([(r["index"], r["reason"]) for r in written], [(1, None)])
        self.assertTrue(os.path.isfile(written[0]["path"]))

    def test_extract_writes_the_command_lines_files(self):
        cases = [("novel.epub", "png", "%IN%"), ("report.pdf", "jpeg", "%0II%_%IN%"), ("comic.cbz", "original", "%II%"),
                 ("pictures.doc", "bmp", "%IN%_%II%"), ("frames.gif", "gif", "same")]
        for name, kind, template in cases:
            with self.subTest(document=name, type=kind):
                mine, theirs = (os.path.join(self.work, side, name + kind) for side in ("module", "cli"))
                records = pictrove.extract(pathlib.Path(self.doc(name)), pathlib.Path(mine), kind, template, jobs=2)
                code, _, err = cli("extract", self.doc(name), "-o", theirs, "--type", kind, "--template", template)
                self.assertEqual(code, 0, err)
                listed = pictrove.list(self.doc(name))
                self.assertEqual([(r["index"], r["name"]) for r in records], [(r["index"], r["name"]) for r in listed])
                paths = sorted(os.path.relpath(r["path"], mine) for r in records)
                files = sorted(os.path.relpath(os.path.join(d, f), theirs) for d, _, fs in os.walk(theirs) for f in fs)
                self.assertEqual(paths, files)
                for path in paths:
                    with open(os.path.join(mine, path), "rb") as a, open(os.path.join(theirs, path), "rb") as b:
                        self.assertEqual(a.read(), b.read(), path)

    def test_failed_pictures_give_their_reason_and_no_path(self):
        out_dir = os.path.join(self.work, "drawings")
        records = pictrove.extract(self.doc("metafiles.doc"), out_dir, "png")
        _, _, err = cli("extract", self.doc("metafiles.doc"), "-o", os.path.join(self.work, "drawings-cli"), "--quiet")
        reasons = {line.split(": ", 1)[1] for line in err.splitlines()}
        self.assertTrue(records)
        for record in records:
            self.assertIsNone(record["path"])
            self.assertIn(record["reason"], reasons)
        outside = pictrove.extract(self.doc("pictures.doc"), out_dir, template="../%IN%")
        self.assertTrue(all(r["path"] is None and "leads outside" in r["reason"] for r in outside))

    def test_a_full_disk_stops_the_run_and_says_so_for_the_pictures_left(self):
        # A file past the process's size limit fails as on a full disk; the limit is lowered
        # only around the extraction, so the answer can still be printed.
        script = """
import json, resource, signal, sys, pictrove
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
soft, hard = resource.getrlimit(resource.RLIMIT_FSIZE)
resource.setrlimit(resource.RLIMIT_FSIZE, (200, hard))
records = pictrove.extract(sys.argv[1], sys.argv[2], "bmp", jobs=1)
resource.setrlimit(resource.RLIMIT_FSIZE, (soft, hard))
print(json.dumps(records))
"""
        out_dir = os.path.join(self.work, "full")
        run = subprocess.run([sys.executable, "-c", script, self.doc("novel.epub"), out_dir],
                             capture_output=True, text=True, timeout=60)
        full = "There is not enough space on the disk."
        records = [(r["index"], r["path"], r["reason"]) for r in json.loads(run.stdout)]
        self.assertEqual(records, [(1, None, full), (2, None, "Stopped: " + full), (3, None, "Stopped: " + full)])
        self.assertEqual(os.listdir(out_dir), [])

    def test_a_folder_that_cannot_be_made_raises_the_command_lines_words(self):
        blocker = os.path.join(self.work, "a-file")
        open(blocker, "w").close()
        _, _, err = cli("extract", self.doc("pictures.doc"), "-o", os.path.join(blocker, "sub"))
        with self.assertRaises(OSError) as raised:
            pictrove.extract(self.doc("pictures.doc"), os.path.join(blocker, "sub"))
        self.assertEqual(str(raised.exception), err.splitlines()[0])

    def test_min_size_leaves_out_smaller_pictures_by_listed_size(self):
        sizes = {r["index"]: (r["width"], r["height"]) for r in pictrove.list(self.doc("pictures.doc"))}
        self.assertEqual(sizes, {1: (8, 6), 2: (16, 12), 3: (5, 5)})
        cases = [((0, 0), [1, 2, 3]), ((5, 5), [1, 2, 3]), ((8, 6), [1, 2]), ((9, 6), [2]), ((8, 7), [2]),
                 ((16, 12), [2]), ((16, 13), []), ((17, 1), [])]
        for n, (min_size, kept) in enumerate(cases):
            with self.subTest(min_size=min_size):
                out_dir = os.path.join(self.work, "min%d" % n)
                records = pictrove.extract(self.doc("pictures.doc"), out_dir, min_size=min_size)
                self.assertEqual([r["index"] for r in records], kept)
                self.assertEqual(len(os.listdir(out_dir)) if os.path.isdir(out_dir) else 0, len(kept))

    def test_bad_arguments_raise_before_anything_is_written(self):
        out_dir = os.path.join(self.work, "never")
        cases = [({"type": "tiff"}, ValueError, 'type: "tiff" is not bmp, gif, jpeg, png or original'),
                 ({"jobs": 0}, ValueError, "jobs needs a number from 1 to 64"),
                 ({"jobs": 65}, ValueError, "jobs needs a number from 1 to 64"),
                 ({"template": "a:b"}, ValueError, "File names cannot hold these characters: :")]
        for arguments, kind, text in cases:
            with self.subTest(arguments=arguments):
                with self.assertRaises(kind) as raised:
                    pictrove.extract(self.doc("pictures.doc"), out_dir, **arguments)
                self.assertEqual(str(raised.exception), text)
                self.assertFalse(os.path.exists(out_dir))
        self.assertEqual(len(pictrove.extract(self.doc("pictures.doc"), out_dir, jobs=64)), 3)

    def test_other_threads_run_while_a_document_is_read(self):
        # The document is a pipe the module's open waits on; only another Python thread writes
        # it, which it can do only while the module has let the interpreter's lock go.
        script = """
import os, sys, threading, time, pictrove
pipe = sys.argv[1]
def feed():
    time.sleep(0.5)  # by then the module waits in its open
    with open(pipe, "wb") as f:
        f.write(open(sys.argv[2], "rb").read())
threading.Thread(target=feed).start()
try:
    pictrove.extract(pipe, sys.argv[3])
except pictrove.DocumentError:
    pass
print("read")
"""
        pipe = os.path.join(self.work, "pipe.pdf")
        os.mkfifo(pipe)
        run = subprocess.run([sys.executable, "-c", script, pipe, self.doc("report.pdf"), self.work],
                             capture_output=True, text=True, timeout=60)
        self.assertEqual(run.stdout.strip(), "read", run.stderr)


if __name__ == "__main__":
    unittest.main()
