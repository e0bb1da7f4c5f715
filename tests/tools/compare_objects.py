#!/usr/bin/python3
"""Compares every object of a PDF file with the same object of its encrypted copy, as qpdf reads them.

Usage: compare_objects.py INPUT COPY --password PW [--input-password PW] [--marker TEXT ...]

Both files are opened with pikepdf (qpdf), which decrypts the copy. Every object the input's
cross-reference data names (its newest generation) is compared with the copy's object of the same
number and generation: dictionaries key by key, arrays item by item, numbers by exact decimal value
(an integer that became a real differs, a real written as the equal integer does not), strings and
names byte for byte, references by number and generation, streams by dictionary (less /Length) and
data. A reference to an object the input lacks must name nothing in the copy either. The catalog's
/Extensions /ADBE is not compared: an encrypted copy names the extension level its encryption needs. The trailer's
/Root must be the same reference and its /Info the same value (the copy may hold a direct input /Info
as an object of its own). Object and cross-reference streams are not compared: writers rebuild them.
One line is printed per difference, then a summary line:

    12 0 /Annots[3]/Contents: input (SECRETMARKER-note) copy (\\223\\001...) (string differs)

With --marker, the copy's bytes must not show the text (nor its hex or UTF-16BE forms): a string or
stream left in clear shows there, while its value as qpdf reads it may still compare equal. --json
prints {"objects": N, "differences": [{"cause", "line"}]} instead.

Exit status: 0 no difference, 1 differences (or the copy does not open), 2 usage or unreadable input.
Needs Debian's /usr/bin/python3, which has pikepdf.
"""

import argparse
import json
import re
import subprocess
import sys
from decimal import Decimal, InvalidOperation
from pathlib import Path

import pikepdf


# --- Values as qpdf writes them ---------------------------------------------------------------------
#
# pikepdf turns numbers, booleans and null into Python values and forgets whether they were references
# (an indirect /Length, say). qpdf's own unparsed text of an object keeps every reference as "N G R",
# every string's bytes and every real's digits, so objects are compared as parsed from that text.

class Ref(tuple):
    def __new__(cls, num, gen):
        return super().__new__(cls, (num, gen))

    def __str__(self):
        return f"{self[0]} {self[1]} R"


class Name(bytes):
    """A name in qpdf's normal form: the same name spelled with or without #xx reads the same."""


class Str(bytes):
    """A string's bytes, after decryption."""


class Real:
    """A real number: compared by exact decimal value, shown as qpdf read it."""

    def __init__(self, text):
        self.text = text
        try:
            self.value = Decimal(text)
        except InvalidOperation:
            self.value = None

    def __eq__(self, other):
        return isinstance(other, Real) and (self.value == other.value if self.value is not None and
                                            other.value is not None else self.text == other.text)

    def __hash__(self):
        return hash(self.value)

    def __str__(self):
        return self.text


class Unparsed(Exception):
    pass


DELIMITERS = b"()<>[]{}/%"
WHITESPACE = b"\0\t\n\f\r "
ESCAPES = {ord("n"): b"\n", ord("r"): b"\r", ord("t"): b"\t", ord("b"): b"\b", ord("f"): b"\f"}


def parse(text):
    """Parses one object from qpdf's unparsed form."""
    value, at = _parse(text, _skip(text, 0))
    if _skip(text, at) != len(text):
        raise Unparsed(f"text after the object: {text[at:at + 40]!r}")
    return value


def _skip(text, at):
    while at < len(text) and text[at] in WHITESPACE:
        at += 1
    return at


def _parse(text, at):
    if at >= len(text):
        raise Unparsed("unexpected end")
    char = text[at]
    if text.startswith(b"<<", at):
        result, at = {}, _skip(text, at + 2)
        while not text.startswith(b">>", at):
            key, at = _parse(text, at)
            if not isinstance(key, Name):
                raise Unparsed(f"dictionary key {key!r}")
            result[bytes(key)], at = _parse(text, _skip(text, at))
            at = _skip(text, at)
        return result, at + 2
    if char == ord("["):
        result, at = [], _skip(text, at + 1)
        while text[at] != ord("]"):
            item, at = _parse(text, at)
            result.append(item)
            at = _skip(text, at)
        return result, at + 1
    if char == ord("("):
        return _literal(text, at + 1)
    if char == ord("<"):
        end = text.index(b">", at)
        digits = bytes(c for c in text[at + 1:end] if c not in WHITESPACE)
        if len(digits) % 2:
            digits += b"0"
        return Str(bytes.fromhex(digits.decode())), end + 1
    end = at + 1
    while end < len(text) and text[end] not in WHITESPACE and text[end] not in DELIMITERS:
        end += 1
    token = text[at:end]
    if char == ord("/"):
        return Name(token), end
    if token == b"true":
        return True, end
    if token == b"false":
        return False, end
    if token == b"null":
        return None, end
    if re.fullmatch(rb"[+-]?\d+", token):
        # "N G R" is a reference.
        match = re.match(rb"\s+(\d+)\s+R(?=[\s\]>/(<\[]|$)", text[end:])
        if match and re.fullmatch(rb"\d+", token):
            return Ref(int(token), int(match.group(1))), end + match.end()
        return int(token), end
    if re.fullmatch(rb"[+-]?(\d+\.?\d*|\.\d+)", token):
        return Real(token.decode()), end
    raise Unparsed(f"unknown token {token!r}")


def _literal(text, at):
    out, depth = bytearray(), 0
    while True:
        char = text[at]
        if char == ord("\\"):
            at += 1
            char = text[at]
            if char in ESCAPES:
                out += ESCAPES[char]
            elif ord("0") <= char <= ord("7"):
                end = at
                while end < at + 3 and ord("0") <= text[end] <= ord("7"):
                    end += 1
                out.append(int(text[at:end], 8) & 0xFF)
                at = end - 1
            elif char == ord("\r"):
                if text[at + 1:at + 2] == b"\n":
                    at += 1
            elif char != ord("\n"):
                out.append(char)
        elif char == ord("("):
            depth += 1
            out.append(char)
        elif char == ord(")"):
            if depth == 0:
                return Str(bytes(out)), at + 1
            depth -= 1
            out.append(char)
        else:
            out.append(char)
        at += 1


def show(value, limit=70):
    """A value in PDF syntax, shortened."""
    if isinstance(value, Str):
        binary = sum(1 for c in value if not 32 <= c < 127)
        if binary * 3 > len(value):
            text = "<" + value.hex() + ">"
        else:
            special = {ord("\\"): "\\\\", ord("("): "\\(", ord(")"): "\\)", ord("\n"): "\\n", ord("\r"): "\\r"}
            text = "(" + "".join(special.get(c) or (chr(c) if 32 <= c < 127 else f"\\{c:03o}") for c in value) + ")"
    elif isinstance(value, Name):
        text = value.decode("latin-1")
    elif isinstance(value, dict):
        text = "<< " + " ".join(f"{key.decode('latin-1')} {show(item, limit)}" for key, item in value.items()) + " >>"
    elif isinstance(value, list):
        text = "[ " + " ".join(show(item, limit) for item in value) + " ]"
    elif value is None:
        text = "null"
    elif value is True or value is False:
        text = "true" if value else "false"
    elif isinstance(value, Missing):
        text = "(missing)"
    else:
        text = str(value)
    return text if len(text) <= limit else text[:limit - 3] + "..."


class Missing:
    """Stands for a key, item or object that one side lacks."""


MISSING = Missing()


def kind(value):
    for kind_name, types in (("reference", Ref), ("name", Name), ("string", Str), ("real", Real),
                             ("boolean", bool), ("integer", int), ("dictionary", dict), ("array", list)):
        if isinstance(value, types):
            return kind_name
    return "null" if value is None else "missing"


# --- Reading objects --------------------------------------------------------------------------------

def xref_entries(path, password):
    """The objects a file's cross-reference data names, as qpdf reads it (rebuilt if damaged)."""
    command = ["qpdf", "--show-xref"] + ([f"--password={password}"] if password else []) + [str(path)]
    done = subprocess.run(command, capture_output=True, timeout=300)
    entries = {}
    for line in done.stdout.decode("latin-1").splitlines():
        match = re.match(r"(\d+)/(\d+): (uncompressed|compressed)", line)
        if match:
            entries[(int(match.group(1)), int(match.group(2)))] = match.group(3)
    if done.returncode not in (0, 3):
        raise RuntimeError(f"qpdf --show-xref: {done.stderr.decode('utf-8', 'replace').strip()[:200]}")
    # qpdf keeps the entries of every revision. A number that a later revision freed and used again
    # with a higher generation has only that one alive: the lower generations are deleted objects.
    newest = {}
    for num, gen in entries:
        newest[num] = max(gen, newest.get(num, gen))
    return {objgen: how for objgen, how in entries.items() if objgen[1] == newest[objgen[0]]}


def read_object(pdf, objgen):
    """(value, stream or None): the object parsed from qpdf's text of it."""
    obj = pdf.get_object(*objgen)
    if obj is None or isinstance(obj, bool):
        return obj, None
    if isinstance(obj, int):
        return obj, None
    if isinstance(obj, Decimal):
        return Real(str(obj)), None
    if isinstance(obj, pikepdf.Stream):
        return parse(obj.stream_dict.unparse(resolved=True)), obj
    return parse(obj.unparse(resolved=True)), None


# --- Comparing ----------------------------------------------------------------------------------------

# Keys of a stream dictionary not compared as they are written. /Length is the stored byte count, which
# encryption changes (AES adds an IV and padding), and every reader takes the copy's own. /Filter and
# /DecodeParms are compared in the one form of normal_filters below.
STREAM_KEYS_NOT_COMPARED = {b"/Length", b"/Filter", b"/DecodeParms"}


def normal_filters(stream_dict):
    """(filters, parameters) in one form: readers treat /Filter /X as [/X], an empty array or an all-null
    /DecodeParms as none, so a copy may write either."""
    filters = stream_dict.get(b"/Filter", [])
    filters = filters if isinstance(filters, list) else [filters]
    params = stream_dict.get(b"/DecodeParms", [])
    params = params if isinstance(params, list) else [params]
    params = params + [None] * (len(filters) - len(params))
    if all(param is None or param == {} for param in params):
        params = []
    return filters, params


class Comparison:
    def __init__(self, input_pdf, copy_pdf, input_entries, copy_entries):
        self.input, self.copy = input_pdf, copy_pdf
        self.input_entries, self.copy_entries = input_entries, copy_entries
        self.differences = []
        self.compared = 0
        self.references = set()  # every reference met in the input
        self.copy_references = set()
        self.lengths = set()     # objects the input names as a stream's /Length

    def note(self, cause, line):
        self.differences.append({"cause": cause, "line": line})

    def differ(self, where, path, a, b, cause=None):
        cause = cause or f"{kind(a)} differs"
        shown = ""
        if isinstance(a, Str) and isinstance(b, Str):
            # Long strings are shown from a little before their first difference.
            at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
            if at > 30:
                a, b, shown = Str(a[at - 20:]), Str(b[at - 20:]), f" from byte {at - 20}"
        self.note(cause, f"{where}{' ' + path if path else ''}{shown}: input {show(a)} copy {show(b)} ({cause})")

    def names_nothing(self, ref, pdf, entries):
        return ref not in entries or read_object(pdf, ref)[0] is None

    def values(self, where, path, a, b):
        if isinstance(a, Ref):
            self.references.add(a)
        if isinstance(b, Ref):
            self.copy_references.add(b)
        if isinstance(a, Ref) and isinstance(b, Ref) and a != b and \
                self.names_nothing(a, self.input, self.input_entries) and \
                self.names_nothing(b, self.copy, self.copy_entries):
            return  # a reference to no object reads as null, whichever number it gives
        if isinstance(a, (int, Real)) and isinstance(b, (int, Real)) and not isinstance(a, bool) \
                and not isinstance(b, bool) and kind(a) != kind(b):
            # Numbers compare by value: a real written as the integer of the same value reads the same
            # everywhere, as every reader takes an integer where a real is expected. The other way round
            # is a difference even at the same value, as many entries must be integers (/Count, /W...).
            value_a = a.value if isinstance(a, Real) else a
            value_b = b.value if isinstance(b, Real) else b
            if isinstance(a, int) or value_a != value_b:
                self.differ(where, path, a, b, f"{kind(a)} became {kind(b)}")
        elif kind(a) != kind(b):
            self.differ(where, path, a, b, f"{kind(a)} became {kind(b)}")
        elif isinstance(a, dict):
            for key in sorted(set(a) | set(b)):
                self.values(where, path + key.decode("latin-1"), a.get(key, MISSING), b.get(key, MISSING))
        elif isinstance(a, list):
            for index in range(max(len(a), len(b))):
                self.values(where, f"{path}[{index}]", a[index] if index < len(a) else MISSING,
                            b[index] if index < len(b) else MISSING)
        elif a != b:
            self.differ(where, path, a, b)

    def run(self):
        # Streams' /Length objects first: their values are not compared (see STREAM_KEYS_NOT_COMPARED).
        self.encrypt_objgen = self.input_encrypt()
        parsed = {}
        for objgen in sorted(self.input_entries):
            try:
                parsed[objgen] = read_object(self.input, objgen)
            except (Unparsed, pikepdf.PdfError) as error:
                parsed[objgen] = (MISSING, error)
            value, stream = parsed[objgen]
            if stream is not None and isinstance(value.get(b"/Length"), Ref):
                self.lengths.add(tuple(value[b"/Length"]))
        for objgen, (value, stream) in sorted(parsed.items()):
            self.compare_object(objgen, value, stream)
        self.check_dangling()

    def compare_object(self, objgen, value, stream):
        where = f"{objgen[0]} {objgen[1]}"
        if isinstance(stream, Exception):
            self.note("input object unreadable", f"{where}: the input's object cannot be read: {stream}")
            return
        if stream is not None and value.get(b"/Type") in (Name(b"/ObjStm"), Name(b"/XRef")):
            return  # containers of other objects, rewritten at will by any writer
        if objgen == self.encrypt_objgen:
            return  # the input's protection, which a decrypted or re-encrypted copy replaces
        self.compared += 1
        if objgen not in self.copy_entries:
            self.differ(where, "", value, MISSING, "object missing from the copy")
            return
        try:
            copy_value, copy_stream = read_object(self.copy, objgen)
        except (Unparsed, pikepdf.PdfError) as error:
            self.note("copy object unreadable", f"{where}: the copy's object cannot be read: {error}")
            return
        if objgen in self.lengths and isinstance(value, int) and isinstance(copy_value, int):
            return
        if objgen == self.input_root() and isinstance(value, dict) and isinstance(copy_value, dict):
            value, copy_value = self.without_adobe_extension(value), self.without_adobe_extension(copy_value, self.copy)
        if (stream is None) != (copy_stream is None):
            self.differ(where, "", value, copy_value, "stream became non-stream" if stream is not None
                        else "non-stream became stream")
            return
        if stream is None:
            self.values(where, "", value, copy_value)
            return
        self.values(where, "", {k: v for k, v in value.items() if k not in STREAM_KEYS_NOT_COMPARED},
                    {k: v for k, v in copy_value.items() if k not in STREAM_KEYS_NOT_COMPARED})
        filters, copy_filters = normal_filters(value), normal_filters(copy_value)
        if filters != copy_filters:
            self.differ(where, "/Filter", list(filters), list(copy_filters), "filters differ")
        self.compare_data(where, stream, copy_stream, filters == copy_filters)

    def compare_data(self, where, stream, copy_stream, same_filters):
        """Raw (decrypted, still encoded) data when the filters are the same, decoded data where qpdf can
        decode the input's."""
        if same_filters:
            try:
                raw, copy_raw = stream.read_raw_bytes(), copy_stream.read_raw_bytes()
            except pikepdf.PdfError as error:
                self.note("stream data unreadable", f"{where} (stream data): cannot be read: {error}")
                return
            if raw == copy_raw:
                return
            self.data_difference(where, "raw stream data", raw, copy_raw)
        try:
            data = stream.read_bytes()
        except pikepdf.PdfError:
            return  # a filter qpdf does not decode (images), or damaged data: the raw comparison stands
        try:
            copy_data = copy_stream.read_bytes()
        except pikepdf.PdfError as error:
            self.note("stream data no longer decodes",
                      f"{where} (stream data): the input's decodes, the copy's does not: {error}")
            return
        if data != copy_data:
            self.data_difference(where, "decoded stream data", data, copy_data)

    def data_difference(self, where, what, a, b):
        at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
        self.note(f"{what} differs", f"{where} ({what}): input {len(a)} bytes, copy {len(b)} bytes, first difference "
                                     f"at byte {at}: input {a[at:at + 24]!r} copy {b[at:at + 24]!r}")

    def check_dangling(self):
        """A reference to an object the input lacks reads as null; in the copy it must too (a copy that
        gives that number to a new object, its /Encrypt say, changes what the reference means)."""
        for ref in sorted(self.references & self.copy_references):
            if ref in self.input_entries:
                continue
            copy_value = read_object(self.copy, ref)[0] if ref in self.copy_entries else None
            if copy_value is not None:
                self.differ(f"{ref[0]} {ref[1]}", "", None, copy_value,
                            "a reference to no object now names one")

    def input_root(self):
        value = parse(self.input.trailer.unparse(resolved=True)).get(b"/Root")
        return tuple(value) if isinstance(value, Ref) else None

    def without_adobe_extension(self, catalog, pdf=None):
        """The catalog less Adobe's extension level (/Extensions /ADBE), which an encrypted copy
        raises to what its encryption needs; the rest of /Extensions must be as the input has it."""
        extensions = self.resolve(pdf or self.input, catalog.get(b"/Extensions", MISSING))
        catalog = {k: v for k, v in catalog.items() if k != b"/Extensions"}
        if isinstance(extensions, dict):
            rest = {k: v for k, v in extensions.items() if k != b"/ADBE"}
            if rest:
                catalog[b"/Extensions"] = rest
        elif extensions is not MISSING:
            catalog[b"/Extensions"] = extensions
        return catalog

    def input_encrypt(self):
        """The object number and generation of the input's /Encrypt dictionary, if it has one of its own."""
        value = parse(self.input.trailer.unparse(resolved=True)).get(b"/Encrypt")
        return tuple(value) if isinstance(value, Ref) else None

    def trailers(self):
        a = parse(self.input.trailer.unparse(resolved=True))
        b = parse(self.copy.trailer.unparse(resolved=True))
        self.values("trailer", "/Root", a.get(b"/Root", MISSING), b.get(b"/Root", MISSING))
        self.values("trailer", "/Info", self.resolve(self.input, a.get(b"/Info", MISSING)),
                    self.resolve(self.copy, b.get(b"/Info", MISSING)))

    @staticmethod
    def resolve(pdf, value):
        return read_object(pdf, tuple(value))[0] if isinstance(value, Ref) else value


def marker_forms(marker):
    data = marker.encode()
    return {"as text": data, "in hex": data.hex().encode(), "in HEX": data.hex().upper().encode(),
            "in UTF-16BE": marker.encode("utf-16-be")}


def find_markers(path, markers):
    data = path.read_bytes()
    found = []
    for marker in markers:
        for form, pattern in marker_forms(marker).items():
            at = data.find(pattern)
            if at >= 0:
                found.append({"cause": "marker in the copy's bytes",
                              "line": f"marker {marker!r} {form} at byte {at} of the copy: "
                                      f"{data[max(0, at - 30):at + len(pattern) + 10]!r}"})
    return found


class InputUnreadable(Exception):
    """pikepdf cannot open the input, so there is nothing to compare the copy with."""


def compare(input_path, copy_path, password, input_password="", markers=()):
    """(objects compared, differences as {"cause", "line"}); raises InputUnreadable."""
    try:
        markers_found = find_markers(copy_path, markers)
    except OSError as error:
        return 0, [{"cause": "copy does not open", "line": f"cannot read the copy: {error}"}]
    try:
        input_entries = xref_entries(input_path, input_password)
        input_pdf = pikepdf.open(input_path, password=input_password)
    except (pikepdf.PdfError, OSError, RuntimeError) as error:
        raise InputUnreadable(str(error)) from error
    with input_pdf:
        try:
            copy_entries = xref_entries(copy_path, password)
            copy_pdf = pikepdf.open(copy_path, password=password)
        except (pikepdf.PdfError, OSError, RuntimeError) as error:
            return 0, [{"cause": "copy does not open", "line": f"cannot open the copy: {error}"}] + markers_found
        with copy_pdf:
            comparison = Comparison(input_pdf, copy_pdf, input_entries, copy_entries)
            comparison.run()
            comparison.trailers()
    return comparison.compared, comparison.differences + markers_found


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("input")
    parser.add_argument("copy")
    parser.add_argument("--password", required=True, help="a password of the copy (open or owner)")
    parser.add_argument("--input-password", default="")
    parser.add_argument("--marker", action="append", default=[], help="text the copy's bytes must not show")
    parser.add_argument("--json", action="store_true", help="print one JSON object: objects compared, differences")
    args = parser.parse_args()
    try:
        compared, differences = compare(Path(args.input), Path(args.copy), args.password, args.input_password,
                                        args.marker)
    except InputUnreadable as error:
        print(f"cannot open the input: {error}", file=sys.stderr)
        return 2
    if args.json:
        print(json.dumps({"objects": compared, "differences": differences}))
    else:
        for difference in differences:
            print(difference["line"])
        print(f"{compared} objects compared, {len(differences)} difference{'' if len(differences) == 1 else 's'}")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
