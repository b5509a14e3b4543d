// The property table: every property of every graphics object type, its value
// kind and its default. Values are checked and brought to one stored form here
// (colours as 1-by-3 rows, choices in the table's spelling, vectors as rows).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mexhost/graphics.hpp"
#include "runtime/array.hpp"

namespace mh::gfx::detail {

enum class Kind {
  Color,          // colour name, short name or RGB triple in [0, 1]
  ColorOrNone,    // ... or 'none'
  MarkerColor,    // ... or 'none' or 'auto'
  ColorMatrix,    // n-by-3 RGB rows
  Limits,         // [lo hi], finite, lo < hi
  Ticks,          // strictly increasing finite vector (may be empty)
  Positive,       // finite scalar > 0
  Integer,        // integer scalar >= 1
  Data,           // real vector (NaN and Inf allowed), stored as a row
  Ratio,          // three finite numbers > 0
  PixelPosition,  // [left bottom width height] in pixels, width and height in (0, 10000]
  NormPosition,   // [left bottom width height], normalized, width and height > 0
  TextPosition,   // [x y] or [x y z], finite; stored as 1-by-3
  Scalar,         // finite real scalar
  Choice,         // one of `choices` (case-insensitive)
  Text,           // char array, cell array of char rows, or numbers (shown with %g)
  StringList,     // cell row of char rows (a char row or char matrix is accepted)
  Name,           // char row
  Handle,         // a graphics handle or []; checked by the model
  ReadOnly,       // computed by the model, never set from outside
};

// Names of the properties that the model itself keeps, spelled as in the table.
namespace prop {
inline constexpr const char kCurrentFigure[] = "CurrentFigure";
inline constexpr const char kCurrentAxes[] = "CurrentAxes";
}  // namespace prop

// An axes' title and labels: the axes property that holds the text object's
// handle, and the name of the function that sets it (also its key in the JSON
// and page data).
struct LabelInfo {
  Label which;
  const char* property;
  const char* function;
};

// Title, XLabel, YLabel, in the order of Label.
std::span<const LabelInfo> labelTable();
const LabelInfo& labelInfo(Label which);

struct PropertyInfo {
  ObjectType type;
  const char* name;  // canonical spelling
  Kind kind;
  rt::Array (*makeDefault)();  // nullptr for Handle and ReadOnly properties
  const char* choices;         // Kind::Choice: "on|off"
  const char* mode;            // set to 'manual' when this property is set
};

std::span<const PropertyInfo> propertyTable();
// Case-insensitive lookup; nullptr if the type has no such property.
const PropertyInfo* findProperty(ObjectType type, std::string_view name);
// The checked, normalized value; an rt::Error naming the property otherwise.
rt::Array normalize(const PropertyInfo& info, const rt::Array& value);

// Colour names accepted everywhere a colour is ('r', 'red', ...); false if unknown.
bool namedColor(std::string_view name, double rgb[3]);
std::string lower(std::string_view s);

// The lines of a text value (char rows, cell elements, '\n' breaks).
std::vector<std::string> textLines(const rt::Array& value);

}  // namespace mh::gfx::detail
