#pragma once

// The worked example of each shape, for the tests, the benchmarks and the
// fuzz target: one table (worked_examples.def), so that every copy of an
// example is this one.

#include "engine/seismic_calc_state.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvaro::test {

// Field texts by the names zelvaro-check reads, in order.
using Fields = std::vector<std::pair<std::string, std::string>>;

// "NAME=TEXT NAME=TEXT ..." as field texts, in order.
inline Fields parse_fields(std::string_view pairs) {
  Fields out;
  for (std::size_t start = 0; start < pairs.size();) {
    std::size_t end = pairs.find(' ', start);
    if (end == std::string_view::npos)
      end = pairs.size();
    const std::string_view pair = pairs.substr(start, end - start);
    const std::size_t eq = pair.find('=');
    out.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
    start = end + 1;
  }
  return out;
}

struct WorkedExample {
  Shape shape;
  Anchor anchor;
  Material material;
  std::string_view shape_word, anchor_word,
      material_word;                    // as zelvaro-check and the schedules spell them
  std::string_view fields;              // NAME=TEXT pairs separated by spaces
  std::vector<std::string_view> report; // the report's lines after the date line

  // The field texts, with `extra` over them (a changed text in place, a new
  // one at the end).
  Fields field_texts(const Fields &extra = {}) const {
    Fields out = parse_fields(fields);
    for (const auto &[name, text] : extra) {
      auto it = out.begin();
      while (it != out.end() && it->first != name)
        ++it;
      if (it == out.end())
        out.emplace_back(name, text);
      else
        it->second = text;
    }
    return out;
  }
  // zelvaro-check's arguments for the example, `extra` over its fields.
  std::vector<std::string> arguments(const Fields &extra = {}) const {
    std::vector<std::string> out{"--shape",    std::string(shape_word),
                                 "--anchor",   std::string(anchor_word),
                                 "--material", std::string(material_word)};
    for (const auto &[name, text] : field_texts(extra))
      out.push_back(name + "=" + text);
    return out;
  }
  std::string command_line(const Fields &extra = {}) const {
    std::string out;
    for (const std::string &arg : arguments(extra))
      out += (out.empty() ? "" : " ") + arg;
    return out;
  }
  // A schedule's header line (id first), and the cells of the example's row
  // after its id; both end in CR LF.
  std::string schedule_header() const { return "id,shape,anchor,material" + csv_tail(true) + "\r\n"; }
  std::string schedule_cells() const {
    return std::string(shape_word) + "," + std::string(anchor_word) + "," + std::string(material_word) +
           csv_tail(false) + "\r\n";
  }

private:
  std::string csv_tail(bool names) const {
    std::string out;
    for (const auto &[name, text] : field_texts())
      out += "," + (names ? name : text);
    return out;
  }
};

inline const std::vector<WorkedExample> &worked_examples() {
  static const std::vector<WorkedExample> all{
#define WORKED_EXAMPLE(shape, anchor, material, shape_word, anchor_word, material_word, fields, ...)         \
  {Shape::shape,  Anchor::anchor, Material::material, shape_word, anchor_word,                               \
   material_word, fields,         {__VA_ARGS__}},
#include "tests/support/worked_examples.def"
#undef WORKED_EXAMPLE
  };
  return all;
}

inline const WorkedExample &worked_example(Shape shape) {
  for (const WorkedExample &e : worked_examples())
    if (e.shape == shape)
      return e;
  throw std::out_of_range("no worked example for this shape");
}

} // namespace zelvaro::test
