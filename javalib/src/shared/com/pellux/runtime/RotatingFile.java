package com.pellux.runtime;

import java.io.File;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;
import java.util.Queue;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.locks.ReentrantLock;

/**
 * A redirected output file that is rotated once it has passed its size:
 * name.log becomes name.1.log, name.1.log becomes name.2.log and so on up to
 * the number kept, the oldest being replaced; with none kept the file is
 * emptied in place. Rotation waits for the end of a line, so no line is split
 * between two files, and nothing is buffered here, so nothing is lost when the
 * process ends. A rotation that fails is reported on the other stream and the
 * file simply goes on growing until the next attempt.
 */
final class RotatingFile extends OutputStream {
    /** Where a failed rotation is told: the other output stream. */
    interface Notices {
        void report(String line);
    }

    private final File file;
    private final long maxSize;
    private final int keep;
    private final ReentrantLock lock = new ReentrantLock();
    private final Queue<String> pendingNotices = new ConcurrentLinkedQueue<String>();
    private volatile Notices notices;
    private OutputStream out;
    private long size;
    private long rotateAt;
    private boolean atLineStart = true;

    /** Opens the file; throws what FileOutputStream throws. */
    RotatingFile(File file, boolean append, long maxSize, int keep) throws IOException {
        this.file = file;
        this.maxSize = maxSize;
        this.keep = Math.max(0, keep);
        this.out = OutputFiles.open(file, append);
        this.size = append ? file.length() : 0;
        this.rotateAt = maxSize;
        this.notices = noticesInto(this);
    }

    /** Notices that another rotating file writes at its next line start, without waiting for its lock. */
    static Notices noticesInto(final RotatingFile target) {
        return new Notices() {
            @Override
            public void report(String line) {
                target.pendingNotices.add(line + System.lineSeparator());
                if (target.lock.tryLock()) {
                    try {
                        target.writePendingNotices();
                    } catch (IOException e) {
                        // Left in the queue for the next write.
                    } finally {
                        target.lock.unlock();
                    }
                }
            }
        };
    }

    /** Notices printed on a stream that is not rotated. */
    static Notices noticesOn(final PrintStream stream) {
        return new Notices() {
            @Override
            public void report(String line) {
                stream.println(line);
            }
        };
    }

    void reportTo(Notices other) {
        notices = other;
    }

    @Override
    public void write(int b) throws IOException {
        write(new byte[] {(byte) b}, 0, 1);
    }

    @Override
    public void write(byte[] bytes, int offset, int length) throws IOException {
        lock.lock();
        try {
            while (length > 0) {
                if (atLineStart) {
                    writePendingNotices();
                    if (size >= rotateAt) {
                        rotate();
                    }
                }
                int piece = pieceLength(bytes, offset, length);
                writeToFile(bytes, offset, piece);
                offset += piece;
                length -= piece;
            }
        } finally {
            lock.unlock();
        }
    }

    @Override
    public void close() throws IOException {
        lock.lock();
        try {
            if (out != null) {
                out.close();
                out = null;
            }
        } finally {
            lock.unlock();
        }
    }

    /** The bytes to write before the next chance to rotate: all of them, or through the line end that passes the size. */
    private int pieceLength(byte[] bytes, int offset, int length) {
        long untilLimit = rotateAt - size;
        int from = untilLimit <= 1 ? 0 : (int) Math.min(length, untilLimit - 1);
        for (int i = from; i < length; i++) {
            if (bytes[offset + i] == '\n') {
                return i + 1;
            }
        }
        return length;
    }

    private void writeToFile(byte[] bytes, int offset, int length) throws IOException {
        if (length == 0) {
            return;
        }
        if (out == null) {
            reopen(true);
        }
        out.write(bytes, offset, length);
        size += length;
        atLineStart = bytes[offset + length - 1] == '\n';
    }

    private void writePendingNotices() throws IOException {
        String notice;
        while (atLineStart && (notice = pendingNotices.poll()) != null) {
            byte[] bytes = notice.getBytes(Charset.defaultCharset());
            writeToFile(bytes, 0, bytes.length);
        }
    }

    private void rotate() throws IOException {
        if (out != null) {
            out.close();
            out = null;
        }
        String failure = keep == 0 ? null : shiftFiles();
        if (failure == null) {
            reopen(false);
            rotateAt = maxSize;
            return;
        }
        // The file stays as it is and grows; the next try waits for another full size.
        reopen(true);
        rotateAt = size + maxSize;
        notices.report("Cannot rotate " + file + ": " + failure);
    }

    /** Moves name.(keep-1) to name.keep ... name to name.1; the reason of the first failure, or null. */
    private String shiftFiles() {
        for (int i = keep; i >= 1; i--) {
            File from = i == 1 ? file : numbered(file, i - 1);
            if (i > 1 && !from.exists()) {
                continue;
            }
            try {
                Files.move(from.toPath(), numbered(file, i).toPath(), StandardCopyOption.REPLACE_EXISTING);
            } catch (IOException | SecurityException e) {
                return e.toString();
            }
        }
        return null;
    }

    private void reopen(boolean append) throws IOException {
        out = OutputFiles.open(file, append);
        size = append ? file.length() : 0;
    }

    /** name.log as name.1.log; a name without extension as name.1. */
    static File numbered(File file, int number) {
        String name = file.getName();
        int dot = name.lastIndexOf('.');
        String numberedName = dot > 0
                ? name.substring(0, dot) + "." + number + name.substring(dot)
                : name + "." + number;
        return new File(file.getParentFile(), numberedName);
    }
}
