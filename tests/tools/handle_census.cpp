// Prints how many handles each running process holds, one "pid name count"
// line per process, from the system's handle table: a process cannot be asked
// from outside under Wine, but the table can.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// The system handle table's layout (information class 16).
struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ULONG grantedAccess;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
const ULONG kSystemHandleInformation = 16;
const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
using QuerySystemInformation = LONG(WINAPI *)(ULONG, PVOID, ULONG, PULONG);

std::map<DWORD, std::string> processNames() {
    std::map<DWORD, std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        names[entry.th32ProcessID] = entry.szExeFile;
    CloseHandle(snapshot);
    return names;
}

}  // namespace

int main() {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return 2;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status = kInfoLengthMismatch;
    for (int tries = 0; tries < 16 && status == kInfoLengthMismatch; tries++) {
        ULONG needed = 0;
        status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch)
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status != 0) {
        fprintf(stderr, "handle table not readable: 0x%lx\n", static_cast<unsigned long>(status));
        return 1;
    }
    const HandleTable *table = reinterpret_cast<const HandleTable *>(buffer.data());
    size_t capacity = (buffer.size() - offsetof(HandleTable, entries)) / sizeof(HandleEntry);
    std::map<DWORD, unsigned> counts;
    for (ULONG i = 0; i < table->count && i < capacity; i++)
        counts[table->entries[i].processId]++;
    std::map<DWORD, std::string> names = processNames();
    for (const auto &count : counts) {
        auto name = names.find(count.first);
        printf("%lu %s %u\n", static_cast<unsigned long>(count.first),
               name != names.end() ? name->second.c_str() : "?", count.second);
    }
    return 0;
}
