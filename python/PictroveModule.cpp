// The Python module pictrove: list and extract as the command line does, with records for
// answers and exceptions for documents that do not open. The interpreter's lock is let go
// while documents are read and pictures written.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliWork.h"
#include "cli/native/CorePlatform.h"
#include "engine/ExtractPlan.h"

namespace py = pybind11;
using namespace pictrove;
using namespace pictrove::cli;

namespace {

// The exception classes, made when the module is imported.
PyObject* g_passwordError = nullptr;
PyObject* g_documentError = nullptr;

// Opens the document without the interpreter's lock; raises what the command line prints
// when it does not open. An opened document holding no pictures gives none.
std::unique_ptr<CliDocument> OpenOrRaise(CorePlatform& platform,
                                         const std::wstring& path,
                                         const std::optional<std::wstring>& password) {
    OpenedDocument opened;
    {
        py::gil_scoped_release release;
        opened = platform.Open(path, password);
    }
    if (opened.status == OpenStatus::kOpened || opened.status == OpenStatus::kNoImages) {
        if (opened.damaged) {
            const std::string text =
                py::cast(path + L": the document is damaged; the list may be incomplete").cast<std::string>();
            // Warnings the program turned into errors raise.
            if (PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), 1) < 0) throw py::error_already_set();
        }
        return std::move(opened.document);
    }
    const std::wstring text = OpenFailureText(platform, path, opened, password.has_value());
    const bool passwordKind =
        opened.status == OpenStatus::kNeedsPassword || opened.status == OpenStatus::kWrongPassword;
    PyErr_SetObject(passwordKind ? g_passwordError : g_documentError, py::cast(text).ptr());
    throw py::error_already_set();
}

py::dict RecordDict(const ImageRecord& record) {
    py::dict dict;
    dict["index"] = record.index;
    dict["name"] = record.name;
    dict["width"] = record.width;
    dict["height"] = record.height;
    dict["pixelType"] = record.pixelType;
    dict["storedFormat"] = record.storedFormat;
    return dict;
}

// A path given as text or as a path object (os.PathLike).
std::wstring PathText(const py::object& path) {
    return py::module_::import("os").attr("fspath")(path).cast<std::wstring>();
}

py::list List(const py::object& pathObject, const std::optional<std::wstring>& password) {
    const std::wstring path = PathText(pathObject);
    CorePlatform platform;
    std::unique_ptr<CliDocument> document = OpenOrRaise(platform, path, password);
    std::vector<ImageRecord> records;
    if (document) {
        py::gil_scoped_release release;
        const int count = document->ImageCount();
        for (int index = 0; index < count; ++index) records.push_back(ListRecord(*document, index));
    }
    py::list list;
    for (const ImageRecord& record : records) list.append(RecordDict(record));
    return list;
}

// One picture of the manifest: where it was written, or why not.
struct ManifestEntry {
    int index = 0;
    std::wstring name;
    std::optional<std::wstring> path;
    std::optional<std::wstring> reason;
};

py::list Extract(const py::object& pathObject,
                 const py::object& outDir,
                 const std::wstring& type,
                 const std::wstring& fileTemplate,
                 const std::optional<std::wstring>& password,
                 std::optional<int> jobs,
                 std::optional<std::pair<int, int>> minSize) {
    // The command line's checks, in the same words.
    if (jobs && (*jobs < 1 || *jobs > kMaxJobs))
        throw py::value_error("jobs needs a number from 1 to " + std::to_string(kMaxJobs));
    const std::wstring path = PathText(pathObject);
    CorePlatform platform;
    ExtractSettings settings;
    settings.typeIndex = TypeIndexOf(type);
    if (settings.typeIndex < 0) {
        PyErr_SetObject(PyExc_ValueError,
                        py::cast(L"type: \"" + type + L"\" is not bmp, gif, jpeg, png or original").ptr());
        throw py::error_already_set();
    }
    settings.fileTemplate = fileTemplate;
    settings.folder = platform.FolderPath(PathText(outDir));
    settings.password = password;
    settings.threads = WorkerCount(jobs.value_or(0));
    std::unique_ptr<CliDocument> document = OpenOrRaise(platform, path, password);

    std::vector<ManifestEntry> manifest;
    std::wstring error;
    bool folderError = false;
    if (document) {
        py::gil_scoped_release release;
        std::vector<int> selected;
        for (int index = 0; index < document->ImageCount(); ++index) {
            if (minSize &&
                (document->ImageWidth(index) < minSize->first || document->ImageHeight(index) < minSize->second))
                continue;
            selected.push_back(index);
        }
        const ExtractPlan plan = PlanDocument(platform, *document, selected, settings, RunPaths());
        if (!selected.empty()) error = RefusedPlanText(plan);
        if (error.empty() && !selected.empty() && !platform.MakeFolder(settings.folder)) {
            error = L"The folder " + settings.folder + L" cannot be created.";
            folderError = true;
        }
        if (error.empty() && !selected.empty()) {
            const DocumentRun run = WriteDocument(platform, path, *document, plan.pictures, settings, nullptr);
            const std::wstring stopped =
                run.summary.stoppedByFailure ? L"Stopped: " + platform.ReasonText(run.summary.stopReason) : L"";
            // In the document's order, those the template led outside the folder among them.
            size_t planned = 0, outside = 0;
            for (int index : selected) {
                ManifestEntry entry{index + 1, document->ImageName(index), {}, {}};
                if (outside < plan.outside.size() && plan.outside[outside].index == index) {
                    entry.reason = L"the template leads outside " + settings.folder + L"; not written";
                    ++outside;
                } else if (planned < plan.pictures.size() && plan.pictures[planned].index == index) {
                    const PictureOutcome& outcome = run.outcomes[planned];
                    if (outcome.written)
                        entry.path = plan.pictures[planned].path;
                    else
                        entry.reason = outcome.processed ? platform.ReasonText(outcome.reason) : stopped;
                    ++planned;
                }
                manifest.push_back(std::move(entry));
            }
        }
    }
    if (!error.empty()) {
        PyErr_SetObject(folderError ? PyExc_OSError : PyExc_ValueError, py::cast(error).ptr());
        throw py::error_already_set();
    }
    py::list list;
    for (const ManifestEntry& entry : manifest) {
        py::dict dict;
        dict["index"] = entry.index;
        dict["name"] = entry.name;
        dict["path"] = entry.path ? py::cast(*entry.path) : py::none();
        dict["reason"] = entry.reason ? py::cast(*entry.reason) : py::none();
        list.append(dict);
    }
    return list;
}

}  // namespace

PYBIND11_MODULE(pictrove, module) {
    module.doc() = "Pulls the pictures out of documents: list them, extract them as files.";
    g_passwordError = PyErr_NewExceptionWithDoc(
        "pictrove.PasswordError", "The document needs a password, or the password given does not open it.",
        PyExc_RuntimeError, nullptr);
    g_documentError = PyErr_NewExceptionWithDoc("pictrove.DocumentError",
                                                "The document is damaged, cannot be read, or no reader knows its kind.",
                                                PyExc_RuntimeError, nullptr);
    module.add_object("PasswordError", py::handle(g_passwordError));
    module.add_object("DocumentError", py::handle(g_documentError));
    module.def("list", &List, py::arg("path"), py::arg("password") = py::none(),
               "The document's pictures as `pictrove list --json` gives them: one dict per picture with index, "
               "name, width, height, pixelType and storedFormat.");
    module.def("extract", &Extract, py::arg("path"), py::arg("out_dir"), py::arg("type") = L"png",
               py::arg("template") = L"%IN%", py::arg("password") = py::none(), py::arg("jobs") = py::none(),
               py::arg("min_size") = py::none(),
               "Writes the document's pictures into out_dir as `pictrove extract` does (type: bmp, gif, jpeg, png or "
               "original) and returns one dict per picture: index, name, the path written or None, and the reason "
               "it failed or None. min_size=(width, height) leaves out smaller pictures.");
}
