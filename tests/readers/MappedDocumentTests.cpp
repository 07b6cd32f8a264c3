// Documents opened through the reader DLL are mapped, not read: a 2 GB file costs the process
// next to no private memory, other programs keep their access to the file while it is open, and
// files that cannot be mapped fail as before.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <winioctl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ReaderTestSupport.h"
#include "common/Handles.h"
#include "contracts/ReaderContract.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using Microsoft::WRL::ComPtr;
using test::TempFolder;

using namespace test::readers;

constexpr int kTiffFormat = 1;
constexpr int kPdfFormat = 3;
constexpr int kImageFormat = 5;
constexpr std::uint64_t kLargestFile = std::uint64_t{1} << 31;

struct TiffPage {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t pixelsAt;  // one strip of width * height grey bytes
};

// The header and page directories of a grey TIFF whose pixels lie elsewhere in the file.
std::vector<std::uint8_t> TiffDirectories(const std::vector<TiffPage>& pages) {
    std::vector<std::uint8_t> file = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put = [&file](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    constexpr std::uint32_t kDirectorySize = 2 + 8 * 12 + 4;
    for (size_t p = 0; p < pages.size(); ++p) {
        const TiffPage& page = pages[p];
        const std::uint32_t fields[8][3] = {
            {256, 4, page.width}, {257, 4, page.height},   {258, 3, 8},           {259, 3, 1},
            {262, 3, 1},          {273, 4, page.pixelsAt}, {278, 4, page.height}, {279, 4, page.width * page.height}};
        put(8, 2);
        for (const auto& field : fields) {
            put(field[0], 2);
            put(field[1], 2);
            put(1, 4);
            put(field[2], 4);
        }
        const bool last = p + 1 == pages.size();
        put(last ? 0 : static_cast<std::uint32_t>(8 + (p + 1) * kDirectorySize), 4);
    }
    return file;
}

// Writes head at the start and tail at the end of a file of the given size; what lies between
// is never written (sparse where the file system can), so a large file is quick to make.
bool WriteLargeFile(const std::wstring& path,
                    std::uint64_t size,
                    const std::vector<std::uint8_t>& head,
                    const std::vector<std::uint8_t>& tail) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD unused = 0;
    DeviceIoControl(file.Get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);  // where it can
    DWORD written = 0;
    if (!WriteFile(file.Get(), head.data(), static_cast<DWORD>(head.size()), &written, nullptr)) return false;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size - tail.size());
    if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)) return false;
    if (!tail.empty() && !WriteFile(file.Get(), tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr)) {
        return false;
    }
    at.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
}

PROCESS_MEMORY_COUNTERS_EX MemoryCounters() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    EXPECT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                     sizeof(counters)));
    return counters;
}

// The process's own committed memory. Windows gives it as both fields; Wine fills only
// PagefileUsage (PrivateUsage stays 0), so the larger one counts.
std::uint64_t PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& counters) {
    return std::max<std::uint64_t>(counters.PrivateUsage, counters.PagefileUsage);
}

std::uint64_t Growth(std::uint64_t before, std::uint64_t after) {
    return after > before ? after - before : 0;
}

class MappedDocument : public testing::Test {
  protected:
    // A TIFF of the given size (2 GB unless told): a grey page of up to 64 MB (well within the
    // pixel limit), then a 4 x 4 page whose pixels are the file's last bytes.
    std::wstring WriteLargeTiff(std::uint64_t size = kLargestFile) {
        const std::wstring path = folder_.File(L"large.tif");
        const std::uint32_t smallAt = static_cast<std::uint32_t>(size - 16);
        std::uint32_t side = 1;
        while (side < 8192 && std::uint64_t{side * 2} * (side * 2) <= size / 2) side *= 2;
        std::vector<std::uint8_t> pixels(16);
        for (int i = 0; i < 16; ++i) pixels[static_cast<size_t>(i)] = static_cast<std::uint8_t>(200 - 7 * i);
        EXPECT_TRUE(WriteLargeFile(path, size, TiffDirectories({{side, side, 4096}, {4, 4, smallAt}}), pixels));
        return path;
    }

    TempFolder folder_;
};

TEST_F(MappedDocument, TwoGigabyteFileOpensWithoutPrivateCopy) {
    const std::wstring path = WriteLargeTiff();
    ComPtr<DocumentReader> reader = CreateReader(kTiffFormat);
    ASSERT_TRUE(reader);
    const PROCESS_MEMORY_COUNTERS_EX before = MemoryCounters();
    ASSERT_EQ(OpenPath(reader.Get(), path), S_OK);
    ComPtr<ImageCollection> collection;
    ASSERT_EQ(Query(reader.Get(), kIidImageCollection, collection), S_OK);
    ASSERT_EQ(Count(collection.Get()), 2);
    int width = 0;
    EXPECT_EQ(collection->GetImageWidth(0, &width), S_OK);
    EXPECT_EQ(width, 8192);
    // Open keeps no copy of the file (private bytes now) and made none on the way (the peak of
    // the memory the process touched).
    const PROCESS_MEMORY_COUNTERS_EX opened = MemoryCounters();
    constexpr std::uint64_t kLittle = std::uint64_t{64} << 20;
    const std::uint64_t privateGrowth = Growth(PrivateBytes(before), PrivateBytes(opened));
    EXPECT_LT(privateGrowth, kLittle) << "private bytes grew by " << (privateGrowth >> 20) << " MB";
    const std::uint64_t peakGrowth = Growth(before.PeakWorkingSetSize, opened.PeakWorkingSetSize);
    EXPECT_LT(peakGrowth, kLittle) << "peak working set grew by " << (peakGrowth >> 20) << " MB";

    // The small page's pixels are read from the end of the mapping.
    const Pixels small = ReadPixels(collection.Get(), 1);
    ASSERT_TRUE(small.bits);
    ASSERT_EQ(small.width, 4);
    EXPECT_EQ(small.At(0, 0)[0], 200);
    EXPECT_EQ(small.At(3, 3)[0], 200 - 7 * 15);
    // Decoding hands the platform decoder the mapped bytes, not a copy of the whole file (some
    // decoders read the first page of a file whatever page is asked for: that much is allowed).
    const PROCESS_MEMORY_COUNTERS_EX decoded = MemoryCounters();
    EXPECT_LT(Growth(PrivateBytes(opened), PrivateBytes(decoded)), kLittle);
    const std::uint64_t decodePeak = Growth(opened.PeakWorkingSetSize, decoded.PeakWorkingSetSize);
    EXPECT_LT(decodePeak, kLargestFile / 2) << "peak working set grew by " << (decodePeak >> 20) << " MB";
}

TEST_F(MappedDocument, FileLargerThanTwoGigabytesIsRefused) {
    ComPtr<DocumentReader> reader = CreateReader(kTiffFormat);
    ASSERT_TRUE(reader);
    EXPECT_EQ(OpenPath(reader.Get(), WriteLargeTiff(kLargestFile + 1)), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
}

TEST_F(MappedDocument, EmptyFilesAreRefusedAsUnreadable) {
    for (const auto& [format, name] : {std::pair{kTiffFormat, L"empty.tif"}, std::pair{kPdfFormat, L"empty.pdf"},
                                       std::pair{kImageFormat, L"empty.png"}}) {
        SCOPED_TRACE(format);
        const std::wstring path = folder_.File(name);
        ASSERT_TRUE(test::WriteFileBytes(path, {}));
        ComPtr<DocumentReader> reader = CreateReader(format);
        ASSERT_TRUE(reader);
        EXPECT_EQ(OpenPath(reader.Get(), path), HRESULT_FROM_WIN32(ERROR_BAD_FORMAT));
        ComPtr<ImageCollection> collection;
        EXPECT_EQ(Query(reader.Get(), kIidImageCollection, collection), E_NOINTERFACE);
    }
}

TEST_F(MappedDocument, FileLockedByAnotherProgramFailsWithItsReason) {
    const std::wstring path = WriteLargeTiff(1 << 20);
    UniqueHandle locked(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(locked);
    ComPtr<DocumentReader> reader = CreateReader(kTiffFormat);
    ASSERT_TRUE(reader);
    EXPECT_EQ(OpenPath(reader.Get(), path), HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION));
    // Once the other program lets go, the same reader opens it.
    locked.Reset();
    EXPECT_EQ(OpenPath(reader.Get(), path), S_OK);
}

TEST_F(MappedDocument, OtherProgramsKeepTheirAccessWhileTheDocumentIsOpen) {
    const std::wstring path = WriteLargeTiff(1 << 20);
    // Another program has it open for writing, sharing it: it still opens.
    UniqueHandle editor(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(editor);
    ComPtr<ImageCollection> collection = OpenCollection(kTiffFormat, path);
    ASSERT_TRUE(collection);
    editor.Reset();

    // While the collection is alive, another program reads the file, even one that keeps
    // writers out; and one may open it for writing.
    {
        UniqueHandle readerOnly(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(readerOnly) << GetLastError();
        std::uint8_t head[4] = {};
        DWORD read = 0;
        ASSERT_TRUE(ReadFile(readerOnly.Get(), head, 4, &read, nullptr));
        EXPECT_EQ(read, 4u);
        EXPECT_EQ(head[0], 'I');
        EXPECT_EQ(head[2], 42);
    }
    {
        UniqueHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(writer) << GetLastError();
    }
    const Pixels small = ReadPixels(collection.Get(), 1);
    ASSERT_TRUE(small.bits);
    EXPECT_EQ(small.At(1, 0)[0], 200 - 7);

    // Released, the document is no longer held: the file can be taken alone and deleted.
    collection.Reset();
    {
        UniqueHandle alone(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(alone) << GetLastError();
    }
    EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
}

}  // namespace
}  // namespace pictrove
