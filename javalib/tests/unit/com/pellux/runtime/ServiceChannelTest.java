package com.pellux.runtime;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import org.junit.Test;

/** The lines the VM sends the service host, and the report it answers with. */
public class ServiceChannelTest {
    private static final String MARK = "\u001epellux ";

    @Test
    public void propertyNamesTheTokenAndThePingInterval() {
        assertNull(ServiceChannel.parse(null, new ByteArrayOutputStream()));
        assertNull(ServiceChannel.parse(",300", new ByteArrayOutputStream()));
        assertEquals(300, ServiceChannel.pingIntervalOf("abc,300"));
        assertEquals(0, ServiceChannel.pingIntervalOf("abc"));
        assertEquals(0, ServiceChannel.pingIntervalOf("abc,soon"));
    }

    @Test
    public void reportAnswersEveryLineWithTheTokenAndNamesThisThreadsFrame() {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ServiceChannel channel = ServiceChannel.parse("t0k,0", out);
        channel.runCommand("report");
        channel.sendReport(new String(new char[5000]).replace('\0', 'x'));
        String[] lines = new String(out.toByteArray(), StandardCharsets.UTF_8).split("\n");
        boolean namesThisFrame = false;
        int ends = 0;
        for (String line : lines) {
            if (line.isEmpty()) {
                continue;
            }
            assertTrue(line, line.startsWith(MARK + "t0k report"));
            assertTrue(line, line.length() <= MARK.length() + "t0k report ".length() + 1000);
            namesThisFrame |= line.contains("ServiceChannelTest.reportAnswersEveryLine");
            ends += line.equals(MARK + "t0k report-end") ? 1 : 0;
        }
        assertTrue(namesThisFrame);
        assertEquals(2, ends);
    }
}
