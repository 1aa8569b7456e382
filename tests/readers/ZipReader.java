// A ZIP reader of the archive checks: java.util.zip reads every entry back and lists it.
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.util.Enumeration;
import java.util.zip.CRC32;
import java.util.zip.ZipEntry;
import java.util.zip.ZipFile;
import java.util.zip.ZipInputStream;

public final class ZipReader {
    private static final byte[] buffer = new byte[1 << 20];

    // "file PATH" reads through the central directory (ZipFile), "stream" reads standard input front to
    // back by its local headers (ZipInputStream).
    public static void main(String[] args) throws IOException {
        if (args[0].equals("file")) {
            try (ZipFile archive = new ZipFile(args[1])) {
                for (Enumeration<? extends ZipEntry> e = archive.entries(); e.hasMoreElements();) {
                    ZipEntry entry = e.nextElement();
                    try (InputStream data = archive.getInputStream(entry)) {
                        print(entry, data);
                    }
                }
            }
        } else {
            // ZipInputStream checks the size and CRC-32 of each entry against its headers.
            try (ZipInputStream archive = new ZipInputStream(System.in)) {
                for (ZipEntry entry; (entry = archive.getNextEntry()) != null;)
                    print(entry, archive);
            }
        }
    }

    // Reads the entry's bytes and prints its line: the name's UTF-8 bytes in hex, the size and the
    // CRC-32 of the bytes read; a size or CRC-32 other than its headers' ends the run.
    private static void print(ZipEntry entry, InputStream data) throws IOException {
        CRC32 crc = new CRC32();
        long size = 0;
        for (int got; (got = data.read(buffer)) > 0; size += got)
            crc.update(buffer, 0, got);
        if (entry.getSize() != -1 && entry.getSize() != size)
            fail(entry, size + " bytes read, " + entry.getSize() + " declared");
        if (entry.getCrc() != -1 && entry.getCrc() != crc.getValue())
            fail(entry, String.format("CRC-32 %08x read, %08x declared", crc.getValue(), entry.getCrc()));
        StringBuilder name = new StringBuilder();
        for (byte b : entry.getName().getBytes(StandardCharsets.UTF_8))
            name.append(String.format("%02x", b));
        System.out.printf("%s %d %08x%n", name, size, crc.getValue());
    }

    private static void fail(ZipEntry entry, String why) {
        System.err.println(entry.getName() + ": " + why);
        System.exit(1);
    }
}
