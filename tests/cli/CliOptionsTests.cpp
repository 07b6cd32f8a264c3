// The console companion's arguments: commands, options, their errors, and the image selection.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"

namespace pictrove::cli {
namespace {

CliParseResult Parse(std::vector<std::wstring> args) {
    return ParseCliArguments(args);
}

TEST(CliArguments, ListAndExtractTakeTheirOptions) {
    const CliParseResult list = Parse({L"list", L"a.pdf", L"--json", L"--password", L"pw", L"b.epub"});
    ASSERT_TRUE(list.ok) << std::string(list.error.begin(), list.error.end());
    EXPECT_EQ(list.options.command, CliCommand::kList);
    EXPECT_EQ(list.options.documents, (std::vector<std::wstring>{L"a.pdf", L"b.epub"}));
    EXPECT_TRUE(list.options.json);
    ASSERT_TRUE(list.options.password.has_value());
    EXPECT_EQ(*list.options.password, L"pw");

    const CliParseResult extract = Parse({L"EXTRACT", L"a.pdf", L"-o", L"C:\\out", L"--type", L"JPG", L"--template",
                                          L"%0II%_%IN%", L"--images", L"1-5,9", L"--jobs", L"3", L"--quiet"});
    ASSERT_TRUE(extract.ok);
    EXPECT_EQ(extract.options.command, CliCommand::kExtract);
    EXPECT_EQ(extract.options.outputFolder, L"C:\\out");
    EXPECT_EQ(extract.options.typeIndex, 2);
    EXPECT_EQ(extract.options.fileTemplate, L"%0II%_%IN%");
    EXPECT_EQ(extract.options.images, L"1-5,9");
    EXPECT_EQ(extract.options.jobs, 3);
    EXPECT_TRUE(extract.options.quiet);
    EXPECT_FALSE(extract.options.password.has_value());

    // Defaults: PNG, the image name, all images, one thread per processor.
    const CliParseResult plain = Parse({L"extract", L"a.pdf", L"-o", L"out"});
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.options.typeIndex, 3);
    EXPECT_EQ(plain.options.fileTemplate, L"%IN%");
    EXPECT_TRUE(plain.options.images.empty());
    EXPECT_EQ(plain.options.jobs, 0);

    // After "--" a name that looks like an option is a document.
    const CliParseResult dashed = Parse({L"list", L"--", L"-odd.pdf"});
    ASSERT_TRUE(dashed.ok);
    EXPECT_EQ(dashed.options.documents, (std::vector<std::wstring>{L"-odd.pdf"}));
    EXPECT_EQ(Parse({L"--help"}).options.command, CliCommand::kHelp);
}

TEST(CliArguments, MistakesAreRefusedWithAReason) {
    struct Case {
        std::vector<std::wstring> args;
        const wchar_t* says;
    };
    const Case cases[] = {
        {{}, L"no command"},
        {{L"convert", L"a.pdf"}, L"unknown command"},
        {{L"list"}, L"no document"},
        {{L"extract", L"a.pdf"}, L"output folder"},
        {{L"extract", L"a.pdf", L"-o"}, L"needs a folder"},
        {{L"extract", L"a.pdf", L"-o", L"out", L"--type", L"tiff"}, L"is not bmp"},
        {{L"extract", L"a.pdf", L"-o", L"out", L"--jobs", L"0"}, L"--jobs"},
        {{L"extract", L"a.pdf", L"-o", L"out", L"--jobs", L"65"}, L"--jobs"},
        {{L"extract", L"a.pdf", L"-o", L"out", L"--jobs", L"-2"}, L"--jobs"},
        {{L"extract", L"a.pdf", L"-o", L"out", L"--json"}, L"unknown option"},
        {{L"list", L"a.pdf", L"-o", L"out"}, L"unknown option"},
        {{L"list", L"a.pdf", L"--password"}, L"needs a password"},
        {{L"list", L"a.pdf", L"--images", L"3-1"}, L"\"3-1\""},
        {{L"extract", L"a.pdf", L"-o", L"out", L"--template", L"a:b?%IN%"}, L"cannot hold these characters: : ?"},
        {{L"extract", L"a.pdf", L"-o", L"C:\\o|t"}, L"cannot hold these characters: |"},
    };
    for (const Case& c : cases) {
        const CliParseResult result = Parse(c.args);
        EXPECT_FALSE(result.ok) << std::string(c.says, c.says + wcslen(c.says));
        EXPECT_NE(result.error.find(c.says), std::wstring::npos)
            << std::string(result.error.begin(), result.error.end());
    }
    EXPECT_TRUE(Parse({L"extract", L"a.pdf", L"-o", L"out", L"--jobs", L"64"}).ok);
    EXPECT_FALSE(UsageText().empty());
}

TEST(ImageSelection, RangesParseAtTheirBoundaries) {
    std::vector<ImageRange> ranges;
    std::wstring error;
    ASSERT_TRUE(ParseImageRanges(L"1-5,9,12-,7-7", ranges, error));
    ASSERT_EQ(ranges.size(), 4u);
    EXPECT_EQ(ranges[0].first, 1);
    EXPECT_EQ(ranges[0].last, 5);
    EXPECT_EQ(ranges[1].first, 9);
    EXPECT_EQ(ranges[1].last, 9);
    EXPECT_EQ(ranges[2].first, 12);
    EXPECT_EQ(ranges[2].last, 0);
    EXPECT_EQ(RangeText(ranges[2]), L"12-");
    EXPECT_EQ(RangeText(ranges[0]), L"1-5");
    EXPECT_EQ(RangeText(ranges[3]), L"7");
    for (const wchar_t* bad : {L"", L"0", L"1,,2", L"a", L"-3", L"5-3", L"1-2-3", L"2147483648", L"1 ,2", L","}) {
        EXPECT_FALSE(ParseImageRanges(bad, ranges, error)) << std::wstring(bad).size();
        EXPECT_TRUE(ranges.empty());
        EXPECT_FALSE(error.empty());
    }
}

TEST(ImageSelection, PicksEachImageOnceInDocumentOrderAndNamesWhatIsMissing) {
    std::vector<ImageRange> ranges;
    std::wstring error;
    ASSERT_TRUE(ParseImageRanges(L"9,2-4,3,8-", ranges, error));
    std::vector<ImageRange> beyond;
    EXPECT_EQ(SelectImages(ranges, 10, beyond), (std::vector<int>{1, 2, 3, 7, 8, 9}));
    EXPECT_TRUE(beyond.empty());
    // Ten pictures fewer: 9 is missing, 8- runs past the end from its start.
    EXPECT_EQ(SelectImages(ranges, 3, beyond), (std::vector<int>{1, 2}));
    ASSERT_EQ(beyond.size(), 3u);
    EXPECT_EQ(RangeText(beyond[0]), L"9");
    EXPECT_EQ(RangeText(beyond[1]), L"2-4");
    EXPECT_EQ(RangeText(beyond[2]), L"8-");
    EXPECT_TRUE(SelectImages(ranges, 0, beyond).empty());
}

}  // namespace
}  // namespace pictrove::cli
