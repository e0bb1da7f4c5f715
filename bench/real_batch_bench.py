"""The batch-of-real-documents case of scripts/bench: whole folders of real PDF files, one
ombreltenc-cli run against mutool and qpdf run two files at a time.

Two folders, each timed on its own:

  corpus  the shared corpus's readable files (../shared/corpus, expected.tsv: not encrypted, at least
          one page, qpdf check "ok"): small files of many producers and structures
  debian  the PDF manuals of a few Debian documentation packages (DEBIAN_PACKAGES), fetched with
          apt-get download into build/bench-inputs/debian-docs/ on first use and kept; files that
          are the same bytes under two names are taken once. Skipped with a message when the
          packages cannot be fetched.

For each folder, side by side in one hyperfine run:

  ombreltenc  ombreltenc-cli encrypt --open-password-auto --owner-password-auto
              --password-file passwords.csv --output-dir out FOLDER
              (default --jobs, every copy verified, every copy and password line synced)
  mutool      ls FOLDER | xargs -P2 mutool clean -E aes-256 -U u -O o IN OUT
  qpdf        ls FOLDER | xargs -P2 qpdf --warning-exit-0 --encrypt u o 256 -- IN OUT

The peers neither verify nor sync their copies, so the comparison leans their way. After the timing,
every input must have its copy and its password line, and sample copies must open in qpdf with the
passwords recorded for them.
"""

import csv
import hashlib
import json
import shutil
import statistics
import subprocess
import tempfile
from pathlib import Path

# Manuals written mostly by pdfTeX (some by LuaTeX and PARI's tools), from 1 to 2,415 pages.
DEBIAN_PACKAGES = ("r-doc-pdf", "texlive-latex-base-doc", "libtasn1-doc", "gnuplot-doc", "pari-doc",
                   "asymptote-doc", "octave-doc")
TARGET = 2.0
PEERS = ("mutool", "qpdf")


def corpus_files(corpus):
    """The corpus files every tool reads without complaint."""
    rows = list(csv.DictReader((corpus / "expected.tsv").open(encoding="utf-8"), delimiter="\t"))
    return {row["file"]: corpus / row["file"] for row in rows
            if row["encrypted"] == "n" and row["qpdf_check"] == "ok" and (row["pages_qpdf"] or "0") != "0"}


def fill_folder(folder, files):
    """Copies files (name: source) into folder, each content once; returns the total size."""
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    seen = set()
    for name, source in sorted(files.items()):
        digest = hashlib.sha256(source.read_bytes()).hexdigest()
        if digest not in seen:
            seen.add(digest)
            shutil.copyfile(source, folder / name)
    return sum(path.stat().st_size for path in folder.iterdir())


def debian_files(cache):
    """The PDF files of DEBIAN_PACKAGES, fetched and unpacked into cache once; None when apt fails."""
    unpacked = cache / "unpacked"
    if not unpacked.is_dir():
        debs = cache / "debs"
        debs.mkdir(parents=True, exist_ok=True)
        fetched = subprocess.run(["apt-get", "download", *DEBIAN_PACKAGES], cwd=debs, capture_output=True, text=True)
        if fetched.returncode != 0:
            print(f"skipping the Debian documents: apt-get download failed\n{fetched.stderr[-800:]}")
            return None
        staging = Path(tempfile.mkdtemp(dir=cache))
        for deb in debs.glob("*.deb"):
            subprocess.run(["dpkg-deb", "-x", str(deb), str(staging)], check=True)
        staging.rename(unpacked)
    # Files of different packages may share a name: the name carries the path below usr/share.
    files = {}
    for path in unpacked.rglob("*.pdf"):
        if path.is_file() and not path.is_symlink():
            name = "_".join(path.relative_to(unpacked).parts[2:])
            files[name] = path
    return files


def commands(cli, folder, work):
    peer_out = {peer: work / f"out-{peer}" for peer in PEERS}
    return {
        "ombreltenc": (f"{cli} encrypt --open-password-auto --owner-password-auto "
                       f"--password-file {work / 'passwords.csv'} --output-dir {work / 'out-ombreltenc'} {folder}"),
        "mutool": (f"sh -c 'ls {folder} | xargs -P2 -I{{}} "
                   f"mutool clean -E aes-256 -U u -O o {folder}/{{}} {peer_out['mutool']}/{{}}'"),
        "qpdf": (f"sh -c 'ls {folder} | xargs -P2 -I{{}} "
                 f"qpdf --warning-exit-0 --encrypt u o 256 -- {folder}/{{}} {peer_out['qpdf']}/{{}}'"),
    }


def check_outputs(folder, work):
    """Every input has its copy and its password line; every seventh copy opens with its line's passwords."""
    inputs = sorted(path.stem for path in folder.iterdir())
    with (work / "passwords.csv").open(encoding="utf-8", newline="") as ledger:
        lines = list(csv.reader(ledger))[1:]
    copies = sorted(path.name for path in (work / "out-ombreltenc").iterdir())
    if sorted(line[0] for line in lines) != inputs or copies != sorted(f"{name}_Secure.pdf" for name in inputs):
        raise RuntimeError(f"{folder}: {len(copies)} copies and {len(lines)} password lines for {len(inputs)} inputs")
    for name, open_pw, owner_pw, _ in lines[::7]:
        copy = work / "out-ombreltenc" / f"{name}_Secure.pdf"
        owner = subprocess.run(["qpdf", "--show-encryption", f"--password={owner_pw}", str(copy)],
                               capture_output=True, text=True).stdout
        opened = subprocess.run(["qpdf", "--show-npages", f"--password={open_pw}", str(copy)], capture_output=True)
        if "Supplied password is owner password" not in owner or opened.returncode != 0:
            raise RuntimeError(f"{copy} does not open with the passwords recorded for it")


def time_folder(label, cli, folder, results, work, runs, warmup, peak_rss_mb):
    """Times one folder; returns its rows of the summary table and its verdict."""
    cmds = commands(cli, folder, work)
    # One --prepare per command, so that each run starts from an empty folder (and no password file)
    # and the last run of ombreltenc is left for the checks.
    prepares = {tool: f"sh -c 'rm -rf {work / f'out-{tool}'} && mkdir {work / f'out-{tool}'}'" for tool in PEERS}
    prepares["ombreltenc"] = f"rm -rf {work / 'out-ombreltenc'} {work / 'passwords.csv'}"
    result = results / f"real-batch-{label}.json"
    hyperfine = ["hyperfine", "-N", "--warmup", str(warmup), "--runs", str(runs),
                 "--export-json", str(result), "--export-markdown", str(results / f"real-batch-{label}.md")]
    for tool in cmds:
        hyperfine += ["--prepare", prepares[tool]]
    for tool, text in cmds.items():
        hyperfine += ["-n", tool, text]
    subprocess.run(hyperfine, check=True)
    check_outputs(folder, work)
    timings = {r["command"]: r for r in json.loads(result.read_text())["results"]}
    medians = {tool: statistics.median(timings[tool]["times"]) for tool in cmds}
    rows = []
    for tool, text in cmds.items():
        subprocess.run(prepares[tool], shell=True, check=True)
        times = timings[tool]["times"]
        rows.append(f"| {label} | {tool} | {medians[tool]:.3f} | {min(times):.3f}–{max(times):.3f} | "
                    f"{timings[tool]['user'] + timings[tool]['system']:.3f} | {peak_rss_mb(text):.1f} |")
    peer = min(PEERS, key=lambda tool: medians[tool])
    ratio = medians[peer] / medians["ombreltenc"]
    verdict = (f"- {label}: {peer} (faster peer) ÷ ombreltenc = {ratio:.2f} "
               f"(target ≥ {TARGET:g}: {'met' if ratio >= TARGET else 'missed'})")
    return rows, verdict


def run_real_batch(cli, corpus, inputs_root, results, work, runs, warmup, peak_rss_mb):
    """Times the batch-of-real-documents case and returns its summary in Markdown."""
    folders = []
    if (corpus / "expected.tsv").is_file():
        folder = inputs_root / "real-batch-corpus"
        folders.append(("corpus", folder, fill_folder(folder, corpus_files(corpus))))
    else:
        print(f"skipping the corpus folder: {corpus}/expected.tsv is missing")
    debian = debian_files(inputs_root / "debian-docs")
    if debian:
        folder = inputs_root / "real-batch-debian"
        folders.append(("debian", folder, fill_folder(folder, debian)))
    lines = [f"## Batches of real documents ({runs} runs after {warmup} warm-up, medians)", "",
             "| folder | tool | median s | min–max s | CPU s | peak RSS MB |", "|---|---|---:|---:|---:|---:|"]
    verdicts = []
    for label, folder, size in folders:
        count = sum(1 for _ in folder.iterdir())
        print(f"\n### real documents, {label}: {count} files, {size / 1e6:.1f} MB", flush=True)
        rows, verdict = time_folder(label, cli, folder, results, work, runs, warmup, peak_rss_mb)
        lines += rows
        verdicts.append(f"{verdict}; {count} files, {size / 1e6:.1f} MB")
    lines += ["", "## Targets", ""] + verdicts + [""]
    summary = "\n".join(lines)
    (results / "summary-real-batch.md").write_text(summary)
    return summary
