// Extension rules that pick a document reader.
#include <gtest/gtest.h>

#include "reader/ReaderChoice.h"

namespace pictrove {
namespace {

TEST(ReaderExtension, TakesTextFromLastDotOfWholePath) {
    EXPECT_EQ(GetReaderExtension(L"C:\\Docs\\Book.PDF"), L".PDF");
    EXPECT_EQ(GetReaderExtension(L"C:\\Docs\\archive.tar.gz"), L".gz");
    EXPECT_EQ(GetReaderExtension(L"C:\\Docs\\noextension"), L"");
    EXPECT_EQ(GetReaderExtension(L""), L"");
    // Folders count: a dotted folder and an extension-less file.
    EXPECT_EQ(GetReaderExtension(L"C:\\my.docs\\readme"), L".docs\\readme");
    EXPECT_EQ(GetReaderExtension(L"C:\\Docs\\trailingdot."), L".");
}

TEST(ReaderExtension, ZipLooksOneDotFurtherBack) {
    EXPECT_EQ(GetReaderExtension(L"C:\\Books\\story.fb2.zip"), L".fb2.zip");
    EXPECT_EQ(GetReaderExtension(L"C:\\Books\\STORY.FB2.ZIP"), L".FB2.ZIP");
    EXPECT_EQ(GetReaderExtension(L"C:\\Books\\photos.Zip"), L"");
    EXPECT_EQ(GetReaderExtension(L".zip"), L"");
    EXPECT_EQ(GetReaderExtension(L"C:\\a.b\\photos.zip"), L".b\\photos.zip");
}

TEST(ClassifyExtension, MatchesEveryRowOfTheTable) {
    const struct {
        const wchar_t* extension;
        int format;
    } cases[] = {
        {L".tif", 1},   {L".tiff", 1},  {L".djvu", 2},  {L".djv", 2},   {L".pdf", 3},      {L".wwf", 3},
        {L".txt", 4},   {L".tcr", 4},   {L".bmp", 5},   {L".jpeg", 5},  {L".jpg", 5},      {L".jpe", 5},
        {L".jfif", 5},  {L".png", 5},   {L".ico", 5},   {L".emf", 5},   {L".wmf", 5},      {L".gif", 5},
        {L".psd", 5},   {L".xps", 6},   {L".cbz", 7},   {L".cbr", 7},   {L".pdb", 8},      {L".jbig2", 9},
        {L".jb2", 9},   {L".fb2", 10},  {L".pcx", 11},  {L".dcx", 11},  {L".fb2.zip", 10}, {L".mobi", 12},
        {L".azw", 12},  {L".epub", 13}, {L".doc", 14},  {L".docx", 15}, {L".docm", 15},    {L".dotx", 15},
        {L".pptx", 15}, {L".pptm", 15}, {L".potx", 15}, {L".xlsx", 15}, {L".xlsm", 15},    {L".odt", 16},
        {L".odp", 16},  {L".ods", 16},  {L".odg", 16},  {L".fodt", 16}, {L".fodp", 16},    {L".fods", 16},
        {L".fodg", 16}, {L".ppt", 17},  {L".pps", 17},  {L".xls", 17},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyExtension(c.extension), c.format) << "extension " << std::wstring(c.extension).c_str();
    }
}

TEST(ClassifyExtension, IgnoresCaseAndSurroundingBlanks) {
    EXPECT_EQ(ClassifyExtension(L".PDF"), 3);
    EXPECT_EQ(ClassifyExtension(L".pdf  "), 3);
    EXPECT_EQ(ClassifyExtension(L"\t.Epub\r\n"), 13);
    EXPECT_EQ(ClassifyExtension(L".FB2.ZIP"), 10);
}

TEST(ClassifyExtension, UnknownOrPartialGivesZero) {
    EXPECT_EQ(ClassifyExtension(L""), 0);
    EXPECT_EQ(ClassifyExtension(L"   "), 0);
    EXPECT_EQ(ClassifyExtension(L"pdf"), 0);
    EXPECT_EQ(ClassifyExtension(L".pd"), 0);
    EXPECT_EQ(ClassifyExtension(L".pdfx"), 0);
    EXPECT_EQ(ClassifyExtension(L". pdf"), 0);
    EXPECT_EQ(ClassifyExtension(L".docs\\readme"), 0);
    EXPECT_EQ(ClassifyExtension(L".zip"), 0);
}

TEST(CreateReaderForFile, NoReaderForUnknownFormat) {
    EXPECT_EQ(CreateReaderForFile(L"C:\\Docs\\photos.zip"), nullptr);
    EXPECT_EQ(CreateReaderForFile(L"C:\\my.docs\\readme"), nullptr);
}

}  // namespace
}  // namespace pictrove
