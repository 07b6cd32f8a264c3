// The document path taken from the command line.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace pictrove {
namespace {

TEST(CommandLine, StripsOnlyOuterQuotesAndKeepsBlanks) {
    EXPECT_EQ(DocumentPathFromCommandLine(L""), L"");
    EXPECT_EQ(DocumentPathFromCommandLine(L"\"\""), L"");
    EXPECT_EQ(DocumentPathFromCommandLine(L"C:\\Docs\\my book.pdf"), L"C:\\Docs\\my book.pdf");
    EXPECT_EQ(DocumentPathFromCommandLine(L"\"C:\\Docs\\my book.pdf\""), L"C:\\Docs\\my book.pdf");
    EXPECT_EQ(DocumentPathFromCommandLine(L"\"\"C:\\a.pdf\"\"\""), L"C:\\a.pdf");
    // A second argument becomes part of the path; quotes inside stay.
    EXPECT_EQ(DocumentPathFromCommandLine(L"\"C:\\a.pdf\" \"C:\\b.pdf\""), L"C:\\a.pdf\" \"C:\\b.pdf");
    EXPECT_EQ(DocumentPathFromCommandLine(L" C:\\a.pdf "), L" C:\\a.pdf ");
}

}  // namespace
}  // namespace pictrove
