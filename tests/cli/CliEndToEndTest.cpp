// The built ombreltenc-cli program, run as a user runs it: its copies open in qpdf with the
// passwords it read and carry the permissions asked for, refused inputs and usage mistakes end
// with the documented status, and inspect --json is valid JSON Lines.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace cli {
namespace {

using pdf::testing::HasProgram;
using pdf::testing::Quote;
using pdf::testing::ReadFile;
using pdf::testing::RunCommand;
using pdf::testing::TempFolder;
using pdf::testing::WriteFile;

namespace fs = std::filesystem;

std::string OnePagePdf(const std::string& infoEntries = "") {
  pdf::testing::TestPdf pdf = pdf::testing::OnePageDocument();
  if (infoEntries.empty()) return pdf.Finish("/Root 1 0 R");
  pdf.Object(5, "<< " + infoEntries + " >>");
  return pdf.Finish("/Root 1 0 R /Info 5 0 R");
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

using pdf::testing::OnePagePdfWith;

std::string SignedPdf() {
  return OnePagePdfWith("/AcroForm << /Fields [ 10 0 R ] >>", "<< /FT /Sig /T (Signature1) /V << /Type /Sig >> >>");
}

std::string PDFA2BPdf() {
  const std::string xmp = "<x:xmpmeta><rdf:RDF><rdf:Description><pdfaid:part>2</pdfaid:part>"
                          "<pdfaid:conformance>B</pdfaid:conformance></rdf:Description></rdf:RDF></x:xmpmeta>";
  return OnePagePdfWith("/Metadata 10 0 R", "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) +
                                                " >>\nstream\n" + xmp + "\nendstream");
}

class CliEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(Path("doc.pdf"), OnePagePdf());
    WriteFile(Path("open.txt"), "open pw\n");
    WriteFile(Path("owner.txt"), "owner pw\r\n");
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // As Cli, with only standard output in the result and standard error in errors.
  pdf::testing::CommandResult CliErrorsApart(const std::string& arguments, std::string& errors) const {
    const auto run = RunCommand("cd " + Quote(folder_.Path().string()) + " && { " + Quote(OMBRELT_CLI_PATH) + " " +
                                arguments + " 2>stderr.txt; }");
    errors = ReadFile(Path("stderr.txt"));
    return run;
  }

  // Runs the program in the test folder with arguments (already quoted where needed).
  pdf::testing::CommandResult Cli(const std::string& arguments, const std::string& environment = "") const {
    return RunCommand("cd " + Quote(folder_.Path().string()) + " && " + environment + " " + Quote(OMBRELT_CLI_PATH) +
                      " " + arguments);
  }

  TempFolder folder_;
};

struct LevelCase {
  std::string level;  // empty: the default
  std::string allow;  // empty: the default
  std::string passwordOptions;
  std::string revisionLine;
  std::string methodLine;
  std::vector<std::string> permissionLines;
};

const LevelCase kLevelCases[] = {
    {"rc4-40", "print,copy", "--open-password-file open.txt --owner-password-env OWNER_PW", "R = 2", "",
     {"print low resolution: allowed", "extract for any purpose: allowed", "modify annotations: not allowed",
      "modify other: not allowed"}},
    {"rc4-128", "print-high,annotate", "--open-password-env OPEN_PW --owner-password-file owner.txt", "R = 3", "",
     {"print high resolution: allowed", "modify annotations: allowed", "extract for any purpose: not allowed",
      "extract for accessibility: not allowed", "modify document assembly: not allowed"}},
    {"aes-128", "copy,accessibility", "--open-password-file=open.txt --owner-password-file=owner.txt", "R = 4",
     "stream encryption method: AESv2",
     {"print low resolution: not allowed", "extract for any purpose: allowed", "extract for accessibility: allowed",
      "modify other: not allowed"}},
    {"aes-256", "fill-forms,assemble,change", "--open-password-env OPEN_PW --owner-password-env OWNER_PW", "R = 6",
     "stream encryption method: AESv3",
     {"print low resolution: not allowed", "modify forms: allowed", "modify document assembly: allowed",
      "modify other: allowed", "modify annotations: not allowed", "extract for any purpose: not allowed"}},
    // The defaults: 256-bit AES of revision 6 and every permission.
    {"", "", "--open-password-file open.txt --owner-password-file owner.txt", "R = 6",
     "stream encryption method: AESv3",
     {"print high resolution: allowed", "modify anything: allowed", "extract for any purpose: allowed",
      "modify document assembly: allowed"}},
};

TEST_F(CliEndToEnd, CopiesOpenInQpdfWithTheirPasswordsAndPermissions) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  const std::string environment = "OPEN_PW='open pw' OWNER_PW='owner pw'";
  for (const LevelCase& c : kLevelCases) {
    SCOPED_TRACE(c.level + " " + c.allow);
    const std::string output = Path("out-" + c.level + ".pdf");
    const auto run = Cli("encrypt " + (c.level.empty() ? "" : "--level " + c.level) + " " +
                             (c.allow.empty() ? "" : "--allow " + c.allow) + " " + c.passwordOptions + " -o " +
                             Quote(output) + " doc.pdf",
                         environment);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(Contains(run.output, "doc.pdf: Succeed!\n")) << run.output;

    // The line end of a password file is not part of the password; a wrong password opens nothing.
    EXPECT_EQ(RunCommand("qpdf --check --password='open pw' " + Quote(output)).exitCode, 0);
    EXPECT_NE(RunCommand("qpdf --check --password='open pw\n' " + Quote(output)).exitCode, 0);
    EXPECT_NE(RunCommand("qpdf --check " + Quote(output)).exitCode, 0);
    const std::string report = RunCommand("qpdf --show-encryption --password='owner pw' " + Quote(output)).output;
    EXPECT_TRUE(Contains(report, "Supplied password is owner password")) << report;
    EXPECT_TRUE(Contains(report, c.revisionLine + "\n")) << report;
    if (!c.methodLine.empty()) {
      EXPECT_TRUE(Contains(report, c.methodLine)) << report;
    }
    for (const std::string& line : c.permissionLines) EXPECT_TRUE(Contains(report, line + "\n")) << line << "\n" << report;
  }
}

TEST_F(CliEndToEnd, FolderInputsGetSuffixedOrKeptNamesInNameOrder) {
  fs::create_directories(Path("in/sub"));
  WriteFile(Path("in/b.pdf"), OnePagePdf());
  WriteFile(Path("in/A.PDF"), OnePagePdf());
  WriteFile(Path("in/notes.txt"), "not a PDF");
  WriteFile(Path("in/sub/c.pdf"), OnePagePdf());

  const auto flat = Cli("encrypt --open-password-file open.txt --output-dir out in");
  EXPECT_EQ(flat.exitCode, 0) << flat.output;
  EXPECT_EQ(flat.output, "in/A.PDF: Succeed!\nin/b.pdf: Succeed!\n");
  EXPECT_TRUE(fs::exists(Path("out/A_Secure.pdf")));
  EXPECT_TRUE(fs::exists(Path("out/b_Secure.pdf")));
  EXPECT_FALSE(fs::exists(Path("out/c_Secure.pdf")));

  const auto deep = Cli("encrypt --open-password-file open.txt --output-dir out2 --keep-name --recursive in");
  EXPECT_EQ(deep.exitCode, 0) << deep.output;
  EXPECT_EQ(deep.output, "in/A.PDF: Succeed!\nin/b.pdf: Succeed!\nin/sub/c.pdf: Succeed!\n");
  for (const std::string name : {"A.PDF", "b.pdf", "c.pdf"}) EXPECT_TRUE(fs::exists(Path("out2/" + name))) << name;

  // Two inputs with one output name: the second must not overwrite the first.
  WriteFile(Path("in/sub/b.pdf"), OnePagePdf());
  const auto clash = Cli("encrypt --open-password-file open.txt --output-dir out3 --recursive in");
  EXPECT_EQ(clash.exitCode, 1);
  EXPECT_TRUE(Contains(clash.output, "in/sub/b.pdf: Failed! another input of this run")) << clash.output;

  // Writing the copy over its input is refused by the library.
  const auto over = Cli("encrypt --open-password-file open.txt --output-dir in --keep-name in/b.pdf");
  EXPECT_EQ(over.exitCode, 1);
  EXPECT_TRUE(Contains(over.output, "in/b.pdf: Failed! the output file cannot be replaced")) << over.output;
  EXPECT_EQ(ReadFile(Path("in/b.pdf")), OnePagePdf());
}

TEST_F(CliEndToEnd, RefusedInputsFailWithTheirReasonAndTheRestSucceeds) {
  if (!HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  fs::create_directories(Path("in"));
  WriteFile(Path("in/good.pdf"), OnePagePdf());
  WriteFile(Path("in/not-pdf.pdf"), "plain text\n");
  pdf::testing::TestPdf empty;
  empty.Object(1, "<< /Type /Catalog /Pages 2 0 R >>").Object(2, "<< /Type /Pages /Kids [ ] /Count 0 >>");
  WriteFile(Path("in/no-pages.pdf"), empty.Finish("/Root 1 0 R"));
  for (const std::string user : {"", "user"}) {
    const std::string name = user.empty() ? "in/encrypted-open.pdf" : "in/encrypted-user.pdf";
    ASSERT_EQ(RunCommand("qpdf --encrypt " + Quote(user) + " owner 256 -- " + Path("doc.pdf") + " " + Path(name)).exitCode, 0);
  }

  const auto run = Cli("encrypt --open-password-file open.txt --output-dir out in");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  const std::pair<std::string, std::string> lines[] = {
      {"in/encrypted-open.pdf", "Failed! the file is already encrypted"},
      {"in/encrypted-user.pdf", "Failed! the file is already encrypted"},
      {"in/good.pdf", "Succeed!"},
      {"in/no-pages.pdf", "Failed! the file has no pages"},
      {"in/not-pdf.pdf", "Failed! not a readable PDF file"},
  };
  std::vector<std::string> statusLines;
  for (std::size_t start = 0, end; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1) {
    statusLines.push_back(run.output.substr(start, end - start));
  }
  ASSERT_EQ(statusLines.size(), std::size(lines)) << run.output;
  // In name order; only the start of each reason is fixed here.
  for (std::size_t i = 0; i < statusLines.size(); ++i) {
    EXPECT_TRUE(statusLines[i].starts_with(lines[i].first + ": " + lines[i].second)) << statusLines[i];
  }
  EXPECT_TRUE(fs::exists(Path("out/good_Secure.pdf")));
  for (const std::string refused : {"encrypted-open", "encrypted-user", "no-pages", "not-pdf"}) {
    EXPECT_FALSE(fs::exists(Path("out/" + refused + "_Secure.pdf"))) << refused;
  }
}

struct UsageCase {
  std::string arguments;
  std::string environment;
  std::string message;
};

const UsageCase kUsageCases[] = {
    {"", "", "no command given"},
    {"encrypt --open-password s3cret --output-dir out doc.pdf", "", "not accepted on the command line"},
    {"encrypt --output-dir out doc.pdf", "", "give an open password"},
    {"encrypt --level aes-512 --open-password-file open.txt --output-dir out doc.pdf", "", "unknown level"},
    {"encrypt --open-password-env UNSET_PW --output-dir out doc.pdf", "unset UNSET_PW;", "UNSET_PW is not set"},
    {"encrypt --open-password-file missing.txt --output-dir out doc.pdf", "", "cannot open the password file"},
    // Below aes-256 readers disagree on the bytes of any non-ASCII character: some would refuse the copy.
    {"encrypt --level rc4-128 --open-password-env PW --output-dir out doc.pdf", "PW='\xCE\xA9mega'",
     "cannot hold"},
    {"encrypt --level aes-128 --open-password-env PW --output-dir out doc.pdf", "PW='caf\xC3\xA9'",
     "choose aes-256"},
    {"encrypt --open-password-env PW --output-dir out doc.pdf", "PW= ", "both passwords are empty"},
    {"encrypt --open-password-file open.txt -o out/x.pdf .", "", "not a folder"},
    {"encrypt --open-password-file open.txt -o . doc.pdf", "", "not of a folder"},
    // The job would drop them, as the window drops blanks around what users type.
    {"encrypt --open-password-env PW --output-dir out doc.pdf", "PW='s3cret '", "begins or ends with a blank"},
    // No reader lets anyone type these: the copies would open nowhere.
    {"encrypt --open-password-file nul.txt --output-dir out doc.pdf", "printf 's3cret\\000x\\n' > nul.txt;",
     "the open password holds a control character (U+0000, NUL)"},
    {"encrypt --owner-password-file two.txt --output-dir out doc.pdf", "printf 's3cret\\nline 2\\n' > two.txt;",
     "the owner password holds a control character (U+000A, a line end)"},
    {"encrypt --open-password-env PW --output-dir out doc.pdf", "PW=\"$(printf 's3\\tcret')\"",
     "holds a control character (U+0009, a tab)"},
};

TEST_F(CliEndToEnd, UsageMistakesExitWithTwoAndWriteNothing) {
  for (const UsageCase& c : kUsageCases) {
    SCOPED_TRACE(c.arguments);
    const auto run = Cli(c.arguments, c.environment);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_TRUE(Contains(run.output, c.message)) << run.output;
    EXPECT_FALSE(Contains(run.output, "s3cret")) << run.output;
    EXPECT_FALSE(fs::exists(Path("out")));
  }
  const auto help = Cli("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.output, "--open-password-file")) << help.output;
  EXPECT_EQ(Cli("--version").output, "ombreltenc-cli 1.5\n");
}

TEST_F(CliEndToEnd, InspectJsonIsValidJsonLinesWithEveryFile) {
  if (!HasProgram("qpdf") || !HasProgram("python3")) GTEST_SKIP() << "qpdf or python3 is not installed";
  // A title with every character JSON must escape, and a UTF-16 author.
  WriteFile(Path("info.pdf"), OnePagePdf("/Title (Say \"hi\" \\\\ tab\\t nl\\n bell\\007) "
                                         "/Author <FEFF03A9006D0065006700610020 65E5672C>"));
  ASSERT_EQ(RunCommand("qpdf --encrypt user owner 128 --use-aes=y -- " + Path("doc.pdf") + " " + Path("aes.pdf")).exitCode, 0);

  const auto run = Cli("inspect --json --password-env PW info.pdf aes.pdf missing.pdf", "PW=owner");
  EXPECT_EQ(run.exitCode, 1) << "a missing file fails the run";
  WriteFile(Path("lines.jsonl"), run.output);
  const std::string summary =
      RunCommand("python3 -c " +
                 Quote("import json,sys\n"
                       "for l in sys.stdin:\n"
                       "  d=json.loads(l)\n"
                       "  if 'error' in d: print(d['input'], d['error']['code']); continue\n"
                       "  s=d['security']\n"
                       "  print(d['input'], d['pages'], d['encryption'], s['encryption_level']['code'],\n"
                       "        s['encryption_level']['meaning'], s['print']['meaning'], s['rc4_key_bits'],\n"
                       "        json.dumps(d['title']), json.dumps(d['author'], ensure_ascii=False))") +
                 " < " + Quote(Path("lines.jsonl")))
          .output;
  EXPECT_EQ(summary,
            "info.pdf 1 None 11 not applicable allowed at full quality None "
            "\"Say \\\"hi\\\" \\\\ tab\\t nl\\n bell\\u0007\" \"\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC\"\n"
            "aes.pdf 1 Owner 12 128-bit AES allowed at full quality None \"\" \"\"\n"
            "missing.pdf 401\n")
      << run.output;
}

// An encrypted file inspected without a password that opens it fails, saying a password is needed
// (or that the one given fails), and still shows what its encryption dictionary tells.
TEST_F(CliEndToEnd, InspectWithoutThePasswordShowsTheLockedSettings) {
  ASSERT_EQ(Cli("encrypt --level rc4-128 --allow print --open-password-file open.txt --owner-password-file owner.txt "
                "-o rc4.pdf doc.pdf").exitCode, 0);
  WriteFile(Path("wrong.txt"), "wrong\n");
  const auto text = Cli("inspect rc4.pdf");
  EXPECT_EQ(text.exitCode, 1);
  for (const std::string line : {"rc4.pdf: Failed! the file is encrypted and a password is needed to open it\n",
                                 "    Security handler:               Standard\n",
                                 "    Encryption level:               128-bit RC4 (8)\n",
                                 "    User password needed:           yes (3)\n",
                                 "    Owner password needed:          unknown without a password that opens the file (16)\n",
                                 "    Copying:                        not allowed (5)\n",
                                 "    RC4 key length (bits):          128\n", "    Key length (bits):              128\n"}) {
    EXPECT_TRUE(Contains(text.output, line)) << line << text.output;
  }
  const auto wrong = Cli("inspect --password-file wrong.txt rc4.pdf");
  EXPECT_TRUE(Contains(wrong.output, "rc4.pdf: Failed! the file is encrypted and the password opens it neither")) << wrong.output;
  const auto json = Cli("inspect --json rc4.pdf");
  for (const std::string part : {R"("error":{"code":404,"meaning":"the file is encrypted and a password is needed to open it"})",
                                 R"("rc4_key_bits":128,"key_bits":128,"filter":"Standard","perms_agree":null)"}) {
    EXPECT_TRUE(Contains(json.output, part)) << part << "\n" << json.output;
  }
  const auto opened = Cli("inspect --json --password-file open.txt rc4.pdf");
  EXPECT_TRUE(Contains(opened.output, R"("owner_password_needed":{"code":3,)")) << opened.output;
}

// --cleartext-metadata leaves the XMP packet readable; the copies verify. RC4 cannot, and is refused.
TEST_F(CliEndToEnd, CleartextMetadataKeepsTheXMPReadable) {
  WriteFile(Path("pdfa.pdf"), PDFA2BPdf());
  const auto run = Cli("encrypt --cleartext-metadata --open-password-file open.txt -o out.pdf pdfa.pdf");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Contains(ReadFile(Path("out.pdf")), "<pdfaid:part>2</pdfaid:part>"));
  EXPECT_TRUE(Contains(ReadFile(Path("out.pdf")), "/EncryptMetadata false"));
  const auto refused = Cli("encrypt --level rc4-128 --cleartext-metadata --open-password-file open.txt -o rc4.pdf pdfa.pdf");
  EXPECT_EQ(refused.exitCode, 2) << refused.output;
  EXPECT_TRUE(Contains(refused.output, "Keeping metadata readable needs 128 bits AES or 256 bits AES")) << refused.output;
  EXPECT_FALSE(fs::exists(Path("rc4.pdf")));
}

TEST_F(CliEndToEnd, SignedAndPDFAInputsAreReportedAndEncryptedWithAWarning) {
  WriteFile(Path("signed.pdf"), SignedPdf());
  WriteFile(Path("pdfa.pdf"), PDFA2BPdf());

  std::string errors;
  const auto run = CliErrorsApart("encrypt --open-password-file open.txt --output-dir out signed.pdf pdfa.pdf doc.pdf",
                                  errors);
  EXPECT_EQ(run.exitCode, 0) << run.output << errors;
  // The status lines keep their form; the warnings go to standard error.
  EXPECT_EQ(run.output, "signed.pdf: Succeed!\npdfa.pdf: Succeed!\ndoc.pdf: Succeed!\n");
  EXPECT_EQ(errors,
            "ombreltenc-cli: warning: signed.pdf: Signed: encrypting invalidates its signatures\n"
            "ombreltenc-cli: warning: pdfa.pdf: Claims PDF/A-2B: an encrypted copy is no longer PDF/A\n");
  for (const std::string name : {"signed", "pdfa", "doc"}) EXPECT_TRUE(fs::exists(Path("out/" + name + "_Secure.pdf")));

  const std::string text = Cli("inspect signed.pdf pdfa.pdf").output;
  EXPECT_TRUE(Contains(text, "  Signed:                           Yes\n")) << text;
  EXPECT_TRUE(Contains(text, "  PDF/A claim:                      PDF/A-2B\n")) << text;
  EXPECT_TRUE(Contains(text, "  PDF/A claim:                      none\n")) << text;

  const std::string json = Cli("inspect --json signed.pdf pdfa.pdf doc.pdf").output;
  for (const std::string line : {R"("signed":true,"pdfa":null)", R"("signed":false,"pdfa":"PDF/A-2B")",
                                 R"("signed":false,"pdfa":null)"}) {
    EXPECT_TRUE(Contains(json, line)) << line << "\n" << json;
  }
}

// A damaged input whose objects are not where its table says: the copy is complete, and the status
// line says it was repaired and what could not be read, never a silent null.
TEST_F(CliEndToEnd, RepairedCopiesSaySo) {
  pdf::testing::TestPdf pdf = pdf::testing::OnePageDocument();
  pdf.Object(5, "(five)");
  std::string bytes = pdf.Finish("/Root 1 0 R");
  const auto repoint = [&bytes](std::int64_t from, std::int64_t to) {
    const std::string entry = pdf::testing::TestPdf::Entry(from, 0, 'n');
    bytes.replace(bytes.find(entry), entry.size(), pdf::testing::TestPdf::Entry(to, 0, 'n'));
  };
  repoint(pdf.Offset(3), pdf.Offset(2));
  bytes.replace(bytes.find("5 0 obj"), 7, "9 0 obj");
  WriteFile(Path("damaged.pdf"), bytes);
  const auto run = Cli("encrypt --open-password-file open.txt --output-dir out damaged.pdf doc.pdf");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output,
            "damaged.pdf: Succeed! (repaired: 1 object found away from its table offset, 1 unreadable object written as "
            "null)\ndoc.pdf: Succeed!\n");
}

// A download cut short has no table left: it is opened by rebuilding one, and both commands say so.
TEST_F(CliEndToEnd, RebuiltFilesSaySoInTheStatusAndTheInspection) {
  std::string bytes = pdf::testing::OnePageDocument().Finish("/Root 1 0 R");
  bytes.resize(bytes.find("xref"));
  WriteFile(Path("cut.pdf"), bytes);
  const auto run = Cli("encrypt --open-password-file open.txt --output-dir out cut.pdf doc.pdf");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "cut.pdf: Succeed! (repaired: object table rebuilt by scanning the file)\ndoc.pdf: Succeed!\n");
  const auto inspection = Cli("inspect --json cut.pdf doc.pdf");
  EXPECT_NE(inspection.output.find("\"pages\":1,"), std::string::npos) << inspection.output;
  EXPECT_NE(inspection.output.find("\"repaired\":\"object table rebuilt by scanning the file\""), std::string::npos);
  EXPECT_NE(inspection.output.find("\"repaired\":null"), std::string::npos);
}

}  // namespace
}  // namespace cli
