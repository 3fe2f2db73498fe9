// Text forms shared by the stand-ins and their record reader: record lines,
// settings files and the UTF-8 / UTF-16 conversions JNI strings need. No Win32
// here.
#ifndef PELLUX_STANDINS_STANDIN_FORMAT_H
#define PELLUX_STANDINS_STANDIN_FORMAT_H

#include <map>
#include <optional>
#include <string>
#include <vector>

// A record field; nullopt is written as the escape \N.
typedef std::optional<std::string> RecordField;
typedef std::vector<RecordField> RecordFields;

// Backslash, tab, CR, LF and other control bytes become escapes; the other
// bytes stay as they are.
std::string escapeRecordField(const std::string &bytes);
// The inverse; unknown escapes keep the escaped character.
std::string unescapeRecordField(const std::string &text);

// "<pid>\t<event>\t<fields>...\n"
std::string formatRecordLine(unsigned long processId, const std::string &event,
                             const RecordFields &fields);
// Reads one line without its line end; false when it has no process id or event.
bool parseRecordLine(const std::string &line, unsigned long &processId, std::string &event,
                     RecordFields &fields);

// "key=value" lines; "#" starts a comment line, CR before LF is dropped,
// values are unescaped as record fields are, a repeated key appends "\n" and
// its value.
std::map<std::string, std::string> parseSettings(const std::string &text);
// The setting, or fallback when absent.
std::string settingText(const std::map<std::string, std::string> &settings, const char *key,
                        const std::string &fallback);
// The setting as a decimal or 0x hexadecimal number, or fallback when absent
// or not a number.
long settingNumber(const std::map<std::string, std::string> &settings, const char *key,
                   long fallback);

// What "java -version" of an OpenJDK runtime of the build's word size writes
// for the version; lines end with CR LF as on Windows.
std::string openJdkBanner(const std::string &version);

// Splits at every separator, keeping empty pieces.
std::vector<std::string> splitText(const std::string &text, char separator);

// UTF-16 to UTF-8; a lone surrogate is encoded on its own (3 bytes).
std::string utf16ToUtf8(const std::u16string &text);
// UTF-16 to the modified UTF-8 of JNI: every code unit on its own, U+0000 as
// two bytes.
std::string utf16ToModifiedUtf8(const std::u16string &text);
// Standard or modified UTF-8 to UTF-16; a byte that starts no valid sequence
// becomes U+FFFD.
std::u16string utf8ToUtf16(const std::string &text);

#endif
