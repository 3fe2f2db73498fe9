package org.pellux.maven;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * The project file handed to pellux-pack: the user's service.toml, or the keys
 * of the POM's configuration, with the build's jars as the class path unless
 * the user set one. It is written under target/, so the user's relative
 * [[file]] and [[embed]] sources are made absolute.
 */
final class ServiceProject {
    private static final Pattern TABLE = Pattern.compile("^\\s*\\[\\[?\\s*([^\\]]+?)\\s*\\]\\]?\\s*(#.*)?$");
    private static final Pattern SOURCE = Pattern.compile("^(\\s*source\\s*=\\s*)(\"((?:[^\"\\\\]|\\\\.)*)\"|'([^']*)')(.*)$");
    private static final Pattern PLAIN_VALUE = Pattern.compile("true|false|[+-]?[0-9][0-9_]*|[\\[{\"'].*",
                                                              Pattern.DOTALL);
    private static final Pattern KEY = Pattern.compile("[A-Za-z0-9_-]+(\\.[A-Za-z0-9_-]+)*");

    final String text;
    /** The main class the project names, without a module; null when it names none. */
    final String mainClass;
    /** Whether the class path is the build's jars (and not one the user set). */
    final boolean ownClassPath;
    /** The line of text that the user's file does not have, 0 for none. */
    private final int addedLine;

    private ServiceProject(String text, String mainClass, boolean ownClassPath, int addedLine) {
        this.text = text;
        this.mainClass = mainClass;
        this.ownClassPath = ownClassPath;
        this.addedLine = addedLine;
    }

    static ServiceProject fromToml(String userText, Path baseDir, List<String> classPath) {
        List<String> lines = new ArrayList<>();
        String table = "";
        int javaHeader = -1;
        boolean userClassPath = false;
        String mainClass = null;
        for (String line : userText.split("\r?\n", -1)) {
            Matcher header = TABLE.matcher(line);
            if (header.matches()) {
                table = header.group(1);
                if (table.equals("java") && !line.trim().startsWith("[["))
                    javaHeader = lines.size();
            }
            String key = keyOf(line, table);
            if (key.equals("java.class_path"))
                userClassPath = true;
            if (key.equals("java.main_class"))
                mainClass = unquoted(line.substring(line.indexOf('=') + 1).replaceFirst("\\s+#.*$", ""));
            Matcher source = SOURCE.matcher(line);
            if ((table.equals("file") || table.equals("embed")) && source.matches()) {
                String path = source.group(3) != null ? source.group(3).replace("\\\\", "\\").replace("\\\"", "\"")
                                                      : source.group(4);
                line = source.group(1) + tomlString(baseDir.resolve(path).toString()) + source.group(5);
            }
            lines.add(line);
        }
        int added = 0;
        if (!userClassPath) {
            String value = tomlArray(classPath);
            if (javaHeader >= 0) {
                lines.add(javaHeader + 1, "class_path = " + value);
                added = javaHeader + 2;
            } else {
                lines.add(0, "java.class_path = " + value);
                added = 1;
            }
        }
        return new ServiceProject(String.join("\n", lines), withoutModule(mainClass), !userClassPath, added);
    }

    /** Keys such as service.name and java.main_class, values as in TOML or a bare text. */
    static ServiceProject fromKeys(Map<String, String> keys, List<String> classPath) {
        Map<String, String> sorted = new TreeMap<>(keys);
        boolean userClassPath = sorted.containsKey("java.class_path");
        if (!userClassPath)
            sorted.put("java.class_path", tomlArray(classPath));
        StringBuilder text = new StringBuilder("# Written by the pellux Maven plugin from the POM's <settings>.\n");
        for (Map.Entry<String, String> entry : sorted.entrySet()) {
            if (!KEY.matcher(entry.getKey()).matches())
                throw new IllegalArgumentException("<settings> key '" + entry.getKey()
                                                   + "' is no key of the project file (such as service.name)");
            String value = entry.getValue() == null ? "" : entry.getValue();
            String rendered = entry.getKey().equals("java.class_path") && !userClassPath ? value : tomlValue(value);
            text.append(entry.getKey()).append(" = ").append(rendered).append('\n');
        }
        String mainClass = sorted.containsKey("java.main_class") ? unquoted(sorted.get("java.main_class")) : null;
        return new ServiceProject(text.toString(), withoutModule(mainClass), !userClassPath, 0);
    }

    /** pellux-pack's message about the written file, told about the user's file and its lines instead. */
    String toUserFile(String message, String writtenPath, String userPath) {
        Matcher at = Pattern.compile(Pattern.quote(writtenPath) + ":(\\d+)").matcher(message);
        StringBuffer told = new StringBuffer();
        while (at.find()) {
            int line = Integer.parseInt(at.group(1));
            String place = line == addedLine ? writtenPath + ":" + line
                                             : userPath + ":" + (addedLine > 0 && line > addedLine ? line - 1 : line);
            at.appendReplacement(told, Matcher.quoteReplacement(place));
        }
        at.appendTail(told);
        return told.toString().replace(writtenPath, userPath);
    }

    /** A value of the POM as TOML: booleans, integers, arrays, tables and quoted texts as written, else a text. */
    static String tomlValue(String value) {
        String trimmed = value.trim();
        return PLAIN_VALUE.matcher(trimmed).matches() ? trimmed : tomlString(value);
    }

    static String tomlString(String text) {
        StringBuilder quoted = new StringBuilder("\"");
        for (char c : text.toCharArray()) {
            if (c == '"' || c == '\\')
                quoted.append('\\').append(c);
            else if (c < 0x20 || c == 0x7f)
                quoted.append(String.format("\\u%04x", (int) c));
            else
                quoted.append(c);
        }
        return quoted.append('"').toString();
    }

    private static String tomlArray(List<String> texts) {
        List<String> quoted = new ArrayList<>();
        for (String text : texts)
            quoted.add(tomlString(text));
        return "[" + String.join(", ", quoted) + "]";
    }

    /** The dotted key a line sets within TABLE, or "" when it sets none. */
    private static String keyOf(String line, String table) {
        Matcher key = Pattern.compile("^\\s*([A-Za-z0-9_.-]+)\\s*=").matcher(line);
        if (!key.find())
            return "";
        return table.isEmpty() ? key.group(1) : table + "." + key.group(1);
    }

    private static String unquoted(String value) {
        String trimmed = value.trim();
        if (trimmed.length() >= 2 && (trimmed.startsWith("\"") && trimmed.endsWith("\"")
                                      || trimmed.startsWith("'") && trimmed.endsWith("'")))
            return trimmed.substring(1, trimmed.length() - 1);
        return trimmed;
    }

    private static String withoutModule(String mainClass) {
        return mainClass == null ? null : mainClass.substring(mainClass.indexOf('/') + 1);
    }
}
