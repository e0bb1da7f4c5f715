"""The batch case of scripts/bench: many small real PDF files through one ombreltenc-cli run.

200 copies of a few small readable files of the shared corpus (../shared/corpus, see its MANIFEST.md)
are made in build/bench-inputs/batch/ at run time, then encrypted with generated open and owner
passwords and a password file, with --jobs 1 and --jobs 2 (and --jobs 2 --no-verify, to show what
verification costs), timed side by side by hyperfine. The runs verify their copies (the default) and
sync each password line and copy to storage, as a user's run does. Reports files per second, the
speed-up of two jobs over one and peak RSS, and checks with qpdf that sample copies open with the
passwords recorded for them and that the password lines are in list order.
"""

import json
import shutil
import statistics
import subprocess
from pathlib import Path

FILE_COUNT = 200
# Small, readable, unencrypted files of different producers (expected.tsv: qpdf check ok).
SOURCES = (
    "basic-embedded-file-attachment.pdf",
    "basic-google-docs.pdf",
    "basic-libreoffice-writer-utf16-info.pdf",
    "basic-pdfa-crazyones.pdf",
    "basic-wkhtmltopdf.pdf",
    "form-pdflatex-3-fields.pdf",
    "info-utf16be-title-creator.pdf",
    "pdf20-simple.pdf",
    "xrefstream-pdftex-minimal.pdf",
)
# name: (folder tag, options). The last row shows what verifying every copy costs.
VARIANTS = {
    "jobs 1": ("j1", "--jobs 1"),
    "jobs 2": ("j2", "--jobs 2"),
    "jobs 2, no verify": ("j2nv", "--jobs 2 --no-verify"),
}


def make_inputs(corpus, folder):
    """FILE_COUNT copies of SOURCES in turn, named NNN-source.pdf; returns their total size."""
    missing = [name for name in SOURCES if not (corpus / name).is_file()]
    if missing:
        raise RuntimeError(f"the shared corpus {corpus} lacks {', '.join(missing)}")
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    total = 0
    for i in range(FILE_COUNT):
        source = corpus / SOURCES[i % len(SOURCES)]
        target = folder / f"{i:03}-{source.name}"
        shutil.copyfile(source, target)
        total += target.stat().st_size
    return total


def command(cli, inputs, work, tag, options):
    return (f"{cli} encrypt --open-password-auto --owner-password-auto {options} "
            f"--password-file {work / f'passwords-{tag}.csv'} --output-dir {work / f'out-{tag}'} {inputs}")


def check_outputs(work, tag):
    """Every input has its copy and its line, in list order; sample copies open with their line."""
    copies = sorted((work / f"out-{tag}").iterdir())
    lines = (work / f"passwords-{tag}.csv").read_text(encoding="utf-8").splitlines()[1:]
    if len(copies) != FILE_COUNT or len(lines) != FILE_COUNT:
        raise RuntimeError(f"{tag}: {len(copies)} copies and {len(lines)} password lines, not {FILE_COUNT}")
    expected = sorted(f"{i:03}-{SOURCES[i % len(SOURCES)][:-4]}" for i in range(FILE_COUNT))
    if [line.split('","')[0].strip('"') for line in lines] != expected:
        raise RuntimeError(f"{tag}: the password lines are not in list order")
    for index in range(0, FILE_COUNT, 23):
        name, open_pw, owner_pw, _ = (field.strip('"') for field in lines[index].split('","'))
        copy = work / f"out-{tag}" / f"{name}_Secure.pdf"
        report = subprocess.run(["qpdf", "--show-encryption", f"--password={owner_pw}", str(copy)],
                                capture_output=True, text=True).stdout
        opened = subprocess.run(["qpdf", "--check", f"--password={open_pw}", str(copy)], capture_output=True)
        if "Supplied password is owner password" not in report or opened.returncode not in (0, 3):
            raise RuntimeError(f"{tag}: {copy} does not open with its recorded passwords")


def run_batch(cli, corpus, inputs_root, results, work, runs, warmup, peak_rss_mb):
    """Times the batch case and returns its summary in Markdown."""
    inputs = inputs_root / "batch"
    size = make_inputs(corpus, inputs)
    print(f"\n### batch: {FILE_COUNT} files ({', '.join(SOURCES)}), {size / 1e6:.1f} MB in all", flush=True)
    commands = {name: command(cli, inputs, work, tag, options) for name, (tag, options) in VARIANTS.items()}
    hyperfine = ["hyperfine", "--warmup", str(warmup), "--runs", str(runs),
                 "--export-json", str(results / "batch.json"), "--export-markdown", str(results / "batch.md")]
    # One --prepare per command: each run starts from an empty folder and password file, and the
    # last run of each command is left for the checks.
    for tag, _ in VARIANTS.values():
        hyperfine += ["--prepare", f"rm -rf {work}/out-{tag} {work}/passwords-{tag}.csv"]
    for name, text in commands.items():
        hyperfine += ["-n", name, text]
    subprocess.run(hyperfine, check=True)
    for tag, _ in VARIANTS.values():
        check_outputs(work, tag)
    timings = {r["command"]: r for r in json.loads((results / "batch.json").read_text())["results"]}
    rows = []
    for name, text in commands.items():
        subprocess.run(f"rm -rf {work}/out-* {work}/passwords-*.csv", shell=True, check=True)
        times = timings[name]["times"]
        median = statistics.median(times)
        rows.append((name, median, min(times), max(times), timings[name]["user"] + timings[name]["system"],
                     FILE_COUNT / median, peak_rss_mb(text)))
    lines = [f"## Batch ({FILE_COUNT} small files, generated passwords, {runs} runs after {warmup} warm-up)", "",
             "| case | median s | min–max s | CPU s | files/s | peak RSS MB |", "|---|---:|---:|---:|---:|---:|"]
    lines += [f"| {name} | {median:.3f} | {low:.3f}–{high:.3f} | {cpu:.3f} | {rate:.0f} | {rss:.1f} |"
              for name, median, low, high, cpu, rate, rss in rows]
    rate = {row[0]: row[5] for row in rows}
    lines += ["", f"files/s with --jobs 2 ÷ files/s with --jobs 1: {rate['jobs 2'] / rate['jobs 1']:.2f}", ""]
    summary = "\n".join(lines)
    (results / "summary-batch.md").write_text(summary)
    return summary
