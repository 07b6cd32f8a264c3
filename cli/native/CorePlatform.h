// The command line's platform natively: documents read by the readers' core straight from a
// mapped file, the POSIX file system, and the program's own English texts for its reasons.
#pragma once

#include "cli/CliDocument.h"

namespace pictrove::cli {

class CorePlatform : public CliPlatform {
  public:
    OpenedDocument Open(const std::wstring& path, const std::optional<std::wstring>& password) override;
    std::wstring FolderPath(const std::wstring& typed) override;
    std::vector<std::wstring> ExpandDocumentName(const std::wstring& typed) override;
    bool MakeFolder(const std::wstring& folder) override;
    std::wstring ReasonText(std::uint32_t reason) override;
    std::wstring DefaultImageName(int index) override;
    std::wstring ImageTypeLabel(int typeIndex) override;
};

}  // namespace pictrove::cli
