// The words for the reasons a document or picture fails, as the command line prints them on
// every platform: the system's English texts for the codes the program gives.
#pragma once

#include <cstdint>
#include <string>

namespace pictrove::cli {

// Codes of failures the program reports, with the system's numbers for them.
enum ReasonCode : std::uint32_t {
    kReasonFileNotFound = 2,
    kReasonPathNotFound = 3,
    kReasonAccessDenied = 5,
    kReasonNotEnoughMemory = 8,
    kReasonInvalidData = 13,
    kReasonWriteProtected = 19,
    kReasonWriteFault = 29,
    kReasonSharingViolation = 32,
    kReasonNotSupported = 50,
    kReasonInvalidParameter = 87,
    kReasonDiskFull = 112,
    kReasonInvalidName = 123,
    kReasonNameTooLong = 206,
    kReasonFileTooLarge = 223,
    kReasonOutOfMemory = 0x8007000Eu,
    kReasonUnspecified = 0x80004005u,
    kReasonOverPixelLimit = 0x80040202u,
    kReasonOverStreamLimit = 0x80040203u,
    kReasonKindNotDecoded = 0x80040204u,  // listed, but a kind no decoder here reads
    // A drawing (EMF, WMF) where nothing draws drawings: it can be written only as stored.
    kReasonDrawingNotDrawn = 0xA0040001u,
};

// The text of a system code above; empty for a code the table does not hold.
std::wstring SystemReasonText(std::uint32_t reason);

// A code nothing names, still identifying the failure: "0x8000FFFF".
std::wstring ReasonCodeText(std::uint32_t reason);

}  // namespace pictrove::cli
