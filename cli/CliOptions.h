// The command line of the console companion: commands, options and the image selection, parsed
// without touching the system, so every rule is easy to test.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pictrove::cli {

enum class CliCommand { kHelp, kList, kExtract };

struct CliOptions {
    CliCommand command = CliCommand::kHelp;
    std::vector<std::wstring> documents;  // as typed; wildcards are expanded later
    std::wstring outputFolder;            // extract: -o
    int typeIndex = 3;                    // 0 BMP, 1 GIF, 2 JPEG, 3 PNG, 4 original format
    std::wstring fileTemplate = L"%IN%";  // the extension of the type is put on as the window does
    std::optional<std::wstring> password;
    std::wstring images;  // "1-5,9"; empty for all
    int jobs = 0;         // 0: one per processor
    bool json = false;
    bool quiet = false;
};

// The most decoding threads a run may be given.
inline constexpr int kMaxJobs = 64;

// The image type index a name stands for (bmp, gif, jpeg or jpg, png, original; any letter
// case), -1 for any other name.
int TypeIndexOf(std::wstring_view name);

struct CliParseResult {
    bool ok = false;
    std::wstring error;  // what was wrong, for the user
    CliOptions options;
};

// args without the program's own name.
CliParseResult ParseCliArguments(const std::vector<std::wstring>& args);

// A 1-based image selection such as "1-5,9,12-" (an open end runs to the last image) as sorted,
// distinct 1-based numbers; empty text selects nothing here (the caller takes all). False with
// an error for bad syntax, 0, or a range that runs backwards.
struct ImageRange {
    int first = 1;
    int last = 0;  // 0: to the end
};
bool ParseImageRanges(std::wstring_view text, std::vector<ImageRange>& ranges, std::wstring& error);

// The 0-based indices a selection picks out of count images, in document order, each once. The
// ranges that name images past the end (an open range only when it starts there) are returned in
// beyondEnd so the caller can report them.
std::vector<int> SelectImages(const std::vector<ImageRange>& ranges, int count, std::vector<ImageRange>& beyondEnd);

// "7" or "3-9" or "12-".
std::wstring RangeText(const ImageRange& range);

// The usage text printed by "help" and after an argument error.
std::wstring UsageText(std::wstring_view program = L"PictroveCli");

}  // namespace pictrove::cli
