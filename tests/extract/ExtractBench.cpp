// Benchmark of the extraction path: a job over many large images from an in-memory reader, for
// each output type, printing images/s, megapixels/s and the peak working set. Each run is a
// child process of its own so each peak is its own. Not a test: it only prints figures.
//   extract_bench [count ...]        runs every type for each count (default 20 and 200)
//   extract_bench --run <type> <count>  one run, one line of figures
//   extract_bench --document <path> <type>  the window's Extract all of a real document
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "extract/ExtractJob.h"
#include "reader/DocumentSession.h"
#include "tests/support/FakeReaderImages.h"
#include "common/GdiplusHolders.h"
#include "common/Handles.h"
#include "ui/Window.h"

namespace {

using namespace pictrove;

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;
const wchar_t* const kTypeNames[] = {L"BMP", L"GIF", L"JPEG", L"PNG"};
const wchar_t* const kExtensions[] = {L".bmp", L".gif", L".jpg", L".png"};

// A photograph-like picture: smooth shading, a few hard edges and some grain, so the encoders
// have realistic work.
std::shared_ptr<std::vector<BYTE>> MakePicture(int stride) {
    auto pixels = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(stride) * kHeight);
    unsigned noise = 12345;
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = pixels->data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < kWidth; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 7) - 4;
            const int dx = x - 1200, dy = y - 600;
            const bool disc = dx * dx + dy * dy < 300 * 300;
            const int b = (disc ? 40 : 180 - y / 10) + grain;
            const int g = (disc ? 160 : 60 + x / 16) + grain;
            const int r = ((x / 250 + y / 250) % 2 ? 200 : 90) - y / 20 + grain;
            row[x * 3 + 0] = static_cast<BYTE>(std::min(255, std::max(0, b)));
            row[x * 3 + 1] = static_cast<BYTE>(std::min(255, std::max(0, g)));
            row[x * 3 + 2] = static_cast<BYTE>(std::min(255, std::max(0, r)));
        }
    }
    return pixels;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double MegaBytes(SIZE_T bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

int RunOne(int type, int count) {
    ScopedCoInit com;
    ScopedGdiplus gdiplus;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"pictrove-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";

    const int stride = kWidth * 3;
    auto* image = new test::FakeReaderImage(kPixelBgr24, kWidth, kHeight, stride, 0, MakePicture(stride));
    auto* collection = new test::FakeImageCollection;
    std::vector<int> indices;
    for (int i = 0; i < count; ++i) {
        collection->Add(L"bench", image);  // every entry hands out the same reader-owned pixels
        indices.push_back(i);
    }
    image->Release();

    PROCESS_MEMORY_COUNTERS before{sizeof(before)};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
    LARGE_INTEGER start{}, end{};
    int failed = 0;
    QueryPerformanceCounter(&start);
    {
        // One file name for all: the disk holds one output file, the job still encodes each image.
        ExtractJob job(collection, type, folder, std::wstring(L"bench") + kExtensions[type], indices);
        job.RunModal(nullptr);
        failed = job.Failures().Count();
    }
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS after{sizeof(after)};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    WIN32_FILE_ATTRIBUTE_DATA file{};
    GetFileAttributesExW((folder + L"bench" + kExtensions[type]).c_str(), GetFileExInfoStandard, &file);
    DeleteFileW((folder + L"bench" + kExtensions[type]).c_str());
    RemoveDirectoryW(folder.c_str());
    collection->Release();

    const double seconds = Seconds(start, end);
    const double megapixels = static_cast<double>(kWidth) * kHeight * count / 1e6;
    std::wprintf(
        L"%-5ls %5d images  %6.2f images/s  %7.1f MP/s  peak working set %7.1f MB (%.1f MB before the job)"
        L"  file %.1f MB  failed %d\n",
        kTypeNames[type], count, count / seconds, megapixels / seconds, MegaBytes(after.PeakWorkingSetSize),
        MegaBytes(before.WorkingSetSize), static_cast<double>(file.nFileSizeLow) / (1024.0 * 1024.0), failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

int RunChild(int type, int count) {
    wchar_t exe[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --run " + std::to_wstring(type) + L" " + std::to_wstring(count);
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::wprintf(L"cannot start %ls\n", command.c_str());
        return 1;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

// The window's Extract all of a document opened through the readers, with its progress window
// and its rest after each picture: what a user waits for.
int RunDocument(const std::wstring& path, int type) {
    ScopedCoInit com;
    ScopedGdiplus gdiplus;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    DocumentOpenResult opened = OpenDocumentFile(path, {});
    if (opened.status != DocumentOpenStatus::kOpened) {
        std::wprintf(L"%ls does not open\n", path.c_str());
        return 1;
    }
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"pictrove-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    std::vector<int> indices(static_cast<size_t>(opened.imageCount));
    for (int i = 0; i < opened.imageCount; ++i) indices[static_cast<size_t>(i)] = i;
    LARGE_INTEGER start{}, end{};
    int failed = 0;
    QueryPerformanceCounter(&start);
    {
        ExtractJob job(opened.collection.Get(), type, folder, L"%IN%", indices);
        job.RunModal(nullptr);
        failed = job.Failures().Count();
    }
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{sizeof(memory)};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    const double seconds = Seconds(start, end);
    std::wprintf(
        L"%ls %d pictures as %ls in %.2f s (%.1f pictures/s, a 10 ms rest after each picture on each worker), "
        L"peak working set %.1f MB, failed %d\n",
        path.c_str(), opened.imageCount, kTypeNames[type], seconds, opened.imageCount / seconds,
        MegaBytes(memory.PeakWorkingSetSize), failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    pictrove::SetResourceInstance(GetModuleHandleW(nullptr));
    if (argc == 4 && std::wcscmp(argv[1], L"--run") == 0) return RunOne(_wtoi(argv[2]), _wtoi(argv[3]));
    if (argc == 4 && std::wcscmp(argv[1], L"--document") == 0) return RunDocument(argv[2], _wtoi(argv[3]));
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(_wtoi(argv[i]));
    if (counts.empty()) counts = {20, 200};
    std::wprintf(L"Extraction of %dx%d 24-bit images, one job per line, each in its own process\n", kWidth, kHeight);
    std::fflush(stdout);
    int status = 0;
    for (int type = 0; type < 4; ++type) {
        for (int count : counts) status |= RunChild(type, count);
    }
    return status;
}
