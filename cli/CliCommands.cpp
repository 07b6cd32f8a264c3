// list and extract over the platform's documents: the work of each document done by CliWork,
// its records printed here.
#include <algorithm>

#include "cli/CliRun.h"
#include "cli/CliWork.h"
#include "cli/Console.h"

namespace pictrove::cli {

namespace {

std::wstring JsonString(std::wstring_view text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        switch (c) {
            case L'"':
                out += L"\\\"";
                break;
            case L'\\':
                out += L"\\\\";
                break;
            case L'\n':
                out += L"\\n";
                break;
            case L'\r':
                out += L"\\r";
                break;
            case L'\t':
                out += L"\\t";
                break;
            default:
                if (c < 0x20) {
                    wchar_t escape[8];
                    std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + L"\"";
}

OpenedDocument Open(CliPlatform& platform, const std::wstring& path, const CliOptions& options) {
    OpenedDocument opened = platform.Open(path, options.password);
    if (opened.damaged) WriteErr(path + L": the document is damaged; the list may be incomplete\n");
    return opened;
}

// The selected 0-based indices; images past the end are reported as failures.
std::vector<int> Selection(const CliOptions& options, int count, const std::wstring& path, int& failures) {
    if (options.images.empty()) {
        std::vector<int> all(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) all[static_cast<size_t>(i)] = i;
        return all;
    }
    std::vector<ImageRange> ranges;
    std::wstring error;
    ParseImageRanges(options.images, ranges, error);
    std::vector<ImageRange> beyondEnd;
    std::vector<int> picked = SelectImages(ranges, count, beyondEnd);
    for (const ImageRange& range : beyondEnd) {
        WriteErr(path + L": no image " + RangeText(range) + L" (the document has " + std::to_wstring(count) +
                 L" images)\n");
        ++failures;
    }
    return picked;
}

// Documents of the run in the order typed, wildcards expanded; a name that matches nothing is
// reported and counted as not opened.
std::vector<std::wstring> Documents(CliPlatform& platform, const CliOptions& options, bool& someNotFound) {
    std::vector<std::wstring> documents;
    for (const std::wstring& typed : options.documents) {
        const std::vector<std::wstring> found = platform.ExpandDocumentName(typed);
        if (found.empty()) {
            WriteErr(typed + L": no file matches\n");
            someNotFound = true;
        }
        documents.insert(documents.end(), found.begin(), found.end());
    }
    return documents;
}

}  // namespace

int RunList(const CliOptions& options, CliPlatform& platform) {
    const std::shared_ptr<void> thread = platform.EnterThread();
    bool notOpened = false;
    int failures = 0;
    const std::vector<std::wstring> documents = Documents(platform, options, notOpened);
    std::wstring json = L"[";
    bool firstDocument = true;
    for (const std::wstring& path : documents) {
        OpenedDocument opened = Open(platform, path, options);
        if (opened.status != OpenStatus::kOpened && opened.status != OpenStatus::kNoImages) {
            WriteErr(OpenFailureText(platform, path, opened, options.password.has_value()) + L"\n");
            notOpened = true;
            continue;
        }
        CliDocument* document = opened.document.get();
        const int count = document ? document->ImageCount() : 0;
        const std::vector<int> selected = Selection(options, count, path, failures);
        std::wstring text;
        if (options.json) {
            json += std::wstring(firstDocument ? L"" : L",") + L"\n  {\"document\": " + JsonString(path) +
                    L", \"imageCount\": " + std::to_wstring(count) + L", \"images\": [";
        } else {
            text = path + L": " + std::to_wstring(count) + L" images\n";
        }
        firstDocument = false;
        bool firstImage = true;
        for (int index : selected) {
            const ImageRecord record = ListRecord(*document, index);
            if (options.json) {
                json += std::wstring(firstImage ? L"" : L",") + L"\n    {\"index\": " + std::to_wstring(record.index) +
                        L", \"name\": " + JsonString(record.name) + L", \"width\": " + std::to_wstring(record.width) +
                        L", \"height\": " + std::to_wstring(record.height) + L", \"pixelType\": " +
                        JsonString(record.pixelType) + L", \"storedFormat\": " + JsonString(record.storedFormat) + L"}";
            } else {
                text += L"  " + std::to_wstring(record.index) + L"\t" + record.name + L"\t" +
                        std::to_wstring(record.width) + L"\t" + std::to_wstring(record.height) + L"\t" +
                        record.pixelType + L"\t" + record.storedFormat + L"\n";
            }
            firstImage = false;
        }
        if (options.json)
            json += L"]}";
        else
            WriteOut(text);
    }
    if (options.json) WriteOut(json + L"\n]\n");
    if (notOpened) return kExitNotOpened;
    return failures > 0 ? kExitSomeFailed : kExitAllWritten;
}

int RunExtract(const CliOptions& options, CliPlatform& platform) {
    const std::shared_ptr<void> thread = platform.EnterThread();
    ExtractSettings settings;
    settings.typeIndex = options.typeIndex;
    settings.fileTemplate = options.fileTemplate;
    settings.folder = platform.FolderPath(options.outputFolder);
    settings.password = options.password;
    settings.threads = WorkerCount(options.jobs);
    const std::wstring& folder = settings.folder;

    bool notOpened = false;
    int failures = 0;
    int written = 0;
    RunPaths runPaths;
    bool folderMade = false;
    for (const std::wstring& path : Documents(platform, options, notOpened)) {
        OpenedDocument opened = Open(platform, path, options);
        if (opened.status != OpenStatus::kOpened) {
            WriteErr(OpenFailureText(platform, path, opened, options.password.has_value()) + L"\n");
            if (opened.status != OpenStatus::kNoImages) notOpened = true;
            continue;
        }
        CliDocument& document = *opened.document;
        const std::vector<int> selected = Selection(options, document.ImageCount(), path, failures);
        if (selected.empty()) continue;
        const ExtractPlan plan = PlanDocument(platform, document, selected, settings, runPaths);
        if (const std::wstring refused = RefusedPlanText(plan); !refused.empty()) {
            WriteErr(refused + L"\n");
            return kExitBadArguments;
        }
        if (!folderMade && !(folderMade = platform.MakeFolder(folder))) {
            WriteErr(L"The folder " + folder + L" cannot be created.\n");
            return kExitSomeFailed;
        }
        for (const PlannedPicture& picture : plan.outside) {
            WriteErr(picture.path + L": the template leads outside " + folder + L"; not written\n");
            ++failures;
        }
        for (const PlannedPicture& picture : plan.pictures) runPaths.Take(picture.path);
        // Progress goes to the console as pictures finish; failures are reported after the run.
        const bool progress = !options.quiet && ErrIsConsole();
        const size_t planned = plan.pictures.size();
        const DocumentRun run = WriteDocument(platform, path, document, plan.pictures, settings, [&](size_t finished) {
            if (progress) WriteErr(L"\r" + path + L": " + std::to_wstring(finished) + L"/" + std::to_wstring(planned));
        });
        if (progress) WriteErr(L"\n");
        std::vector<const PlannedPicture*> failed;
        for (size_t i = 0; i < planned; ++i)
            if (run.outcomes[i].processed && !run.outcomes[i].written) failed.push_back(&plan.pictures[i]);
        std::sort(failed.begin(), failed.end(),
                  [](const PlannedPicture* a, const PlannedPicture* b) { return a->path < b->path; });
        for (const PlannedPicture* picture : failed) {
            const size_t position = static_cast<size_t>(picture - plan.pictures.data());
            WriteErr(picture->path + L": " + platform.ReasonText(run.outcomes[position].reason) + L"\n");
        }
        failures += static_cast<int>(failed.size());
        written += static_cast<int>(run.summary.processed - failed.size());
        // A full disk fails every later picture too: the run ends here, saying why.
        if (run.summary.stoppedByFailure) {
            WriteErr(L"Stopped: " + platform.ReasonText(run.summary.stopReason) + L"\n");
            break;
        }
    }
    if (!options.quiet) WriteErr(std::to_wstring(written) + L" written, " + std::to_wstring(failures) + L" failed.\n");
    if (notOpened) return kExitNotOpened;
    return failures > 0 ? kExitSomeFailed : kExitAllWritten;
}

}  // namespace pictrove::cli

namespace pictrove::cli {

int RunCommandLine(const std::vector<std::wstring>& args, const std::wstring& programName, CliPlatform& platform) {
    const CliParseResult parsed = ParseCliArguments(args);
    if (!parsed.ok) {
        WriteErr(programName + L": " + parsed.error + L"\n\n" + UsageText(programName));
        return kExitBadArguments;
    }
    try {
        switch (parsed.options.command) {
            case CliCommand::kHelp:
                WriteOut(UsageText(programName));
                return kExitAllWritten;
            case CliCommand::kList:
                return RunList(parsed.options, platform);
            case CliCommand::kExtract:
                return RunExtract(parsed.options, platform);
        }
    } catch (const std::bad_alloc&) {
        WriteErr(programName + L": out of memory\n");
    }
    return kExitSomeFailed;
}

}  // namespace pictrove::cli
