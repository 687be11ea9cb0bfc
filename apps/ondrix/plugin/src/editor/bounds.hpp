#pragma once

namespace vantrel_ondrix_plugin::editor {

// A rectangle in logical units (points), relative to the parent view.
struct Bounds {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const Bounds&, const Bounds&) = default;
};

}  // namespace vantrel_ondrix_plugin::editor
