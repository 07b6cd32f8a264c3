// Output file names that ask the reader for the image name, whether an output file exists, and
// the creation of the target folder on Windows drives; the naming rules are the engine's.
#pragma once

#include <string>

#include "engine/ExtractPlan.h"
#include "engine/OutputNames.h"

namespace pictrove {

struct ImageCollection;

// The plan's view of a reader's collection: its image count, the name of each image (the
// default name, string 211 with the 0-based index, when the reader gives none) and the stored
// format of each. The count is asked of the reader once.
class CollectionPlanSource : public PlanSource {
  public:
    explicit CollectionPlanSource(ImageCollection* collection) : collection_(collection) {}
    int ImageCount() override;
    std::wstring ImageName(int index) override;
    int StoredFormat(int index) override;

  private:
    ImageCollection* collection_;
    int count_ = -1;
};

// The path of one image: its name comes from the collection, or the default name (string 211
// with the 0-based index) when the reader gives none.
std::wstring BuildOutputPath(ImageCollection* collection,
                             const std::wstring& folder,
                             const std::wstring& fileTemplate,
                             int index,
                             const std::wstring& padFormat);

// True when something (a file or a folder) is at the output path, long paths included.
bool OutputFileExists(const std::wstring& path);

// The drive queries MakeFolderPath relies on; tests replace them to stand for drive kinds a
// test machine does not have.
struct DriveQueries {
    unsigned long (*logicalDrives)();
    unsigned (*driveType)(const wchar_t* root);
};
const DriveQueries& SystemDriveQueries();

// True when the folder is on a present removable, fixed or remote drive and every level of it
// exists or was created (outermost first). Refuses network paths, relative paths and folders
// longer than 248 characters; stops at the first level it cannot create.
bool MakeFolderPath(const std::wstring& folder);
bool MakeFolderPath(const std::wstring& folder, const DriveQueries& drives);

}  // namespace pictrove
