// The largest single allocation the program asked for since the last reset: the replaced global
// operator new records it, so a test can prove that an input never made the code reserve more
// than its data could fill.
#pragma once

#include <cstddef>

namespace pictrove::test {

void ResetLargestAllocation();
std::size_t LargestAllocation();
// Every byte asked for since the last reset, freed or not.
std::size_t TotalAllocated();

}  // namespace pictrove::test
