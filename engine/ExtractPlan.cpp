// Planning an extraction: one name for every picture before anything is written.
#include "engine/ExtractPlan.h"

#include "contracts/StoredFormat.h"
#include "engine/OutputNames.h"

namespace pictrove {

namespace {

std::wstring TemplateForType(const std::wstring& fileTemplate, int typeIndex) {
    if (typeIndex == kOriginalImageType) return FixTemplateExtension(fileTemplate, L"");
    // ".jpeg" is as good a JPEG extension as ".jpg": only another type's or none is replaced.
    if (!fileTemplate.empty() && ImageTypeOfExtension(fileTemplate) == typeIndex) return fileTemplate;
    return FixTemplateExtension(fileTemplate, ImageTypeExtension(typeIndex));
}

std::vector<std::wstring> PathsOf(const std::vector<PlannedPicture>& pictures) {
    std::vector<std::wstring> paths;
    paths.reserve(pictures.size());
    for (const PlannedPicture& picture : pictures) paths.push_back(picture.path);
    return paths;
}

}  // namespace

ExtractPlan PlanNames(const ExtractRequest& request, PlanSource& source) {
    ExtractPlan plan;
    plan.refused = ForbiddenFolderCharacters(request.folder);
    if (!plan.refused.empty()) {
        plan.status = PlanStatus::kForbiddenFolder;
        return plan;
    }
    plan.refused = ForbiddenTemplateCharacters(request.fileTemplate);
    if (!plan.refused.empty()) {
        plan.status = PlanStatus::kForbiddenTemplate;
        return plan;
    }
    const bool original = request.typeIndex == kOriginalImageType;
    const std::wstring fileTemplate = TemplateForType(request.fileTemplate, request.typeIndex);
    const std::wstring padFormat = IndexPadFormat(source.ImageCount());
    for (int index : request.indices) {
        PlannedPicture picture{
            index, ComposeOutputPath(request.folder, fileTemplate, index, padFormat, source.ImageName(index))};
        if (original) {
            const int stored = source.StoredFormat(index);
            picture.stored = stored != kStoredNone;
            picture.path += OriginalFormatExtension(stored);
        }
        if (InsideFolder(picture.path, request.folder)) {
            plan.pictures.push_back(std::move(picture));
        } else {
            plan.outside.push_back(std::move(picture));
        }
    }
    plan.named = PathsOf(plan.pictures);
    const std::vector<std::wstring> distinct = DistinctOutputPaths(plan.named, false, nullptr);
    for (size_t i = 0; i < distinct.size(); ++i) plan.pictures[i].path = distinct[i];
    return plan;
}

void SettleExistingFiles(ExtractPlan& plan, ExistingFiles& existing) {
    if (plan.status != PlanStatus::kReady) return;
    int count = 0;
    const std::wstring* first = nullptr;
    for (const PlannedPicture& picture : plan.pictures) {
        if (!existing.Exists(picture.path)) continue;
        if (count++ == 0) first = &picture.path;
    }
    if (count == 0) return;
    switch (existing.Ask(count, *first)) {
        case ExistingChoice::kReplace:
            return;
        case ExistingChoice::kKeepBoth: {
            const std::vector<std::wstring> distinct = DistinctOutputPaths(
                plan.named, true, [&existing](const std::wstring& p) { return existing.Exists(p); });
            for (size_t i = 0; i < distinct.size(); ++i) plan.pictures[i].path = distinct[i];
            return;
        }
        case ExistingChoice::kCancel:
            break;
    }
    plan.status = PlanStatus::kCancelled;
    plan.pictures.clear();
}

ExtractPlan PlanExtraction(const ExtractRequest& request, PlanSource& source, ExistingFiles& existing) {
    ExtractPlan plan = PlanNames(request, source);
    SettleExistingFiles(plan, existing);
    return plan;
}

}  // namespace pictrove
