package com.pellux.runtime;

/** The splash text settings of the launcher's configuration, as passed to the VM. */
public final class SplashSettings {
    /** One line of text drawn over the splash image. */
    public static final class TextLine {
        private final String text;
        private final int x;
        private final int y;
        private final String colour;
        private final int fontSize;
        private final int fontWeight;

        TextLine(String text, int x, int y, String colour, int fontSize, int fontWeight) {
            this.text = text == null ? "" : text;
            this.x = x;
            this.y = y;
            this.colour = colour == null ? "" : colour;
            this.fontSize = fontSize;
            this.fontWeight = fontWeight;
        }

        public String getText() {
            return text;
        }

        public int getX() {
            return x;
        }

        public int getY() {
            return y;
        }

        /** Three decimal numbers separated by commas: red, green, blue. */
        public String getColour() {
            return colour;
        }

        public int getFontSize() {
            return fontSize;
        }

        public int getFontWeight() {
            return fontWeight;
        }
    }

    private final boolean configured;
    private final boolean textsEnabled;
    private final TextLine statusLine;
    private final TextLine versionLine;

    SplashSettings(boolean configured, boolean textsEnabled, TextLine statusLine,
            TextLine versionLine) {
        this.configured = configured;
        this.textsEnabled = textsEnabled;
        this.statusLine = statusLine;
        this.versionLine = versionLine;
    }

    public boolean isConfigured() {
        return configured;
    }

    public boolean isTextsEnabled() {
        return textsEnabled;
    }

    public TextLine getStatusLine() {
        return statusLine;
    }

    public TextLine getVersionLine() {
        return versionLine;
    }
}
