// Test tool run under Wine: reports the program's windows and monitors as Win32 sees them and the test
// build's pass count, and posts messages to its windows. One command per run; output is one "key=value ..." line per item.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring wide(const char* text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
    return out;
}

// A window named "CLASS" (the first top-level window of that class) or "CLASS|TITLE" (the one with that
// title too: several windows share the projection's class).
HWND findWindow(const char* name)
{
    const std::string text = name;
    const auto bar = text.find('|');
    if (bar == std::string::npos)
        return FindWindowW(wide(name).c_str(), nullptr);
    return FindWindowW(wide(text.substr(0, bar).c_str()).c_str(), wide(text.substr(bar + 1).c_str()).c_str());
}

// window CLASS: the top-level window of that class, with its title, styles, place and visibility.
int describeWindow(const char* className)
{
    HWND window = findWindow(className);
    if (!window) {
        std::printf("found=0\n");
        return 1;
    }
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    RECT area{}, client{};
    GetWindowRect(window, &area);
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("found=1 visible=%d style=0x%08lx exstyle=0x%08lx rect=%ld,%ld,%ld,%ld client=%ld,%ld "
                "origin=%ld,%ld foreground=%d title=%s\n",
                IsWindowVisible(window) ? 1 : 0, static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)), area.left, area.top, area.right,
                area.bottom, client.right, client.bottom, origin.x, origin.y, GetForegroundWindow() == window ? 1 : 0,
                utf8(title).c_str());
    return 0;
}

// post CLASS MESSAGE WPARAM LPARAM: posts to the top-level window of that class.
int postToWindow(const char* className, const char* message, const char* wParam, const char* lParam)
{
    HWND window = findWindow(className);
    if (!window)
        return 1;
    const auto number = [](const char* text) { return std::strtoull(text, nullptr, 0); };
    return PostMessageW(window, static_cast<UINT>(number(message)), static_cast<WPARAM>(number(wParam)),
                        static_cast<LPARAM>(number(lParam)))
               ? 0
               : 2;
}

// ping CLASS: succeeds once the window's thread retrieves messages, that is once it runs its message loop.
int pingWindow(const char* className)
{
    HWND window = findWindow(className);
    DWORD_PTR ignored = 0;
    return window && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) ? 0 : 1;
}

// move CLASS X Y WIDTH HEIGHT: places the window like another program could.
int moveWindow(char** argv)
{
    HWND window = findWindow(argv[2]);
    if (!window)
        return 1;
    return SetWindowPos(window, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]),
                        SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 2;
}

// The owner of a window, opened to read its counters.
HANDLE openOwner(const char* className, DWORD& processId)
{
    HWND window = findWindow(className);
    processId = 0;
    if (!window || !GetWindowThreadProcessId(window, &processId))
        return nullptr;
    return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
}

// Wine's GetProcessHandleCount reports 0, so kernel handles are counted in the system's handle list.
constexpr ULONG kSystemExtendedHandleInformation = 64;
struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

long countKernelHandles(DWORD processId)
{
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status =
            NtQuerySystemInformation(static_cast<SYSTEM_INFORMATION_CLASS>(kSystemExtendedHandleInformation),
                                     buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0)
            break;
        if (buffer.size() >= (64u << 20))
            return -1;
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    long count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->entries[i].processId == processId)
            ++count;
    return count;
}

// GetGuiResources reports 0 under Wine too. GDI objects live in a table the process maps and points at
// from its PEB (GdiSharedHandleTable): an entry a handle, its type byte 0 when free, 0x80 set for stock.
struct GdiEntry {
    UINT64 object;
    ULONG owner;
    UCHAR type;
    UCHAR flags;
    USHORT unique;
    UINT64 userPointer;
};
static_assert(sizeof(GdiEntry) == 24);
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiSharedHandleTable = 0xF8;

long countGdiObjects(HANDLE process, DWORD processId)
{
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -1;
    UINT64 table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const BYTE*>(basic.PebBaseAddress) + kPebGdiSharedHandleTable,
                           &table, sizeof table, &read) || !table)
        return -1;
    std::vector<GdiEntry> entries(kGdiTableEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiEntry), &read))
        return -1;
    // Wine's table is the process's own and leaves the owner 0; Windows shares one table and sets it.
    long count = 0;
    for (const GdiEntry& entry : entries) {
        const bool inUse = entry.type != 0, stock = (entry.type & 0x80) != 0;
        const ULONG owner = entry.owner & 0xffff;
        if (inUse && !stock && (owner == 0 || owner == (processId & 0xffff)))
            ++count;
    }
    return count;
}

// stats CLASS: memory, handles and GDI objects of the process that owns the window, as Windows reports
// them and as counted from the handle lists (Wine reports only zeros; its private memory is read from
// Linux by the caller).
int printProcessStats(const char* className)
{
    DWORD processId = 0;
    HANDLE process = openOwner(className, processId);
    if (!process)
        return 1;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    std::printf("private=%llu handles=%lu gdi=%lu user=%lu kernel_handles=%ld gdi_table=%ld\n",
                static_cast<unsigned long long>(memory.PrivateUsage), static_cast<unsigned long>(handles),
                static_cast<unsigned long>(GetGuiResources(process, GR_GDIOBJECTS)),
                static_cast<unsigned long>(GetGuiResources(process, GR_USEROBJECTS)), countKernelHandles(processId),
                countGdiObjects(process, processId));
    CloseHandle(process);
    return 0;
}

// The pass counter of the program's test build (layout_report_file.cpp); null while there is none.
const volatile LONG64* openPassCounter()
{
    HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, L"Local\\OstrelPassCount");
    if (!section)
        return nullptr;
    // The view keeps the section alive after the handle is closed.
    const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, sizeof(LONG64));
    CloseHandle(section);
    return static_cast<const volatile LONG64*>(view);
}

// remove-device: asks the program's test build to take its next present as a lost device.
int requestDeviceRemoval()
{
    HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"Local\\OstrelDeviceRemovals");
    if (!section)
        return 1;
    auto* requested = static_cast<volatile LONG64*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(LONG64)));
    CloseHandle(section);
    if (!requested)
        return 1;
    InterlockedIncrement64(requested);
    UnmapViewOfFile(const_cast<LONG64*>(requested));
    return 0;
}

// passes: how many passes the program's main loop has finished.
int printPasses()
{
    const volatile LONG64* counter = openPassCounter();
    if (!counter) {
        std::printf("passes=none\n");
        return 1;
    }
    std::printf("passes=%lld\n", static_cast<long long>(*counter));
    return 0;
}

// wait-passes N MILLISECONDS: waits until the main loop has finished N more passes than when this
// started; a program that has not made its first pass yet counts from 0.
int waitForPasses(const char* count, const char* milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + std::strtoull(milliseconds, nullptr, 10);
    const LONG64 wanted = std::strtoll(count, nullptr, 10);
    const volatile LONG64* counter = openPassCounter();
    const LONG64 start = counter ? *counter : 0;
    // A program with nothing to show sleeps until a message comes: each nudge wakes one pass, as any
    // message an operator's action sends would.
    HWND control = FindWindowW(L"OstrelControl", nullptr);
    for (int tick = 0;; ++tick) {
        if (control && tick % 5 == 0)
            PostMessageW(control, WM_NULL, 0, 0);
        if (!counter)
            counter = openPassCounter();
        const LONG64 now = counter ? *counter : 0;
        if (now - start >= wanted) {
            std::printf("passes=%lld\n", static_cast<long long>(now));
            return 0;
        }
        if (GetTickCount64() >= deadline) {
            std::printf("passes=%lld after %lld\n", static_cast<long long>(now), static_cast<long long>(start));
            return 1;
        }
        Sleep(1);
    }
}

// drop-tray-icon: takes the program's notification-area icon away, as a shell that restarts loses it.
// The icon is the control window's, with the one identifier the program gives it.
int dropTrayIcon()
{
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = FindWindowW(L"OstrelControl", nullptr);
    icon.uID = 1;
    if (!icon.hWnd)
        return 1;
    return Shell_NotifyIconW(NIM_DELETE, &icon) ? 0 : 2;
}

// announce-taskbar: tells every top-level window that the taskbar was made anew, as a restarted shell does.
int announceTaskbar()
{
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    if (!taskbarCreated)
        return 1;
    return PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0) ? 0 : 2;
}

// hold-hotkey KEY MILLISECONDS: Ctrl+Alt+KEY registered by this program, as another program could hold
// it, for that long; "held=1" once it is.
int holdHotKey(const char* key, const char* milliseconds)
{
    if (!RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, static_cast<UINT>(key[0]))) {
        std::printf("held=0\n");
        return 1;
    }
    std::printf("held=1\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::strtoul(milliseconds, nullptr, 10)));
    return 0;
}

BOOL CALLBACK printMonitor(HMONITOR monitor, HDC, LPRECT area, LPARAM)
{
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(monitor, &info);
    std::printf("monitor rect=%ld,%ld,%ld,%ld primary=%d device=%s\n", area->left, area->top, area->right,
                area->bottom, (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0, utf8(info.szDevice).c_str());
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "window" && argc == 3)
        return describeWindow(argv[2]);
    if (command == "post" && argc == 6)
        return postToWindow(argv[2], argv[3], argv[4], argv[5]);
    // post CLASS MESSAGE WPARAM LPARAM COUNT: the same message COUNT times, as a storm of notifications.
    if (command == "post" && argc == 7) {
        for (long i = std::strtol(argv[6], nullptr, 10); i > 0; --i)
            if (const int failed = postToWindow(argv[2], argv[3], argv[4], argv[5]))
                return failed;
        return 0;
    }
    if (command == "move" && argc == 7)
        return moveWindow(argv);
    if (command == "stats" && argc == 3)
        return printProcessStats(argv[2]);
    if (command == "ping" && argc == 3)
        return pingWindow(argv[2]);
    if (command == "remove-device" && argc == 2)
        return requestDeviceRemoval();
    if (command == "passes" && argc == 2)
        return printPasses();
    if (command == "wait-passes" && argc == 4)
        return waitForPasses(argv[2], argv[3]);
    if (command == "drop-tray-icon" && argc == 2)
        return dropTrayIcon();
    if (command == "announce-taskbar" && argc == 2)
        return announceTaskbar();
    if (command == "hold-hotkey" && argc == 4)
        return holdHotKey(argv[2], argv[3]);
    if (command == "monitors") {
        EnumDisplayMonitors(nullptr, nullptr, printMonitor, 0);
        return 0;
    }
    // Wine reads the X server's monitors once; applying the display settings again makes it read them
    // anew, store them for every process of the prefix and tell every window, as a plugged or unplugged
    // monitor would.
    if (command == "redisplay") {
        const LONG changed = ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
        EnumDisplayMonitors(nullptr, nullptr, printMonitor, 0);
        return changed == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
    }
    std::fprintf(stderr, "usage: wintool window CLASS | ping CLASS | stats CLASS | move CLASS X Y W H | post CLASS MESSAGE WPARAM LPARAM | passes | wait-passes N MILLISECONDS | remove-device | drop-tray-icon | announce-taskbar | hold-hotkey KEY MILLISECONDS | monitors | redisplay\n");
    return 64;
}
