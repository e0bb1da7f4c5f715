#!/usr/bin/python3
"""Generates the inputs of scripts/bench into a folder (default build/bench-inputs).

  text-table.pdf   50,000 pages, one line of text each, about 150,000 objects behind a classic
                   cross-reference table (written directly, with exact offsets)
  text-objstm.pdf  the same document saved by pikepdf with object streams and a
                   cross-reference stream
  images.pdf       20 pages, each showing one image of about 10 MB: random bytes in a
                   FlateDecode stream made of stored (uncompressed) deflate blocks

Files already present with the current generator version are kept; inputs.json records the
version and, per file, its size, object count and largest stream. Needs Debian's
python3-pikepdf for text-objstm.pdf, so run it with /usr/bin/python3.
"""

import json
import os
import sys
import zlib

VERSION = "3"  # bump when the generated files change
PAGES = 50_000
KIDS_PER_NODE = 100
IMAGES = 20
IMAGE_WIDTH = 2048
IMAGE_HEIGHT = 1707  # 2048 x 1707 x 3 bytes = 10,487,808 bytes per image


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
    return w.finish(1, 4)


def text_objstm(source, path):
    import pikepdf
    with pikepdf.open(source) as pdf:
        pdf.save(path, object_stream_mode=pikepdf.ObjectStreamMode.generate)
    with pikepdf.open(path) as pdf:
        streams = [o for o in pdf.objects if isinstance(o, pikepdf.Stream)]
        return {"objects": len(pdf.objects), "largest_stream_bytes": max(len(s.read_raw_bytes()) for s in streams)}


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
    return w.finish(1, 3)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "build/bench-inputs"
    os.makedirs(folder, exist_ok=True)
    stamp = os.path.join(folder, "inputs.json")
    facts = json.load(open(stamp)) if os.path.exists(stamp) else {}
    names = ["text-table.pdf", "text-objstm.pdf", "images.pdf"]
    if facts.get("version") != VERSION:
        facts = {"version": VERSION}
        for name in names:
            if os.path.exists(os.path.join(folder, name)):
                os.remove(os.path.join(folder, name))
    steps = [
        ("text-table.pdf", lambda out: text_table(out)),
        ("text-objstm.pdf", lambda out: text_objstm(os.path.join(folder, "text-table.pdf"), out)),
        ("images.pdf", lambda out: images(out)),
    ]
    for name, make in steps:
        target = os.path.join(folder, name)
        if os.path.exists(target) and name in facts:
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
