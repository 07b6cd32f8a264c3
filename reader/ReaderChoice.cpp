// Reader choice by file extension.
#include "reader/ReaderChoice.h"

namespace pictrove {

Microsoft::WRL::ComPtr<DocumentReader> CreateReaderForFile(std::wstring_view path) {
    Microsoft::WRL::ComPtr<DocumentReader> reader;
    const int format = ClassifyExtension(GetReaderExtension(path));
    if (format < 1 || format > kHighestReaderFormat) return reader;
    CoCreateInstance(kReaderClassIds[format], nullptr, CLSCTX_ALL, kIidDocumentReader,
                     reinterpret_cast<void**>(reader.GetAddressOf()));
    return reader;
}

}  // namespace pictrove
