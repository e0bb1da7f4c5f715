// pdf.js as an independent reader for the test scripts: opens PDF files with a password and reports
// what it finds, one line per file, so that one Node start-up serves a whole campaign.
//
// Usage: node pdfjs_read.mjs PDFJS_DIR < requests
//   PDFJS_DIR  the folder holding node_modules/pdfjs-dist (scripts/setup installs it in .tools/npm)
// Input (stdin), one request a line: PATH TAB PASSWORD (the password as UTF-8 text, as a user types
// it; the tab may be left out for no password).
// Output (stdout), one line per request, in order:
//   open TAB PAGES TAB SHA256-OF-TEXT   the file opened; the digest is of the UTF-8 text pdf.js
//                                        extracts from every page (items joined by newlines, pages
//                                        ended by a form feed)
//   refused                             the password was not accepted
//   error TAB MESSAGE                   the file could not be read for another reason
// Exit status: 0 every request answered, 2 usage or pdf.js missing.

import { createHash } from "node:crypto";
import { readFile } from "node:fs/promises";
import { createInterface } from "node:readline";
import { pathToFileURL } from "node:url";
import path from "node:path";

async function loadPdfjs(folder) {
  const entry = path.join(folder, "node_modules", "pdfjs-dist", "legacy", "build", "pdf.mjs");
  try {
    return await import(pathToFileURL(entry).href);
  } catch (error) {
    process.stderr.write(`cannot load pdf.js from ${entry}: ${error.message}\n`);
    process.exit(2);
  }
}

async function pageText(document, number) {
  const page = await document.getPage(number);
  const content = await page.getTextContent();
  page.cleanup();
  return content.items.map((item) => item.str ?? "").join("\n") + "\f";
}

async function answer(pdfjs, file, password) {
  let task;
  try {
    const data = new Uint8Array(await readFile(file));
    // No worker thread, fonts or eval: only the document's structure and text are wanted.
    task = pdfjs.getDocument({ data, password, disableFontFace: true, isEvalSupported: false, verbosity: 0 });
    const document = await task.promise;
    const digest = createHash("sha256");
    for (let number = 1; number <= document.numPages; ++number) {
      digest.update(await pageText(document, number), "utf8");
    }
    return `open\t${document.numPages}\t${digest.digest("hex")}`;
  } catch (error) {
    if (error?.name === "PasswordException") return "refused";
    return `error\t${String(error?.message ?? error).replace(/[\t\r\n]/g, " ")}`;
  } finally {
    await task?.destroy();
  }
}

// stdout carries the answers alone: whatever pdf.js logs about damaged files goes to stderr.
for (const name of ["log", "info", "warn", "debug"]) {
  console[name] = (...parts) => process.stderr.write(parts.join(" ") + "\n");
}

async function main() {
  if (process.argv.length !== 3) {
    process.stderr.write("usage: node pdfjs_read.mjs PDFJS_DIR < requests (PATH<TAB>PASSWORD per line)\n");
    process.exit(2);
  }
  const pdfjs = await loadPdfjs(process.argv[2]);
  const lines = createInterface({ input: process.stdin, crlfDelay: Infinity });
  for await (const line of lines) {
    const tab = line.indexOf("\t");
    const file = tab < 0 ? line : line.slice(0, tab);
    const password = tab < 0 ? "" : line.slice(tab + 1);
    process.stdout.write((await answer(pdfjs, file, password)) + "\n");
  }
}

await main();
