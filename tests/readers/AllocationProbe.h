// The largest single allocation the program asked for since the last reset: the replaced global
// operator new records it, so a test can prove that an input never made the code reserve more
// than its data could fill.
#pragma once

#include <cstddef>

namespace pictrove::test {

void ResetLargestAllocation();
std::size_t LargestAllocation();

}  // namespace pictrove::test
