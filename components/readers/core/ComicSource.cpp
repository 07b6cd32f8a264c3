// Pages of a comic archive.
#include "ComicSource.h"

#include <algorithm>

namespace pictrove::readers {

OpenStatus ComicSource::ListPictures() {
    std::vector<const ZipEntry*> entries;
    for (const auto& entry : Archive().Entries()) {
        // Resource forks that some archivers add beside every page ("__MACOSX/._page1.jpg").
        if (entry.IsFolder() || entry.name.starts_with("__MACOSX/")) continue;
        entries.push_back(&entry);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ZipEntry* a, const ZipEntry* b) { return NaturalLess(a->name, b->name); });
    // The content decides what is a picture, not the extension.
    for (const ZipEntry* entry : entries) AddPicture(*entry);
    return OpenStatus::kOpened;
}

}  // namespace pictrove::readers
