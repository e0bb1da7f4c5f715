#!/usr/bin/python3
"""Writes small PDF files by hand, one syntax form per file, for comparing inputs with their copies.

Usage: make_syntax_corpus.py OUTDIR

Each file is built from raw bytes, with its cross-reference offsets computed here, so that it holds
exactly the syntax it is named for: the escapes of literal strings, odd hex strings, names with #xx
escapes, the many spellings of numbers, streams whose /Length lies, cross-reference streams, object
streams, incremental updates that redefine an object in every order of kinds (plain, compressed, freed),
the forms of /ID and /Info, and so on. A few files are deliberately damaged the way real producers
damage files (offsets a few bytes off in either direction, /Length too long or too short, `stream`
followed by a space, no `%PDF-` header, an object stream that is none, a lost table with an /Encrypt
that names nothing): qpdf --check warns about those but still opens them.

Every string an encrypted copy must hide carries a marker that begins with MARKER (some in UTF-16BE
or as hex), so a copy whose bytes show one has left a string or stream in clear. The exceptions are
the places that stay in clear by design: the trailer's /ID, cross-reference stream dictionaries, names
and comments never carry a marker, and a signature's /Contents holds plain DER-like bytes.

Standard library only, so it runs under any Python 3.
"""

import dataclasses
import sys
import zlib
from pathlib import Path

MARKER = b"SECRETMARKER"


def mark(tag):
    """A marker with a tag, so that a leak names the string it came from."""
    return MARKER + b"-" + tag.encode()


def utf16(text):
    """UTF-16BE with its byte order mark, as producers write text strings outside Latin-1."""
    return b"\xfe\xff" + text.encode("utf-16-be")


def hexstr(data):
    return b"<" + data.hex().upper().encode() + b">"


def literal(data):
    """A literal string holding any bytes: only the three delimiters are escaped."""
    return b"(" + data.replace(b"\\", b"\\\\").replace(b"(", b"\\(").replace(b")", b"\\)") + b")"


# --- Objects and the file writer ------------------------------------------------------------------

@dataclasses.dataclass
class Stream:
    entries: bytes                 # the dictionary's entries other than /Length
    data: bytes
    length: bytes = None           # the /Length value as written; by default the true length
    after_keyword: bytes = b"\n"   # what follows the `stream` keyword
    before_end: bytes = b"\n"      # what separates the data from `endstream`


def render(body):
    if isinstance(body, Stream):
        length = body.length if body.length is not None else str(len(body.data)).encode()
        return (b"<<" + body.entries + b" /Length " + length + b">>\nstream" + body.after_keyword + body.data
                + body.before_end + b"endstream")
    return body


def flate(data):
    return zlib.compress(data, 9)


class Writer:
    """Appends objects, cross-reference sections and trailers to one file, revision after revision."""

    def __init__(self, version=b"1.4", header=None, newline=b"\n"):
        """`header` replaces the usual `%PDF-` line and binary comment; `newline` ends the object lines."""
        self.buf = bytearray(b"%PDF-" + version + b"\n%\xe2\xe3\xcf\xd3\n" if header is None else header)
        self.newline = newline
        self.section = {}  # this revision's entries: num -> (kind "n"/"f"/"c", field 2, field 3)
        self.revisions = 0

    def obj(self, num, body, gen=0, shift=0):
        """Writes one object; `shift` misstates its offset in the cross-reference section."""
        self.section[num] = ("n", len(self.buf) + shift, gen)
        self.buf += b"%d %d obj" % (num, gen) + self.newline + render(body) + self.newline + b"endobj" + self.newline

    def raw(self, data):
        self.buf += data

    def free(self, num, gen):
        """Marks an object free in this revision (its next use would carry generation `gen`)."""
        self.section[num] = ("f", 0, gen)

    def objstm(self, num, members, extra=b""):
        """Writes an object stream holding `members` [(num, body)]; they become compressed entries."""
        offsets, bodies, at = [], [], 0
        for member, body in members:
            offsets.append(b"%d %d" % (member, at))
            bodies.append(body)
            at += len(body) + 1
        head = b" ".join(offsets) + b"\n"
        data = head + b"\n".join(bodies) + b"\n"
        self.obj(num, Stream(b"/Type /ObjStm /N %d /First %d /Filter /FlateDecode" % (len(members), len(head))
                             + extra, flate(data)))
        for index, (member, _) in enumerate(members):
            self.section[member] = ("c", num, index)

    def _entries(self):
        entries = dict(self.section)
        if self.revisions == 0:
            entries.setdefault(0, ("f", 0, 65535))
        free = sorted(num for num, entry in entries.items() if entry[0] == "f")
        if free and 0 not in entries:
            entries[0] = ("f", 0, 65535)
            free = [0] + free
        # The free entries form a list: each names the next free object, the last names 0.
        for here, following in zip(free, free[1:] + [0]):
            entries[here] = ("f", following, entries[here][2])
        return entries

    @staticmethod
    def _subsections(numbers):
        runs = []
        for num in numbers:
            if runs and runs[-1][-1] == num - 1:
                runs[-1].append(num)
            else:
                runs.append([num])
        return runs

    def xref_table(self, trailer, eol=b" \n", omit=()):
        """A classic table of this revision's entries, its trailer and startxref; returns its offset."""
        entries = self._entries()
        offset = len(self.buf)
        out = bytearray(b"xref\n")
        for run in self._subsections(sorted(num for num in entries if num not in omit)):
            out += b"%d %d\n" % (run[0], len(run))
            for num in run:
                kind, field2, gen = entries[num]
                out += b"%010d %05d %s" % (field2, gen, b"n" if kind == "n" else b"f") + eol
        self.buf += out + b"trailer\n" + trailer + b"\n"
        self._end(offset)
        return offset

    def xref_stream(self, num, trailer_entries, widths=(1, 4, 2), end=True):
        """A cross-reference stream (object `num`) of this revision's entries; returns its offset."""
        offset = len(self.buf)
        self.section[num] = ("n", offset, 0)
        entries = self._entries()
        rows, index = bytearray(), []
        for run in self._subsections(sorted(entries)):
            index.append(b"%d %d" % (run[0], len(run)))
            for each in run:
                kind, field2, field3 = entries[each]
                if kind == "f":
                    # A narrow third field cannot hold generation 65535 of the free list's head.
                    field3 = min(field3, 256 ** widths[2] - 1)
                values = ({"f": 0, "n": 1, "c": 2}[kind], field2, field3)
                for value, width in zip(values, widths):
                    rows += value.to_bytes(width, "big")
        size = max(entries) + 1
        body = Stream(b"/Type /XRef /Size %d /W [%d %d %d] /Index [%s] /Filter /FlateDecode " % (
            (size,) + tuple(widths) + (b" ".join(index),)) + trailer_entries, flate(bytes(rows)))
        self.buf += b"%d 0 obj\n" % num + render(body) + b"\nendobj\n"
        if end:
            self._end(offset)
        return offset

    def _end(self, offset):
        self.buf += b"startxref\n%d\n%%%%EOF\n" % offset
        self.section = {}
        self.revisions += 1

    def write(self, path):
        Path(path).write_bytes(bytes(self.buf))


# --- The document every file starts from ------------------------------------------------------------

FILE_ID = b"<0123456789ABCDEF0123456789ABCDEF>"


class Doc:
    """A one-page document: 1 catalog, 2 pages, 3 page, 4 content, 5 font, 6 Info; features add more."""

    def __init__(self, name):
        self.catalog = [b"/Type /Catalog", b"/Pages 2 0 R"]
        self.page = [b"/Type /Page", b"/Parent 2 0 R", b"/MediaBox [0 0 612 792]"]
        self.resources = [b"/Font << /F1 5 0 R >>"]
        self.contents = b"4 0 R"
        self.content = Stream(b"", b"BT /F1 18 Tf 72 720 Td (" + mark("content") + b" " + name.encode()
                              + b") Tj ET\n")
        self.info = [b"/Title " + literal(mark("info-title") + b" " + name.encode()),
                     b"/Producer (make_syntax_corpus " + mark("info-producer") + b")",
                     b"/CreationDate (D:20240301120000+01'00')"]
        self.annots = []  # the page's annotations (object numbers)
        self.names = []   # entries of the catalog's /Names dictionary
        self.extra = {}   # num -> (gen, body)
        self.next = 7

    def add(self, body, gen=0, num=None):
        num = num or self.next
        self.next = max(self.next, num + 1)
        self.extra[num] = (gen, body)
        return num

    def base_objects(self, info=True):
        page = self.page + [b"/Resources << " + b" ".join(self.resources) + b" >>", b"/Contents " + self.contents]
        if self.annots:
            page.append(b"/Annots [" + b" ".join(b"%d 0 R" % num for num in self.annots) + b"]")
        catalog = self.catalog + ([b"/Names << " + b" ".join(self.names) + b" >>"] if self.names else [])
        objects = [
            (1, 0, b"<< " + b" ".join(catalog) + b" >>"),
            (2, 0, b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>"),
            (3, 0, b"<< " + b" ".join(page) + b" >>"),
            (4, 0, self.content),
            (5, 0, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"),
        ]
        if info:
            objects.append((6, 0, self.info_dict()))
        return objects

    def info_dict(self):
        return b"<< " + b" ".join(self.info) + b" >>"

    def objects(self, info=True):
        return self.base_objects(info) + [(num, gen, body) for num, (gen, body) in sorted(self.extra.items())]

    def size(self):
        return self.next


def trailer(doc, extra=b"", info=b"/Info 6 0 R", file_id=b"/ID [" + FILE_ID + b" " + FILE_ID + b"]", size=None):
    parts = [b"/Size %d" % (size if size is not None else doc.size()), b"/Root 1 0 R", info, file_id, extra]
    return b"<< " + b" ".join(part for part in parts if part) + b" >>"


def classic(doc, path, version=b"1.4", info=True, shifts=None, eol=b" \n", omit=(), header=None, newline=b"\n",
            **trailer_args):
    """The whole document in one revision with a classic cross-reference table (less the `omit` objects)."""
    writer = Writer(version, header, newline)
    for num, gen, body in doc.objects(info):
        writer.obj(num, body, gen, (shifts or {}).get(num, 0))
    if not info:
        trailer_args.setdefault("info", b"")
    writer.xref_table(trailer(doc, **trailer_args), eol=eol, omit=omit)
    writer.write(path)


# --- Features: each takes a fresh Doc and adds what it shows -------------------------------------------

def add_string_escapes(doc):
    """Every escape of literal strings, in a dictionary, an array and the Info dictionary."""
    escapes = (
        b"/Newline (" + mark("nl") + b" a\\nb) /Return (" + mark("cr") + b" a\\rb) /Tab (" + mark("tab") + b"\\t|)"
        b" /Backspace (" + mark("bs") + b"\\b) /FormFeed (" + mark("ff") + b"\\f)"
        b" /Parens (" + mark("parens") + b" \\(open and close\\)) /OnlyOpen (" + mark("open") + b" \\()"
        b" /Backslash (" + mark("backslash") + b" C:\\\\dir\\\\) /Octal1 (" + mark("oct1") + b"\\0\\7)"
        b" /Octal2 (" + mark("oct2") + b"\\53\\12) /Octal3 (" + mark("oct3") + b"\\053\\101\\377\\200)"
        # \0053 is the three digits 005 followed by the digit 3; \1x is one digit followed by x.
        b" /OctalThenDigit (" + mark("oct-digit") + b"\\0053\\1x) /Unknown (" + mark("unknown") + b" \\q\\y\\8\\9\\ )"
        b" /Percent (" + mark("percent") + b" 100% %not a comment) /Empty ()"
    )
    num = doc.add(b"<< " + escapes + b" >>")
    array = doc.add(b"[(" + mark("arr-nl") + b"\\n) (" + mark("arr-oct") + b"\\101\\102) (\\)" + mark("arr-paren")
                    + b"\\() [(" + mark("arr-nested") + b"\\t)]]")
    doc.catalog.append(b"/OmbreltStrings %d 0 R /OmbreltArray %d 0 R" % (num, array))
    doc.info.append(b"/Subject (" + mark("info-subject") + b"\\t\\(escaped\\)\\n\\134\\051)")
    doc.content.data += b"BT /F1 12 Tf 72 690 Td (" + mark("content-esc") + b" \\(\\)\\\\\\101\\n) Tj ET\n"


def add_line_continuation(doc):
    """A backslash before an end of line joins the lines: LF, CR and CRLF forms."""
    num = doc.add(b"<< /LF (" + mark("cont-lf") + b" one\\\ntwo) /CR (" + mark("cont-cr") + b" one\\\rtwo)"
                  b" /CRLF (" + mark("cont-crlf") + b" one\\\r\ntwo) /Twice (" + mark("cont-twice")
                  + b"\\\n\\\r\n) >>")
    doc.catalog.append(b"/OmbreltContinuation %d 0 R" % num)
    doc.info.append(b"/Subject (" + mark("info-cont") + b" joined\\\r\nline)")


def add_raw_eol(doc):
    """Unescaped end-of-line bytes inside literal strings: a reader turns CR and CRLF into LF."""
    num = doc.add(b"<< /RawCR (" + mark("raw-cr") + b" a\rb) /RawCRLF (" + mark("raw-crlf") + b" a\r\nb)"
                  b" /RawLF (" + mark("raw-lf") + b" a\nb) /RawCRCR (" + mark("raw-crcr") + b"\r\r) >>")
    doc.catalog.append(b"/OmbreltRawEol %d 0 R" % num)
    doc.info.append(b"/Keywords (" + mark("info-raw-eol") + b"\r\nsecond line)")


def add_balanced_parens(doc):
    """Balanced parentheses need no escape, nested to any depth."""
    num = doc.add(b"<< /Balanced (" + mark("balanced") + b" (a (b (c) d) e) ()) /Mixed (" + mark("mixed")
                  + b" (\\)) \\() >>")
    doc.catalog.append(b"/OmbreltBalanced %d 0 R" % num)
    doc.info[0] = b"/Title (" + mark("info-balanced") + b" (draft (2)))"


def add_hex_strings(doc):
    """Hex strings: odd length (a final 0 is implied), white space inside, lower case, empty."""
    secret = mark("hex-odd").hex().upper().encode()
    spaced = b" ".join(mark("hex-space").hex()[i:i + 4].encode() for i in range(0, len(mark("hex-space").hex()), 4))
    num = doc.add(b"<< /Odd <" + secret + b"4> /Spaced <" + spaced + b"\n\t\r\f>"
                  b" /Lower " + hexstr(mark("hex-lower")).lower()
                  + b" /Empty <> /OnlySpace < > /Binary <00FF7F80> >>")
    doc.catalog.append(b"/OmbreltHex %d 0 R" % num)
    doc.info.append(b"/Author " + hexstr(mark("info-hex")))
    doc.info.append(b"/Creator <" + mark("info-hex-odd").hex().encode() + b"5>")


def add_percent_and_comments(doc):
    """Comments between tokens everywhere, and % inside strings, which is not a comment."""
    num = doc.add(b"% a comment before the dictionary\n<< % after <<\n/Percent % between key and value\n("
                  + mark("pct") + b" 50% off %% not a comment) % after the value\n/Array [1 % inside an array\n2 ("
                  + mark("pct-arr") + b" %)]\n/Hex <" + mark("pct-hex").hex().encode() + b"> % after hex\n>>")
    doc.catalog.append(b"/OmbreltPercent %d 0 R %% comment in the catalog\n" % num)
    doc.content.data += b"% a comment in the content stream\nBT /F1 12 Tf 72 690 Td (" + mark("content-pct") \
        + b" 10%) Tj ET\n"


def add_nested_containers(doc):
    """Dictionaries and arrays inside each other, written with and without white space."""
    num = doc.add(b"<</A[1 2(" + mark("nest-tight") + b")<</B/C/D[/E/F(" + mark("nest-deep") + b")]>>]/G<<>>/H[]"
                  b"/I[[[[[(" + mark("nest-5") + b")]]]]]/J<</K<</L<</M(" + mark("nest-dict") + b")>>>>>>"
                  b"/N true/O false/P null/Q[true false null]/R[<" + mark("nest-hex").hex().encode() + b">(x)]>>")
    doc.catalog.append(b"/OmbreltNested %d 0 R" % num)


def add_duplicate_keys(doc):
    """The same key twice in one dictionary: a reader keeps one of them (qpdf keeps the last)."""
    num = doc.add(b"<< /Key (" + mark("dup-first") + b") /Other 1 /Key (" + mark("dup-last") + b") >>")
    doc.catalog.append(b"/OmbreltDuplicate %d 0 R" % num)


def add_unknown_token(doc):
    """A bare token that is no PDF keyword inside a dictionary and an array (readers warn)."""
    num = doc.add(b"<< /Before (" + mark("tok-before") + b") /Odd foo /After (" + mark("tok-after") + b")"
                  b" /InArray [1 bar (" + mark("tok-array") + b")] >>")
    doc.catalog.append(b"/OmbreltUnknown %d 0 R" % num)


def add_name_escapes(doc, malformed):
    """Names with #xx escapes: in a dictionary, as a key and as the XObject a content stream draws.

    The malformed forms (`#` followed by fewer than two hex digits) are kept by readers as they are."""
    form = Stream(b"/Type /XObject /Subtype /Form /BBox [0 0 300 50] /Resources << /Font << /F1 5 0 R >> >>",
                  b"BT /F1 12 Tf 0 10 Td (" + mark("xobject") + b") Tj ET\n")
    first, second = doc.add(form), doc.add(Stream(form.entries, form.data.replace(b"xobject", b"xobject2")))
    if malformed:
        names = (b"/Im#1", b"/Im#")
        keys = b"/Bad#1key (" + mark("name-bad1") + b") /Trailing# (" + mark("name-bad2") + b") /Im#zz 1"
    else:
        names = (b"/Im#31", b"/F#23m")
        keys = (b"/A#20B (" + mark("name-space") + b") /Slash#2Fname (" + mark("name-slash") + b") /#41#42 1"
                b" /Lower#2f 2 /Hash#23 3 /High#E9t#C3#A9 4 /Paren#28#29 5 /Type /Fo#6Ft")
    doc.resources.append(b"/XObject << " + names[0] + b" %d 0 R " % first + names[1] + b" %d 0 R >>" % second)
    doc.content.data += b"q 1 0 0 1 72 600 cm " + names[0] + b" Do Q q 1 0 0 1 72 550 cm " + names[1] + b" Do Q\n"
    num = doc.add(b"<< " + keys + b" /Value [/Sub#20Name /N#30] >>")
    doc.catalog.append(b"/OmbreltNames %d 0 R" % num)


def add_number_forms(doc):
    """Signs, leading and trailing dots, zeros: all valid spellings of numbers."""
    num = doc.add(b"<< /Plus +5 /MinusDot -.5 /Dot .5 /TrailingDot 5. /MinusZero -0 /PlusReal +0.0 /Neg -3."
                  b" /Zeros 007 /ZeroReal 000.500 /Array [+1 -1 .25 -.25 +.75 1. 0.0 -0.0]"
                  b" /Label (" + mark("numbers") + b") >>")
    doc.page[2] = b"/MediaBox [0 0. 612. +792]"
    doc.catalog.append(b"/OmbreltNumbers %d 0 R" % num)


def add_huge_integers(doc, overflow):
    """Integers beyond 32 bits, as producers write in checksum-like keys, and reals beyond 64 bits.

    Integers beyond 64 bits (2^63, 10^30) are in a file of their own: qpdf cannot read the object that
    holds them (it warns and takes it as null), so only the marker check sees what a copy makes of it."""
    if overflow:
        num = doc.add(b"<< /TwoTo63 9223372036854775808 /TenTo30 1000000000000000000000000000000"
                      b" /Array [1000000000000000000000000000000 -99999999999999999999 7] /Label ("
                      + mark("overflow") + b") >>")
    else:
        num = doc.add(b"<< /Quadrillion 1000000000000000 /Max63 9223372036854775807 /Min63 -9223372036854775808"
                      b" /TwoTo32 4294967296 /Array [4294967296 -2147483649 1000000000000000 7]"
                      b" /TwoTo63Real 9223372036854775808.0 /TenTo30Real 1000000000000000000000000000000.5"
                      b" /Label (" + mark("huge") + b") >>")
    doc.catalog.append(b"/OmbreltHuge %d 0 R" % num)


def add_many_decimals(doc):
    """Reals with more decimals than a float prints by default, as colour values often are."""
    num = doc.add(b"<< /Gray 0.6509803922 /Tiny 0.00048828125 /Pi 3.14159265358979323846 /Long 123456.123456789012"
                  b" /Small -0.0000000001 /C [0.6509803922 0.00048828125 0.9999999999]"
                  b" /Label (" + mark("decimals") + b") >>")
    doc.catalog.append(b"/OmbreltDecimals %d 0 R" % num)


def add_exponent_tokens(doc):
    """Exponent notation is not PDF syntax, yet producers write it in matrices; entries follow it."""
    form = doc.add(Stream(b"/Type /XObject /Subtype /Form /BBox [0 0 300 50] /Matrix [1 0 0 1 1e-05 2.09E-16]"
                          b" /Resources << /Font << /F1 5 0 R >> >> /Extra (" + mark("exp-after") + b")",
                          b"BT /F1 12 Tf 0 10 Td (" + mark("exp-xobject") + b") Tj ET\n"))
    num = doc.add(b"<< /Values [1e-05 2.09E-16 3 (" + mark("exp-array") + b")] /Next (" + mark("exp-next")
                  + b") /E 1E5 >>")
    doc.resources.append(b"/XObject << /Fx %d 0 R >>" % form)
    doc.content.data += b"q 1 0 0 1 72 600 cm /Fx Do Q\n"
    doc.catalog.append(b"/OmbreltExponents %d 0 R" % num)


def add_malformed_numbers(doc):
    """Lone signs and dots and doubled signs: readers warn, then keep something for each.

    One object each, as qpdf gives up on an object (and reads it as null) after a few bad tokens."""
    tokens = (b"+", b"-", b".", b"-.", b"+.", b"--5", b"1.2.3", b"5-", b"+-0")
    nums = [doc.add(b"<< /Value " + token + b" /InArray [" + token + b" 1] /Label (" + mark("malformed-num")
                    + b") >>") for token in tokens]
    doc.catalog.append(b"/OmbreltMalformed [" + b" ".join(b"%d 0 R" % num for num in nums) + b"]")


def add_indirect_length(doc):
    """The content stream's /Length is an object written after the stream."""
    data = doc.content.data
    length = doc.add(b"%d" % len(data), num=8)
    doc.content = Stream(doc.content.entries, data, length=b"%d 0 R" % length)


def add_length_lies(doc, delta):
    """/Length names more (or fewer) bytes than stand before `endstream`."""
    doc.content.data += b"BT /F1 12 Tf 72 680 Td (" + mark("length-lies") + b") Tj ET\n"
    doc.content.length = b"%d" % (len(doc.content.data) + delta)


def add_endstream_in_data(doc):
    """The bytes `endstream` and `endobj` inside stream data, in a string and a comment."""
    doc.content.data += (b"% endstream endobj inside a comment\nBT /F1 12 Tf 72 680 Td (" + mark("endstream")
                         + b" endstream\nendobj) Tj ET\n")


def add_filter_chains(doc):
    """Filter arrays applied in order: hex of Flate, ASCII85 of Flate, and one with /DecodeParms."""
    text = doc.content.data + b"BT /F1 12 Tf 72 680 Td (" + mark("filtered") + b") Tj ET\n"
    doc.content = Stream(b" /Filter [/ASCIIHexDecode /FlateDecode]", flate(text).hex().encode() + b">")
    second = b"BT /F1 12 Tf 72 660 Td (" + mark("a85") + b") Tj ET\n"
    s2 = doc.add(Stream(b"/Filter [/A85 /Fl]", a85(flate(second)) + b"~>"))
    third = b"BT /F1 12 Tf 72 640 Td (" + mark("params") + b") Tj ET\n"
    s3 = doc.add(Stream(b"/Filter [/ASCIIHexDecode /FlateDecode] /DecodeParms [null << /Predictor 1 >>]",
                        flate(third).hex().encode()))
    doc.contents = b"[4 0 R %d 0 R %d 0 R]" % (s2, s3)


def a85(data):
    out = bytearray()
    for i in range(0, len(data), 4):
        chunk = data[i:i + 4]
        value = int.from_bytes(chunk.ljust(4, b"\0"), "big")
        if value == 0 and len(chunk) == 4:
            out += b"z"
            continue
        digits = []
        for _ in range(5):
            digits.append(value % 85)
            value //= 85
        out += bytes(33 + d for d in reversed(digits))[:len(chunk) + 1]
    return bytes(out)


def add_content_array(doc):
    """The page's content split across three streams, the split falling inside an operator run."""
    first = doc.content.data + b"BT /F1 12 Tf 72 "
    doc.content = Stream(b"", first)
    s2 = doc.add(Stream(b"", b"680 Td (" + mark("split") + b") "))
    s3 = doc.add(Stream(b"", b"Tj ET\n"))
    doc.contents = b"[4 0 R %d 0 R\n%d 0 R]" % (s2, s3)


def add_xmp(doc):
    """An XMP metadata stream: encrypted with everything else, as /EncryptMetadata is not false."""
    xmp = (b'<?xpacket begin="\xef\xbb\xbf" id="W5M0MpCehiHzreSzNTczkc9d"?>\n'
           b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
           b'<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/">'
           b'<dc:title><rdf:Alt><rdf:li xml:lang="x-default">' + mark("xmp-title") + b'</rdf:li></rdf:Alt></dc:title>'
           b'</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end="w"?>')
    num = doc.add(Stream(b"/Type /Metadata /Subtype /XML", xmp))
    doc.catalog.append(b"/Metadata %d 0 R" % num)


def add_attachment(doc):
    """An embedded file: its name tree key, the /Filespec strings, the file's stream and its /Params."""
    data = b"attached text " + MARKER + b"-attachment-data\n"
    stream = doc.add(Stream(b"/Type /EmbeddedFile /Subtype /text#2Fplain /Params << /Size %d "
                            b"/ModDate (D:20240301120000Z) /CheckSum <0123456789ABCDEF0123456789ABCDEF> >>"
                            % len(data), data))
    spec = doc.add(b"<< /Type /Filespec /F (" + mark("attach-f") + b".txt) /UF " + hexstr(utf16(
        mark("attach-uf").decode() + ".txt")) + b" /Desc (" + mark("attach-desc") + b") /EF << /F %d 0 R >> >>"
        % stream)
    doc.names.append(b"/EmbeddedFiles << /Names [(" + mark("attach-key") + b") %d 0 R] >>" % spec)


def add_link_annotations(doc):
    """A link with a URI action, a text note with author, and the catalog's URI base."""
    link = doc.add(b"<< /Type /Annot /Subtype /Link /Rect [72 700 300 730] /Border [0 0 0] /Contents ("
                   + mark("link-contents") + b") /NM (" + mark("link-nm") + b") /M (D:20240301120000Z)"
                   b" /A << /S /URI /URI (https://example.com/" + mark("uri").replace(b"-", b"/")
                   + b"?q=\\(1\\)&r=%20) >> >>")
    note = doc.add(b"<< /Type /Annot /Subtype /Text /Rect [400 700 420 720] /Contents " + hexstr(utf16(
        mark("note-contents").decode() + " \u00e9")) + b" /T (" + mark("note-author") + b") /Open false >>")
    doc.annots += [link, note]
    doc.catalog.append(b"/URI << /Base (https://example.com/" + mark("uri-base") + b"/) >>")


def add_outlines(doc):
    """Outline items titled in UTF-16BE: a hex string, a literal with octal escapes and raw bytes."""
    root, first, second, third = doc.next, doc.next + 1, doc.next + 2, doc.next + 3
    title_hex = hexstr(utf16(mark("outline-hex").decode() + " \u00fcber"))
    octal = b"".join(b"\\%03o" % byte for byte in utf16(mark("outline-oct").decode()))
    # Raw UTF-16BE in a literal: the bytes 0x28 and 0x29 of "(" and ")" must be escaped.
    raw = literal(utf16("(" + mark("outline-raw").decode() + ") \u2603"))
    doc.add(b"<< /Type /Outlines /First %d 0 R /Last %d 0 R /Count 3 >>" % (first, third), num=root)
    doc.add(b"<< /Title " + title_hex + b" /Parent %d 0 R /Next %d 0 R /Dest [3 0 R /XYZ 0 792 0] >>"
            % (root, second), num=first)
    doc.add(b"<< /Title (" + octal + b") /Parent %d 0 R /Prev %d 0 R /Next %d 0 R /A << /S /GoTo /D [3 0 R /Fit] >> >>"
            % (root, first, third), num=second)
    doc.add(b"<< /Title " + raw + b" /Parent %d 0 R /Prev %d 0 R /Dest (" % (root, second) + mark("named-dest")
            + b") >>", num=third)
    dests = doc.add(b"<< /Names [(" + mark("named-dest") + b") [3 0 R /Fit]] >>")
    doc.catalog.append(b"/Outlines %d 0 R /PageMode /UseOutlines" % root)
    doc.names.append(b"/Dests %d 0 R" % dests)


def add_acroform(doc):
    """Form fields with values: a text field with its appearance, a choice list, a check box."""
    ap = doc.add(Stream(b"/Type /XObject /Subtype /Form /BBox [0 0 200 20] /Resources << /Font << /Helv 5 0 R >> >>",
                        b"/Tx BMC BT /Helv 12 Tf 2 5 Td (" + mark("field-ap") + b") Tj ET EMC\n"))
    text = doc.add(b"<< /Type /Annot /Subtype /Widget /FT /Tx /T (" + mark("field-name") + b") /TU ("
                   + mark("field-tooltip") + b") /V (" + mark("field-value") + b") /DV (" + mark("field-default")
                   + b") /RV (<p>" + mark("field-rich") + b"</p>) /DA (/Helv 12 Tf 0 g) /Rect [72 600 272 620]"
                   b" /P 3 0 R /F 4 /AP << /N %d 0 R >> >>" % ap)
    choice = doc.add(b"<< /Type /Annot /Subtype /Widget /FT /Ch /Ff 131072 /T (choice) /Opt [(" + mark("opt-a")
                     + b") [(export) (" + mark("opt-b") + b")]] /V (" + mark("opt-a") + b") /DA (/Helv 10 Tf 0 g)"
                     b" /Rect [72 560 272 580] /P 3 0 R /F 4 >>")
    box = doc.add(b"<< /Type /Annot /Subtype /Widget /FT /Btn /T (" + mark("checkbox") + b") /V /Yes /AS /Yes"
                  b" /Rect [72 520 92 540] /P 3 0 R /F 4 /MK << /CA (4) >> >>")
    doc.annots += [text, choice, box]
    doc.catalog.append(b"/AcroForm << /Fields [%d 0 R %d 0 R %d 0 R] /DA (/Helv 0 Tf 0 g) /NeedAppearances true"
                       b" /DR << /Font << /Helv 5 0 R >> >> >>" % (text, choice, box))
    doc.catalog.append(b"/PageLabels << /Nums [0 << /S /D /P (" + mark("label") + b") >>] >>")


# A signature's /Contents stays in clear in an encrypted file; these bytes carry no marker.
SIGNATURE_CONTENTS = bytes.fromhex("3082010a06092a864886f70d010702a081fc3081f9020101310f300d0609608648016503040201")


def add_signature(doc):
    """A signed signature field: /Type /Sig with /ByteRange and a hex /Contents padded with zeros."""
    sig = doc.add(b"<< /Type /Sig /Filter /Adobe.PPKLite /SubFilter /adbe.pkcs7.detached /ByteRange [0 100 300 400]"
                  b" /Contents " + hexstr(SIGNATURE_CONTENTS + b"\0" * 24) + b" /Name (" + mark("signer")
                  + b") /Reason (" + mark("sig-reason") + b") /Location (" + mark("sig-location")
                  + b") /M (D:20240301120000+01'00') >>")
    field = doc.add(b"<< /Type /Annot /Subtype /Widget /FT /Sig /T (" + mark("sig-field") + b") /V %d 0 R"
                    b" /Rect [0 0 0 0] /P 3 0 R /F 132 >>" % sig)
    doc.annots.append(field)
    doc.catalog.append(b"/AcroForm << /Fields [%d 0 R] /SigFlags 3 >>" % field)


def add_generations(doc):
    """Objects whose generation is above 0, referenced with it (the key of each depends on it)."""
    dict_num = doc.add(b"<< /Gen (" + mark("gen-2") + b") >>", gen=2)
    array_num = doc.add(b"[(" + mark("gen-7") + b") 1 2]", gen=7)
    stream_num = doc.add(Stream(b"", b"BT /F1 12 Tf 72 680 Td (" + mark("gen-stream") + b") Tj ET\n"), gen=1)
    doc.contents = b"[4 0 R %d 1 R]" % stream_num
    doc.catalog.append(b"/OmbreltGen %d 2 R /OmbreltGenArray %d 7 R" % (dict_num, array_num))


def add_orphans(doc):
    """Objects nothing refers to, beside free entries (one with a raised generation)."""
    doc.add(b"<< /Orphan (" + mark("orphan") + b") >>")
    doc.add(Stream(b"", b"orphan stream " + MARKER + b"-orphan-stream"))


# --- The files ------------------------------------------------------------------------------------------

def one_feature(name, feature, *args, **classic_args):
    def build(path):
        doc = Doc(name)
        feature(doc, *args)
        classic(doc, path, **classic_args)
    return build


def free_entries(path):
    doc = Doc("free entries and orphans")
    add_orphans(doc)
    writer = Writer()
    for num, gen, body in doc.objects():
        writer.obj(num, body, gen)
    # Objects 9 and 11 were deleted, 11 twice; 10 is in the file but referenced by nothing.
    doc.add(b"<< /Orphan2 (" + mark("orphan2") + b") >>", num=10)
    writer.obj(10, doc.extra[10][1])
    writer.free(9, 1)
    writer.free(11, 2)
    doc.next = 12
    writer.xref_table(trailer(doc))
    writer.write(path)


def incremental(path, use_stream=False):
    """Two revisions: the second changes the Info, replaces the content, adds an annotation and frees an
    object of the first, whose old strings stay in the file's bytes (and must not in a copy's)."""
    doc = Doc("incremental update")
    doc.add(b"<< /Old (" + mark("rev1-freed") + b") >>", num=7)
    doc.catalog.append(b"/OmbreltOld 7 0 R")
    writer = Writer(b"1.5" if use_stream else b"1.4")
    for num, gen, body in doc.objects():
        writer.obj(num, body, gen)
    first = writer.xref_stream(8, b"/Root 1 0 R /Info 6 0 R /ID [" + FILE_ID + b" " + FILE_ID + b"]") \
        if use_stream else writer.xref_table(trailer(doc, size=8))
    # The second revision.
    doc.info[0] = b"/Title (" + mark("rev2-title") + b")"
    doc.info.append(b"/ModDate (D:20240302120000Z)")
    writer.obj(6, doc.info_dict())
    writer.obj(4, Stream(b"", b"BT /F1 18 Tf 72 720 Td (" + mark("rev2-content") + b") Tj ET\n"))
    writer.obj(9, b"<< /Type /Annot /Subtype /Text /Rect [400 700 420 720] /Contents (" + mark("rev2-note") + b") >>")
    writer.obj(3, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >>"
                  b" /Contents 4 0 R /Annots [9 0 R] >>")
    writer.obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    writer.free(7, 1)
    if use_stream:
        writer.xref_stream(10, b"/Root 1 0 R /Info 6 0 R /ID [" + FILE_ID + b" " + FILE_ID + b"] /Prev %d" % first)
    else:
        writer.xref_table(b"<< /Size 10 /Root 1 0 R /Info 6 0 R /ID [" + FILE_ID + b" " + FILE_ID + b"] /Prev %d >>"
                          % first)
    writer.write(path)


def object_streams(path, hybrid=False, update=False):
    """Object streams holding dictionaries with strings and the Info dictionary, indexed by a
    cross-reference stream; the hybrid form keeps a classic table whose trailer points at it (/XRefStm)."""
    doc = Doc("hybrid" if hybrid else "object streams")
    add_string_escapes(doc)   # 7 dictionary, 8 array
    add_link_annotations(doc)  # 9, 10
    writer = Writer(b"1.5")
    compressed, direct = [], []
    for num, gen, body in doc.objects():
        (direct if isinstance(body, Stream) or num == 1 and hybrid else compressed).append((num, gen, body))
    for num, gen, body in direct:
        writer.obj(num, body, gen)
    stm, xref_num = doc.next, doc.next + 1
    writer.objstm(stm, [(num, body) for num, _, body in compressed])
    ids = b"/ID [" + FILE_ID + b" " + FILE_ID + b"]"
    if not hybrid:
        first = writer.xref_stream(xref_num, b"/Root 1 0 R /Info 6 0 R " + ids)
        if update:
            doc.info[0] = b"/Title (" + mark("objstm-rev2") + b")"
            second_stm = xref_num + 1
            writer.objstm(second_stm, [(6, doc.info_dict()), (xref_num + 2, b"<< /Rev2 (" + mark("objstm-rev2-dict")
                                                                                 + b") >>")])
            writer.xref_stream(xref_num + 3, b"/Root 1 0 R /Info 6 0 R " + ids + b" /Prev %d" % first)
        writer.write(path)
        return
    # Hybrid: the stream lists the compressed objects; the table lists the others and leaves the
    # compressed ones out, so a reader that knows only tables still finds the page.
    entries = dict(writer.section)
    xref_offset = writer.xref_stream(xref_num, b"/Root 1 0 R /Info 6 0 R " + ids, end=False)
    writer.section = {num: entry for num, entry in entries.items() if entry[0] == "n"}
    writer.section[xref_num] = ("n", xref_offset, 0)
    for num, _, _ in compressed:
        writer.free(num, 0)
    writer.xref_table(trailer(doc, size=xref_num + 1, extra=b"/XRefStm %d" % xref_offset))
    writer.write(path)


def xref_stream_plain(path):
    """A cross-reference stream with narrow fields and no object streams."""
    doc = Doc("xref stream")
    add_nested_containers(doc)
    writer = Writer(b"1.5")
    for num, gen, body in doc.objects():
        writer.obj(num, body, gen)
    writer.xref_stream(doc.next, b"/Root 1 0 R /Info 6 0 R /ID [" + FILE_ID + b" " + FILE_ID + b"]", widths=(1, 3, 1))
    writer.write(path)


def offsets_off(path, into_whitespace):
    """Cross-reference offsets a few bytes off: readers find the objects by their `N G obj` header."""
    doc = Doc("offsets off")
    add_string_escapes(doc)
    shifts = {3: -1, 7: -1} if into_whitespace else {3: 2, 5: -3, 7: 4}
    classic(doc, path, shifts=shifts)


def offsets_shifted(path, direction, newline):
    """Every object's offset one to six bytes off, all before their `N G obj` headers (into the end of the
    object before) or all after (into the header, where "11 0 obj" shifted by one reads "1 0 obj")."""
    doc = Doc("offsets shifted")
    add_link_annotations(doc)
    add_string_escapes(doc)
    for num in range(doc.next, 13):  # numbers of two digits, whose tails are other objects' numbers
        doc.add(b"<< /Filler%d (" % num + mark("filler-%d" % num) + b") >>", num=num)
        doc.catalog.append(b"/OmbreltFiller%d %d 0 R" % (num, num))
    shifts = {num: direction * (1 + num % 6) for num in range(1, doc.next)}
    classic(doc, path, shifts=shifts, eol=b"\r\n" if newline == b"\r\n" else b" \n", newline=newline)


def no_header(path, header):
    """The `%PDF-` line missing, damaged, or after the first kilobyte; offsets count from the file's start."""
    doc = Doc("header")
    add_link_annotations(doc)
    classic(doc, path, header=header)


def encrypt_gone(path):
    """A file whose table is lost (its startxref damaged) and whose trailer names an /Encrypt object the
    file does not hold: readers rebuild the table and open the file as not encrypted."""
    doc = Doc("encrypt gone")
    add_link_annotations(doc)
    classic(doc, path, extra=b"/Encrypt 99 0 R")
    data = Path(path).read_bytes()
    Path(path).write_bytes(data.replace(b"startxref", b"startxrex"))


OVERRIDDEN = 7  # the object each override file redefines; the catalog names it


def override(path, first, then):
    """Object 7, which the catalog names, defined in a first revision as `first` and redefined by an update
    (a cross-reference stream section) as `then`: "plain", "compressed" (in an object stream of the
    revision's own) or "free". Object 8 shares the first revision's object stream and stays as it was."""
    doc = Doc("override %s then %s" % (first, then))
    doc.catalog.append(b"/OmbreltOverridden %d 0 R /OmbreltSibling 8 0 R" % OVERRIDDEN)
    old = b"<< /Revision 1 /Value (" + mark("override-old") + b") >>"
    sibling = b"<< /Sibling (" + mark("override-sibling") + b") >>"
    writer = Writer(b"1.5")
    for num, gen, body in doc.objects():
        writer.obj(num, body, gen)
    first_stream, first_xref, second_stream, second_xref = 9, 10, 11, 12
    if first == "compressed":
        writer.objstm(first_stream, [(OVERRIDDEN, old), (8, sibling)])
    else:
        writer.obj(OVERRIDDEN, old)
        writer.objstm(first_stream, [(8, sibling)])
    ids = b"/Root 1 0 R /Info 6 0 R /ID [" + FILE_ID + b" " + FILE_ID + b"]"
    previous = writer.xref_stream(first_xref, ids)
    new = b"<< /Revision 2 /Value (" + mark("override-new") + b") >>"
    if then == "compressed":
        writer.objstm(second_stream, [(OVERRIDDEN, new)])
    elif then == "plain":
        writer.obj(OVERRIDDEN, new)
    else:
        writer.free(OVERRIDDEN, 1)
    writer.xref_stream(second_xref, ids + b" /Prev %d" % previous)
    writer.write(path)


def objstm_not_a_stream(path):
    """The cross-reference stream places object 8 in object stream 9, which is a plain image stream: the
    object is lost (qpdf warns "supposed object stream has wrong type"), the rest of the file is not."""
    doc = Doc("not an object stream")
    doc.catalog.append(b"/OmbreltLost 8 0 R")
    writer = Writer(b"1.5")
    for num, gen, body in doc.objects():
        writer.obj(num, body, gen)
    writer.obj(9, Stream(b"/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray"
                         b" /BitsPerComponent 8", b"\x80"))
    writer.section[8] = ("c", 9, 0)
    writer.xref_stream(10, b"/Root 1 0 R /Info 6 0 R /ID [" + FILE_ID + b" " + FILE_ID + b"]")
    writer.write(path)


def size_too_small(path):
    """The trailer's /Size is one less than the objects the table lists."""
    doc = Doc("size too small")
    add_link_annotations(doc)
    classic(doc, path, size=doc.next - 1)


def table_omits_object(path):
    """The table and /Size end one object early: the last object, an annotation the page refers to, is
    in the file but not in the table (qpdf reads the reference as null without a warning)."""
    doc = Doc("table omits an object")
    add_link_annotations(doc)
    last = doc.next - 1
    classic(doc, path, size=last, omit=(last,))


def stream_keyword(path, after):
    """What follows the `stream` keyword: CRLF (valid), CR alone, a space, a space then LF, a comment."""
    doc = Doc("stream keyword")
    doc.content.data += b"BT /F1 12 Tf 72 680 Td (" + mark("keyword") + b") Tj ET\n"
    doc.content.after_keyword = after
    s2 = doc.add(Stream(b"", b"BT /F1 12 Tf 72 660 Td (" + mark("keyword2") + b") Tj ET\n", after_keyword=after,
                        before_end=b"\r\n"))
    doc.contents = b"[4 0 R %d 0 R]" % s2
    classic(doc, path)


def kitchen_sink(path, streams):
    """Many features at once, in a classic file with an update, or in object streams."""
    doc = Doc("kitchen sink")
    for feature in (add_string_escapes, add_hex_strings, add_nested_containers, add_number_forms, add_many_decimals,
                    add_xmp, add_attachment, add_link_annotations, add_outlines, add_acroform, add_filter_chains):
        feature(doc)
    add_name_escapes(doc, False)
    doc.add(b"<< /Gen (" + mark("sink-gen") + b") >>", gen=3, num=doc.next)
    doc.catalog.append(b"/OmbreltGen %d 3 R" % (doc.next - 1))
    ids = b"/ID [" + FILE_ID + b" " + FILE_ID + b"]"
    if not streams:
        writer = Writer(b"1.6")
        for num, gen, body in doc.objects():
            writer.obj(num, body, gen)
        first = writer.xref_table(trailer(doc), eol=b"\r\n")
        doc.info.append(b"/Keywords (" + mark("sink-rev2") + b")")
        writer.obj(6, doc.info_dict())
        writer.xref_table(trailer(doc, extra=b"/Prev %d" % first))
        writer.write(path)
        return
    writer = Writer(b"1.7")
    compressed = []
    for num, gen, body in doc.objects():
        if isinstance(body, Stream) or gen:
            writer.obj(num, body, gen)
        else:
            compressed.append((num, body))
    half = len(compressed) // 2
    writer.objstm(doc.next, compressed[:half])
    writer.objstm(doc.next + 1, compressed[half:])
    writer.xref_stream(doc.next + 2, b"/Root 1 0 R /Info 6 0 R " + ids)
    writer.write(path)


def info_direct(path):
    doc = Doc("direct Info")
    writer = Writer()
    for num, gen, body in doc.objects(info=False):
        writer.obj(num, body, gen)
    writer.xref_table(trailer(doc, info=b"/Info " + doc.info_dict(), size=6))
    writer.write(path)


def id_indirect(path):
    doc = Doc("indirect ID")
    num = doc.add(b"[" + FILE_ID + b" <FEDCBA9876543210FEDCBA9876543210>]")
    classic(doc, path, file_id=b"/ID %d 0 R" % num)


FILES = {
    # Literal and hex strings.
    "strings-literal-escapes.pdf": one_feature("literal escapes", add_string_escapes),
    "strings-line-continuation.pdf": one_feature("line continuation", add_line_continuation),
    "strings-raw-cr-crlf.pdf": one_feature("raw end of line", add_raw_eol),
    "strings-balanced-parens.pdf": one_feature("balanced parentheses", add_balanced_parens),
    "strings-hex-odd-spaced.pdf": one_feature("hex strings", add_hex_strings),
    "strings-percent-comments.pdf": one_feature("percent and comments", add_percent_and_comments),
    # Names, numbers, containers.
    "names-hex-escapes.pdf": one_feature("name escapes", add_name_escapes, False),
    "names-malformed-escapes.pdf": one_feature("malformed name escapes", add_name_escapes, True),
    "numbers-signs-dots.pdf": one_feature("number forms", add_number_forms),
    "numbers-huge-integers.pdf": one_feature("huge integers", add_huge_integers, False),
    "numbers-integers-beyond-64-bits.pdf": one_feature("integer overflow", add_huge_integers, True),
    "numbers-many-decimals.pdf": one_feature("many decimals", add_many_decimals),
    "numbers-exponent-tokens.pdf": one_feature("exponent tokens", add_exponent_tokens),
    "numbers-lone-signs-malformed.pdf": one_feature("malformed numbers", add_malformed_numbers),
    "containers-nested.pdf": one_feature("nested containers", add_nested_containers),
    "dict-duplicate-keys.pdf": one_feature("duplicate keys", add_duplicate_keys),
    "dict-unknown-bare-token.pdf": one_feature("unknown token", add_unknown_token),
    # Streams.
    "stream-length-indirect.pdf": one_feature("indirect length", add_indirect_length),
    "stream-length-too-long.pdf": one_feature("length too long", add_length_lies, 25),
    "stream-length-too-short.pdf": one_feature("length too short", add_length_lies, -25),
    "stream-endstream-in-data.pdf": one_feature("endstream in data", add_endstream_in_data),
    "stream-keyword-crlf.pdf": lambda path: stream_keyword(path, b"\r\n"),
    "stream-keyword-cr-only.pdf": lambda path: stream_keyword(path, b"\r"),
    "stream-keyword-space-then-eol.pdf": lambda path: stream_keyword(path, b" \n"),
    "stream-keyword-space.pdf": lambda path: stream_keyword(path, b" "),
    "stream-keyword-comment.pdf": lambda path: stream_keyword(path, b" % comment\n"),
    "stream-filter-chains.pdf": one_feature("filter chains", add_filter_chains),
    "content-array-split.pdf": one_feature("content array", add_content_array),
    # Document structures that hold strings.
    "xmp-metadata.pdf": one_feature("xmp metadata", add_xmp),
    "embedded-file.pdf": one_feature("embedded file", add_attachment, version=b"1.7"),
    "annots-link-uri.pdf": one_feature("link annotations", add_link_annotations),
    "outlines-utf16.pdf": one_feature("outlines", add_outlines),
    "acroform-fields.pdf": one_feature("form fields", add_acroform),
    "signature-field.pdf": one_feature("signature", add_signature),
    # File structure.
    "generation-numbers.pdf": one_feature("generations", add_generations),
    "xref-free-entries-orphans.pdf": free_entries,
    "xref-crlf-entries.pdf": one_feature("crlf xref entries", add_balanced_parens, eol=b"\r\n"),
    "xref-offsets-into-whitespace.pdf": lambda path: offsets_off(path, True),
    "xref-offsets-off-by-few.pdf": lambda path: offsets_off(path, False),
    "xref-offsets-before-headers-lf.pdf": lambda path: offsets_shifted(path, -1, b"\n"),
    "xref-offsets-before-headers-crlf.pdf": lambda path: offsets_shifted(path, -1, b"\r\n"),
    "xref-offsets-into-headers-lf.pdf": lambda path: offsets_shifted(path, 1, b"\n"),
    "xref-offsets-into-headers-crlf.pdf": lambda path: offsets_shifted(path, 1, b"\r\n"),
    "xref-size-too-small.pdf": size_too_small,
    "xref-table-omits-object.pdf": table_omits_object,
    "xref-stream-plain.pdf": xref_stream_plain,
    "incremental-update.pdf": incremental,
    "incremental-update-xref-streams.pdf": lambda path: incremental(path, use_stream=True),
    "objstm-strings-info.pdf": object_streams,
    "objstm-incremental-update.pdf": lambda path: object_streams(path, update=True),
    "hybrid-xrefstm.pdf": lambda path: object_streams(path, hybrid=True),
    "objstm-not-an-object-stream.pdf": objstm_not_a_stream,
    # An update redefines an object, in every order of kinds.
    "override-compressed-then-compressed.pdf": lambda path: override(path, "compressed", "compressed"),
    "override-compressed-then-plain.pdf": lambda path: override(path, "compressed", "plain"),
    "override-plain-then-compressed.pdf": lambda path: override(path, "plain", "compressed"),
    "override-compressed-then-freed.pdf": lambda path: override(path, "compressed", "free"),
    "override-plain-then-freed.pdf": lambda path: override(path, "plain", "free"),
    # The header line.
    "header-missing.pdf": lambda path: no_header(path, b"%\xe2\xe3\xcf\xd3\n"),
    "header-damaged.pdf": lambda path: no_header(path, b"%PFD-1.4\n%\xe2\xe3\xcf\xd3\n"),
    "header-after-first-kilobyte.pdf": lambda path: no_header(path, b"%" + b"junk " * 250 + b"\n%PDF-1.4\n"),
    "damaged-encrypt-gone.pdf": encrypt_gone,
    # The trailer's /ID and /Info in every form.
    "id-missing.pdf": one_feature("no ID", add_balanced_parens, file_id=b""),
    "id-one-string.pdf": one_feature("one-string ID", add_balanced_parens, file_id=b"/ID [" + FILE_ID + b"]"),
    "id-indirect.pdf": id_indirect,
    "id-empty-strings.pdf": one_feature("empty ID", add_balanced_parens, file_id=b"/ID [<> <>]"),
    "id-literal-strings.pdf": one_feature("literal ID", add_balanced_parens,
                                          file_id=b"/ID [(\\001\\002abc\\)\\\\) (\\377\\376xyz)]"),
    "info-direct-in-trailer.pdf": info_direct,
    "info-missing.pdf": one_feature("no Info", add_balanced_parens, info=False),
    # Many features together.
    "kitchen-sink-classic-update.pdf": lambda path: kitchen_sink(path, False),
    "kitchen-sink-object-streams.pdf": lambda path: kitchen_sink(path, True),
}

# Files qpdf --check warns about, as they are damaged on purpose (qpdf still opens them).
DAMAGED = {
    "xref-offsets-off-by-few.pdf", "stream-length-too-long.pdf", "stream-length-too-short.pdf",
    "stream-keyword-cr-only.pdf", "stream-keyword-space.pdf", "stream-keyword-space-then-eol.pdf",
    "stream-keyword-comment.pdf",
    "dict-unknown-bare-token.pdf", "numbers-exponent-tokens.pdf", "numbers-lone-signs-malformed.pdf",
    "dict-duplicate-keys.pdf", "numbers-integers-beyond-64-bits.pdf", "xref-size-too-small.pdf",
    "names-malformed-escapes.pdf",
    "xref-offsets-before-headers-lf.pdf", "xref-offsets-before-headers-crlf.pdf",
    "xref-offsets-into-headers-lf.pdf", "xref-offsets-into-headers-crlf.pdf", "objstm-not-an-object-stream.pdf",
    "header-missing.pdf", "header-damaged.pdf", "header-after-first-kilobyte.pdf", "damaged-encrypt-gone.pdf",
}


def main(argv):
    if len(argv) != 2:
        print("usage: make_syntax_corpus.py OUTDIR", file=sys.stderr)
        return 2
    out = Path(argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, build in FILES.items():
        build(out / name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
