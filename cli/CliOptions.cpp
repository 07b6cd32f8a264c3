// Parsing of the console companion's arguments.
#include "cli/CliOptions.h"

#include "engine/OutputNames.h"

#include <algorithm>
#include <cwctype>
#include <limits>
#include <set>

namespace pictrove::cli {

namespace {

std::wstring Lower(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

// A whole decimal number from 1 up to max; false for anything else.
bool ParsePositive(std::wstring_view text, int max, int& value) {
    if (text.empty() || text.size() > 9) return false;
    long long number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        number = number * 10 + (c - L'0');
    }
    if (number < 1 || number > max) return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

int TypeIndexOf(std::wstring_view name) {
    const std::wstring lower = Lower(name);
    if (lower == L"bmp") return 0;
    if (lower == L"gif") return 1;
    if (lower == L"jpeg" || lower == L"jpg") return 2;
    if (lower == L"png") return 3;
    if (lower == L"original") return 4;
    return -1;
}

bool ParseImageRanges(std::wstring_view text, std::vector<ImageRange>& ranges, std::wstring& error) {
    ranges.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(L',', start), text.size());
        const std::wstring_view part = text.substr(start, comma - start);
        ImageRange range;
        const size_t dash = part.find(L'-');
        constexpr int kMax = std::numeric_limits<int>::max();
        bool good = false;
        if (dash == std::wstring_view::npos) {
            good = ParsePositive(part, kMax, range.first);
            range.last = range.first;
        } else {
            good = ParsePositive(part.substr(0, dash), kMax, range.first) &&
                   (dash + 1 == part.size() || ParsePositive(part.substr(dash + 1), kMax, range.last)) &&
                   (range.last == 0 || range.last >= range.first);
        }
        if (!good) {
            error = L"--images: \"" + std::wstring(part) + L"\" is not an image number or a range such as 1-5";
            ranges.clear();
            return false;
        }
        ranges.push_back(range);
        start = comma + 1;
    }
    return true;
}

std::vector<int> SelectImages(const std::vector<ImageRange>& ranges, int count, std::vector<ImageRange>& beyondEnd) {
    beyondEnd.clear();
    std::set<int> picked;
    for (const ImageRange& range : ranges) {
        const int last = range.last == 0 ? count : std::min(range.last, count);
        for (int n = range.first; n <= last; ++n) picked.insert(n - 1);
        if (range.first > count || range.last > count) beyondEnd.push_back(range);
    }
    return {picked.begin(), picked.end()};
}

std::wstring RangeText(const ImageRange& range) {
    if (range.last == range.first) return std::to_wstring(range.first);
    return std::to_wstring(range.first) + L"-" + (range.last == 0 ? std::wstring() : std::to_wstring(range.last));
}

CliParseResult ParseCliArguments(const std::vector<std::wstring>& args) {
    CliParseResult result;
    CliOptions& options = result.options;
    auto fail = [&result](std::wstring error) {
        result.ok = false;
        result.error = std::move(error);
        return result;
    };
    if (args.empty()) return fail(L"no command given");
    const std::wstring command = Lower(args[0]);
    if (command == L"help" || command == L"--help" || command == L"-h" || command == L"/?") {
        options.command = CliCommand::kHelp;
        result.ok = true;
        return result;
    }
    if (command == L"list") {
        options.command = CliCommand::kList;
    } else if (command == L"extract") {
        options.command = CliCommand::kExtract;
    } else {
        return fail(L"unknown command \"" + args[0] + L"\"");
    }
    const bool extract = options.command == CliCommand::kExtract;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        auto value = [&](std::wstring& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::wstring text;
        if (arg == L"--") {
            for (++i; i < args.size(); ++i) options.documents.push_back(args[i]);
            break;
        }
        if (arg.size() < 2 || arg[0] != L'-') {
            options.documents.push_back(arg);
        } else if (arg == L"--password" || arg == L"-p") {
            if (!value(text)) return fail(arg + L" needs a password");
            options.password = text;
        } else if (arg == L"--json" && !extract) {
            options.json = true;
        } else if ((arg == L"-o" || arg == L"--output") && extract) {
            if (!value(text) || text.empty()) return fail(arg + L" needs a folder");
            if (const std::wstring refused = ForbiddenFolderCharacters(text); !refused.empty())
                return fail(arg + L": folder names cannot hold these characters: " + refused);
            options.outputFolder = text;
        } else if (arg == L"--type" && extract) {
            if (!value(text)) return fail(L"--type needs bmp, gif, jpeg, png or original");
            options.typeIndex = TypeIndexOf(text);
            if (options.typeIndex < 0) return fail(L"--type: \"" + text + L"\" is not bmp, gif, jpeg, png or original");
        } else if (arg == L"--template" && extract) {
            if (!value(text)) return fail(L"--template needs a text such as \"%IN%\"");
            if (const std::wstring refused = ForbiddenTemplateCharacters(text); !refused.empty())
                return fail(L"--template: file names cannot hold these characters: " + refused);
            options.fileTemplate = text;
        } else if (arg == L"--images") {
            if (!value(text)) return fail(L"--images needs numbers such as 1-5,9");
            std::vector<ImageRange> ranges;
            std::wstring error;
            if (!ParseImageRanges(text, ranges, error)) return fail(error);
            options.images = text;
        } else if (arg == L"--jobs" && extract) {
            if (!value(text) || !ParsePositive(text, kMaxJobs, options.jobs))
                return fail(L"--jobs needs a number from 1 to " + std::to_wstring(kMaxJobs));
        } else if (arg == L"--quiet" || arg == L"-q") {
            options.quiet = true;
        } else {
            return fail(L"unknown option \"" + arg + L"\" for " + command);
        }
    }
    if (options.documents.empty()) return fail(L"no document given");
    if (extract && options.outputFolder.empty()) return fail(L"extract needs an output folder: -o FOLDER");
    result.ok = true;
    return result;
}

std::wstring UsageText(std::wstring_view program) {
    const std::wstring name(program);
    const std::wstring indent(name.size() + 3, L' ');
    const std::wstring usage = L"Usage:\n  " + name +
                               L" list DOCUMENT... [--password PW] [--images 1-5,9] [--json]\n  " + name +
                               L" extract DOCUMENT... -o FOLDER [--type bmp|gif|jpeg|png|original]\n" + indent;
    return usage +
           L"[--template \"%IN%\"] [--password PW] [--images 1-5,9] [--jobs N] [--quiet]\n"
           L"\n"
           L"DOCUMENT may hold wildcards (* and ?) in its file name. The template takes %IN% (image\n"
           L"name), %II% (image number) and %0II% (image number with leading zeros); the type's\n"
           L"extension is put on. --type original writes each picture byte for byte as its document\n"
           L"stores it (JPEG, JPEG 2000, JBIG2, PNG, GIF, TIFF, BMP) with that format's extension, and\n"
           L"as PNG a picture that has no stored file form. A file written earlier in the same run is\n"
           L"never overwritten: the later one gets \" (2)\" before its extension. Files that were there\n"
           L"before are replaced.\n"
           L"\n"
           L"Exit codes: 0 every image written; 1 some images failed (each is listed); 2 bad\n"
           L"arguments; 3 a document could not be opened (the others are still done).\n";
}

}  // namespace pictrove::cli
