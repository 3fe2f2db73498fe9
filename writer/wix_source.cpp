#include "writer/wix_source.h"

#include <cstdint>
#include <map>
#include <set>

const char kKeptDefaultsFolder[] = ".defaults";
const char kKeptDuringUpgradeFolder[] = ".upgrade";

namespace {

uint32_t rotateLeft(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

void sha1Block(const unsigned char *block, uint32_t state[5]) {
    uint32_t words[80];
    for (int i = 0; i < 16; i++)
        words[i] = static_cast<uint32_t>(block[4 * i]) << 24 | static_cast<uint32_t>(block[4 * i + 1]) << 16 |
                   static_cast<uint32_t>(block[4 * i + 2]) << 8 | block[4 * i + 3];
    for (int i = 16; i < 80; i++)
        words[i] = rotateLeft(words[i - 3] ^ words[i - 8] ^ words[i - 14] ^ words[i - 16], 1);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; i++) {
        uint32_t mix, constant;
        if (i < 20) {
            mix = (b & c) | (~b & d);
            constant = 0x5A827999;
        } else if (i < 40) {
            mix = b ^ c ^ d;
            constant = 0x6ED9EBA1;
        } else if (i < 60) {
            mix = (b & c) | (b & d) | (c & d);
            constant = 0x8F1BBCDC;
        } else {
            mix = b ^ c ^ d;
            constant = 0xCA62C1D6;
        }
        uint32_t next = rotateLeft(a, 5) + mix + e + constant + words[i];
        e = d;
        d = c;
        c = rotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The 16 bytes of a normalized GUID, in the order it is written.
std::string guidBytes(const std::string &guid) {
    std::string bytes;
    for (size_t i = 0; i + 1 < guid.size(); i++)
        if (hexValue(guid[i]) >= 0 && hexValue(guid[i + 1]) >= 0) {
            bytes += static_cast<char>(hexValue(guid[i]) * 16 + hexValue(guid[i + 1]));
            i++;
        }
    return bytes;
}

std::string guidText(const std::string &bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "{";
    for (size_t i = 0; i < 16; i++) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text + "}";
}

std::string lowerAscii(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string windowsPath(std::string path) {
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string nameOf(const std::string &path) { return path.substr(path.rfind('/') + 1); }

std::string quoted(const std::string &text) { return "&quot;" + xmlEscaped(text) + "&quot;"; }

// One file as installed: where it lies below the install folder and where
// it comes from in the service folder.
struct InstalledFile {
    std::string path;
    std::string source;
};

class SourceWriter {
public:
    explicit SourceWriter(const MsiPackage &package) : package_(package) {
        for (const std::string &file : package.files) {
            bool kept = false;
            for (const std::string &keptFile : package.keptFiles)
                kept = kept || keptFile == file;
            std::string path = kept ? std::string(kKeptDefaultsFolder) + "/" + file : file;
            files_.push_back(InstalledFile{path, file});
            for (std::string folder = folderOf(path); !folder.empty(); folder = folderOf(folder))
                folders_.insert(folder);
        }
    }

    std::string write() {
        const MsiPackage &p = package_;
        const char *arch = p.win64 ? "x64" : "x86";
        text_ = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                "<!-- The Windows Installer package of a service, written by pellux-pack.\n"
                "     Built from the service folder pellux-pack writes (sign its executable\n"
                "     first), with wixl or with WiX 3:\n"
                "       wixl -a " + std::string(arch) + " -D ServiceFolder=DIR -o SERVICE.msi THIS.wxs\n" +
                corrections() +
                "       candle -arch " + arch + " -dServiceFolder=DIR THIS.wxs, then light -->\n"
                "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n";
        text_ += "  <Product Id=\"" + productCodeOf(p) + "\" Name=\"" + xmlEscaped(p.serviceName) +
                 "\" Language=\"1033\" Version=\"" + p.version + "\" Manufacturer=\"" + xmlEscaped(p.manufacturer) +
                 "\" UpgradeCode=\"" + p.upgradeCode + "\">\n";
        text_ += "    <Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"perMachine\" Platform=\"" +
                 std::string(arch) + "\" Description=\"" + xmlEscaped(p.serviceName) + " service\"/>\n";
        text_ += "    <MajorUpgrade DowngradeErrorMessage=\"A newer version of " + xmlEscaped(p.serviceName) +
                 " is already installed.\"/>\n"
                 "    <Media Id=\"1\" Cabinet=\"service.cab\" EmbedCab=\"yes\"/>\n"
                 "    <Property Id=\"ARPNOMODIFY\" Value=\"1\"/>\n"
                 "    <Property Id=\"REMOVE_LOGS\" Secure=\"yes\"/>\n"
                 "    <Property Id=\"INSTALLDIR\" Secure=\"yes\">\n"
                 "      <RegistrySearch Id=\"RememberedInstallDir\" Root=\"HKLM\" Key=\"" + rememberedKey() +
                 "\" Name=\"InstallDir\" Type=\"raw\"" + (p.win64 ? " Win64=\"yes\"" : "") + "/>\n"
                 "    </Property>\n"
                 "    <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n"
                 "      <Directory Id=\"" + p.installBase + "\">\n";
        std::string indent = "        ";
        for (size_t i = 0; i + 1 < p.installPath.size(); i++) {
            text_ += indent + "<Directory Id=\"Base" + std::to_string(i + 1) + "\" Name=\"" +
                     xmlEscaped(p.installPath[i]) + "\">\n";
            indent += "  ";
        }
        text_ += indent + "<Directory Id=\"INSTALLDIR\" Name=\"" + xmlEscaped(p.installPath.back()) + "\">\n";
        writeFolder("", indent + "  ");
        text_ += indent + "</Directory>\n";
        for (size_t i = 0; i + 1 < p.installPath.size(); i++) {
            indent.resize(indent.size() - 2);
            text_ += indent + "</Directory>\n";
        }
        text_ += "      </Directory>\n    </Directory>\n    <Feature Id=\"Service\" Level=\"1\">\n";
        for (size_t i = 0; i < files_.size(); i++)
            text_ += "      <ComponentRef Id=\"" + componentId(i) + "\"/>\n";
        text_ += "    </Feature>\n";
        writeActions();
        text_ += "  </Product>\n</Wix>\n";
        return text_;
    }

private:
    // wixl's package needs them; WiX writes the rows so itself.
    std::string corrections() const {
        std::string text = "       msibuild SERVICE.msi";
        for (const std::string &query : packageCorrections(package_))
            text += " -q \"" + query + "\"";
        return text + "\n";
    }

    // Where the install folder is remembered: repair, upgrade and removal
    // find the files where an INSTALLDIR given at install put them.
    std::string rememberedKey() const { return "SOFTWARE\\pellux\\" + xmlEscaped(package_.serviceName); }

    std::string componentId(size_t index) const { return "Component" + std::to_string(index + 1); }

    std::string fileId(size_t index) const {
        return files_[index].source == package_.executable && files_[index].path == package_.executable
                   ? "Executable"
                   : "File" + std::to_string(index + 1);
    }

    std::string folderId(const std::string &folder) {
        auto known = folderIds_.find(folder);
        if (known != folderIds_.end())
            return known->second;
        return folderIds_[folder] = "Folder" + std::to_string(folderIds_.size() + 1);
    }

    void writeFolder(const std::string &folder, const std::string &indent) {
        for (size_t i = 0; i < files_.size(); i++) {
            if (folderOf(files_[i].path) != folder)
                continue;
            std::string guid = nameBasedGuid(package_.upgradeCode, std::string("component:") +
                                                                       (package_.win64 ? "x64:" : "x86:") +
                                                                       lowerAscii(files_[i].path));
            text_ += indent + "<Component Id=\"" + componentId(i) + "\" Guid=\"" + guid + "\"" +
                     (package_.win64 ? " Win64=\"yes\"" : "") + ">\n";
            text_ += indent + "  <File Id=\"" + fileId(i) + "\" Name=\"" + xmlEscaped(nameOf(files_[i].path)) +
                     "\" Source=\"$(var.ServiceFolder)/" + xmlEscaped(files_[i].source) + "\" KeyPath=\"yes\"/>\n";
            if (fileId(i) == "Executable")
                text_ += indent + "  <RegistryValue Root=\"HKLM\" Key=\"" + rememberedKey() +
                         "\" Name=\"InstallDir\" Type=\"string\" Value=\"[INSTALLDIR]\"/>\n";
            text_ += indent + "</Component>\n";
        }
        for (const std::string &child : folders_) {
            if (folderOf(child) != folder)
                continue;
            text_ += indent + "<Directory Id=\"" + folderId(child) + "\" Name=\"" + xmlEscaped(nameOf(child)) + "\">\n";
            writeFolder(child, indent + "  ");
            text_ += indent + "</Directory>\n";
        }
    }

    void action(const std::string &id, const std::string &attributes) {
        text_ += "    <CustomAction Id=\"" + id + "\" " + attributes + "/>\n";
    }

    void deferred(const std::string &id, const std::string &command, const char *execute, const char *onFailure) {
        action(id, command + " Execute=\"" + execute + "\" Impersonate=\"no\" Return=\"" + onFailure + "\"");
    }

    // The installed executable, with one of its commands.
    std::string launcher(const char *command) { return "FileKey=\"Executable\" ExeCommand=\"" + std::string(command) + "\""; }

    std::string commandProcessor(const std::string &arguments) {
        return "Property=\"COMMANDPROCESSOR\" ExeCommand=\"/c " + arguments + "\"";
    }

    std::string keptPath(const std::string &file) { return "[INSTALLDIR]" + windowsPath(file); }

    // Kept files: saved before an upgrade removes the older version (Wine's
    // removal is told no upgrade is going on), put back or installed from
    // their first copy after the files, removed only by a real uninstall.
    void writeKeptFileActions() {
        std::string remove, save, place;
        for (const std::string &file : package_.keptFiles) {
            std::string kept = quoted(keptPath(file));
            std::string saved = quoted(keptPath(std::string(kKeptDuringUpgradeFolder) + "/" + file));
            std::string first = quoted(keptPath(std::string(kKeptDefaultsFolder) + "/" + file));
            remove += " " + kept;
            save += "(mkdir " + quoted(keptPath(folderOf(kKeptDuringUpgradeFolder + ("/" + file)))) +
                    " &amp; copy /y " + kept + " " + saved + ") &amp; ";
            place += "(if exist " + saved + " move /y " + saved + " " + kept + ") &amp; (if not exist " + kept +
                     " copy /y " + first + " " + kept + ") &amp; ";
        }
        std::string upgradeFolder = quoted(keptPath(kKeptDuringUpgradeFolder));
        place += "(if exist " + upgradeFolder + " rmdir /s /q " + upgradeFolder + ")";
        deferred("RemoveKeptFiles", commandProcessor("del /f /q" + remove), "deferred", "ignore");
        deferred("RemoveNewKeptFiles", commandProcessor("del /f /q" + remove), "rollback", "ignore");
        action("SaveKeptFiles", commandProcessor(save + "exit 0") + " Execute=\"immediate\" Return=\"ignore\"");
        deferred("PlaceKeptFiles", commandProcessor(place), "deferred", "ignore");
    }

    // The stopped service's last process may still hold its logs open for a
    // moment; ping is the pause every command processor has.
    void writeLogRemoval() {
        std::string logs = quoted("[INSTALLDIR]var");
        deferred("RemoveLogs",
                 commandProcessor("rmdir /s /q " + logs + " &amp; if exist " + logs + " ping -n 3 127.0.0.1 &gt;nul " +
                                  "&amp; rmdir /s /q " + logs + " &amp; if exist " + logs +
                                  " ping -n 8 127.0.0.1 &gt;nul &amp; rmdir /s /q " + logs),
                 "deferred", "ignore");
    }

    // A service started by hand is started again after an upgrade when it
    // ran before. /status ends with 0 only when it runs; Wine's command
    // processor runs what follows "&&" regardless, "if errorlevel" it gets right.
    void writeRestartActions() {
        std::string exe = quoted(keptPath(package_.executable)), ran = quoted(keptPath(".running"));
        action("NoteRunningService",
               commandProcessor("call " + exe + " /status &gt;nul &amp; if not errorlevel 1 echo running&gt;" + ran) +
                   " Execute=\"immediate\" Return=\"ignore\"");
        deferred("RestartService", commandProcessor("if exist " + ran + " (del " + ran + " &amp; call " + exe + " /start)"),
                 "deferred", "check");
    }

    void writeActions() {
        const MsiPackage &p = package_;
        action("FindCommandProcessor",
               std::string("Property=\"COMMANDPROCESSOR\" Value=\"[") + (p.win64 ? "System64Folder" : "SystemFolder") +
                   "]cmd.exe\"");
        deferred("RemoveService", launcher("/uninstall"), "deferred", "ignore");
        writeLogRemoval();
        if (!p.keptFiles.empty())
            writeKeptFileActions();
        deferred("RegisterService", launcher("/install"), "deferred", "check");
        deferred("UnregisterNewService", launcher("/uninstall"), "rollback", "ignore");
        if (p.autoStart)
            deferred("StartNewService", launcher("/start"), "deferred", "check");
        else
            writeRestartActions();
        writeSequence();
    }

    // Explicit places: the standard actions' numbers, around InstallFiles
    // (4000) and before RegisterProduct (6100). The rollback actions follow
    // what they undo, so a failed /install never removes another program's
    // service of the same name.
    void writeSequence() {
        const MsiPackage &p = package_;
        text_ += "    <InstallExecuteSequence>\n";
        sequence("FindCommandProcessor", 1001, "");
        sequence("RemoveService", 1910, "REMOVE~=\"ALL\"");
        sequence("RemoveLogs", 3401, "REMOVE~=\"ALL\" AND REMOVE_LOGS=1");
        if (!p.keptFiles.empty()) {
            sequence("SaveKeptFiles", 1300, "WIX_UPGRADE_DETECTED AND NOT REMOVE~=\"ALL\"");
            sequence("RemoveKeptFiles", 3402, "REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE");
            sequence("RemoveNewKeptFiles", 5829, "NOT Installed AND NOT WIX_UPGRADE_DETECTED");
            sequence("PlaceKeptFiles", 5830, "NOT REMOVE~=\"ALL\"");
        }
        sequence("RegisterService", 5841, "NOT REMOVE~=\"ALL\"");
        sequence("UnregisterNewService", 5842, "NOT REMOVE~=\"ALL\"");
        if (p.autoStart) {
            sequence("StartNewService", 5901, "NOT REMOVE~=\"ALL\"");
        } else {
            sequence("NoteRunningService", 1301, "WIX_UPGRADE_DETECTED AND NOT REMOVE~=\"ALL\"");
            sequence("RestartService", 5902, "NOT REMOVE~=\"ALL\"");
        }
        text_ += "    </InstallExecuteSequence>\n";
    }

    void sequence(const char *id, int number, const std::string &condition) {
        text_ += "      <Custom Action=\"" + std::string(id) + "\" Sequence=\"" + std::to_string(number) + "\"" +
                 (condition.empty() ? "/>\n" : ">" + xmlEscaped(condition) + "</Custom>\n");
    }

    const MsiPackage &package_;
    std::vector<InstalledFile> files_;
    std::set<std::string> folders_;
    std::map<std::string, std::string> folderIds_;
    std::string text_;
};

}  // namespace

std::string sha1Digest(const std::string &bytes) {
    uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string message = bytes;
    uint64_t bits = static_cast<uint64_t>(bytes.size()) * 8;
    message += '\x80';
    while (message.size() % 64 != 56)
        message += '\0';
    for (int shift = 56; shift >= 0; shift -= 8)
        message += static_cast<char>((bits >> shift) & 0xFF);
    for (size_t offset = 0; offset < message.size(); offset += 64)
        sha1Block(reinterpret_cast<const unsigned char *>(message.data() + offset), state);
    std::string digest;
    for (uint32_t word : state)
        for (int shift = 24; shift >= 0; shift -= 8)
            digest += static_cast<char>((word >> shift) & 0xFF);
    return digest;
}

std::string nameBasedGuid(const std::string &namespaceGuid, const std::string &name) {
    std::string hash = sha1Digest(guidBytes(namespaceGuid) + name).substr(0, 16);
    hash[6] = static_cast<char>((hash[6] & 0x0F) | 0x50);
    hash[8] = static_cast<char>((hash[8] & 0x3F) | 0x80);
    return guidText(hash);
}

bool normalizeGuid(const std::string &text, std::string *guid) {
    std::string bare = text.size() == 38 && text.front() == '{' && text.back() == '}' ? text.substr(1, 36) : text;
    if (bare.size() != 36)
        return false;
    for (size_t i = 0; i < bare.size(); i++) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? bare[i] != '-' : hexValue(bare[i]) < 0)
            return false;
    }
    *guid = guidText(guidBytes(bare));
    return true;
}

std::string defaultUpgradeCode(const std::string &serviceName) {
    // A namespace of this tool's own: the same service name gives the same
    // code on every machine and in every release.
    return nameBasedGuid("{8C3E2F41-6D0B-5A97-B2C4-1E5F7A9D3B60}", "service:" + lowerAscii(serviceName));
}

std::string productCodeOf(const MsiPackage &package) {
    return nameBasedGuid(package.upgradeCode, std::string("product:") + (package.win64 ? "x64:" : "x86:") + package.version);
}

std::string xmlEscaped(const std::string &text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string wixSource(const MsiPackage &package) { return SourceWriter(package).write(); }

std::vector<std::string> packageCorrections(const MsiPackage &package) {
    // wixl drops Execute="rollback"; the types WiX gives: the program kind
    // (18: an installed file, 50: a program a property names), plus 64 (its
    // exit code ignored), 256 and 1024 (rollback script), 2048 (no impersonation).
    // It ignores Secure="yes" as well: properties an administrator gives
    // reach the install's server side in managed installs only when secure.
    std::vector<std::string> queries = {
        "UPDATE CustomAction SET Type = 3410 WHERE Action = 'UnregisterNewService'",
        "UPDATE Property SET Value = 'WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED;INSTALLDIR;REMOVE_LOGS' "
        "WHERE Property = 'SecureCustomProperties'"};
    if (!package.keptFiles.empty())
        queries.push_back("UPDATE CustomAction SET Type = 3442 WHERE Action = 'RemoveNewKeptFiles'");
    return queries;
}
