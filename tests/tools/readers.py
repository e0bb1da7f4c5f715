"""Five independent PDF readers behind one interface, for the test scripts.

Each reader answers a list of (file, password) requests with one Answer per request: whether the file
opened with that password and, where the reader tells, its page count and a digest of its text.
qpdf, poppler (pdfinfo) and MuPDF (mutool) run once per request; pdf.js (tests/tools/pdfjs_read.mjs
over the npm package pdfjs-dist) and PDFBox (tests/tools/PdfBoxRead.java over Debian's
libpdfbox2-java) take a whole list in one start-up. scripts/setup installs all five.

The password is always given as the UTF-8 text a user types; how each reader turns it into the
bytes the security handler hashes is what scripts/password-encodings measures.
"""

import concurrent.futures
import dataclasses
import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent.parent
TOOLS = Path(__file__).resolve().parent
PDFJS_DIR = ROOT / ".tools" / "npm"
# The oldest Node the pdfjs-dist version scripts/setup installs runs on.
PDFJS_NODE = (20, 19)
PDFBOX_JARS = ("/usr/share/java/pdfbox2.jar", "/usr/share/java/fontbox2.jar", "/usr/share/java/commons-logging.jar")
# A reader that has not answered in this long has hung: that is a failure, not a wait.
TIMEOUT = 600
# Requests a batch reader gets per start: few enough to answer well within TIMEOUT on a loaded
# machine, so that one hang costs the answers of one chunk only.
CHUNK = 25


@dataclasses.dataclass(frozen=True)
class Answer:
    opened: bool
    refused: bool = False  # the reader said the password was wrong (rather than failing otherwise)
    pages: int | None = None
    text: str | None = None  # digest of the extracted text, when the reader gives one
    detail: str = ""
    broken: bool = False  # the reader itself failed (crashed, hung): no answer about the file at all


def _run(command, stdin=None):
    try:
        done = subprocess.run(command, input=stdin, capture_output=True, timeout=TIMEOUT)
        return done.returncode, (done.stdout + done.stderr).decode("utf-8", "replace"), done.stdout
    except subprocess.TimeoutExpired:
        return None, f"timed out after {TIMEOUT}s", b""
    except OSError as error:
        return None, f"cannot run {command[0]}: {error}", b""


def _failed(code, text, refused):
    """The answer of a per-file reader that did not open the file."""
    return Answer(False, refused=refused, detail=_first_line(text), broken=code is None or code < 0)


def _first_line(text):
    return next((line.strip() for line in text.splitlines() if line.strip()), "")[:240]


def _pages(text):
    match = re.search(r"^Pages:\s*(\d+)", text, re.M)
    return int(match.group(1)) if match else None


class _PerFile:
    """A command-line reader run once per request, a few at a time."""

    name = ""
    program = ""
    jobs = max(1, os.cpu_count() or 1)

    def missing(self):
        return None if shutil.which(self.program) else f"{self.program} is not installed"

    def answer_all(self, requests):
        with concurrent.futures.ThreadPoolExecutor(self.jobs) as pool:
            return list(pool.map(lambda request: self.answer(*request), requests))


class Qpdf(_PerFile):
    name, program = "qpdf", "qpdf"

    def answer(self, path, password):
        code, text, out = _run(["qpdf", f"--password={password}", "--show-npages", str(path)])
        if code in (0, 3):
            return Answer(True, pages=int(out.split()[0]) if out.split() else None)
        return _failed(code, text, "invalid password" in text)


class Poppler(_PerFile):
    name, program = "poppler", "pdfinfo"

    def answer(self, path, password):
        # -upw alone refuses the owner password; given both, poppler tries each role in turn.
        given = ["-opw", password, "-upw", password] if password else []
        code, text, _ = _run(["pdfinfo", *given, str(path)])
        if code == 0:
            return Answer(True, pages=_pages(text))
        return _failed(code, text, "Incorrect password" in text)


class MuPDF(_PerFile):
    name, program = "mupdf", "mutool"

    def answer(self, path, password):
        code, text, _ = _run(["mutool", "info", "-p", password, str(path)] if password else ["mutool", "info", str(path)])
        if code == 0:
            return Answer(True, pages=_pages(text))
        return _failed(code, text, "cannot authenticate password" in text)


class _Batch:
    """A reader that takes every request on stdin and answers each on a line (open/refused/error)."""

    name = ""

    def command(self):
        raise NotImplementedError

    def answer_all(self, requests):
        if any("\n" in str(path) + password or "\t" in str(path) for path, password in requests):
            raise ValueError("a request holds a tab or a line break")
        answers = []
        for start in range(0, len(requests), CHUNK):
            answers += self._answer_chunk(requests[start:start + CHUNK])
        return answers

    def _answer_chunk(self, requests):
        lines = "".join(f"{path}\t{password}\n" for path, password in requests).encode("utf-8")
        code, text, out = _run(self.command(), lines)
        answers = out.decode("utf-8", "replace").splitlines()
        if code != 0 or len(answers) != len(requests):
            failure = f"{self.name} failed (exit {code}): {_first_line(text)}"
            return [Answer(False, detail=failure, broken=True)] * len(requests)
        return [self._parse(line) for line in answers]

    @staticmethod
    def _parse(line):
        fields = line.split("\t")
        if fields[0] == "open":
            return Answer(True, pages=int(fields[1]), text=fields[2])
        if fields[0] == "refused":
            return Answer(False, refused=True, detail="password refused")
        return Answer(False, detail=fields[-1])


class PdfJs(_Batch):
    name = "pdf.js"

    def missing(self):
        if not shutil.which("node"):
            return "node is not installed"
        code, version, _ = _run(["node", "--version"])
        found = tuple(int(part) for part in re.findall(r"\d+", version)[:2])
        if code != 0 or found < PDFJS_NODE:
            return f"node {version.strip()} is older than pdf.js needs ({'.'.join(map(str, PDFJS_NODE))})"
        if not (PDFJS_DIR / "node_modules" / "pdfjs-dist" / "legacy" / "build" / "pdf.mjs").is_file():
            return f"pdfjs-dist is not installed in {PDFJS_DIR} (scripts/setup)"
        return None

    def command(self):
        return ["node", str(TOOLS / "pdfjs_read.mjs"), str(PDFJS_DIR)]


class PdfBox(_Batch):
    name = "pdfbox"

    def __init__(self):
        self._classes = None

    def missing(self):
        if not (shutil.which("java") and shutil.which("javac")):
            return "java or javac is not installed"
        absent = [jar for jar in PDFBOX_JARS if not Path(jar).is_file()]
        return f"{', '.join(absent)} not installed (libpdfbox2-java)" if absent else None

    def command(self):
        if self._classes is None:
            # Compiled on first use into a folder that lives as long as the reader.
            self._classes = tempfile.TemporaryDirectory(prefix="ombrelt-pdfbox-")
            code, text, _ = _run(["javac", "-nowarn", "-d", self._classes.name, "-cp", ":".join(PDFBOX_JARS),
                                  str(TOOLS / "PdfBoxRead.java")])
            if code != 0:
                raise RuntimeError(f"javac PdfBoxRead.java failed: {_first_line(text)}")
        return ["java", "-Xss8m", "-cp", ":".join((self._classes.name,) + PDFBOX_JARS), "PdfBoxRead"]


def all_readers():
    return [Qpdf(), Poppler(), MuPDF(), PdfJs(), PdfBox()]
