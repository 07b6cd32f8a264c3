// Entry point of the console companion.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/Console.h"

int wmain(int argc, wchar_t** argv) {
    using namespace pictrove::cli;
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const CliParseResult parsed = ParseCliArguments(args);
    if (!parsed.ok) {
        WriteErr(L"PictroveCli: " + parsed.error + L"\n\n" + UsageText());
        return kExitBadArguments;
    }
    try {
        switch (parsed.options.command) {
            case CliCommand::kHelp:
                WriteOut(UsageText());
                return kExitAllWritten;
            case CliCommand::kList:
                return RunList(parsed.options);
            case CliCommand::kExtract:
                return RunExtract(parsed.options);
        }
    } catch (const std::bad_alloc&) {
        WriteErr(L"PictroveCli: out of memory\n");
    }
    return kExitSomeFailed;
}
