// The console companion as a user runs it: the real PictroveCli.exe beside this test, the real
// readers through its manifest, real documents in a temporary folder, and what it prints, writes
// and returns.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "TestDocuments.h"
#include "TestJpeg.h"
#include "TestPdf.h"
#include "common/Handles.h"
#include "tests/support/ImageTestHelpers.h"
#include "tests/support/TestSupport.h"

namespace pictrove::test {
namespace {

struct CliRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

std::wstring CliPath() {
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"PictroveCli.exe";
}

// One argument as the C runtime splits command lines again: backslashes are literal except
// before a quote, where they are doubled.
std::wstring Quote(const std::wstring& arg) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Reads a pipe to its end on a thread of its own, so a full pipe never stalls the child.
std::thread Drain(HANDLE pipe, std::string& into) {
    return std::thread([pipe, &into] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) into.append(buffer, read);
    });
}

CliRun RunCli(const std::vector<std::wstring>& args) {
    CliRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&errRead, &errWrite, &inherit, 0)) return run;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    std::wstring command = Quote(CliPath());
    for (const std::wstring& arg : args) command += L" " + Quote(arg);
    STARTUPINFOW startup{sizeof(startup)};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    std::thread outReader = Drain(outRead, run.out);
    std::thread errReader = Drain(errRead, run.err);
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    outReader.join();
    errReader.join();
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

std::string Utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    const HANDLE search = FindFirstFileW((folder + L"*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

Bytes RgbPng(int width, int height, std::uint8_t red) {
    Bytes pixels;
    for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {red, 40, 200});
    return MakePng(width, height, PngColour::kRgb, pixels);
}

// A comic of three pictures in natural path order a/page, b/page (named page_2), cover.
Bytes ThreePictureComic() {
    return MakeZip(
        {{"cover.png", RgbPng(8, 6, 10)}, {"a/page.png", RgbPng(5, 4, 20)}, {"b/page.png", RgbPng(3, 2, 30)}});
}

std::string ObjectRef(int number) {
    return std::to_string(number) + " 0 R";
}

Bytes ProtectedPdf() {
    PdfWriter writer;
    const int image = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Bytes{10, 200});
    const int root = AddPages(writer, {{"/Im Do", "<< /XObject << /Im " + ObjectRef(image) + " >> >>", ""}});
    static const PdfEncryption encryption{4, 128, true, false, "letmein", "admin"};
    PdfWriteOptions options;
    options.encryption = &encryption;
    return writer.Write(root, options);
}

// Pixel (x, y) of picture number n: every picture and every pixel different.
std::uint8_t Level(int n, int x, int y, int channel) {
    return static_cast<std::uint8_t>(31 * n + 17 * x + 5 * y + 80 * channel);
}

// A PDF of pictures of the three kinds a scanned or mixed document holds: 8-bit grey, 8-bit RGB
// and one-bit, each of its own size; the returned pictures are what each one looks like.
Bytes MixedPdf(int count, std::vector<std::vector<std::uint32_t>>& looks, const PdfWriteOptions& options = {}) {
    PdfWriter writer;
    std::vector<PdfPageSpec> pages;
    for (int n = 0; n < count; ++n) {
        const int width = 9 + n % 5;
        const int height = 4 + n % 3;
        const int kind = n % 3;
        Bytes samples;
        std::vector<std::uint32_t> look;
        for (int y = 0; y < height; ++y) {
            std::uint8_t bits = 0;
            for (int x = 0; x < width; ++x) {
                if (kind == 0) {
                    const std::uint8_t g = Level(n, x, y, 0);
                    samples.push_back(g);
                    look.push_back(0xFF000000u | g << 16 | g << 8 | g);
                } else if (kind == 1) {
                    const std::uint8_t r = Level(n, x, y, 0), g = Level(n, x, y, 1), b = Level(n, x, y, 2);
                    samples.insert(samples.end(), {r, g, b});
                    look.push_back(0xFF000000u | std::uint32_t(r) << 16 | g << 8 | b);
                } else {
                    const bool white = (x * y + n + x) % 3 == 0;
                    if (white) bits |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                    look.push_back(white ? 0xFFFFFFFFu : 0xFF000000u);
                    if (x % 8 == 7 || x == width - 1) {
                        samples.push_back(bits);
                        bits = 0;
                    }
                }
            }
        }
        looks.push_back(look);
        const std::string space = kind == 1 ? "/DeviceRGB" : "/DeviceGray";
        const int image = writer.AddStream("<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) +
                                               " /Height " + std::to_string(height) + " /ColorSpace " + space +
                                               " /BitsPerComponent " + (kind == 2 ? "1" : "8") + " >>",
                                           samples);
        pages.push_back({"/Im Do", "<< /XObject << /Im " + ObjectRef(image) + " >> >>", ""});
    }
    return writer.Write(AddPages(writer, pages), options);
}

class PictroveCli : public testing::Test {
  protected:
    TempFolder folder;
    std::wstring Document(const std::wstring& name, const Bytes& bytes) {
        const std::wstring path = folder.File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
};

TEST_F(PictroveCli, ListsEveryPictureWithItsSizeAndPixelType) {
    const std::wstring comic = Document(L"comic.cbz", ThreePictureComic());
    const CliRun run = RunCli({L"list", comic});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find("3 images"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1\tpage\t5\t4\tbgr24"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3\tcover\t8\t6\tbgr24"), std::string::npos) << run.out;

    const CliRun json = RunCli({L"list", comic, L"--json", L"--images", L"2"});
    EXPECT_EQ(json.exitCode, 0u);
    EXPECT_NE(json.out.find("\"imageCount\": 3"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("{\"index\": 2, \"name\": \"page_2\", \"width\": 3, \"height\": 2"), std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.find("\"index\": 1"), std::string::npos) << "only the selected picture";
}

TEST_F(PictroveCli, ExtractsWithTheTemplateAndNeverOverwritesItsOwnFiles) {
    const std::wstring comic = Document(L"comic.cbz", ThreePictureComic());
    const std::wstring out = folder.File(L"out\\");
    const CliRun run = RunCli({L"extract", comic, L"-o", out, L"--template", L"%0II%_%IN%", L"--jobs", L"2"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(FilesIn(out), (std::vector<std::wstring>{L"1_page.png", L"2_page_2.png", L"3_cover.png"}));
    const DecodedImage second = DecodeFile(out + L"1_page.png");
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.width, 5);
    EXPECT_EQ(second.height, 4);
    EXPECT_EQ(second.argb[0], 0xFF1428C8u);

    // The same document named twice: its second pictures may not replace the first ones.
    const std::wstring named = folder.File(L"named\\");
    const CliRun twice = RunCli({L"extract", comic, comic, L"-o", named, L"--type", L"bmp", L"--quiet"});
    EXPECT_EQ(twice.exitCode, 0u) << twice.err;
    EXPECT_EQ(FilesIn(named), (std::vector<std::wstring>{L"cover (2).bmp", L"cover.bmp", L"page (2).bmp", L"page.bmp",
                                                         L"page_2 (2).bmp", L"page_2.bmp"}));
    EXPECT_TRUE(twice.err.empty()) << "quiet says nothing when all went well: " << twice.err;
}

// A picture over the pixel limit fails alone, and its failure line names it and the limit.
TEST_F(PictroveCli, APictureOverTheLimitFailsAloneAndTheLineSaysWhy) {
    PdfWriter writer;
    const int small = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Bytes{1, 2});
    const int vast = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 40000 /Height 30000 /ColorSpace /DeviceGray /BitsPerComponent 8 "
        "/Filter /FlateDecode >>",
        ZlibCompress(Bytes(1000, 0)));
    const int root =
        AddPages(writer, {{"/Small Do /Vast Do",
                           "<< /XObject << /Small " + ObjectRef(small) + " /Vast " + ObjectRef(vast) + " >> >>", ""}});
    const std::wstring pdf = Document(L"atlas.pdf", writer.Write(root));
    const std::wstring out = folder.File(L"limit\\");
    const CliRun run = RunCli({L"extract", pdf, L"-o", out, L"--template", L"%IN%", L"--type", L"png"});
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    EXPECT_EQ(FilesIn(out), (std::vector<std::wstring>{L"Page1_Small.png"}));
    const size_t line = run.err.find("Page1_Vast.png: ");
    ASSERT_NE(line, std::string::npos) << run.err;
    EXPECT_NE(run.err.find("250 megapixels", line), std::string::npos) << run.err;
}

// FNV-1a of a byte string: files compared by their digests, as a user would with a checksum.
std::uint64_t Digest(const Bytes& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 0x100000001B3ull;
    return hash;
}

// The data of the first stream whose dictionary holds marker, read from the file the way the
// format lays it out: "/Length N" in the dictionary, then "stream", an end of line, N bytes.
Bytes StreamOf(const Bytes& file, const std::string& marker) {
    const std::string text(file.begin(), file.end());
    const size_t dict = text.find(marker);
    if (dict == std::string::npos) return {};
    const size_t dictStart = text.rfind("<<", dict);
    const size_t length = text.find("/Length ", dictStart);
    const size_t keyword = text.find("stream", dict);
    if (length == std::string::npos || keyword == std::string::npos || length > keyword) return {};
    const size_t size = std::stoul(text.substr(length + 8));
    size_t data = keyword + 6;
    if (text[data] == '\r') ++data;
    if (text[data] == '\n') ++data;
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(data),
                 file.begin() + static_cast<std::ptrdiff_t>(data + size));
}

// A PDF of a colour JPEG, gray samples, the same JPEG deflated once more, and a JPEG cut after
// its frame header (its header tells its pixel type; its pixels cannot be decoded).
Bytes PdfWithJpegs(Bytes& jpeg) {
    Bytes samples;
    for (int i = 0; i < 8 * 6; ++i) samples.insert(samples.end(), {static_cast<std::uint8_t>(i * 5), 90, 30});
    jpeg = MakeJpeg(8, 6, samples, {.components = 3, .quality = 85});
    Bytes cut = jpeg;
    for (size_t i = 2; i + 3 < cut.size(); i += 2 + (cut[i + 2] << 8 | cut[i + 3])) {
        if (cut[i + 1] == 0xC0) {
            cut.resize(i + 2 + (cut[i + 2] << 8 | cut[i + 3]));
            break;
        }
    }
    PdfWriter writer;
    const std::string image = "<< /Type /XObject /Subtype /Image /Width 8 /Height 6 /BitsPerComponent 8 ";
    const int photo = writer.AddStream(image + "/ColorSpace /DeviceRGB /Filter /DCTDecode /Marker /Photo >>", jpeg);
    const int gray = writer.AddStream(image + "/ColorSpace /DeviceGray >>", Bytes(48, 0x80));
    const int deflated =
        writer.AddStream(image + "/ColorSpace /DeviceRGB /Filter [/FlateDecode /DCTDecode] >>", ZlibCompress(jpeg));
    const int truncated = writer.AddStream(image + "/ColorSpace /DeviceRGB /Filter /DCTDecode >>", cut);
    const std::string resources = "<< /XObject << /Photo " + ObjectRef(photo) + " /Gray " + ObjectRef(gray) +
                                  " /Deflated " + ObjectRef(deflated) + " /Cut " + ObjectRef(truncated) + " >> >>";
    const int root = AddPages(writer, {{"/Photo Do /Gray Do /Deflated Do /Cut Do", resources, ""}});
    return writer.Write(root);
}

TEST_F(PictroveCli, OriginalFormatWritesTheStoredStreamsAndListTellsTheirFormat) {
    Bytes jpeg;
    const Bytes pdfBytes = PdfWithJpegs(jpeg);
    const std::wstring pdf = Document(L"photos.pdf", pdfBytes);
    const Bytes stored = StreamOf(pdfBytes, "/Marker /Photo");
    ASSERT_FALSE(stored.empty());

    const CliRun list = RunCli({L"list", pdf});
    EXPECT_EQ(list.exitCode, 0u) << list.err;
    EXPECT_NE(list.out.find("1\tPage1_Photo\t8\t6\tbgr24\tjpeg\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("2\tPage1_Gray\t8\t6\tgray8\tnone\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("3\tPage1_Deflated\t8\t6\tbgr24\tjpeg\n"), std::string::npos) << list.out;
    // Only the header was needed: decoding this picture would fail.
    EXPECT_NE(list.out.find("4\tPage1_Cut\t8\t6\tbgr24\tjpeg\n"), std::string::npos) << list.out;
    const CliRun json = RunCli({L"list", pdf, L"--json", L"--images", L"2"});
    EXPECT_NE(json.out.find("\"pixelType\": \"gray8\", \"storedFormat\": \"none\"}"), std::string::npos) << json.out;

    const std::wstring out = folder.File(L"out\\");
    const CliRun run = RunCli({L"extract", pdf, L"-o", out, L"--type", L"original", L"--template", L"%II%_%IN%.png"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(FilesIn(out), (std::vector<std::wstring>{L"1_Page1_Photo.jpg", L"2_Page1_Gray.png",
                                                       L"3_Page1_Deflated.jpg", L"4_Page1_Cut.jpg"}));
    EXPECT_EQ(Digest(ReadFileBytes(out + L"1_Page1_Photo.jpg")), Digest(stored)) << "byte for byte as stored";
    EXPECT_EQ(ReadFileBytes(out + L"3_Page1_Deflated.jpg"), jpeg) << "the general filter comes off";
    const DecodedImage gray = DecodeFile(out + L"2_Page1_Gray.png");
    ASSERT_TRUE(gray.ok);
    EXPECT_EQ(gray.width, 8);
    EXPECT_EQ(gray.argb[0], 0xFF808080u);

    // Run again into the same folder: files from before are replaced, not numbered.
    const CliRun again = RunCli(
        {L"extract", pdf, L"-o", out, L"--type", L"original", L"--template", L"%II%_%IN%", L"--images", L"1", L"-q"});
    EXPECT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_EQ(FilesIn(out).size(), 4u);
    EXPECT_EQ(Digest(ReadFileBytes(out + L"1_Page1_Photo.jpg")), Digest(stored));
    EXPECT_EQ(RunCli({L"extract", pdf, L"-o", out, L"--type", L"raw"}).exitCode, 2u);
}

TEST_F(PictroveCli, ExitCodesTellWhatWentWrongAndOneBadDocumentStopsNoOther) {
    const std::wstring comic = Document(L"comic.cbz", ThreePictureComic());
    const std::wstring damaged = Document(L"damaged.cbz", Bytes{'P', 'K', 3, 4, 0, 0});
    const std::wstring out = folder.File(L"out\\");

    EXPECT_EQ(RunCli({L"extract", comic}).exitCode, 2u) << "no output folder";
    EXPECT_EQ(RunCli({L"frobnicate"}).exitCode, 2u);

    const CliRun mixed = RunCli({L"extract", damaged, comic, L"-o", out});
    EXPECT_EQ(mixed.exitCode, 3u);
    EXPECT_NE(mixed.err.find("damaged.cbz"), std::string::npos) << mixed.err;
    EXPECT_EQ(FilesIn(out).size(), 3u) << "the good document is still extracted";

    // Images past the end are failures of their own; the others are written.
    const std::wstring some = folder.File(L"some\\");
    const CliRun partly = RunCli({L"extract", comic, L"-o", some, L"--images", L"3,7-9"});
    EXPECT_EQ(partly.exitCode, 1u);
    EXPECT_NE(partly.err.find("no image 7-9"), std::string::npos) << partly.err;
    EXPECT_EQ(FilesIn(some), (std::vector<std::wstring>{L"cover.png"}));

    const CliRun missing = RunCli({L"list", folder.File(L"nothing-*.pdf")});
    EXPECT_EQ(missing.exitCode, 3u);
    EXPECT_NE(missing.err.find("no file matches"), std::string::npos) << missing.err;
}

TEST_F(PictroveCli, ProtectedDocumentsOpenOnlyWithTheirPassword) {
    const std::wstring pdf = Document(L"secret.pdf", ProtectedPdf());
    const CliRun without = RunCli({L"list", pdf});
    EXPECT_EQ(without.exitCode, 3u);
    EXPECT_NE(without.err.find("--password"), std::string::npos) << without.err;
    const CliRun wrong = RunCli({L"list", pdf, L"--password", L"guess"});
    EXPECT_EQ(wrong.exitCode, 3u);
    EXPECT_NE(wrong.err.find("password does not open"), std::string::npos) << wrong.err;
    const CliRun right = RunCli({L"list", pdf, L"--password", L"letmein"});
    EXPECT_EQ(right.exitCode, 0u) << right.err;
    EXPECT_NE(right.out.find("\t2\t1\tgray8"), std::string::npos) << right.out;
}

TEST_F(PictroveCli, WildcardsAndNamesBeyondAsciiReachTheRightFiles) {
    const std::wstring accented = L"r\u00E9sum\u00E9 \u6F2B\u753B.cbz";
    Document(accented, ThreePictureComic());
    Document(L"plain.cbz", ThreePictureComic());
    const CliRun run = RunCli({L"list", folder.File(L"*.cbz"), L"--json"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find(Utf8(accented)), std::string::npos) << "names are written as UTF-8: " << run.out;
    EXPECT_NE(run.out.find("plain.cbz"), std::string::npos);

    const std::wstring out = folder.File(L"\u00E9\u00E9 out\\");
    EXPECT_EQ(RunCli({L"extract", folder.File(accented), L"-o", out, L"--type", L"jpeg"}).exitCode, 0u);
    EXPECT_EQ(FilesIn(out).size(), 3u);
}

TEST_F(PictroveCli, ATemplateCannotLeadOutsideTheFolder) {
    const std::wstring comic = Document(L"comic.cbz", ThreePictureComic());
    const std::wstring out = folder.File(L"inside\\");
    const CliRun run = RunCli({L"extract", comic, L"-o", out, L"--template", L"..\\escaped_%II%", L"--images", L"1"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("outside"), std::string::npos) << run.err;
    EXPECT_TRUE(FilesIn(folder.Path()).size() == 1u) << "only the comic itself lies beside the output folder";
}

// The type's extension goes on a template that has none of its own or another type's; one of the
// type's own stays as typed, as the window keeps it.
TEST_F(PictroveCli, TheTemplateKeepsAnExtensionOfTheChosenType) {
    const std::wstring comic = Document(L"comic.cbz", ThreePictureComic());
    const struct {
        const wchar_t* type;
        const wchar_t* fileTemplate;
        const wchar_t* file;
    } cases[] = {
        {L"jpeg", L"p%II%.jpeg", L"p1.jpeg"}, {L"jpeg", L"p%II%.png", L"p1.jpg"}, {L"bmp", L"p%II%", L"p1.bmp"}};
    for (const auto& c : cases) {
        const std::wstring out = folder.File(std::wstring(L"out_") + c.file + L"\\");
        const CliRun run = RunCli(
            {L"extract", comic, L"-o", out, L"--type", c.type, L"--template", c.fileTemplate, L"--images", L"1"});
        EXPECT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(FilesIn(out), std::vector<std::wstring>{c.file}) << Utf8(c.fileTemplate);
    }
}

TEST_F(PictroveCli, ManyWorkersWriteTheSameFilesAsOne) {
    std::vector<std::vector<std::uint32_t>> looks;
    const std::wstring pdf = Document(L"mixed.pdf", MixedPdf(14, looks));
    const std::wstring one = folder.File(L"one\\");
    const std::wstring many = folder.File(L"many\\");
    const CliRun single = RunCli({L"extract", pdf, L"-o", one, L"--jobs", L"1", L"--quiet"});
    ASSERT_EQ(single.exitCode, 0u) << single.err;
    const CliRun parallel = RunCli({L"extract", pdf, L"-o", many, L"--jobs", L"4", L"--quiet"});
    ASSERT_EQ(parallel.exitCode, 0u) << parallel.err;

    const std::vector<std::wstring> names = FilesIn(one);
    ASSERT_EQ(names.size(), looks.size());
    EXPECT_EQ(FilesIn(many), names);
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(Utf8(names[i]));
        EXPECT_EQ(ReadFileBytes(many + names[i]), ReadFileBytes(one + names[i]));
    }
    // And the files are the pictures: page n's file holds picture n exactly.
    for (size_t n = 0; n < looks.size(); ++n) {
        SCOPED_TRACE(n);
        wchar_t name[32];
        swprintf(name, 32, L"Page%02d_Im", static_cast<int>(n + 1));
        const auto found = std::find_if(names.begin(), names.end(),
                                        [&](const std::wstring& file) { return file.rfind(name, 0) == 0; });
        ASSERT_NE(found, names.end());
        const DecodedImage decoded = DecodeFile(many + *found);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.argb, looks[n]);
    }
}

TEST_F(PictroveCli, EveryWorkerOpensAProtectedDocumentWithThePasswordGiven) {
    static const PdfEncryption encryption{4, 128, true, false, "letmein", "admin"};
    PdfWriteOptions options;
    options.encryption = &encryption;
    std::vector<std::vector<std::uint32_t>> looks;
    const std::wstring pdf = Document(L"secret.pdf", MixedPdf(9, looks, options));
    const std::wstring out = folder.File(L"out\\");
    const CliRun run = RunCli({L"extract", pdf, L"-o", out, L"--jobs", L"3", L"--password", L"letmein", L"--quiet"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::vector<std::wstring> names = FilesIn(out);
    ASSERT_EQ(names.size(), looks.size());
    for (size_t n = 0; n < looks.size(); ++n) {
        const DecodedImage decoded = DecodeFile(out + names[n]);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.argb, looks[n]) << Utf8(names[n]);
    }
}

}  // namespace
}  // namespace pictrove::test
