// Output file names from the folder and the user's template ("%II%", "%0II%", "%IN%"): the
// rules every front end names files by, with no platform calls.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pictrove {

// Decimal digits of the image count (0 for 0 images).
int PadWidth(int imageCount);

// "%0<width>d" for the image count: "%03d" for 150 images, "%00d" for none.
std::wstring IndexPadFormat(int imageCount);

// Every non-overlapping occurrence, left to right; the inserted text is not scanned again.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view placeholder, std::wstring_view replacement);

// Longest image name "%IN%" inserts, in UTF-16 units: with a template and an extension the file
// name stays within the 255 characters a path component may have.
inline constexpr size_t kMaxImageNameLength = 200;

// The image name as "%IN%" may insert it. A name from a document cannot lead out of the chosen
// folder or onto another drive, nor name a device or a file Windows cannot make: separators,
// colons, the other characters file names may not hold and control characters become
// underscores, as do trailing dots and spaces; a reserved device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, with or without extension) gets an underscore in front; the name is cut to
// kMaxImageNameLength.
std::wstring SafeImageName(std::wstring_view name);

// The characters of a file-name template that Windows refuses in names (: * ? " < > | and control
// characters), each once, in the order they first appear, separated by spaces (a control
// character as U+00XX); empty when the template has none. Separators stay allowed: a template
// may name a subfolder.
std::wstring ForbiddenTemplateCharacters(std::wstring_view fileTemplate);

// The same for a folder path: * ? " < > |, control characters, and a colon anywhere but after the
// drive letter. The "\\?\" prefix of a long path is the path's own.
std::wstring ForbiddenFolderCharacters(std::wstring_view folder);

// Paths at least this long need the long-path form to be opened.
inline constexpr size_t kLongPathThreshold = 260;

// The path as file functions take it: a full path of MAX_PATH characters or more gets the
// "\\?\" (or "\\?\UNC\") prefix; anything else is returned as it is.
std::wstring LongPathForm(std::wstring_view path);

// folder + template with the index placeholders (index is 0-based, shown from 1) and then the
// name placeholder substituted. The name is made safe here; folder and template are the user's.
std::wstring ComposeOutputPath(std::wstring_view folder,
                               std::wstring_view fileTemplate,
                               int index,
                               std::wstring_view padFormat,
                               std::wstring_view imageName);

// Where the extension of the last path component starts (its full stop), or npos when that
// component has none. A full stop inside a folder name is not an extension.
size_t ExtensionStart(std::wstring_view path);

// The image type (0 BMP, 1 GIF, 2 JPEG, 3 PNG) an extension names, case-insensitively: .bmp,
// .gif, .jpg/.jpeg/.jpe/.jfif, .png; -1 for any other extension or none.
int ImageTypeOfExtension(std::wstring_view path);

// The usual extension of an image type (".bmp", ".gif", ".jpg", ".png"); empty outside 0..3.
std::wstring_view ImageTypeExtension(int typeIndex);

// Gives a template the extension of a type: an image extension of the last path component is
// replaced, anything else ("photo", "v1.5_%IN%") keeps its text and gets the extension appended.
// An empty template becomes "%IN%" first.
std::wstring FixTemplateExtension(std::wstring fileTemplate, std::wstring_view extension);

// The extension an "Original format" file gets: the stored format's, PNG's when it has none.
std::wstring OriginalFormatExtension(int storedFormat);

// "name (n).ext": the number goes before the extension of the last path component.
std::wstring NumberedPath(std::wstring_view path, int number);

// True when two paths name the same file on a case-insensitive file system.
bool SamePath(std::wstring_view a, std::wstring_view b);

// True when path names something strictly inside folder (which ends with a separator), once "."
// and ".." are resolved as Windows resolves them. Letter case is not told apart.
bool InsideFolder(std::wstring_view path, std::wstring_view folder);

// Makes the paths of one job distinct: a path that an earlier one of the job already took, or
// (with keepExisting) one that exists, gets " (2)", " (3)"... before its extension, the first
// number that is free. Paths are compared case-insensitively.
std::vector<std::wstring> DistinctOutputPaths(const std::vector<std::wstring>& paths,
                                              bool keepExisting,
                                              const std::function<bool(const std::wstring&)>& exists);

}  // namespace pictrove
