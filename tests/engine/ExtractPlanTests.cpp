// The engine's plan of an extraction: one table of requests and the names they give.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "contracts/StoredFormat.h"
#include "engine/ExtractPlan.h"
#include "engine/OutputNames.h"

namespace pictrove {
namespace {

// Names and stored formats of a document, and which files exist, each call logged.
struct FakeDocument : PlanSource, ExistingFiles {
    std::vector<std::wstring> names;
    std::map<int, int> stored;
    std::set<std::wstring> existing;
    ExistingChoice answer = ExistingChoice::kReplace;
    int questions = 0;
    int askedCount = 0;
    std::wstring askedFirst;

    int ImageCount() override { return static_cast<int>(names.size()); }
    std::wstring ImageName(int index) override { return names[static_cast<size_t>(index)]; }
    int StoredFormat(int index) override { return stored.count(index) ? stored[index] : kStoredNone; }
    bool Exists(const std::wstring& path) override { return existing.count(path) != 0; }
    ExistingChoice Ask(int count, const std::wstring& first) override {
        ++questions;
        askedCount = count;
        askedFirst = first;
        return answer;
    }
};

const std::wstring kFolder = L"D:\\Out\\";

TEST(PlanExtraction, NamesEveryPictureOnceAsTheRequestAndTheExistingFilesSay) {
    using Paths = std::vector<std::wstring>;
    const std::vector<std::wstring> tenNames = {L"a", L"b", L"c", L"d", L"e", L"f", L"g", L"h", L"i", L"j"};
    const struct {
        const char* label;
        std::vector<std::wstring> names;
        std::vector<int> indices;
        int type;
        std::wstring fileTemplate;
        std::map<int, int> stored;
        std::set<std::wstring> existing;
        ExistingChoice answer;
        PlanStatus status;
        std::wstring refused;
        Paths paths;
        Paths outside;
        int askedCount;  // 0: no question
    } cases[] = {
        {"pad width from the document, tokens in order",
         tenNames,
         {9, 2},
         3,
         L"%0II%_%II%_%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"10_10_j.png", L"03_3_c.png"},
         {},
         0},
        {"empty template is the name",
         {L"a"},
         {0},
         0,
         L"",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"a.bmp"},
         {},
         0},
        {"another type's extension is swapped",
         {L"a"},
         {0},
         1,
         L"%IN%.png",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"a.gif"},
         {},
         0},
        {"the type's own other extension stays",
         {L"a"},
         {0},
         2,
         L"%IN%.JPEG",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"a.JPEG"},
         {},
         0},
        {"a name that is no extension gets one",
         {L"a"},
         {0},
         2,
         L"v1.5_%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"v1.5_a.jpg"},
         {},
         0},
        {"unsafe names from the document",
         {L"..\\x:y", L"con"},
         {0, 1},
         3,
         L"%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L".._x_y.png", L"_con.png"},
         {},
         0},
        {"original: stored extension, PNG for the rest",
         {L"p", L"q", L"r"},
         {0, 1, 2},
         kOriginalImageType,
         L"%IN%.png",
         {{0, kStoredJpeg}, {2, kStoredJbig2}},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"p.jpg", L"q.png", L"r.jb2"},
         {},
         0},
        {"same names in one job, any case",
         {L"s", L"S", L"s (2)"},
         {0, 1, 2},
         3,
         L"%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"s.png", L"S (2).png", L"s (2) (2).png"},
         {},
         0},
        {"a subfolder is inside",
         {L"a"},
         {0},
         3,
         L"sub\\.\\%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"sub\\.\\a.png"},
         {},
         0},
        {"up and back in is inside",
         {L"a"},
         {0},
         3,
         L"sub\\..\\%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"sub\\..\\a.png"},
         {},
         0},
        {"templates leading out are set aside",
         {L"a", L"b"},
         {0, 1},
         3,
         L"..\\%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {},
         {L"..\\a.png", L"..\\b.png"},
         0},
        {"dots Windows drops lead out too",
         {L"a"},
         {0},
         3,
         L"x/.../../%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {},
         {L"x/.../../a.png"},
         0},
        {"existing replaced, asked once",
         {L"a", L"b", L"a"},
         {0, 1, 2},
         3,
         L"%IN%",
         {},
         {kFolder + L"a.png", kFolder + L"a (2).png"},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {L"a.png", L"b.png", L"a (2).png"},
         {},
         2},
        {"existing kept: first free numbers",
         {L"a", L"b", L"a"},
         {0, 1, 2},
         3,
         L"%IN%",
         {},
         {kFolder + L"a.png", kFolder + L"a (2).png"},
         ExistingChoice::kKeepBoth,
         PlanStatus::kReady,
         L"",
         {L"a (3).png", L"b.png", L"a (4).png"},
         {},
         2},
        {"existing: cancel leaves nothing to write",
         {L"a", L"b"},
         {0, 1},
         3,
         L"%IN%",
         {},
         {kFolder + L"b.png"},
         ExistingChoice::kCancel,
         PlanStatus::kCancelled,
         L"",
         {},
         {},
         1},
        {"forbidden template",
         {L"a"},
         {0},
         3,
         L"%IN%?<",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kForbiddenTemplate,
         L"? <",
         {},
         {},
         0},
        {"nothing selected",
         {L"a"},
         {},
         3,
         L"%IN%",
         {},
         {},
         ExistingChoice::kReplace,
         PlanStatus::kReady,
         L"",
         {},
         {},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        FakeDocument document;
        document.names = c.names;
        document.stored = c.stored;
        document.existing = c.existing;
        document.answer = c.answer;
        const ExtractRequest request{c.indices, c.type, c.fileTemplate, kFolder, 1};
        const ExtractPlan plan = PlanExtraction(request, document, document);
        EXPECT_EQ(plan.status, c.status);
        EXPECT_EQ(plan.refused, c.refused);
        Paths paths, outside;
        for (const PlannedPicture& picture : plan.pictures) paths.push_back(picture.path.substr(kFolder.size()));
        for (const PlannedPicture& picture : plan.outside) outside.push_back(picture.path.substr(kFolder.size()));
        EXPECT_EQ(paths, c.paths);
        EXPECT_EQ(outside, c.outside);
        EXPECT_EQ(document.questions, c.askedCount > 0 ? 1 : 0);
        EXPECT_EQ(document.askedCount, c.askedCount);
        if (c.askedCount > 0) {
            EXPECT_EQ(c.existing.count(document.askedFirst), 1u) << "the first is one that exists";
        }
        for (const PlannedPicture& picture : plan.pictures) {
            EXPECT_EQ(picture.stored, c.stored.count(picture.index) != 0) << picture.index;
        }
    }
}

TEST(PlanExtraction, AForbiddenFolderIsRefusedBeforeAnyNameIsAsked) {
    FakeDocument document;
    document.names = {L"a"};
    const ExtractRequest request{{0}, 3, L"%IN%", L"D:\\a|b\\", 1};
    const ExtractPlan plan = PlanExtraction(request, document, document);
    EXPECT_EQ(plan.status, PlanStatus::kForbiddenFolder);
    EXPECT_EQ(plan.refused, L"|");
    EXPECT_TRUE(plan.pictures.empty());
}

TEST(InsideFolder, OnlyPathsStrictlyBelowTheFolderOnceResolved) {
    const struct {
        const wchar_t* path;
        bool inside;
    } cases[] = {
        {L"D:\\Out\\a.png", true},      {L"d:\\out\\A.png", true},      {L"D:\\Out\\", false},
        {L"D:\\Out\\.", false},         {L"D:\\Out\\x\\..", false},     {L"D:\\Outer\\a.png", false},
        {L"D:\\Out\\..\\Out\\a", true}, {L"D:\\Out\\. .\\a", false},    {L"D:\\Out\\\\a", true},
        {L"D:\\Out\\x\\...\\a", true},  {L"D:\\Out\\x/../../a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(InsideFolder(c.path, L"D:\\Out\\"), c.inside) << c.path;
}

}  // namespace
}  // namespace pictrove
