package com.pellux.runtime;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;

/** Where the build put the jars and test applications, and small file helpers. */
final class TestFiles {
    static final File PELLUX_JAR = fileProperty("pellux.test.pelluxJar");
    static final File ZANTHOR_JAR = fileProperty("pellux.test.zanthorJar");
    static final File APP_CLASSES = fileProperty("pellux.test.appClasses");
    static final File APP_MODULE_JAR = fileProperty("pellux.test.appModuleJar");

    private TestFiles() {
    }

    static String read(File file) throws IOException {
        return new String(Files.readAllBytes(file.toPath()), StandardCharsets.UTF_8);
    }

    static void write(File file, String text) throws IOException {
        Files.write(file.toPath(), text.getBytes(StandardCharsets.UTF_8));
    }

    private static File fileProperty(String name) {
        String value = System.getProperty(name);
        if (value == null) {
            throw new IllegalStateException("system property " + name + " not set by the build");
        }
        return new File(value);
    }
}
