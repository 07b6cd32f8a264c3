// What a front end asks to extract, and the plan made from it once for every picture: the
// checked template and folder, each output path, and what to do about files already there.
#pragma once

#include <string>
#include <vector>

namespace pictrove {

// Image type index 0..4 (BMP, GIF, JPEG, PNG, original format): the order of the settings and the
// type list. The original format writes each picture as stored and encodes the pictures without
// a stored form as PNG.
inline constexpr int kImageTypeCount = 5;
inline constexpr int kEncodedImageTypeCount = 4;  // the types every picture is encoded to
inline constexpr int kOriginalImageType = 4;

struct ExtractRequest {
    std::vector<int> indices;   // collection indices, in the order of writing
    int typeIndex = 3;          // an image type index
    std::wstring fileTemplate;  // "%IN%" when empty
    std::wstring folder;        // a full path ending with a separator
    int jobs = 1;               // workers that decode and write at once
};

// What planning asks of the document.
class PlanSource {
  public:
    virtual ~PlanSource() = default;
    // The number the "%0II%" padding is counted from: the document's, not the selection's.
    virtual int ImageCount() = 0;
    // The name "%IN%" stands for, a default one when the document has none.
    virtual std::wstring ImageName(int index) = 0;
    // The StoredPictureFormat of a picture; asked for the original format only.
    virtual int StoredFormat(int index) = 0;
};

enum class ExistingChoice { kReplace, kKeepBoth, kCancel };

// What planning asks about files that are already there.
class ExistingFiles {
  public:
    virtual ~ExistingFiles() = default;
    virtual bool Exists(const std::wstring& path) = 0;
    // Asked once, when some planned paths exist: how many, and the first of them.
    virtual ExistingChoice Ask(int count, const std::wstring& firstPath) = 0;
};

enum class PlanStatus {
    kReady,
    kForbiddenFolder,    // refused holds the characters
    kForbiddenTemplate,  // likewise
    kCancelled,          // at the question about existing files
};

struct PlannedPicture {
    int index = 0;
    std::wstring path;
    bool stored = false;  // written as the document stores it, never decoded
};

struct ExtractPlan {
    PlanStatus status = PlanStatus::kReady;
    std::wstring refused;
    std::vector<PlannedPicture> pictures;  // to write, in the order of the request
    // Pictures whose path the template leads out of the folder: never written.
    std::vector<PlannedPicture> outside;
    std::vector<std::wstring> named;  // the paths of pictures as the template makes them
};

// Checks the template and the folder and names every picture: the template takes the type's
// extension unless it already names that type (the original format drops an image extension
// and each picture takes its stored format's), tokens and safe names filled in, paths that lead
// out of the folder set aside, and later pictures never given an earlier one's path.
ExtractPlan PlanNames(const ExtractRequest& request, PlanSource& source);

// When planned paths exist, asks once: replace them, keep both (the new files get the first
// free numbers) or cancel. Without existing files nothing is asked.
void SettleExistingFiles(ExtractPlan& plan, ExistingFiles& existing);

// Both steps.
ExtractPlan PlanExtraction(const ExtractRequest& request, PlanSource& source, ExistingFiles& existing);

}  // namespace pictrove
