#!/usr/bin/env python3
"""Writes known_answers.txt, the known answers of SecurityHandlerTest.cpp and ObjectEncryptionTest.cpp.

Two independent routes supply the values:
- qpdf encrypts a small PDF at revisions 2 to 6; its /Encrypt values, first /ID string, file key
  (--show-encryption-key) and the raw encrypted bytes of the content stream are recorded.
- The standard handler's algorithms are written out below in Python (hashlib, a pure-Python RC4, and
  AES through the openssl command line). They must first reproduce every qpdf file, then give the
  values our handler must write: /O, /U and key at strengths 0 to 2, and at strengths 3 and 5 /U, /UE,
  /O, /OE and /Perms for a random source that hands out the bytes 0, 1, 2, ... and is drawn in this
  order: 32 bytes file key, 16 bytes user salts, 16 bytes owner salts, 4 bytes of the /Perms block.

Each line is "case.field value": numbers in decimal, everything else as hex bytes (passwords as UTF-8).
Run with Python 3 from any folder, with qpdf and openssl on the PATH. The qpdf values change from run
to run (qpdf draws its own salts and identifiers); the Python ones do not.
"""

import hashlib
import pathlib
import re
import struct
import subprocess
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
PAD = bytes.fromhex("28bf4e5e4e758a4164004e56fffa01082e2e00b6d0683e802f0ca9fe6453697a")
CONTENT = b"BT /F1 24 Tf 72 720 Td (Known answer) Tj ET"

# --- Primitives ------------------------------------------------------------------------------------


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 0xFF
        s[i], s[j] = s[j], s[i]
    out = bytearray()
    i = j = 0
    for byte in data:
        i = (i + 1) & 0xFF
        j = (j + s[i]) & 0xFF
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) & 0xFF])
    return bytes(out)


def aes_cbc(key, iv, data, decrypt=False):
    cipher = "-aes-%d-cbc" % (len(key) * 8)
    args = ["openssl", "enc", cipher, "-K", key.hex(), "-iv", iv.hex(), "-nopad"] + (["-d"] if decrypt else [])
    return subprocess.run(args, input=data, capture_output=True, check=True).stdout


def aes_padded(key, iv, data):
    pad = 16 - len(data) % 16
    return iv + aes_cbc(key, iv, data + bytes([pad]) * pad)


def md5(data):
    return hashlib.md5(data).digest()


def xor_key(key, value):
    return bytes(b ^ value for b in key)


# --- Revisions 2 to 4 (ISO 32000-1 algorithms 2 to 5) ------------------------------------------------


def pad32(password):
    return (password[:32] + PAD)[:32]


def owner_value(owner, user, revision, n):
    digest = md5(pad32(owner or user))
    if revision >= 3:
        for _ in range(50):
            digest = md5(digest)
    key = digest[:n]
    value = rc4(key, pad32(user))
    if revision >= 3:
        for i in range(1, 20):
            value = rc4(xor_key(key, i), value)
    return value


def file_key(user, owner_entry, p, file_id, revision, n, metadata_encrypted=True):
    clear_metadata = b"" if metadata_encrypted else b"\xff" * 4
    digest = md5(pad32(user) + owner_entry + struct.pack("<I", p & 0xFFFFFFFF) + file_id + clear_metadata)
    if revision >= 3:
        for _ in range(50):
            digest = md5(digest[:n])
    return digest[:n]


def user_value(key, file_id, revision):
    if revision == 2:
        return rc4(key, PAD)
    value = rc4(key, md5(PAD + file_id))
    for i in range(1, 20):
        value = rc4(xor_key(key, i), value)
    return value + bytes(16)


# --- Revisions 5 and 6 (ISO 32000-2 algorithms 2.B, 8, 9, 10) --------------------------------------


def revision_six_rounds(data, password, user):
    """The hash, the number of the last round (from 0) and the last byte of E in it."""
    k = hashlib.sha256(data).digest()
    i = 0
    while True:
        e = aes_cbc(k[:16], k[16:32], (password + k + user) * 64)
        k = (hashlib.sha256, hashlib.sha384, hashlib.sha512)[int.from_bytes(e[:16], "big") % 3](e).digest()
        if i >= 63 and e[-1] <= i - 31:
            return k[:32], i, e[-1]
        i += 1


def revision_six_hash(data, password, user):
    return revision_six_rounds(data, password, user)[0]


def hash_ending(condition):
    """Algorithm 2.B for the first input "input<n>" whose last round satisfies condition."""
    n = 0
    while True:
        data = b"input%d" % n
        hashed, last_round, last_byte = revision_six_rounds(data, b"pw", b"")
        if condition(last_round, last_byte):
            return {"input": data, "password": b"pw", "userbytes": b"", "hash": hashed}
        n += 1


def aes256_hash(revision, data, password, user):
    return hashlib.sha256(data).digest() if revision == 5 else revision_six_hash(data, password, user)


class Counting:
    def __init__(self):
        self.next = 0

    def take(self, n):
        out = bytes((self.next + i) & 0xFF for i in range(n))
        self.next += n
        return out


def aes256_entries(revision, owner, user, p, random):
    zero = bytes(16)
    key = random.take(32)
    user_salts = random.take(16)
    u_entry = aes256_hash(revision, user + user_salts[:8], user, b"") + user_salts
    ue_entry = aes_cbc(aes256_hash(revision, user + user_salts[8:], user, b""), zero, key)
    owner = owner or user
    owner_salts = random.take(16)
    o_entry = aes256_hash(revision, owner + owner_salts[:8] + u_entry, owner, u_entry) + owner_salts
    oe_entry = aes_cbc(aes256_hash(revision, owner + owner_salts[8:] + u_entry, owner, u_entry), zero, key)
    perms = aes_cbc(key, zero, struct.pack("<I", p & 0xFFFFFFFF) + b"\xff" * 4 + b"Tadb" + random.take(4))
    return {"key": key, "U": u_entry, "UE": ue_entry, "O": o_entry, "OE": oe_entry, "Perms": perms}


# --- Files made by qpdf ----------------------------------------------------------------------------


def base_pdf():
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 4 0 R >>",
        b"<< /Length %d >>\nstream\n" % len(CONTENT) + CONTENT + b"\nendstream",
    ]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


def qpdf(*args):
    return subprocess.run(["qpdf", *args], capture_output=True, check=True, text=True, errors="replace").stdout


def hex_entry(text, name):
    match = re.search(r"/%s <([0-9a-f]*)>" % name, text)
    return bytes.fromhex(match.group(1)) if match else b""


def number_entry(text, name):
    return int(re.search(r"/%s (-?\d+)" % name, text).group(1))


def qpdf_case(folder, name, arguments, user, owner):
    source = folder / "base.pdf"
    target = folder / (name + ".pdf")
    source.write_bytes(base_pdf())
    # qpdf 11 takes --allow-weak-crypto (needed for RC4) outside the --encrypt options.
    qpdf("--allow-weak-crypto", "--object-streams=disable", "--compress-streams=n", "--encrypt", user, owner, *arguments, "--",
         str(source), str(target))
    password = "--password=" + owner
    trailer = qpdf(password, "--show-object=trailer", str(target))
    encrypt_number = re.search(r"/Encrypt (\d+) 0 R", trailer).group(1)
    encrypt = qpdf(password, "--show-object=" + encrypt_number, str(target))
    report = qpdf(password, "--show-encryption", "--show-encryption-key", str(target))
    raw = target.read_bytes()
    stream = re.search(rb"\n(\d+) (\d+) obj\n<< /Length (\d+) >>\nstream\n", raw)
    start = stream.end()
    # The length the crypt filter's /Length gives (bytes under AES) is taken as the record's KeyLength.
    cf_length = re.search(r"/StdCF << [^>]*/Length (\d+)", encrypt)
    values = {
        "V": number_entry(encrypt, "V"),
        "R": number_entry(encrypt, "R"),
        "Length": int(cf_length.group(1)) if cf_length else number_entry(encrypt, "Length") if "/Length" in encrypt else 40,
        "P": number_entry(encrypt, "P"),
        "O": hex_entry(encrypt, "O"),
        "U": hex_entry(encrypt, "U"),
        "OE": hex_entry(encrypt, "OE"),
        "UE": hex_entry(encrypt, "UE"),
        "Perms": hex_entry(encrypt, "Perms"),
        "EncryptMetadata": 0 if "/EncryptMetadata false" in encrypt else 1,
        "ID": bytes.fromhex(re.search(r"/ID \[ <([0-9a-f]+)>", trailer).group(1)),
        "key": bytes.fromhex(re.search(r"Encryption key = ([0-9a-f]+)", report).group(1)),
        "user": user.encode(),
        "owner": owner.encode(),
        "stream_number": int(stream.group(1)),
        "stream_generation": int(stream.group(2)),
        "stream_data": raw[start : start + int(stream.group(3))],
        "plain": CONTENT,
    }
    check_qpdf_values(values)
    return values


def check_qpdf_values(v):
    """The Python algorithms must agree with qpdf before they are trusted with the written values."""
    if v["R"] >= 5:
        user = v["user"]
        assert aes256_hash(v["R"], user + v["U"][32:40], user, b"") == v["U"][:32]
        assert aes_cbc(aes256_hash(v["R"], user + v["U"][40:48], user, b""), bytes(16), v["UE"], True) == v["key"]
        return
    n = len(v["key"])
    # qpdf takes non-ASCII passwords for these revisions in PDFDocEncoding, which agrees with
    # Windows-1252 on the letters used here.
    user = v["user"].decode().encode("cp1252")
    owner = v["owner"].decode().encode("cp1252")
    assert owner_value(owner, user, v["R"], n) == v["O"]
    assert file_key(user, v["O"], v["P"], v["ID"], v["R"], n, v["EncryptMetadata"]) == v["key"]
    assert user_value(v["key"], v["ID"], v["R"])[:16] == v["U"][:16]


# --- Output --------------------------------------------------------------------------------------------


def permission_value(strength, basic, extended):
    """P with the bits of the flags not granted cleared; 40-bit RC4 keeps the extended bits set."""
    p = 0xFFFFFFFC
    for flag, bit in ((1, 4), (4, 8), (2, 16), (8, 32)):
        if not basic & flag:
            p &= ~bit
    if strength != 0:
        for flag, bit in ((1, 256), (2, 512), (4, 1024), (8, 2048)):
            if not extended & flag:
                p &= ~bit
    # The reserved bits stay set at every revision: P is negative, as the standard's readers expect.
    return struct.unpack("<i", struct.pack("<I", p))[0]


def written_standard(strength, owner, user, basic, extended, file_id, metadata_encrypted=True):
    revision, n = {0: (2, 5), 1: (3, 16), 2: (4, 16)}[strength]
    p = permission_value(strength, basic, extended)
    o_entry = owner_value(owner, user, revision, n)
    key = file_key(user, o_entry, p, file_id, revision, n, metadata_encrypted)
    return {"owner": owner, "user": user, "basic": basic, "extended": extended, "P": p, "ID": file_id,
            "O": o_entry, "U": user_value(key, file_id, revision), "key": key}


def main():
    cases = {}
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        cases["qpdf_r2"] = qpdf_case(folder, "r2", ["40"], "user", "owner")
        cases["qpdf_r3"] = qpdf_case(folder, "r3", ["128", "--use-aes=n"], "\u00dcser", "owner")
        cases["qpdf_r4"] = qpdf_case(folder, "r4", ["128", "--use-aes=y"], "user", "owner")
        # /EncryptMetadata false adds FF FF FF FF to the key input.
        cases["qpdf_r4_clear_metadata"] = qpdf_case(folder, "r4m", ["128", "--use-aes=y", "--cleartext-metadata"],
                                                    "user", "owner")
        cases["qpdf_r5"] = qpdf_case(folder, "r5", ["256", "--force-R5"], "user", "owner")
        # qpdf hashes the UTF-8 bytes without SASLprep, which would map the no-break space to a space.
        cases["qpdf_r6"] = qpdf_case(folder, "r6", ["256"], "u\u00a0x", "owner")

    # A 56-bit RC4 document (revision 3, /Length 56), which qpdf cannot write.
    file_id = bytes(range(0x10, 0x20))
    o56 = owner_value(b"owner", b"user", 3, 7)
    key56 = file_key(b"user", o56, -3904, file_id, 3, 7)
    cases["rc4_56"] = {"R": 3, "Length": 56, "P": -3904, "ID": file_id, "O": o56,
                       "U": user_value(key56, file_id, 3), "key": key56, "user": b"user", "owner": b"owner"}

    # What PrepareEncryption must write on a document without /Encrypt. The owner "" at strength 2
    # stands for the user password; strength 0 ignores the extended flags.
    written_id = bytes.fromhex("00112233445566778899aabbccddeeff")
    cases["write_0"] = written_standard(0, b"owner", b"user", 15, 0, written_id)
    cases["write_1"] = written_standard(1, b"Owner Pass", b"", 1 | 2, 0, written_id)  # print, copy
    cases["write_2"] = written_standard(2, b"", b"u", 0, 15, written_id)
    # 128-bit AES with /EncryptMetadata false: FF FF FF FF join the key input.
    cases["write_2_clear_metadata"] = written_standard(2, b"owner", b"user", 15, 15, written_id, False)
    for strength, revision, user, basic in ((3, 5, b"user", 15), (5, 6, "p\u00e4ss".encode(), 4 | 8)):
        p = permission_value(strength, basic, 15)
        entries = aes256_entries(revision, b"owner", user, p, Counting())
        cases["write_%d" % strength] = {"owner": b"owner", "user": user, "basic": basic, "extended": 15, "P": p,
                                        **entries}

    # Algorithm 2.B alone, with the longest password and the 48 user bytes of an owner hash.
    password = bytes(range(33, 33 + 127))
    user48 = bytes(range(200, 248))
    cases["hash6"] = {"input": b"input" + user48, "password": password, "userbytes": user48,
                      "hash": revision_six_hash(b"input" + user48, password, user48)}

    # The loop's end: after the fewest rounds (64), and in a round whose last byte equals round - 31.
    cases["hash6_fewest_rounds"] = hash_ending(lambda last_round, _: last_round == 63)
    cases["hash6_boundary"] = hash_ending(lambda last_round, last_byte: last_byte == last_round - 31)

    # Object encryption of one string: RC4 under a 40-bit document's key, AES under an AESV2 key with
    # the IV 00 01 ... 0F.
    key40 = cases["write_0"]["key"]
    object_key40 = md5(key40 + bytes([12, 0, 0, 0, 0]))[:10]
    cases["string_rc4"] = {"key": object_key40, "plain": b"Known (string)", "cipher": rc4(object_key40, b"Known (string)")}
    object_key_aes = bytes(range(0xA0, 0xB0))
    cases["string_aes"] = {"key": object_key_aes, "plain": b"Known (string)",
                           "cipher": aes_padded(object_key_aes, bytes(range(16)), b"Known (string)")}

    lines = ["# Made by make_known_answers.py; see there for where each value comes from."]
    for name, fields in cases.items():
        for field, value in fields.items():
            text = str(value) if isinstance(value, int) else value.hex()
            lines.append("%s.%s %s" % (name, field, text))
    (HERE / "known_answers.txt").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
