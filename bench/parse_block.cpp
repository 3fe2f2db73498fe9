// Parsing a configuration block of many records, natively, against reading
// the same bytes from a file. Prints one line per size:
//   RECORDS READ_MS PARSE_MS
// where PARSE_MS covers reading and parsing; each the median of the repeats.
//   bench_parse DIRECTORY REPEATS RECORDS...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "config/config_block.h"
#include "diagnostics/log.h"
#include "writer/block_writer.h"

// The launcher's log is off in the figures measured.
void logMessage(const wchar_t *, ...) {}
void logError(const wchar_t *, ...) {}
void logMessage(const char *, ...) {}
void logError(const char *, ...) {}
const wchar_t *getLogFilePath() { return nullptr; }

namespace {

using Clock = std::chrono::steady_clock;

std::string noLocale() { return std::string(); }

// Records of the sizes a real block holds: paths, options, class names.
std::string blockOf(int records) {
    BlockContent content;
    content.messages = defaultMessages();
    for (int i = 0; i < records; i++)
        content.records.emplace_back(100000 + i, "C:\\Program Files\\Example\\lib\\library-" + std::to_string(i) + ".jar");
    return serializeConfigBlock(content);
}

std::string readFile(const std::string &path) {
    std::string bytes;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == nullptr)
        return bytes;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
    if (!bytes.empty() && fread(&bytes[0], 1, bytes.size(), file) != bytes.size())
        bytes.clear();
    fclose(file);
    return bytes;
}

double millisecondsSince(Clock::time_point began) {
    return std::chrono::duration<double, std::milli>(Clock::now() - began).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool measure(const std::string &directory, int repeats, int records) {
    std::string path = directory + "/block-" + std::to_string(records) + ".bin";
    std::ofstream(path, std::ios::binary) << blockOf(records);
    std::vector<double> readTimes, parseTimes;
    for (int repeat = 0; repeat < repeats; repeat++) {
        Clock::time_point began = Clock::now();
        std::string bytes = readFile(path);
        readTimes.push_back(millisecondsSince(began));
        began = Clock::now();
        std::string again = readFile(path);
        MemorySource source(again);
        Settings store;
        uint32_t dataOffset = 0;
        BlockError error = parseConfigBlock(source, store, noLocale, &dataOffset);
        parseTimes.push_back(millisecondsSince(began));
        if (error != BlockError::None) {
            fprintf(stderr, "bench_parse: the block of %d records did not parse\n", records);
            return false;
        }
    }
    printf("%d %.3f %.3f\n", records, median(readTimes), median(parseTimes));
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        fputs("usage: bench_parse DIRECTORY REPEATS RECORDS...\n", stderr);
        return 2;
    }
    int repeats = std::max(1, atoi(argv[2]));
    for (int i = 3; i < argc; i++)
        if (!measure(argv[1], repeats, atoi(argv[i])))
            return 1;
    return 0;
}
