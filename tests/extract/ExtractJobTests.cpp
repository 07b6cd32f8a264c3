// Extraction jobs end to end: real progress window, real worker thread, real encoders.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <tuple>

#include <gdiplus.h>

#include "extract/ExistingFilesQuestion.h"
#include "extract/ExtractJob.h"
#include "extract/ProgressDialog.h"
#include "extract/WorkerThread.h"
#include "resources/ResourceIds.h"
#include "resources/UiStrings.h"
#include "tests/support/ImageTestHelpers.h"
#include "tests/support/FakeReaderImages.h"
#include "tests/support/TestSupport.h"

namespace pictrove {
namespace {

using test::CallLog;
using test::FakeImageCollection;
using test::FakeReaderImage;

struct Document {
    FakeImageCollection* collection;
    std::vector<FakeReaderImage*> images;
    std::vector<std::vector<BYTE>> pixels;  // top-down BGR of each image
};

// Images of distinct sizes and pixels, type 1, named by the caller.
Document MakeDocument(const std::vector<std::wstring>& names, CallLog* log = nullptr) {
    Document doc{new FakeImageCollection(log), {}, {}};
    for (size_t i = 0; i < names.size(); ++i) {
        const int width = 6 + static_cast<int>(i), height = 4 + static_cast<int>(i % 3);
        std::vector<BYTE> pixels = test::SmoothBgr(width, height, static_cast<int>(i));
        FakeReaderImage* image = FakeReaderImage::FromRows(1, width, height, width * 3 + 1, 0, pixels);
        doc.collection->Add(names[i], image);
        doc.images.push_back(image);
        doc.pixels.push_back(pixels);
    }
    return doc;
}

void ReleaseDocument(Document& doc) {
    EXPECT_EQ(doc.collection->RefCount(), 1u) << "the job released the collection";
    doc.collection->Release();
    for (FakeReaderImage* image : doc.images) {
        EXPECT_EQ(image->RefCount(), 1u) << "every pixel object was released";
        image->Release();
    }
}

TEST(ExtractJob, WritesTheImagesInListOrderWithTheirNamesFormatsAndPixels) {
    const wchar_t* extensions[] = {L".bmp", L".gif", L".jpg", L".png"};
    for (int type = 0; type < kEncodedImageTypeCount; ++type) {
        test::TempFolder temp;
        CallLog log;
        Document doc = MakeDocument({L"zero", L"", L"two", L"three"}, &log);
        const std::wstring folder = temp.Path() + L"out\\";  // made by the job
        const std::vector<int> order = {2, 0, 1};
        std::vector<std::wstring> texts;
        {
            ExtractJob job(doc.collection, type, folder, std::wstring(L"%0II%_%IN%") + extensions[type], order);
            EXPECT_EQ(job.ImageCount(), 4);
            test::DialogCapture capture(
                [&](HWND dialog) { texts.push_back(test::DialogItemText(dialog, IDC_PROGRESS_TEXT)); });
            EXPECT_EQ(job.RunModal(nullptr), IDOK) << "type " << type;
            EXPECT_EQ(capture.DialogCount(), 1);
            EXPECT_TRUE(capture.Boxes().empty());
            EXPECT_EQ(job.Failures().Count(), 0);
        }
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], L"Extract image 1 from 3") << "the first picture is named before any report comes";

        std::vector<std::string> getImages;
        for (const std::string& entry : log.Entries()) {
            if (entry.rfind("GetImage(", 0) == 0) getImages.push_back(entry);
        }
        EXPECT_EQ(getImages, (std::vector<std::string>{"GetImage(2)", "GetImage(0)", "GetImage(1)"}));

        const std::wstring names[] = {L"1_zero", L"2_Image001", L"3_two"};
        for (int index : order) {
            const std::wstring path = folder + names[index] + extensions[type];
            const test::DecodedImage decoded = test::DecodeFile(path);
            const std::string label = "type " + std::to_string(type) + " image " + std::to_string(index);
            ASSERT_TRUE(decoded.ok) << label;
            EXPECT_EQ(decoded.width, 6 + index) << label;
            if (type != 1) {
                EXPECT_NEAR(decoded.dpiX, 96.0f, 0.05f) << label;
            }
            const auto expected = test::ToArgb(doc.pixels[static_cast<size_t>(index)], 3);
            if (type == 2) {
                EXPECT_LT(test::RmsDifference(decoded.argb, expected), 6.0) << label;
            } else {
                EXPECT_EQ(decoded.argb, expected) << label;
            }
        }
        EXPECT_FALSE(test::FileExists(folder + L"4_three" + extensions[type]));
        ReleaseDocument(doc);
    }
}

// The fifth type: pictures with a stored form are written byte for byte with their own
// extension and never decoded; the others, and every picture of a reader without the stored
// interface, are encoded as PNG.
TEST(ExtractJob, OriginalFormatWritesStoredBytesWithTheirExtensionsAndPngForTheRest) {
    const std::vector<BYTE> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 0xFF, 0xD9};
    const std::vector<BYTE> jbig2 = {0x97, 'J', 'B', '2', 0x0D, 0x0A, 0x1A, 0x0A, 1, 0, 0, 0, 1, 9, 8, 7};
    const std::vector<BYTE> otherJpeg = {0xFF, 0xD8, 0xFF, 0xDB, 4, 5, 0xFF, 0xD9};
    for (const bool offered : {true, false}) {
        SCOPED_TRACE(offered ? "reader with stored pictures" : "reader without the interface");
        test::TempFolder temp;
        CallLog log;
        Document doc = MakeDocument({L"photo", L"scan", L"drawing", L"photo", L"broken"}, &log);
        if (offered) {
            doc.collection->SetStored(0, kStoredJpeg, jpeg);
            doc.collection->SetStored(1, kStoredJbig2, jbig2);
            doc.collection->SetStored(3, kStoredJpeg, otherJpeg);
            doc.collection->SetStored(4, kStoredJp2, {});  // the reader cannot give its bytes
        }
        const std::wstring folder = temp.Path() + L"out\\";
        {
            // An extension typed into the template gives way to each picture's own.
            ExtractJob job(doc.collection, kOriginalImageType, folder, L"%IN%.png", {0, 1, 2, 3, 4});
            test::DialogCapture capture([](HWND) {});
            EXPECT_EQ(job.RunModal(nullptr), IDOK);
            const std::vector<std::wstring> expectedPaths =
                offered
                    ? std::vector<std::wstring>{folder + L"photo.jpg", folder + L"scan.jb2", folder + L"drawing.png",
                                                folder + L"photo (2).jpg", folder + L"broken.jp2"}
                    : std::vector<std::wstring>{folder + L"photo.png", folder + L"scan.png", folder + L"drawing.png",
                                                folder + L"photo (2).png", folder + L"broken.png"};
            EXPECT_EQ(job.OutputPaths(), expectedPaths);
            EXPECT_EQ(job.Failures().Count(), offered ? 1 : 0);
            if (offered) {
                EXPECT_EQ(job.Failures().FirstPath(), folder + L"broken.jp2");
                EXPECT_EQ(capture.Boxes().size(), 1u) << "the failed picture is reported";
            }
        }
        std::vector<std::string> getImages;
        for (const std::string& entry : log.Entries()) {
            if (entry.rfind("GetImage(", 0) == 0) getImages.push_back(entry);
        }
        if (offered) {
            EXPECT_EQ(test::ReadFileBytes(folder + L"photo.jpg"), jpeg);
            EXPECT_EQ(test::ReadFileBytes(folder + L"scan.jb2"), jbig2);
            EXPECT_EQ(test::ReadFileBytes(folder + L"photo (2).jpg"), otherJpeg);
            EXPECT_FALSE(test::FileExists(folder + L"broken.jp2")) << "nothing is left of a failed write";
            EXPECT_EQ(getImages, std::vector<std::string>{"GetImage(2)"}) << "stored pictures are not decoded";
        } else {
            EXPECT_EQ(getImages.size(), 5u);
        }
        // The pictures without a stored form are PNG files of their pixels.
        for (int index : offered ? std::vector<int>{2} : std::vector<int>{0, 1, 2, 4}) {
            const std::wstring names[] = {L"photo", L"scan", L"drawing", L"", L"broken"};
            const test::DecodedImage decoded = test::DecodeFile(folder + names[index] + L".png");
            ASSERT_TRUE(decoded.ok) << index;
            EXPECT_TRUE(IsEqualGUID(decoded.format, Gdiplus::ImageFormatPNG)) << index;
            EXPECT_EQ(decoded.argb, test::ToArgb(doc.pixels[static_cast<size_t>(index)], 3)) << index;
        }
        ReleaseDocument(doc);
    }
}

TEST(ExtractJob, CancelDuringAnImageFinishesThatImageAndWritesNoMore) {
    for (int k : {1, 3}) {
        test::TempFolder temp;
        Document doc = MakeDocument({L"a", L"b", L"c", L"d", L"e"});
        std::atomic<HWND> window{nullptr};
        // While a worker is inside image k, the user presses Cancel; that worker dawdles so the
        // window has to wait for it, and every image takes a moment, so another worker holds at
        // most the image after it when the cancel arrives.
        doc.collection->SetOnGetImage([&](int index) {
            if (index == k - 1) {
                // The worker may reach the first image before the window is active.
                for (int wait = 0; wait < 200 && !window.load(); ++wait) Sleep(10);
                PostMessageW(window.load(), WM_COMMAND, IDCANCEL, 0);
                Sleep(300);
            } else {
                Sleep(50);
            }
        });
        {
            ExtractJob job(doc.collection, 3, temp.Path(), L"%IN%.png", {0, 1, 2, 3, 4});
            test::DialogCapture capture([&](HWND dialog) { window = dialog; });
            EXPECT_EQ(job.RunModal(nullptr), IDCANCEL);
            // The window closed only after image k was complete; a second worker finished only
            // the image it held, and nothing after that was begun.
            for (int i = 0; i < 5; ++i) {
                const std::wstring path = temp.File(std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".png");
                if (i < k) {
                    EXPECT_TRUE(test::DecodeFile(path).ok) << "k " << k << " image " << i;
                } else if (i == k) {
                    EXPECT_TRUE(!test::FileExists(path) || test::DecodeFile(path).ok) << "k " << k << " image " << i;
                } else {
                    EXPECT_FALSE(test::FileExists(path)) << "k " << k << " image " << i;
                }
            }
            EXPECT_TRUE(capture.Boxes().empty());
        }
        EXPECT_GE(doc.collection->GetImageCalls(), k);
        EXPECT_LE(doc.collection->GetImageCalls(), k + 1);
        ReleaseDocument(doc);
    }
}

TEST(ExtractJob, NothingToDoClosesTheWindowAtOnce) {
    test::TempFolder temp;
    Document doc = MakeDocument({L"a", L"b"});
    const struct {
        ImageCollection* collection;
        int type;
        std::vector<int> indices;
        const char* label;
    } cases[] = {
        {doc.collection, 7, {0, 1}, "no encoder for the type"},
        {doc.collection, 3, {}, "no images"},
        {nullptr, 3, {0, 1}, "no document"},
    };
    for (const auto& c : cases) {
        ExtractJob job(c.collection, c.type, temp.Path(), L"%IN%.png", c.indices);
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDCANCEL) << c.label;
        EXPECT_TRUE(capture.Boxes().empty()) << c.label;
    }
    EXPECT_EQ(doc.collection->GetImageCalls(), 0);
    EXPECT_FALSE(test::FileExists(temp.File(L"a.png")));
    ReleaseDocument(doc);
}

TEST(ExtractJob, FailedWritesDoNotStopTheJobAndAreReportedOnceAtTheEnd) {
    test::TempFolder temp;
    Document doc = MakeDocument({L"first", L"bad*name?", L"third", L"fourth"});
    doc.collection->Add(L"gone", nullptr);  // index 4: the reader gives no image
    // Index 5: pixels of a type no one knows, which cannot be converted. "bad*name?" is written
    // under a name Windows can hold.
    FakeReaderImage* broken = FakeReaderImage::FromRows(9, 2, 2, 2, 0, std::vector<BYTE>(4, 0));
    doc.collection->Add(L"broken", broken);
    {
        ExtractJob job(doc.collection, 3, temp.Path(), L"%IN%.png", {0, 1, 4, 2, 3, 5});
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
        EXPECT_EQ(job.Failures().Count(), 2);
        ASSERT_EQ(capture.Boxes().size(), 1u);
        const test::CapturedBox& box = capture.Boxes()[0];
        EXPECT_EQ(box.caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_FALSE(box.hasOwner);
        const std::wstring firstPath = temp.File(L"gone.png");
        EXPECT_EQ(box.text, L"2 of 6 images could not be written.\n\nFirst failure: " + firstPath + L"\n" +
                                SystemErrorText(job.Failures().FirstError()));
    }
    for (const wchar_t* name : {L"first.png", L"bad_name_.png", L"third.png", L"fourth.png"}) {
        EXPECT_TRUE(test::DecodeFile(temp.File(name)).ok) << std::string(name, name + wcslen(name));
    }
    EXPECT_FALSE(test::FileExists(temp.File(L"broken.png")));
    ReleaseDocument(doc);
    broken->Release();
}

// A picture the reader refuses for a limit is a failure of its own whose message names the
// picture's file and the limit; the pictures beside it are written.
TEST(ExtractJob, APictureOverALimitFailsAloneAndTheMessageNamesTheLimit) {
    Document doc = MakeDocument({L"first"});
    doc.collection->AddRefused(L"vast", kImageOverPixelLimit);
    doc.collection->AddRefused(L"deep", kImageOverStreamLimit);
    for (const auto& [index, file, limit] :
         {std::tuple{1, L"vast.png", L"250 megapixels"}, std::tuple{2, L"deep.png", L"1024 MB"}}) {
        test::TempFolder temp;
        ExtractJob job(doc.collection, 3, temp.Path(), L"%IN%.png", {0, index});
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
        EXPECT_EQ(job.Failures().Count(), 1);
        EXPECT_EQ(job.Failures().FirstError(),
                  static_cast<DWORD>(index == 1 ? kImageOverPixelLimit : kImageOverStreamLimit));
        ASSERT_EQ(capture.Boxes().size(), 1u);
        const std::wstring& text = capture.Boxes()[0].text;
        EXPECT_NE(text.find(temp.File(file)), std::wstring::npos) << std::string(text.begin(), text.end());
        EXPECT_NE(text.find(limit), std::wstring::npos) << std::string(text.begin(), text.end());
        EXPECT_TRUE(test::DecodeFile(temp.File(L"first.png")).ok);
        EXPECT_FALSE(test::FileExists(temp.File(file)));
    }
    ReleaseDocument(doc);
}

TEST(ExtractJob, AFolderThatCannotBeMadeFailsEveryWriteAndSaysSo) {
    test::TempFolder temp;
    ASSERT_TRUE(test::WriteFileBytes(temp.File(L"file"), {0}));
    Document doc = MakeDocument({L"a", L"b"});
    {
        ExtractJob job(doc.collection, 0, temp.Path() + L"file\\sub\\", L"%IN%.bmp", {0, 1});
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].text.rfind(L"2 of 2 images could not be written.", 0), 0u);
    }
    ReleaseDocument(doc);
}

TEST(ExtractJob, ATemplateLeadingOutOfTheFolderFailsItsImagesAndWritesNothingThere) {
    test::TempFolder temp;
    Document doc = MakeDocument({L"a", L"b"});
    const std::wstring folder = temp.Path() + L"out\\";
    {
        ExtractJob job(doc.collection, 3, folder, L"..\\%IN%.png", {0, 1});
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
        EXPECT_EQ(job.Processed(), 2);
        EXPECT_EQ(job.Failures().Count(), 2);
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].text.rfind(L"2 of 2 images could not be written.", 0), 0u);
    }
    EXPECT_FALSE(test::FileExists(temp.File(L"a.png")));
    EXPECT_FALSE(test::FileExists(temp.File(L"b.png")));
    EXPECT_EQ(doc.collection->GetImageCalls(), 0);
    ReleaseDocument(doc);
}

TEST(ExtractJob, PadWidthComesFromTheDocumentNotFromTheSelection) {
    test::TempFolder temp;
    std::vector<std::wstring> names(10, L"n");
    Document doc = MakeDocument(names);
    {
        ExtractJob job(doc.collection, 0, temp.Path(), L"%0II%.bmp", {9, 2});
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
    }
    EXPECT_TRUE(test::DecodeFile(temp.File(L"10.bmp")).ok);
    EXPECT_TRUE(test::DecodeFile(temp.File(L"03.bmp")).ok) << "two digits for ten images, though two are written";
    EXPECT_FALSE(test::FileExists(temp.File(L"3.bmp")));
    ReleaseDocument(doc);
}

TEST(ExtractJob, NamesThatCollideInOneJobGetNumbersAndNothingIsOverwritten) {
    test::TempFolder temp;
    // A reader's repeated names, one differing only in case, and a name that is the numbered
    // form of another.
    Document doc = MakeDocument({L"same", L"same", L"SAME", L"same (2)"});
    const std::vector<std::wstring> expected = {L"same.png", L"same (2).png", L"SAME (3).png", L"same (2) (2).png"};
    {
        ExtractJob job(doc.collection, 3, temp.Path(), L"%IN%.png", {0, 1, 2, 3});
        ASSERT_EQ(job.OutputPaths().size(), 4u);
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(job.OutputPaths()[i], temp.File(expected[i])) << i;
        test::DialogCapture capture;
        EXPECT_EQ(job.RunModal(nullptr), IDOK);
        EXPECT_TRUE(capture.Boxes().empty());
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        const test::DecodedImage decoded = test::DecodeFile(temp.File(expected[i]));
        ASSERT_TRUE(decoded.ok) << i;
        EXPECT_EQ(decoded.argb, test::ToArgb(doc.pixels[i], 3)) << "image " << i << " kept its own file";
    }
    ReleaseDocument(doc);
}

TEST(ExtractJob, ExistingFilesAreReplacedKeptOrLeftAloneAsTheUserAnswers) {
    const std::vector<BYTE> userBytes = {'m', 'i', 'n', 'e'};
    const struct {
        int button;
        const char* label;
    } answers[] = {{kReplaceFilesButton, "replace"}, {kKeepBothFilesButton, "keep both"}, {IDCANCEL, "cancel"}};
    for (const auto& answer : answers) {
        test::TempFolder temp;
        ASSERT_TRUE(test::WriteFileBytes(temp.File(L"a.png"), userBytes));
        ASSERT_TRUE(test::WriteFileBytes(temp.File(L"a (2).png"), userBytes));
        Document doc = MakeDocument({L"a", L"b", L"a"});
        int questions = 0, progressWindows = 0;
        std::wstring text;
        INT_PTR result = 0;
        {
            ExtractJob job(doc.collection, 3, temp.Path(), L"%IN%.png", {0, 1, 2});
            test::DialogCapture capture([&](HWND dialog) {
                if (GetDlgItem(dialog, IDC_PROGRESS_BAR)) {
                    ++progressWindows;
                    return;
                }
                ++questions;
                text = test::AllWindowText(dialog);
                test::AnswerLater(dialog, static_cast<UINT>(answer.button));
            });
            result = job.RunModal(nullptr);
            EXPECT_TRUE(capture.Boxes().empty()) << answer.label;
        }
        EXPECT_EQ(questions, 1) << answer.label << ": asked once for all files";
        EXPECT_NE(text.find(temp.File(L"a.png")), std::wstring::npos) << answer.label;
        EXPECT_NE(text.find(L"already exist: 2,"), std::wstring::npos) << answer.label;
        const test::DecodedImage a = test::DecodeFile(temp.File(L"a.png"));
        const test::DecodedImage a2 = test::DecodeFile(temp.File(L"a (2).png"));
        if (answer.button == kReplaceFilesButton) {
            EXPECT_EQ(result, IDOK);
            ASSERT_TRUE(a.ok && a2.ok);
            EXPECT_EQ(a.argb, test::ToArgb(doc.pixels[0], 3));
            EXPECT_EQ(a2.argb, test::ToArgb(doc.pixels[2], 3));
        } else if (answer.button == kKeepBothFilesButton) {
            EXPECT_EQ(result, IDOK);
            EXPECT_EQ(test::ReadFileBytes(temp.File(L"a.png")), userBytes);
            EXPECT_EQ(test::ReadFileBytes(temp.File(L"a (2).png")), userBytes);
            const test::DecodedImage a3 = test::DecodeFile(temp.File(L"a (3).png"));
            const test::DecodedImage a4 = test::DecodeFile(temp.File(L"a (4).png"));
            ASSERT_TRUE(a3.ok && a4.ok);
            EXPECT_EQ(a3.argb, test::ToArgb(doc.pixels[0], 3));
            EXPECT_EQ(a4.argb, test::ToArgb(doc.pixels[2], 3));
        } else {
            EXPECT_EQ(result, IDCANCEL);
            EXPECT_EQ(progressWindows, 0);
            EXPECT_EQ(test::ReadFileBytes(temp.File(L"a.png")), userBytes);
            EXPECT_EQ(test::ReadFileBytes(temp.File(L"a (2).png")), userBytes);
            EXPECT_EQ(doc.collection->GetImageCalls(), 0);
        }
        EXPECT_TRUE(test::DecodeFile(temp.File(L"b.png")).ok == (answer.button != IDCANCEL)) << answer.label;
        ReleaseDocument(doc);
    }
}

// An encoder that runs out of memory for GIF files and full disks: what each must tell the user.
EncodedPicture GifOutOfMemory(PictureFormat format, const ReaderImageFields& fields) {
    if (format == PictureFormat::kGif) return {{}, WriteError::kOutOfMemory};
    return EncodePicture(format, fields);
}

TEST(ExtractJob, AnEncoderThatFailsIsReportedWithItsReasonAndLeavesNoFile) {
    test::TempFolder temp;
    Document doc = MakeDocument({L"a", L"b"});
    const PictureEncoderFunction previous = SetPictureEncoder(&GifOutOfMemory);
    {
        ExtractJob job(doc.collection, 1, temp.Path() + L"new\\", L"%IN%.gif", {0, 1});
        test::DialogCapture capture;
        job.RunModal(nullptr);
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(capture.Boxes()[0].text,
                  FormatUiString(IDS_WRITE_FAILED,
                                 {2LL, 2LL, temp.Path() + L"new\\a.gif", SystemErrorText(ERROR_NOT_ENOUGH_MEMORY)}));
        EXPECT_EQ(job.Failures().Count(), 2);
    }
    SetPictureEncoder(previous);
    EXPECT_FALSE(test::FileExists(temp.Path() + L"new\\a.gif"));
    EXPECT_FALSE(test::FileExists(temp.Path() + L"new\\b.gif"));
    ReleaseDocument(doc);
}

HANDLE NoThread(LPTHREAD_START_ROUTINE, void*) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST(ExtractJob, AWorkerThatCannotBeStartedClosesTheWindowAndSaysSo) {
    test::TempFolder temp;
    Document doc = MakeDocument({L"a", L"b"});
    const ThreadCreator previous = SetThreadCreator(&NoThread);
    bool hung = false;
    {
        ExtractJob job(doc.collection, 3, temp.Path(), L"%IN%.png", {0, 1});
        static bool* s_hung = nullptr;
        s_hung = &hung;
        // A window that waits for a worker that never came would stay open: cancel it after a
        // while and remember that it hung.
        test::DialogCapture capture([&](HWND dialog) {
            SetTimer(dialog, 77, 3000, [](HWND window, UINT, UINT_PTR id, DWORD) {
                KillTimer(window, id);
                *s_hung = true;
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            });
        });
        EXPECT_EQ(job.RunModal(nullptr), IDCANCEL);
        ASSERT_EQ(capture.Boxes().size(), 1u);
        EXPECT_EQ(capture.Boxes()[0].caption, LoadUiString(IDS_ERROR_CAPTION));
        EXPECT_EQ(capture.Boxes()[0].text,
                  L"The extraction could not be started: " + SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_EQ(capture.Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
    }
    SetThreadCreator(previous);
    EXPECT_FALSE(hung);
    EXPECT_FALSE(test::FileExists(temp.File(L"a.png")));
    ReleaseDocument(doc);
}

// Work that only reports a count and posts what the test tells it to.
class ScriptedWork : public ProgressDialog::Work {
  public:
    explicit ScriptedWork(int steps) : steps_(steps) {}
    int StepCount() const override { return steps_; }
    bool StartWork(HWND window) override {
        started = true;
        PostMessageW(window, WM_EXTRACT_PROGRESS, static_cast<WPARAM>(steps_ - 1), 0);
        PostMessageW(window, WM_APP + 1, 0, 0);  // lets the test look before the end
        return true;
    }
    void StopWork() override { stopped = true; }
    bool started = false;
    bool stopped = false;

  private:
    int steps_;
};

TEST(ProgressDialog, TheBarCoversLongJobsWithoutWrapping) {
    ScriptedWork work(70000);
    ProgressDialog dialog(work);
    PBRANGE range{};
    LRESULT position = 0;
    std::wstring text;
    UINT_PTR timer = 0;
    static HWND s_dialog = nullptr;
    static std::function<void()> s_look;
    s_look = [&] {
        HWND bar = GetDlgItem(s_dialog, IDC_PROGRESS_BAR);
        SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        position = SendMessageW(bar, PBM_GETPOS, 0, 0);
        text = test::DialogItemText(s_dialog, IDC_PROGRESS_TEXT);
        PostMessageW(s_dialog, WM_EXTRACT_DONE, 0, 0);
    };
    test::DialogCapture capture([&](HWND window) {
        s_dialog = window;
        // Look once the posted progress message has been handled.
        timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            s_look();
        });
    });
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
    EXPECT_TRUE(work.started);
    EXPECT_FALSE(work.stopped);
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 70000);
    EXPECT_EQ(position, 69999);
    EXPECT_EQ(text, L"Extract image 70000 from 70000");
    (void)timer;
}

TEST(ProgressDialog, CancelAndTheCloseBoxStopTheWorkFirst) {
    for (UINT how : {0u, 1u}) {
        ScriptedWork work(3);
        ProgressDialog dialog(work);
        test::DialogCapture capture([&](HWND window) {
            if (how == 0) {
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            } else {
                PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        });
        EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL) << "how " << how;
        EXPECT_TRUE(work.stopped) << "how " << how;
    }
}

}  // namespace
}  // namespace pictrove
