// Image names that are safe as Windows file names: readers hand them out as the base of the
// output files, so a name never holds a folder, a character Windows refuses, a trailing dot or
// blank, or a device name, and names are unique within one document.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace pictrove::readers {

// Names are cut to this many UTF-16 units, leaving room for the folder, an index and an extension.
inline constexpr std::size_t kMaxImageNameLength = 120;

// The name made safe: characters below U+0020, < > : " / \ | ? * and unpaired surrogates become
// "_"; blanks around it and trailing dots go; device names (CON, NUL, COM1, LPT1 ..., also
// before a dot) get a leading "_"; long names are cut without splitting a surrogate pair.
// Empty when nothing usable is left (the application then numbers the image itself).
std::u16string SanitizeImageName(std::u16string_view name);

// The file name of a path (after the last / or \) without its last extension; the whole file
// name when the part before the extension would be empty (".png" stays ".png").
std::u16string DocumentStem(std::u16string_view path);

// "stem_<number>", the name of one of several images drawn from one file.
std::u16string NumberedName(std::u16string_view stem, int number);

// Hands out names unique within one document, compared as Windows compares file names
// (without regard to case): a repeated name gets "_2", "_3" ... Empty names stay empty.
class UniqueNames {
  public:
    std::u16string Add(std::u16string_view safeName);

  private:
    std::unordered_set<std::u16string> taken_;  // folded to upper case
};

// Upper-case folding for name comparison: ASCII, Latin-1, Greek and Cyrillic letters.
std::u16string FoldCase(std::u16string_view text);

}  // namespace pictrove::readers
