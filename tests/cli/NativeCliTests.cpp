// The native command line run as users run it: its exit codes and messages, drawings written as
// stored, and never a half-written file under a final name.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestCorpus.h"
#include "TestPdf.h"

namespace {

namespace fs = std::filesystem;
using pictrove::test::Bytes;

struct CliRun {
    int code = -1;
    std::string output;  // standard output and error together
};

// Runs the program through the shell, with a shell prelude (limits) before it.
CliRun RunNative(const std::string& arguments, const std::string& prelude = "") {
    const std::string command = prelude + " exec " PICTROVE_NATIVE_CLI " " + arguments + " 2>&1";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class NativeCli : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pictrove-native-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "docs");
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Put(const std::string& name, const Bytes& bytes) {
        const fs::path path = folder_ / "docs" / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path.string();
    }
    std::string Out() const { return (folder_ / "out").string(); }

    fs::path folder_;
};

Bytes ProtectedPdf() {
    pictrove::test::PdfWriter writer;
    const int image = writer.AddStream(
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 >>",
        Bytes{10, 200});
    const int root = pictrove::test::AddPages(
        writer, {{"/Im Do", "<< /XObject << /Im " + std::to_string(image) + " 0 R >> >>", ""}});
    static const pictrove::test::PdfEncryption encryption{4, 128, true, false, "letmein", "admin"};
    pictrove::test::PdfWriteOptions options;
    options.encryption = &encryption;
    return writer.Write(root, options);
}

TEST_F(NativeCli, DocumentsThatDoNotOpenSayWhyWithTheirExitCode) {
    const std::string pdf = Put("locked.pdf", ProtectedPdf());
    const std::string text = Put("notes.xyz", Bytes{1, 2, 3});
    const struct {
        std::string arguments;
        int code;
        std::string says;
    } cases[] = {
        {"list " + pdf, 3, "give its password with --password"},
        {"list " + pdf + " --password guess", 3, "the password does not open the document"},
        {"list " + pdf + " --password letmein", 0, "1 images"},
        {"list " + text, 3, "no reader for this kind of file"},
        {"list " + (folder_ / "docs" / "gone.pdf").string(), 3, "The system cannot find the file specified."},
        {"list " + (folder_ / "docs" / "*.none").string(), 3, "no file matches"},
        {"extract " + pdf, 2, "extract needs an output folder"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunNative(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.arguments << "\n" << run.output;
    }
}

TEST_F(NativeCli, DrawingsAreWrittenAsStoredAndFailAloneAsPixels) {
    const std::string drawing = std::string(PICTROVE_TEST_DATA) + "/metafiles/offset.emf";
    const std::string word = std::string(PICTROVE_TEST_DATA) + "/pictures.doc";
    const CliRun listed = RunNative("list " + drawing);
    EXPECT_NE(listed.output.find("offset\t296\t200\tunknown\temf"), std::string::npos) << listed.output;

    // Into a folder the template names, made on the way.
    const CliRun original =
        RunNative("extract " + drawing + " -o " + Out() + " --type original --quiet --template 'drawings\\%IN%'");
    EXPECT_EQ(original.code, 0) << original.output;
    EXPECT_EQ(fs::file_size(Out() + "/drawings/offset.emf"), fs::file_size(drawing));

    const CliRun pixels = RunNative("extract " + drawing + " " + word + " -o " + Out() + " --type png");
    EXPECT_EQ(pixels.code, 1) << pixels.output;
    EXPECT_NE(pixels.output.find("offset.png: The picture is a drawing (EMF or WMF)"), std::string::npos)
        << pixels.output;
    EXPECT_NE(pixels.output.find("3 written, 1 failed."), std::string::npos) << pixels.output;
}

// A file that cannot be written whole (here past the size limit of the process, which the file
// system reports as a full disk would) fails with the reason and stops the run, leaving neither
// it nor a piece of it; the files written before it stay.
TEST_F(NativeCli, AFileThatCannotBeWrittenWholeStopsTheRunAndLeavesNothingBehind) {
    const std::string small = std::string(PICTROVE_TEST_DATA) + "/pictures.doc";
    const std::string drawing = std::string(PICTROVE_TEST_DATA) + "/metafiles/window.wmf";
    ASSERT_GT(fs::file_size(drawing), 1024u);
    const CliRun limited = RunNative("extract " + small + " " + drawing + " -o " + Out() + " --type original --quiet",
                                     "trap '' XFSZ; ulimit -f 1;");
    EXPECT_EQ(limited.code, 1) << limited.output;
    EXPECT_NE(limited.output.find("window.wmf: There is not enough space on the disk."), std::string::npos)
        << limited.output;
    EXPECT_NE(limited.output.find("Stopped: "), std::string::npos) << limited.output;
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Out())) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"pictures_1.png", "pictures_2.jpg", "pictures_3.png"}));
}

// A comic of pages no decoder reads lists every page; each fails alone with its reason, the WebP
// pages decode, and the WebP and AVIF pages are written as stored.
TEST_F(NativeCli, PagesOfKindsNotDecodedAreListedAndFailAlone) {
    const std::string comic = std::string(PICTROVE_TEST_DATA) + "/foreign/kinds.cbz";
    const CliRun listed = RunNative("list " + comic);
    EXPECT_EQ(listed.code, 0) << listed.output;
    EXPECT_NE(listed.output.find("10 images"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("02-lossy\t24\t16\t"), std::string::npos) << listed.output;
    const struct {
        const char* type;
        const char* tally;
    } cases[] = {{"png", "5 written, 5 failed."}, {"original", "6 written, 4 failed."}};
    for (const auto& c : cases) {
        const CliRun run = RunNative("extract " + comic + " -o " + Out() + "-" + c.type + " --type " + c.type);
        EXPECT_EQ(run.code, 1) << run.output;
        EXPECT_NE(run.output.find(c.tally), std::string::npos) << c.type << "\n" << run.output;
        EXPECT_NE(run.output.find("07-photo.png: The picture is of a kind Pictrove lists but cannot decode"),
                  std::string::npos)
            << c.type << "\n"
            << run.output;
    }
    EXPECT_EQ(fs::file_size(Out() + "-original/02-lossy.webp"),
              fs::file_size(std::string(PICTROVE_TEST_DATA) + "/foreign/lossy.webp"));
}

}  // namespace
