package com.pellux.runtime;

import java.io.File;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.NoSuchFileException;
import java.nio.file.OpenOption;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.BasicFileAttributes;

/**
 * Opens a redirected output file. With the launcher's property set, a link,
 * junction or other reparse point on the file's path, or a file with more
 * than one name, is refused: a user who may create files in the folder could
 * otherwise have the service write, truncate or rename over a file of the
 * user's choice.
 */
final class OutputFiles {
    static final String NO_LINKS_PROPERTY = "pellux.output.noLinks";

    private OutputFiles() {
    }

    static boolean refusingLinks() {
        return "true".equals(System.getProperty(NO_LINKS_PROPERTY));
    }

    /** Unbuffered; throws with the reason when the file is refused or cannot be opened. */
    static OutputStream open(File file, boolean append) throws IOException {
        if (!refusingLinks()) {
            return new java.io.FileOutputStream(file, append);
        }
        String refusal = linkOnPath(file);
        if (refusal != null) {
            throw new IOException(refusal);
        }
        OpenOption[] options = {StandardOpenOption.CREATE, StandardOpenOption.WRITE,
            append ? StandardOpenOption.APPEND : StandardOpenOption.TRUNCATE_EXISTING, LinkOption.NOFOLLOW_LINKS};
        return Files.newOutputStream(file.toPath(), options);
    }

    /** Why the file must not be opened, or null. */
    static String linkOnPath(File file) {
        for (File path = file; path != null; path = path.getParentFile()) {
            BasicFileAttributes attributes;
            try {
                attributes = Files.readAttributes(path.toPath(), BasicFileAttributes.class, LinkOption.NOFOLLOW_LINKS);
            } catch (NoSuchFileException e) {
                continue;
            } catch (IOException | SecurityException e) {
                return "cannot check " + path + ": " + e;
            }
            if (attributes.isSymbolicLink() || attributes.isOther()) {
                return path + " is a link or junction; write to a folder without one";
            }
        }
        if (linkCount(file) > 1) {
            return file + " has more than one name (a hard link); remove the other names";
        }
        return null;
    }

    /** 1 where the system does not tell. */
    private static int linkCount(File file) {
        try {
            Object count = Files.getAttribute(file.toPath(), "unix:nlink", LinkOption.NOFOLLOW_LINKS);
            return count instanceof Integer ? (Integer) count : 1;
        } catch (IOException | UnsupportedOperationException | IllegalArgumentException | SecurityException e) {
            return 1;
        }
    }
}
