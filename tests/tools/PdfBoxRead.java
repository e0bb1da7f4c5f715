// PDFBox as an independent reader for the test scripts: opens PDF files with a password and reports
// what it finds, one line per file, so that one Java start-up serves a whole campaign.
//
// Input (stdin), one request a line: PATH TAB PASSWORD (the password as UTF-8 text, as a user types
// it; the tab may be left out for no password).
// Output (stdout), one line per request, in order:
//   open TAB PAGES TAB SHA256-OF-TEXT   the file opened; the digest is of the UTF-8 text PDFBox
//                                        extracts from every page
//   refused                             the password was not accepted
//   error TAB MESSAGE                   the file could not be read for another reason
// Exit status: 0 every request answered, 2 usage.

import java.io.BufferedReader;
import java.io.File;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.util.HexFormat;

import org.apache.pdfbox.pdmodel.PDDocument;
import org.apache.pdfbox.pdmodel.encryption.InvalidPasswordException;
import org.apache.pdfbox.text.PDFTextStripper;

public final class PdfBoxRead {
    private PdfBoxRead() {}

    public static void main(String[] args) throws Exception {
        if (args.length != 0) {
            System.err.println("usage: java PdfBoxRead < requests (PATH<TAB>PASSWORD per line)");
            System.exit(2);
        }
        // PDFBox logs recoverable damage through commons-logging; the answers go to stdout alone.
        System.setProperty("org.apache.commons.logging.Log", "org.apache.commons.logging.impl.NoOpLog");
        PrintStream out = new PrintStream(System.out, true, StandardCharsets.UTF_8);
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        for (String line = in.readLine(); line != null; line = in.readLine()) {
            int tab = line.indexOf('\t');
            String path = tab < 0 ? line : line.substring(0, tab);
            String password = tab < 0 ? "" : line.substring(tab + 1);
            out.println(answer(path, password));
        }
    }

    private static String answer(String path, String password) {
        try (PDDocument document = PDDocument.load(new File(path), password)) {
            String text = new PDFTextStripper().getText(document);
            return "open\t" + document.getNumberOfPages() + "\t" + sha256(text);
        } catch (InvalidPasswordException refused) {
            return "refused";
        } catch (Exception | StackOverflowError failure) {
            return "error\t" + oneLine(String.valueOf(failure));
        }
    }

    private static String sha256(String text) throws Exception {
        MessageDigest digest = MessageDigest.getInstance("SHA-256");
        return HexFormat.of().formatHex(digest.digest(text.getBytes(StandardCharsets.UTF_8)));
    }

    private static String oneLine(String text) {
        return text.replace('\n', ' ').replace('\r', ' ').replace('\t', ' ');
    }
}
