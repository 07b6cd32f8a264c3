// The commands' work on one document, as records: opening it, listing its pictures, planning
// their names and writing them. The command line prints these records; the Python module
// returns them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/CliDocument.h"

namespace pictrove::cli {

// What the user is told when a document does not open; empty when it opened.
std::wstring OpenFailureText(CliPlatform& platform,
                             const std::wstring& path,
                             const OpenedDocument& opened,
                             bool passwordGiven);

// One picture as list shows it; index is 1-based.
struct ImageRecord {
    int index = 0;
    std::wstring name;
    int width = 0;
    int height = 0;
    std::wstring pixelType;
    std::wstring storedFormat;
};

ImageRecord ListRecord(CliDocument& document, int index);

// Decoding threads for a run: jobs when given, else one per processor (at most 16).
int WorkerCount(int jobs);

// Paths written during this run, compared as the Windows file system does, so a run names its
// files alike on every platform.
class RunPaths {
  public:
    bool Taken(const std::wstring& path) const;
    void Take(const std::wstring& path);

  private:
    std::set<std::wstring> taken_;  // lower case
};

struct ExtractSettings {
    int typeIndex = 3;
    std::wstring fileTemplate = L"%IN%";
    std::wstring folder;  // as FolderPath gives it
    std::optional<std::wstring> password;
    int threads = 1;
};

// Names the selected pictures: a picture never takes a path written earlier in the run.
ExtractPlan PlanDocument(CliPlatform& platform,
                         CliDocument& document,
                         const std::vector<int>& selected,
                         const ExtractSettings& settings,
                         const RunPaths& runPaths);

// The text of a plan that refused the folder or template; empty for one that did not.
std::wstring RefusedPlanText(const ExtractPlan& plan);

// What became of one planned picture.
struct PictureOutcome {
    bool processed = false;  // false when a failure stopped the run first
    bool written = false;
    std::uint32_t reason = 0;
};

struct DocumentRun {
    std::vector<PictureOutcome> outcomes;  // by position in the plan
    RunSummary summary;
};

// Writes the planned pictures of an opened document on settings.threads threads (other
// threads open readers of their own on path). progress, when set, hears each finished picture.
DocumentRun WriteDocument(CliPlatform& platform,
                          const std::wstring& path,
                          CliDocument& document,
                          const std::vector<PlannedPicture>& pictures,
                          const ExtractSettings& settings,
                          const std::function<void(size_t finished)>& progress);

}  // namespace pictrove::cli
