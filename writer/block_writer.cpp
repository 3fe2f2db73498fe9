#include "writer/block_writer.h"

#include <cstring>
#include <set>

#include "common/pe_image.h"
#include "common/records.h"
#include "config/config_block.h"
#include "config/embedded_files_format.h"

namespace {

// Bumped when the layout of what follows the header changes.
const int32_t kBlockFormatVersion = 1;

void putInt(std::string &out, uint32_t value) {
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void putBytes(std::string &out, const std::string &bytes) {
    putInt(out, static_cast<uint32_t>(bytes.size()));
    out += bytes;
}

void putUtf16(std::string &out, const std::u16string &text) {
    putInt(out, static_cast<uint32_t>(text.size() * 2));
    for (char16_t unit : text) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    }
}

void putMessages(std::string &out, const MessageList &messages) {
    putInt(out, static_cast<uint32_t>(messages.size()));
    for (const auto &message : messages) {
        putInt(out, static_cast<uint32_t>(message.first));
        putUtf16(out, message.second);
    }
}

void putInt64(std::string &out, uint64_t value) {
    putInt(out, static_cast<uint32_t>(value & 0xFFFFFFFFu));
    putInt(out, static_cast<uint32_t>(value >> 32));
}

// Windows compares file names without regard to case.
std::string lowerAscii(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Names, clashes between them, and records the list would overwrite.
bool checkEmbeddedFiles(const BlockContent &content, std::string *error) {
    std::set<std::string> seen;
    for (const EmbeddedFile &file : content.embeddedFiles) {
        if (!checkEmbeddedFileName(file.name, error))
            return false;
        if (!seen.insert(lowerAscii(file.name)).second) {
            *error = "embedded file name \"" + file.name + "\" is used twice";
            return false;
        }
    }
    for (const auto &record : content.records)
        if (!content.embeddedFiles.empty() && (record.first == record::kEmbeddedFileCount || record.first == record::kEmbeddedFileNames)) {
            *error = "record " + std::to_string(record.first) + " is written from the embedded files; do not set it";
            return false;
        }
    return true;
}

}  // namespace

MessageList defaultMessages() {
    return {
        {message::kErrorCaption, u"Error"},
        {message::kNoJvmFoundAnyBits, u"No JVM could be found on your system.\nPlease define PELLUX_JAVA_HOME\nto point to an installed JDK or JRE."},
        {message::kVariableJvmNotWorkingAnyBits, u"The {0} environment variable does not\npoint to a working JDK or JRE."},
        {message::kJvmDamagedAnyBits, u"The JVM found at {0} is damaged.\nPlease reinstall or define PELLUX_JAVA_HOME\nto point to an installed JDK or JRE."},
        {message::kNoJvmFound64, u"No JVM could be found on your system.\nPlease define PELLUX_JAVA_HOME\nto point to an installed 64-bit JDK or JRE."},
        {message::kJvmNotStarted, u"The JVM could not be started. The maximum heap size (-Xmx) might be too large or an antivirus or "
               u"firewall tool could block the execution."},
        {message::kEntryNotFound, u"File or directory {0} not found or empty\n"},
        {message::kWrongParameterUsage, u"Wrong Parameter Usage"},
        {message::kVariableUndefined, u"The environment variable {0} has to be defined"},
        {message::kInternalError, u"An internal error occurred (error code: {0})"},
        {message::kMainClassNotLoaded, u"Couldn't load main class."},
        {message::kMainMethodNotFound, u"Main method not found."},
        {message::kOkButton, u"Ok"},
        {message::kStartingCaption, u"Starting the application"},
        {message::kStartingText, u"The application is starting. Please wait."},
        {message::kNoTempRoot, u"You must be at least Poweruser to run this program."},
        {message::kNoJvmFound, u"No JVM could be found on your system.\nPlease define PELLUX_JAVA_HOME\nto point to an installed "
               u"{0}-bit JDK or JRE or download a JRE from https://jdk.java.net."},
        {message::kVariableJvmNotWorking, u"The {0} environment variable does not\npoint to a working 32-bit JDK or JRE."},
        {message::kVariableJvmNotWorking64, u"The {0} environment variable does not\npoint to a working 64-bit JDK or JRE."},
        {message::kJvmDamaged, u"The JVM found at {0} is damaged.\nPlease reinstall or define PELLUX_JAVA_HOME\nto point to an installed "
               u"32-bit JDK or JRE."},
        {message::kJvmDamaged64, u"The JVM found at {0} is damaged.\nPlease reinstall or define PELLUX_JAVA_HOME\nto point to an installed "
               u"64-bit JDK or JRE."},
        {message::kUnpackFailed, u"Could not unpack the JVM. Antivirus software is probably interfering."},
        {message::kServiceDescription, u"Runs a Java application as a Windows service."},
    };
}

void setRecord(BlockContent &content, int32_t id, const std::string &value) {
    for (auto &record : content.records)
        if (record.first == id) {
            record.second = value;
            return;
        }
    content.records.emplace_back(id, value);
}

void setMessage(MessageList &messages, int32_t id, const std::u16string &text) {
    for (auto &message : messages)
        if (message.first == id) {
            message.second = text;
            return;
        }
    messages.emplace_back(id, text);
}

std::string serializeConfigBlock(const BlockContent &content) {
    std::string out;
    putInt(out, CONFIG_MAGIC);
    putInt(out, kBlockFormatVersion);
    putInt(out, 0);
    putInt(out, 0);
    putInt(out, 0);
    putInt(out, static_cast<uint32_t>(content.records.size()));
    for (const auto &record : content.records) {
        putInt(out, static_cast<uint32_t>(record.first));
        putBytes(out, record.second);
    }
    putMessages(out, content.messages);
    putInt(out, static_cast<uint32_t>(content.localeGroups.size()));
    for (const LocaleGroup &group : content.localeGroups) {
        putBytes(out, group.name);
        putMessages(out, group.messages);
    }
    return out;
}

// Why the launcher could not extract the name, or null when it can.
static const char *embeddedNameProblem(const std::string &name) {
    size_t backslash = name.find('\\');
    if (!isContainedEmbeddedName(name))
        return "must stay inside the temporary directory (no drive, no leading \\, no \"..\")";
    if (name.find('/') != std::string::npos)
        return "must separate its directory with \\, not /";
    if (name.find(';') != std::string::npos)
        return "must not contain \";\", which separates the names";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || strchr("<>\"|?*", c))
            return "contains a character Windows refuses in file names";
    if (backslash != std::string::npos && name.find('\\', backslash + 1) != std::string::npos)
        return "may have one directory level at most";
    if (name.back() == '\\')
        return "must end with a file name";
    return nullptr;
}

bool checkEmbeddedFileName(const std::string &name, std::string *error) {
    const char *problem = embeddedNameProblem(name);
    if (problem)
        *error = "embedded file name \"" + name + "\" " + problem;
    return problem == nullptr;
}

std::string serializeEmbeddedFiles(const std::vector<EmbeddedFile> &files) {
    std::string out;
    for (const EmbeddedFile &file : files) {
        putInt64(out, file.bytes.size());
        size_t start = out.size();
        out += file.bytes;
        scrambleBytes(reinterpret_cast<unsigned char *>(&out[start]), file.bytes.size());
    }
    return out;
}

bool findEndOfLastSection(const std::string &executable, uint32_t *end, std::string *error) {
    PeHeader header = readPeHeader(executable);
    if (header.status == PeHeaderStatus::NoMzSignature || header.status == PeHeaderStatus::NoHeaderOffset) {
        *error = "not a PE executable (no MZ header)";
        return false;
    }
    if (header.status != PeHeaderStatus::Ok) {
        *error = "not a PE executable (no PE signature)";
        return false;
    }
    PeSections sections = readPeSections(executable, header);
    if (sections.status == PeSectionStatus::NoSections || sections.status == PeSectionStatus::TableOutsideFile) {
        *error = "section table missing or outside the file";
        return false;
    }
    if (sections.status == PeSectionStatus::LastSectionOutsideFile) {
        *error = "last section ends beyond the end of the file";
        return false;
    }
    if (peHasSignature(executable, header)) {
        *error = "is signed; a signature does not survive packing: pack the unsigned launcher, then sign the "
                 "service executable (docs/guide.md, \"Signing\")";
        return false;
    }
    *end = static_cast<uint32_t>(sections.end());
    return true;
}

bool buildConfiguredLauncher(const std::string &stub, const BlockContent &content, std::string *launcher,
                             std::string *error) {
    uint32_t end;
    if (!findEndOfLastSection(stub, &end, error) || !checkEmbeddedFiles(content, error))
        return false;
    BlockContent written = content;
    if (!content.embeddedFiles.empty()) {
        std::string names;
        for (const EmbeddedFile &file : content.embeddedFiles)
            names += file.name + ";";
        setRecord(written, record::kEmbeddedFileCount, std::to_string(content.embeddedFiles.size()));
        setRecord(written, record::kEmbeddedFileNames, names);
    }
    *launcher = stub.substr(0, end) + serializeConfigBlock(written) + serializeEmbeddedFiles(content.embeddedFiles);
    return true;
}

bool utf16FromUtf8(const std::string &text, std::u16string *out) {
    out->clear();
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size())
            return false;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; k++) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 2)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        static const uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            code -= 0x10000;
            out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out->push_back(static_cast<char16_t>(code));
        }
        i += 1 + extra;
    }
    return true;
}
