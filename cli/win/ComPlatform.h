// The command line's platform on Windows: documents through the reader components found by the
// manifest, COM on every thread that reads, and the system's texts for its error codes.
#pragma once

#include "cli/CliDocument.h"

namespace pictrove::cli {

class ComPlatform : public CliPlatform {
  public:
    OpenedDocument Open(const std::wstring& path, const std::optional<std::wstring>& password) override;
    std::shared_ptr<void> EnterThread() override;
    std::wstring FolderPath(const std::wstring& typed) override;
    std::vector<std::wstring> ExpandDocumentName(const std::wstring& typed) override;
    bool MakeFolder(const std::wstring& folder) override;
    std::wstring ReasonText(std::uint32_t reason) override;
    std::wstring DefaultImageName(int index) override;
    std::wstring ImageTypeLabel(int typeIndex) override;
};

}  // namespace pictrove::cli
