// The server's XML parser as an oracle: the JDK's DocumentBuilderFactory with its defaults (non-validating,
// namespace-unaware, its secure-processing limits), as the server reads its files. One JVM reads many files,
// so that a comparison over thousands of files costs one start-up.
//
// Input (standard input), one file per line: "<mode>\t<path>". Mode "file" parses the file's bytes as the
// server does; mode "windows-1252" parses the characters the bytes are in Windows-1252 (the five bytes that
// code page leaves unassigned as the C1 controls of the same value), which is what the server reads once the
// editor has rewritten such a file in UTF-8.
//
// Output (standard output, UTF-8), per file:
//   #FILE\t<path>
//   ACCEPT | REJECT\t<line>:<column>: <message> | EXTERNAL\t<what it would load>
//   then, for an accepted file, one line per element in document order:
//   <path from the root, names joined by "/", starting with "/">\t<the element's own text>
// An element's own text is the text of its Text and CDATA children, entities expanded, as getTextContent
// gives it for a leaf; backslash, TAB, LF and CR in it are written as \\, \t, \n and \r.
//
// Nothing outside a file is ever read: a parse that would load an external DTD or entity stops there and is
// reported as EXTERNAL.
import java.io.BufferedReader;
import java.io.BufferedWriter;
import java.io.File;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.OutputStream;
import java.io.OutputStreamWriter;
import java.io.PrintStream;
import java.io.StringReader;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayDeque;
import java.util.Deque;
import javax.xml.parsers.DocumentBuilder;
import javax.xml.parsers.DocumentBuilderFactory;
import org.w3c.dom.Document;
import org.w3c.dom.Element;
import org.w3c.dom.Node;
import org.xml.sax.ErrorHandler;
import org.xml.sax.InputSource;
import org.xml.sax.SAXException;
import org.xml.sax.SAXParseException;

public final class JdkOracle {
    private static final class ExternalLoad extends SAXException {
        private static final long serialVersionUID = 1L;

        ExternalLoad(String what) {
            super(what);
        }
    }

    // Windows-1252 bytes 0x80..0x9F; the five unassigned ones keep the C1 code point of the same value.
    private static final char[] CP1252_HIGH = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
        0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

    public static void main(String[] args) throws Exception {
        // The parser prints the stack of some of its own exceptions; the verdicts say all that matters.
        System.setErr(new PrintStream(OutputStream.nullOutputStream()));
        DocumentBuilder builder = DocumentBuilderFactory.newInstance().newDocumentBuilder();
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        Writer out = new BufferedWriter(new OutputStreamWriter(System.out, StandardCharsets.UTF_8), 1 << 16);
        String line;
        while ((line = in.readLine()) != null) {
            int tab = line.indexOf('\t');
            if (tab < 0) continue;
            String mode = line.substring(0, tab);
            String path = line.substring(tab + 1);
            out.write("#FILE\t" + path + "\n");
            // A fresh builder state per file: its error and entity handlers are set again after reset().
            builder.reset();
            builder.setErrorHandler(new ErrorHandler() {
                public void warning(SAXParseException e) {}
                public void error(SAXParseException e) {}
                public void fatalError(SAXParseException e) throws SAXException {
                    throw e;
                }
            });
            builder.setEntityResolver((publicId, systemId) -> {
                throw new ExternalLoad(systemId != null ? systemId : publicId);
            });
            try {
                Document document;
                if (mode.equals("windows-1252")) {
                    InputSource source = new InputSource(new StringReader(windows1252(path)));
                    source.setSystemId(new File(path).toURI().toString());
                    document = builder.parse(source);
                } else {
                    document = builder.parse(new File(path));
                }
                out.write("ACCEPT\n");
                writeElements(document.getDocumentElement(), out);
            } catch (ExternalLoad e) {
                out.write("EXTERNAL\t" + escaped(e.getMessage()) + "\n");
            } catch (SAXParseException e) {
                if (e.getException() instanceof ExternalLoad) {
                    out.write("EXTERNAL\t" + escaped(e.getException().getMessage()) + "\n");
                } else {
                    out.write("REJECT\t" + e.getLineNumber() + ":" + e.getColumnNumber() + ": "
                              + escaped(String.valueOf(e.getMessage())) + "\n");
                }
            } catch (SAXException | IOException | RuntimeException | StackOverflowError e) {
                Throwable cause = e;
                while (cause != null && !(cause instanceof ExternalLoad)) cause = cause.getCause();
                if (cause != null) {
                    out.write("EXTERNAL\t" + escaped(cause.getMessage()) + "\n");
                } else {
                    out.write("REJECT\t0:0: " + escaped(e.toString()) + "\n");
                }
            }
        }
        out.flush();
    }

    private static String windows1252(String path) throws IOException {
        byte[] bytes = Files.readAllBytes(new File(path).toPath());
        StringBuilder text = new StringBuilder(bytes.length);
        for (byte b : bytes) {
            int value = b & 0xFF;
            text.append(value >= 0x80 && value < 0xA0 ? CP1252_HIGH[value - 0x80] : (char) value);
        }
        return text.toString();
    }

    // Walks the elements in document order without recursing, so that no depth of nesting can overflow.
    private static void writeElements(Element root, Writer out) throws IOException {
        Deque<Node> pending = new ArrayDeque<>();
        Deque<String> paths = new ArrayDeque<>();
        pending.push(root);
        paths.push("");
        while (!pending.isEmpty()) {
            Node element = pending.pop();
            String path = paths.pop() + "/" + element.getNodeName();
            StringBuilder own = new StringBuilder();
            Deque<Node> children = new ArrayDeque<>();
            for (Node child = element.getFirstChild(); child != null; child = child.getNextSibling()) {
                short type = child.getNodeType();
                if (type == Node.TEXT_NODE || type == Node.CDATA_SECTION_NODE) {
                    own.append(child.getNodeValue());
                } else if (type == Node.ELEMENT_NODE) {
                    children.push(child);
                }
            }
            out.write(path + "\t" + escaped(own.toString()) + "\n");
            for (Node child : children) {  // last pushed first: popped in document order
                pending.push(child);
                paths.push(path);
            }
        }
    }

    private static String escaped(String text) {
        StringBuilder escaped = new StringBuilder(text.length());
        for (int i = 0; i < text.length(); ++i) {
            char c = text.charAt(i);
            switch (c) {
                case '\\': escaped.append("\\\\"); break;
                case '\t': escaped.append("\\t"); break;
                case '\n': escaped.append("\\n"); break;
                case '\r': escaped.append("\\r"); break;
                default: escaped.append(c);
            }
        }
        return escaped.toString();
    }
}
