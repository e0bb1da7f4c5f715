#!/usr/bin/python3
"""Generates the inputs of scripts/bench into a folder (default build/bench-inputs).

  text-table.pdf        50,000 pages, one line of text each, about 150,000 objects behind a classic
                        cross-reference table (written directly, with exact offsets)
  text-objstm.pdf       the same document saved by pikepdf with object streams and a
                        cross-reference stream
  images.pdf            20 pages, each showing one image of about 10 MB: random bytes in a
                        FlateDecode stream made of stored (uncompressed) deflate blocks
  documents-table.pdf   50,000 pages carrying what real documents carry besides their text, about
                        274,000 objects behind a classic table (written directly): per page a text
                        annotation, a link to a web address and an outline item; links to named
                        destinations on every 4th page, a text field with its appearance on every
                        10th; a name tree of 50,100 destinations, page labels, an Info dictionary.
                        Its strings take every form (escapes, octal, hex, UTF-16BE), so most of its
                        objects need their strings encrypted, unlike text-table.pdf's, which are
                        copied as they stand
  documents-objstm.pdf  the same document saved by pikepdf with object streams and a
                        cross-reference stream
  corpus-mix.pdf        the pages of the sound, unencrypted files of the shared corpus
                        (../shared/corpus beside the repository, see its MANIFEST.md) in name order,
                        joined by pikepdf with their streams as they were: what various real producers
                        write; left out, with a message, when the corpus is missing

Each run makes the same files but for their /ID (and for corpus-mix.pdf, the same corpus), except
images.pdf, which is random. Files already present with the current generator version are kept;
inputs.json records the version and, per file, its size, object count, page count and largest
stream (for corpus-mix.pdf also the files taken and left out). Needs Debian's python3-pikepdf, so run it with /usr/bin/python3.
"""

import contextlib
import json
import os
import random
import sys
import zlib
from pathlib import Path

VERSION = "4"  # bump when the generated files change
PAGES = 50_000
KIDS_PER_NODE = 100
IMAGES = 20
IMAGE_WIDTH = 2048
IMAGE_HEIGHT = 1707  # 2048 x 1707 x 3 bytes = 10,487,808 bytes per image
# The shared corpus beside the repository (see its MANIFEST.md), and how much of it corpus-mix.pdf takes.
CORPUS = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus"
MIX_SOURCE_BYTES = 48_000_000


class Writer:
    """Writes numbered objects and remembers their offsets for the cross-reference table."""

    def __init__(self, path, size):
        self.file = open(path, "wb", buffering=1 << 20)
        self.offsets = [None] * size
        self.position = 0
        self.largest_stream = 0
        self.put(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")

    def put(self, data):
        self.file.write(data)
        self.position += len(data)

    def obj(self, number, body, stream=None):
        self.offsets[number] = self.position
        self.put(b"%d 0 obj\n" % number + body)
        if stream is not None:
            self.largest_stream = max(self.largest_stream, len(stream))
            self.put(b"\nstream\n")
            self.put(stream)
            self.put(b"\nendstream")
        self.put(b"\nendobj\n")

    def finish(self, root, info):
        size = len(self.offsets)
        start = self.position
        rows = [b"xref\n0 %d\n0000000000 65535 f\r\n" % size]
        rows += [b"%010d 00000 n\r\n" % offset for offset in self.offsets[1:]]
        self.put(b"".join(rows))
        file_id = os.urandom(16).hex().encode()
        self.put(b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R /ID [<%s> <%s>] >>\nstartxref\n%d\n%%%%EOF\n"
                 % (size, root, info, file_id, file_id, start))
        self.file.close()
        return {"objects": size - 1, "largest_stream_bytes": self.largest_stream}


def text_table(path):
    # 1 catalog, 2 page tree root, 3 font, 4 info, then the intermediate page tree nodes,
    # then per page: page dictionary, resource dictionary, content stream.
    nodes = (PAGES + KIDS_PER_NODE - 1) // KIDS_PER_NODE
    first_node = 5
    first_page = first_node + nodes
    size = first_page + 3 * PAGES
    w = Writer(path, size)
    w.obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    kids = b" ".join(b"%d 0 R" % (first_node + n) for n in range(nodes))
    w.obj(2, b"<< /Type /Pages /Count %d /Kids [ %s ] /MediaBox [ 0 0 612 792 ] >>" % (PAGES, kids))
    w.obj(3, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    w.obj(4, b"<< /Title (Generated text document) /Producer (OmbreltEnc bench/make_inputs.py) "
             b"/CreationDate (D:20240101000000Z) >>")
    for n in range(nodes):
        pages = range(n * KIDS_PER_NODE, min(PAGES, (n + 1) * KIDS_PER_NODE))
        kids = b" ".join(b"%d 0 R" % (first_page + 3 * p) for p in pages)
        w.obj(first_node + n, b"<< /Type /Pages /Parent 2 0 R /Count %d /Kids [ %s ] >>" % (len(pages), kids))
    for p in range(PAGES):
        page = first_page + 3 * p
        node = first_node + p // KIDS_PER_NODE
        w.obj(page, b"<< /Type /Page /Parent %d 0 R /Resources %d 0 R /Contents %d 0 R >>" % (node, page + 1, page + 2))
        w.obj(page + 1, b"<< /Font << /F1 3 0 R >> /ProcSet [ /PDF /Text ] >>")
        content = zlib.compress(b"BT /F1 12 Tf 72 720 Td (This is line %d of the generated text document.) Tj ET\n"
                                % (p + 1))
        w.obj(page + 2, b"<< /Length %d /Filter /FlateDecode >>" % len(content), content)
    return dict(w.finish(1, 4), pages=PAGES)


def with_object_streams(source, path):
    """The source saved by pikepdf with object streams and a cross-reference stream."""
    import pikepdf
    with pikepdf.open(source) as pdf:
        pdf.save(path, object_stream_mode=pikepdf.ObjectStreamMode.generate)
    with pikepdf.open(path) as pdf:
        streams = [o for o in pdf.objects if isinstance(o, pikepdf.Stream)]
        return {"objects": len(pdf.objects), "largest_stream_bytes": max(len(s.read_raw_bytes()) for s in streams),
                "pages": len(pdf.pages)}


# --- documents: pages carrying the strings real documents carry ----------------------------------

CHAPTER_PAGES = 500       # 100 chapters: one outline item, one parent field and one page label each
FIELD_EVERY = 10          # a text field (field and widget in one dictionary) on every 10th page
NAME_TREE_LEAF = 64       # names per leaf of the /Dests name tree
NAME_TREE_FANOUT = 32     # kids per intermediate node
WORDS = (b"annual report review figure table summary method result draft budget meeting plan risk "
         b"schedule policy customer invoice contract appendix revision index scope audit quarter "
         b"growth network archive record request approval").split()
# Non-ASCII outline titles, written as UTF-16BE with its byte order mark.
TITLES = ("Résumé du chapitre {c}, page {p}", "Übersicht {c}.{p} – Prüfung", "Глава {c}, страница {p}",
          "第{c}章 第{p}頁", "Σύνοψη {c}/{p} ✓", "Índice {c}: página {p} «borrador»")


def literal(data, octal=False):
    """A literal string: parentheses and backslashes escaped, CR as \\r (a bare one would read as LF),
    other bytes outside printable ASCII as they are or, with octal, as three-digit octal escapes."""
    out = bytearray(b"(")
    for byte in data:
        if byte in b"()\\":
            out += b"\\" + bytes([byte])
        elif byte == 13:
            out += b"\\r"
        elif octal and not 32 <= byte < 127:
            out += b"\\%03o" % byte
        else:
            out.append(byte)
    return bytes(out + b")")


def pdfdoc(text):
    """Text in PDFDocEncoding, for the few characters used here: Latin-1 but for € and ’."""
    return text.replace("€", "\xa0").replace("’", "\x90").encode("latin-1")


def hexstring(data):
    return b"<" + data.hex().upper().encode() + b">"


def utf16(text):
    return b"\xfe\xff" + text.encode("utf-16-be")


def name_tree(numbers, entries, leaf_size, fanout):
    """Objects of a balanced name tree over entries (sorted (key bytes, value text)), numbered by the
    callable numbers(): leaves with /Names, intermediate nodes with /Kids, each with /Limits; the root
    has /Kids only. Returns (root number, [(number, body)])."""
    objects = []
    level = []  # (number, first key, last key)
    for at in range(0, len(entries), leaf_size):
        chunk = entries[at:at + leaf_size]
        number = numbers()
        names = b" ".join(literal(key) + b" " + value for key, value in chunk)
        objects.append((number, b"<< /Limits [ %s %s ] /Names [ %s ] >>"
                        % (literal(chunk[0][0]), literal(chunk[-1][0]), names)))
        level.append((number, chunk[0][0], chunk[-1][0]))
    while len(level) > fanout:
        upper = []
        for at in range(0, len(level), fanout):
            chunk = level[at:at + fanout]
            number = numbers()
            kids = b" ".join(b"%d 0 R" % kid for kid, _, _ in chunk)
            objects.append((number, b"<< /Limits [ %s %s ] /Kids [ %s ] >>"
                            % (literal(chunk[0][1]), literal(chunk[-1][2]), kids)))
            upper.append((number, chunk[0][1], chunk[-1][2]))
        level = upper
    root = numbers()
    objects.append((root, b"<< /Kids [ %s ] >>" % b" ".join(b"%d 0 R" % kid for kid, _, _ in level)))
    return root, objects


def documents_table(path):
    """PAGES pages, each with text, a text annotation (note, name, author, date), a link to a web
    address and an outline item; every FIELD_EVERY-th page a text field with its appearance; every
    4th page a link to the next chapter's named destination. The catalog has the outline (chapters,
    then pages), the form, a /Dests name tree of every page and chapter, page labels with prefixes and
    an Info dictionary. Strings come in every form: escapes, octal, hex, UTF-16BE."""
    rng = random.Random(20240101)
    counter = iter(range(1, 1 << 30))
    numbers = lambda: next(counter)
    catalog, root_pages, font, info, outlines, form, labels, resources = (numbers() for _ in range(8))
    nodes = [numbers() for _ in range((PAGES + KIDS_PER_NODE - 1) // KIDS_PER_NODE)]
    chapters = PAGES // CHAPTER_PAGES
    chapter_item = [numbers() for _ in range(chapters)]
    chapter_field = [numbers() for _ in range(chapters)]
    page, content, note, link, goto, widget, appearance, item = ([None] * PAGES for _ in range(8))
    for p in range(PAGES):
        page[p], content[p], note[p], link[p] = (numbers() for _ in range(4))
        if p % 4 == 3 and p // CHAPTER_PAGES + 1 < chapters:
            goto[p] = numbers()
        if p % FIELD_EVERY == FIELD_EVERY - 1:
            widget[p], appearance[p] = numbers(), numbers()
        item[p] = numbers()
    dest_keys = [b"chapter.%03d" % (c + 1) for c in range(chapters)]  # sorted, as a name tree wants
    dest_keys += [b"page.%05d" % (p + 1) for p in range(PAGES)]
    dest_values = [b"[ %d 0 R /Fit ]" % page[c * CHAPTER_PAGES] for c in range(chapters)]
    dest_values += [b"<< /D [ %d 0 R /FitH 792 ] >>" % page[p] if p % 7 == 6 else
                    b"[ %d 0 R /XYZ 0 792 null ]" % page[p] for p in range(PAGES)]
    dests, tree = name_tree(numbers, list(zip(dest_keys, dest_values)), NAME_TREE_LEAF, NAME_TREE_FANOUT)
    w = Writer(path, next(counter))

    w.obj(catalog, b"<< /Type /Catalog /Pages %d 0 R /Outlines %d 0 R /PageMode /UseOutlines /AcroForm %d 0 R "
                   b"/Names << /Dests %d 0 R >> /PageLabels %d 0 R /Lang (en-GB) "
                   b"/ViewerPreferences << /DisplayDocTitle true >> >>"
          % (root_pages, outlines, form, dests, labels))
    kids = b" ".join(b"%d 0 R" % node for node in nodes)
    w.obj(root_pages, b"<< /Type /Pages /Count %d /Kids [ %s ] /MediaBox [ 0 0 612 792 ] >>" % (PAGES, kids))
    w.obj(font, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    w.obj(info, b"<< /Title %s /Author %s /Subject %s /Keywords %s /Creator %s /Producer %s "
                b"/CreationDate (D:20240102030405+01'00') /ModDate %s "
                b"/Trapped /False >>"
          % (hexstring(utf16("Rapport annuel – édition générée")),
             literal(pdfdoc("Jane Q. O’Brien (editor)"), octal=True),
             literal(b"Notes, links (web and internal), an outline and form fields on 50,000 pages"),
             literal(b"benchmark; annotations; outline; AcroForm; C:\\reports\\2024"),
             literal(b"OmbreltEnc bench/make_inputs.py"), literal(b"OmbreltEnc bench/make_inputs.py (documents)"),
             hexstring(b"D:20240315103000Z")))
    w.obj(outlines, b"<< /Type /Outlines /First %d 0 R /Last %d 0 R /Count %d >>"
          % (chapter_item[0], chapter_item[-1], chapters))
    fields = b" ".join(b"%d 0 R" % field for field in chapter_field)
    w.obj(form, b"<< /Fields [ %s ] /DA (/Helv 10 Tf 0 g) /DR << /Font << /Helv %d 0 R >> >> >>" % (fields, font))
    # Front matter i to x, then "Kapitel 1 – 11", ..., "Ch. 2 (rev. B)-1": every later chapter starts at 1;
    # every 10th prefix in UTF-16BE.
    nums = [b"0 << /S /r >>"]
    for c in range(chapters):
        prefix = (literal(b"Ch. %d (rev. %c)-" % (c + 1, 65 + c % 26)) if c % 10 else
                  hexstring(utf16(f"Kapitel {c + 1} – ")))
        nums.append(b"%d << /S /D /P %s /St %d >>" % (max(c * CHAPTER_PAGES, 10), prefix, 1 if c else 11))
    w.obj(labels, b"<< /Nums [ %s ] >>" % b" ".join(nums))
    w.obj(resources, b"<< /Font << /F1 %d 0 R >> /ProcSet [ /PDF /Text ] >>" % font)
    for n, node in enumerate(nodes):
        pages = range(n * KIDS_PER_NODE, min(PAGES, (n + 1) * KIDS_PER_NODE))
        kids = b" ".join(b"%d 0 R" % page[p] for p in pages)
        w.obj(node, b"<< /Type /Pages /Parent %d 0 R /Count %d /Kids [ %s ] >>" % (root_pages, len(pages), kids))

    for c in range(chapters):
        first, last = c * CHAPTER_PAGES, (c + 1) * CHAPTER_PAGES - 1
        siblings = (b" /Prev %d 0 R" % chapter_item[c - 1] if c else b"") + \
                   (b" /Next %d 0 R" % chapter_item[c + 1] if c + 1 < chapters else b"")
        w.obj(chapter_item[c], b"<< /Title %s /Parent %d 0 R%s /First %d 0 R /Last %d 0 R /Count -%d "
                               b"/Dest (chapter.%03d) /C [ 0 0 0.6 ] /F 2 >>"
              % (hexstring(utf16(f"Chapitre {c + 1} — synthèse")), outlines, siblings, item[first], item[last],
                 CHAPTER_PAGES, c + 1))
        widgets = [widget[p] for p in range(first, last + 1) if widget[p]]
        w.obj(chapter_field[c], b"<< /FT /Tx /T (chapter%03d) /TU (Reviewer fields of chapter %d) /Ff 0 "
                                b"/Kids [ %s ] >>" % (c + 1, c + 1, b" ".join(b"%d 0 R" % kid for kid in widgets)))

    words = lambda count: b" ".join(rng.choice(WORDS) for _ in range(count))
    for p in range(PAGES):
        c = p // CHAPTER_PAGES
        annots = [note[p], link[p]] + [n for n in (goto[p], widget[p]) if n]
        w.obj(page[p], b"<< /Type /Page /Parent %d 0 R /Resources %d 0 R /Contents %d 0 R /Annots [ %s ] >>"
              % (nodes[p // KIDS_PER_NODE], resources, content[p], b" ".join(b"%d 0 R" % a for a in annots)))
        text = (b"BT /F1 16 Tf 72 740 Td %s Tj ET\nBT /F1 11 Tf 14 TL 72 710 Td"
                % literal(b"Chapter %d, page %d" % (c + 1, p + 1)))
        for _ in range(4):
            text += b" %s '" % literal(words(9).capitalize() + b".")
        text += b" ET\n0 0 1 rg 72 646 228 0.8 re f\nBT /F1 10 Tf 72 650 Td 0 0 1 rg (More on the web) Tj ET\n"
        data = zlib.compress(text)
        w.obj(content[p], b"<< /Length %d /Filter /FlateDecode >>" % len(data), data)

        body = "Page %d: %s (%s). Checked against C:\\archive\\%05d; cost €%d, été %d." % (
            p + 1, words(6).decode(), words(2).decode(), p + 1, rng.randrange(100, 10_000), 2000 + p % 25)
        contents = hexstring(utf16(body)) if p % 13 == 0 else literal(pdfdoc(body), octal=p % 2 == 0)
        w.obj(note[p], b"<< /Type /Annot /Subtype /Text /Rect [ 540 740 560 760 ] /P %d 0 R /F 28 "
                       b"/Contents %s /NM (note-%05d) /T %s /M (D:2024%02d%02d%02d%02d00+01'00') "
                       b"/CreationDate (D:20240101090000Z) /Subj (Comment) /C [ 1 0.9 0.2 ] /Name /Comment "
                       b"/Open false >>"
              % (page[p], contents, p + 1, literal(rng.choice((b"A. Reviewer", b"B. Smith (QA)", b"C. M\xfcller")),
                                                   octal=True),
                 1 + p % 12, 1 + p % 28, p % 24, p % 60))
        uri = (b"https://docs.example.org/manual/ch%03d/page-%05d.html#top" % (c + 1, p + 1) if p % 3 else
               b"https://search.example.org/find?q=(page+%d)&lang=en" % (p + 1))
        w.obj(link[p], b"<< /Type /Annot /Subtype /Link /Rect [ 72 646 300 664 ] /Border [ 0 0 0 ] /F 4 "
                       b"/A << /S /URI /URI %s >> >>" % literal(uri))
        if goto[p]:
            w.obj(goto[p], b"<< /Type /Annot /Subtype /Link /Rect [ 400 40 540 60 ] /Border [ 0 0 1 ] /H /I "
                           b"/Dest (chapter.%03d) >>" % (c + 2))
        if widget[p]:
            value = b"Approved by %s \\(%d\\)" % (rng.choice((b"J. Doe", b"R. Roe", b"K. Lee")), p + 1)
            w.obj(widget[p], b"<< /Type /Annot /Subtype /Widget /Parent %d 0 R /T (p%05d) /TU (Approval of page %d) "
                             b"/V (%s) /DV () /DA (/Helv 10 Tf 0 g) /Rect [ 360 40 560 60 ] /P %d 0 R /F 4 "
                             b"/MK << /BC [ 0 0 0 ] /BG [ 1 1 1 ] >> /AP << /N %d 0 R >> >>"
                  % (chapter_field[c], p + 1, p + 1, value, page[p], appearance[p]))
            stream = b"/Tx BMC q BT /Helv 10 Tf 0 g 2 6 Td (%s) Tj ET Q EMC\n" % value
            w.obj(appearance[p], b"<< /Type /XObject /Subtype /Form /BBox [ 0 0 200 20 ] /Resources "
                                 b"<< /Font << /Helv %d 0 R >> >> /Length %d >>" % (font, len(stream)), stream)

        if p % 5 == 0:
            title = hexstring(utf16(TITLES[p // 5 % len(TITLES)].format(c=c + 1, p=p + 1)))
        elif p % 5 == 1:
            title = literal(utf16(TITLES[p // 5 % len(TITLES)].format(c=c + 1, p=p + 1)))
        else:
            title = literal(b"Page %d \\ %s (%s)" % (p + 1, words(3), b"draft" if p % 2 else b"final"), octal=True)
        first, last = c * CHAPTER_PAGES, (c + 1) * CHAPTER_PAGES - 1
        siblings = (b" /Prev %d 0 R" % item[p - 1] if p > first else b"") + \
                   (b" /Next %d 0 R" % item[p + 1] if p < last else b"")
        target = (b"/Dest (page.%05d)" % (p + 1), b"/Dest [ %d 0 R /XYZ 72 720 0 ]" % page[p],
                  b"/A << /S /GoTo /D (page.%05d) >>" % (p + 1))[p % 3]
        w.obj(item[p], b"<< /Title %s /Parent %d 0 R%s %s >>" % (title, chapter_item[c], siblings, target))

    for number, body in tree:
        w.obj(number, body)
    return dict(w.finish(catalog, info), pages=PAGES)


def images(path):
    # 1 catalog, 2 page tree, 3 info, then per image: page, content stream, image.
    size = 4 + 3 * IMAGES
    w = Writer(path, size)
    w.obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    kids = b" ".join(b"%d 0 R" % (4 + 3 * i) for i in range(IMAGES))
    w.obj(2, b"<< /Type /Pages /Count %d /Kids [ %s ] >>" % (IMAGES, kids))
    w.obj(3, b"<< /Title (Generated image document) /Producer (OmbreltEnc bench/make_inputs.py) >>")
    for i in range(IMAGES):
        page = 4 + 3 * i
        w.obj(page, b"<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] "
                    b"/Resources << /XObject << /Im0 %d 0 R >> >> /Contents %d 0 R >>" % (page + 2, page + 1))
        content = b"q 612 0 0 510 0 141 cm /Im0 Do Q\n"
        w.obj(page + 1, b"<< /Length %d >>" % len(content), content)
        data = zlib.compress(os.urandom(IMAGE_WIDTH * IMAGE_HEIGHT * 3), 0)
        w.obj(page + 2, b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
                        b"/BitsPerComponent 8 /Filter /FlateDecode /Length %d >>"
                        % (IMAGE_WIDTH, IMAGE_HEIGHT, len(data)), data)
    return dict(w.finish(1, 3), pages=IMAGES)


@contextlib.contextmanager
def quiet_stderr():
    """Standard error closed at the descriptor: the JPEG decoder prints its complaints about a
    damaged image there while pikepdf checks a file, and the check's result says enough."""
    saved = os.dup(2)
    with open(os.devnull, "wb") as null:
        os.dup2(null.fileno(), 2)
    try:
        yield
    finally:
        os.dup2(saved, 2)
        os.close(saved)


def corpus_mix(path, corpus):
    """The pages of the shared corpus's sound, unencrypted files, in name order, one after the other
    in one document (pikepdf copies each page with what it uses: contents, resources, images, fonts,
    annotations). Streams are copied as they are, not decoded or compressed again, so the filters and
    data stay those of the tools that made them. Left out: files pikepdf cannot open, encrypted ones,
    those without pages and those in which its check finds a problem (a damaged file it had to
    repair, a stream that does not decode), so that the result is a sound file; the sources stop at
    MIX_SOURCE_BYTES. The version is the highest of the sources'."""
    import warnings
    import pikepdf
    out = pikepdf.new()
    opened, used, left_out, total, version = [], [], [], 0, "1.3"
    try:
        for source in sorted(corpus.glob("*.pdf")):
            if total + source.stat().st_size > MIX_SOURCE_BYTES:
                left_out.append(source.name)
                continue
            try:
                pdf = pikepdf.open(source)
            except (pikepdf.PdfError, pikepdf.PasswordError):
                left_out.append(source.name)
                continue
            opened.append(pdf)
            try:
                with warnings.catch_warnings(), quiet_stderr():
                    warnings.simplefilter("ignore")  # no JBIG2 decoder: those streams go unchecked
                    sound = not pdf.is_encrypted and not pdf.check()
                pages = list(pdf.pages) if sound else []
            except pikepdf.PdfError:
                pages = []
            if not pages:
                left_out.append(source.name)
                continue
            out.pages.extend(pages)
            used.append(source.name)
            total += source.stat().st_size
            version = max(version, pdf.pdf_version, key=lambda v: tuple(int(n) for n in v.split(".")))
        out.docinfo["/Title"] = pikepdf.String("Pages of the shared corpus")
        out.docinfo["/Producer"] = pikepdf.String("OmbreltEnc bench/make_inputs.py (pikepdf)")
        out.save(path, min_version=version, compress_streams=False,
                 stream_decode_level=pikepdf.StreamDecodeLevel.none)
    finally:
        for pdf in opened:
            pdf.close()
        out.close()
    with pikepdf.open(path) as pdf:
        streams = [o for o in pdf.objects if isinstance(o, pikepdf.Stream)]
        return {"objects": len(pdf.objects), "largest_stream_bytes": max(len(s.read_raw_bytes()) for s in streams),
                "pages": len(pdf.pages), "sources": used, "left_out": left_out}

def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "build/bench-inputs"
    os.makedirs(folder, exist_ok=True)
    stamp = os.path.join(folder, "inputs.json")
    facts = json.load(open(stamp)) if os.path.exists(stamp) else {}
    inside = lambda name: os.path.join(folder, name)
    steps = [
        ("text-table.pdf", lambda out: text_table(out)),
        ("text-objstm.pdf", lambda out: with_object_streams(inside("text-table.pdf"), out)),
        ("images.pdf", lambda out: images(out)),
        ("documents-table.pdf", lambda out: documents_table(out)),
        ("documents-objstm.pdf", lambda out: with_object_streams(inside("documents-table.pdf"), out)),
        ("corpus-mix.pdf", lambda out: corpus_mix(out, CORPUS)),
    ]
    if facts.get("version") != VERSION:
        facts = {"version": VERSION}
        for name, _ in steps:
            if os.path.exists(inside(name)):
                os.remove(inside(name))
    for name, make in steps:
        target = inside(name)
        if os.path.exists(target) and name in facts:
            continue
        if name == "corpus-mix.pdf" and not CORPUS.is_dir():
            print(f"skipping {target}: the shared corpus {CORPUS} is missing", file=sys.stderr, flush=True)
            continue
        print(f"generating {target}", file=sys.stderr, flush=True)
        temporary = target + ".part"
        facts[name] = make(temporary)
        facts[name]["bytes"] = os.path.getsize(temporary)
        os.replace(temporary, target)
        with open(stamp, "w") as f:
            json.dump(facts, f, indent=1)

if __name__ == "__main__":
    main()
