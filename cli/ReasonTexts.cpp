// The system's English texts for the codes the command line reports, so both command lines say
// the same whichever language the system speaks.
#include "cli/ReasonTexts.h"

#include <cwchar>

namespace pictrove::cli {

std::wstring SystemReasonText(std::uint32_t reason) {
    switch (reason) {
        case kReasonFileNotFound:
            return L"The system cannot find the file specified.";
        case kReasonPathNotFound:
            return L"The system cannot find the path specified.";
        case kReasonAccessDenied:
            return L"Access is denied.";
        case kReasonNotEnoughMemory:
            return L"Not enough memory resources are available to process this command.";
        case kReasonInvalidData:
            return L"The data is invalid.";
        case kReasonWriteProtected:
            return L"The media is write protected.";
        case kReasonWriteFault:
            return L"The system cannot write to the specified device.";
        case kReasonSharingViolation:
            return L"The process cannot access the file because it is being used by another process.";
        case kReasonNotSupported:
            return L"The request is not supported.";
        case kReasonInvalidParameter:
            return L"The parameter is incorrect.";
        case kReasonDiskFull:
            return L"There is not enough space on the disk.";
        case kReasonInvalidName:
            return L"The filename, directory name, or volume label syntax is incorrect.";
        case kReasonNameTooLong:
            return L"The filename or extension is too long.";
        case kReasonFileTooLarge:
            return L"The file size exceeds the limit allowed and cannot be saved.";
        case kReasonOutOfMemory:
            return L"Not enough memory resources are available to complete this operation.";
        case kReasonUnspecified:
            return L"Unspecified error";
        case kReasonDrawingNotDrawn:
            return L"The picture is a drawing (EMF or WMF), which can be written here only as stored: use "
                   L"--type original.";
        default:
            return {};
    }
}

std::wstring ReasonCodeText(std::uint32_t reason) {
    wchar_t hex[16] = L"";
    std::swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(reason));
    return hex;
}

}  // namespace pictrove::cli
