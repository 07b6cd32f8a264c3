// The engine's plan of an extraction: one table of requests and the names they give.
#include <gtest/gtest.h>

#include <algorithm>
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

// The plan's paths below the folder as "a.png | b.png", an outside one as "out:..\\a.png", or
// the status when the plan was refused or cancelled.
std::wstring Planned(FakeDocument& document, std::vector<int> indices, int type, const std::wstring& fileTemplate) {
    const ExtractPlan plan = PlanExtraction({indices, type, fileTemplate, kFolder, 1}, document, document);
    if (plan.status == PlanStatus::kForbiddenTemplate) return L"forbidden " + plan.refused;
    if (plan.status == PlanStatus::kCancelled) return plan.pictures.empty() ? L"cancelled" : L"cancelled, not empty";
    std::wstring text;
    for (const auto* list : {&plan.pictures, &plan.outside}) {
        for (const PlannedPicture& picture : *list) {
            text += (text.empty() ? L"" : L" | ") + std::wstring(list == &plan.outside ? L"out:" : L"");
            text += picture.path.substr(kFolder.size());
            if (picture.stored) text += L" (stored)";
        }
    }
    return text;
}

std::vector<std::wstring> Split(const std::wstring& names) {
    std::vector<std::wstring> split;
    for (size_t start = 0; start <= names.size();) {
        const size_t end = std::min(names.find(L' ', start), names.size());
        split.push_back(names.substr(start, end - start));
        start = end + 1;
    }
    return split;
}

TEST(PlanExtraction, NamesEveryPictureOnceAsTheRequestSays) {
    const struct {
        const char* label;
        const wchar_t* names;
        std::vector<int> indices;
        int type;
        const wchar_t* fileTemplate;
        const wchar_t* planned;
    } cases[] = {
        {"pad width from the document",
         L"a b c d e f g h i j",
         {9, 2},
         3,
         L"%0II%_%II%_%IN%",
         L"10_10_j.png | 03_3_c.png"},
        {"empty template is the name", L"a", {0}, 0, L"", L"a.bmp"},
        {"another type's extension is swapped", L"a", {0}, 1, L"%IN%.png", L"a.gif"},
        {"the type's own other extension stays", L"a", {0}, 2, L"%IN%.JPEG", L"a.JPEG"},
        {"a name that is no extension gets one", L"a", {0}, 2, L"v1.5_%IN%", L"v1.5_a.jpg"},
        {"unsafe names from the document", L"..\\x:y con", {0, 1}, 3, L"%IN%", L".._x_y.png | _con.png"},
        {"original: stored extension, PNG for the rest",
         L"p q r",
         {0, 1, 2},
         kOriginalImageType,
         L"%IN%.png",
         L"p.jpg (stored) | q.png | r.jb2 (stored)"},
        {"same names in one job, any case", L"s S s_(2)", {0, 1, 2}, 3, L"%IN%", L"s.png | S (2).png | s_(2).png"},
        {"a subfolder is inside", L"a", {0}, 3, L"sub\\.\\%IN%", L"sub\\.\\a.png"},
        {"up and back in is inside", L"a", {0}, 3, L"sub\\..\\%IN%", L"sub\\..\\a.png"},
        {"leading out is set aside", L"a b", {1, 0}, 3, L"..\\%IN%", L"out:..\\b.png | out:..\\a.png"},
        {"dots Windows drops lead out too", L"a", {0}, 3, L"x/.../../%IN%", L"out:x/.../../a.png"},
        {"forbidden template", L"a", {0}, 3, L"%IN%?<", L"forbidden ? <"},
        {"nothing selected", L"a", {}, 3, L"%IN%", L""},
    };
    for (const auto& c : cases) {
        FakeDocument document;
        document.names = Split(c.names);
        document.stored = {{0, kStoredJpeg}, {2, kStoredJbig2}};
        EXPECT_EQ(Planned(document, c.indices, c.type, c.fileTemplate), c.planned) << c.label;
        EXPECT_EQ(document.questions, 0) << c.label;
    }
}

TEST(PlanExtraction, ExistingFilesAreAskedAboutOnceAndReplacedKeptOrLeftAlone) {
    const struct {
        ExistingChoice answer;
        std::set<std::wstring> existing;
        const wchar_t* planned;
        int asked;  // files the question counts
    } cases[] = {
        {ExistingChoice::kReplace, {}, L"a.png | b.png | a (2).png", 0},
        {ExistingChoice::kReplace, {L"a.png", L"a (2).png"}, L"a.png | b.png | a (2).png", 2},
        {ExistingChoice::kKeepBoth, {L"a.png", L"a (2).png"}, L"a (3).png | b.png | a (4).png", 2},
        {ExistingChoice::kKeepBoth, {L"b.png", L"b (2).png"}, L"a.png | b (3).png | a (2).png", 1},
        {ExistingChoice::kCancel, {L"b.png"}, L"cancelled", 1},
    };
    for (const auto& c : cases) {
        FakeDocument document;
        document.names = {L"a", L"b"};
        for (const std::wstring& name : c.existing) document.existing.insert(kFolder + name);
        document.answer = c.answer;
        const std::string label = "answer " + std::to_string(static_cast<int>(c.answer)) + ", " +
                                  std::to_string(c.existing.size()) + " existing";
        EXPECT_EQ(Planned(document, {0, 1, 0}, 3, L"%IN%.png"), c.planned) << label;
        EXPECT_EQ(document.questions, c.asked > 0 ? 1 : 0) << label;
        EXPECT_EQ(document.askedCount, c.asked) << label;
        if (c.asked > 0) {
            EXPECT_EQ(document.existing.count(document.askedFirst), 1u) << label << ": the first is one that exists";
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
