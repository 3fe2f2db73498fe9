package org.pellux.maven;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.List;
import java.util.function.UnaryOperator;

import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugin.logging.Log;

/** Finds pellux-pack where the user put it, and runs it. Nothing is ever downloaded. */
final class PackTool {
    private PackTool() {}

    /** The first place configured is the only one looked at, so a typo is never hidden by another pellux-pack. */
    static File locate(File pack, File home, String homeVariable) throws MojoFailureException {
        String name = File.separatorChar == '\\' ? "pellux-pack.exe" : "pellux-pack";
        File tool;
        String from;
        if (pack != null) {
            tool = pack;
            from = "pellux.pack";
        } else if (home != null) {
            tool = new File(new File(home, "bin"), name);
            from = "pellux.home";
        } else if (homeVariable != null && !homeVariable.isEmpty()) {
            tool = new File(new File(homeVariable, "bin"), name);
            from = "the PELLUX_HOME variable";
        } else {
            throw new MojoFailureException("pellux: no pellux-pack: set pellux.pack, pellux.home or the PELLUX_HOME"
                                           + " variable to an extracted pellux release");
        }
        if (!tool.isFile() || !tool.canExecute())
            throw new MojoFailureException("pellux: no pellux-pack at " + tool.getAbsolutePath() + " (from " + from
                                           + ")");
        return tool;
    }

    /** Runs COMMAND in DIRECTORY; a refusal fails the build with pellux-pack's first line, told by TELL. */
    static void run(List<String> command, File directory, Log log, UnaryOperator<String> tell)
        throws IOException, MojoFailureException {
        File out = new File(directory, "pellux-pack.out");
        File err = new File(directory, "pellux-pack.err");
        Process process = new ProcessBuilder(command).directory(directory).redirectOutput(out).redirectError(err)
                                                     .start();
        int status;
        try {
            status = process.waitFor();
        } catch (InterruptedException e) {
            process.destroy();
            Thread.currentThread().interrupt();
            throw new IOException("interrupted");
        }
        for (String line : Files.readAllLines(out.toPath(), StandardCharsets.UTF_8))
            log.info(line);
        List<String> said = Files.readAllLines(err.toPath(), StandardCharsets.UTF_8);
        if (status == 0) {
            for (String line : said)
                log.warn(line);
            return;
        }
        for (String line : said)
            if (!line.trim().isEmpty())
                throw new MojoFailureException(tell.apply(line.trim()));
        throw new MojoFailureException("pellux: " + command.get(0) + " failed with exit code " + status
                                       + " and said nothing");
    }
}
