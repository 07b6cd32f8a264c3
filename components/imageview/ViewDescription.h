// The words a screen reader says about the view: the picture's name, its size and the zoom.
// Portable, so its rounding is tested without windows.
#pragma once

#include <string>

namespace pictrove::imageview {

// "name, 640 × 480, 50 %": the zoom in whole percent, never 0 for a picture that shows; no name
// leaves the name out. Empty for no picture (width or height 0).
std::wstring DescribeView(const std::wstring& name, int width, int height, double scale);

}  // namespace pictrove::imageview
