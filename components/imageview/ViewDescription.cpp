// Composing the view's spoken description.
#include "components/imageview/ViewDescription.h"

#include <algorithm>
#include <cmath>

namespace pictrove::imageview {

std::wstring DescribeView(const std::wstring& name, int width, int height, double scale) {
    if (width <= 0 || height <= 0) return {};
    // A huge picture fitted into a small pane shows below half a percent; "0 %" would say it is
    // not shown at all.
    const long percent = std::max(1L, std::lround(scale * 100.0));
    std::wstring text = name.empty() ? std::wstring() : name + L", ";
    text += std::to_wstring(width) + L" \u00D7 " + std::to_wstring(height) + L", " + std::to_wstring(percent) + L" %";
    return text;
}

}  // namespace pictrove::imageview
