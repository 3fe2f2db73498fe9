package com.pellux.runtime;

import static org.junit.Assert.assertFalse;
import static org.junit.Assert.assertTrue;

import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.PipedInputStream;
import java.io.PipedOutputStream;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.atomic.AtomicBoolean;
import org.junit.Test;

public class StopRequestWatcherTest {
    private static boolean watch(String input) {
        return StopRequestWatcher.awaitStopRequest(
                new ByteArrayInputStream(input.getBytes(StandardCharsets.US_ASCII)));
    }

    @Test
    public void stopLineEndsTheWatchAfterOtherLines() {
        assertTrue(watch("0\n"));
        assertTrue(watch("0\r\n"));
        assertTrue(watch("1\nstop\n00\n\n0\n"));
    }

    @Test
    public void endOfInputEndsTheWatchToo() {
        assertFalse(watch(""));
        assertFalse(watch("1\n"));
        assertFalse(watch("0"));
        // An overlong line is skipped without being kept, whatever it ends with.
        assertFalse(watch(new String(new char[100]).replace('\0', ' ') + "0\n"));
    }

    @Test
    public void readErrorCountsAsEndOfInput() {
        assertFalse(StopRequestWatcher.awaitStopRequest(new InputStream() {
            @Override
            public int read() throws IOException {
                throw new IOException("pipe broken");
            }
        }));
    }

    @Test(timeout = 5000)
    public void watchWaitsWhileTheInputStaysOpen() throws Exception {
        PipedOutputStream host = new PipedOutputStream();
        final PipedInputStream input = new PipedInputStream(host);
        final AtomicBoolean stopped = new AtomicBoolean();
        Thread watcher = new Thread(() -> stopped.set(StopRequestWatcher.awaitStopRequest(input)));
        watcher.start();
        host.write("1\n".getBytes(StandardCharsets.US_ASCII));
        host.flush();
        watcher.join(200);
        assertTrue("watch ended before the stop line", watcher.isAlive());
        host.write("0\n".getBytes(StandardCharsets.US_ASCII));
        host.flush();
        watcher.join(4000);
        assertFalse(watcher.isAlive());
        assertTrue(stopped.get());
    }
}
