#pragma once

// One installation shape = one ShapeProcedure. Everything the five shapes
// share (capture of the common fields, the driver's forces, the motor-terms
// step, the tensile stress, the combined values, the anchor check, the
// verdict and the report) runs on one path in calculate.cpp; a shape adds
// only its fields, its labels, its echo, its conversions, its formulas and
// its own report lines. Adding a shape means writing one such unit and
// listing it in shapes.cpp.

#include "engine/input_slots.h"
#include "engine/seismic_calc_state.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace zelvaro {

// A field read into a member. scale is applied at capture (the motor power is
// chosen in kW and stored in W). An optional field may be left blank: the
// member is then 0.
struct FieldBinding {
  InputSlot slot;
  double SeismicCalcState::*member;
  double scale = 1;
  bool optional = false;
};

struct ShapeProcedure {
  Shape shape;
  std::string_view caption; // caption of the shape's option button
  // Text1 fields that only this shape reads (W, N, a, F and the four combo
  // boxes, which every shape reads, are bound in shapes.cpp).
  std::span<const FieldBinding> fields;
  // Label texts of the inputs the shape buttons relabel, indexed by
  // InputRow::relabel (Text1(7), Text1(3), Text1(2), Text1(1), Text1(8)).
  std::array<std::string_view, 5> labels;
  // Inputs derived right after capture (the wall's n); may be null.
  void (*derive_inputs)(SeismicCalcState &);
  // Initial-data echo, in entered units, ending with a line break.
  void (*echo)(const SeismicCalcState &, std::string &);
  // The shape's own length conversions to metres (the amplitude a and HG are
  // converted on the shared path).
  void (*convert)(SeismicCalcState &);
  // Rb (and the wall's Rb1 and Rb2), then tau_b; the shared path computes
  // sigma_b between the two.
  void (*pull_out)(SeismicCalcState &);
  void (*shear)(SeismicCalcState &);
  // Report lines: the pull-out line(s) and the shear line, each ending with a line break.
  void (*pull_out_lines)(const SeismicCalcState &, std::string &);
  void (*shear_line)(const SeismicCalcState &, std::string &);
};

// The procedure of a shape, or null for Shape::None and unknown values.
const ShapeProcedure *shape_procedure(Shape s);

// The binding of a slot for a shape, or null when the shape does not read it.
const FieldBinding *field_binding(const ShapeProcedure &proc, InputSlot slot);

// Text of the label beside an input for a shape; with no shape chosen the
// labels of the floor-mounted layout are shown, except where the input row
// has a text of its own (Text1(8) shows the wall's n2 until a shape is chosen).
std::string_view label_text(Shape s, InputSlot slot);

// Whether the input is on with no shape chosen: the floor-mounted layout
// without its optional fields.
bool on_at_start(InputSlot slot);

// The floor and ceiling shapes' nt field, and its echo "  nt=...(本)" when given.
inline constexpr FieldBinding TensionBoltsField{InputSlot::Text1_8, &SeismicCalcState::nt_given, 1, true};
void echo_tension_bolts(const SeismicCalcState &s, std::string &out);

inline constexpr std::string_view CRLF = "\r\n";

// The shear of the floor-mounted, circular and ceiling shapes: all n bolts
// share the horizontal load.
void shear_of_horizontal_load(SeismicCalcState &s);
void shear_line_of_horizontal_load(const SeismicCalcState &s, std::string &out);

// The four-line echo of the ceiling and braced shapes, which differ only in
// the span (L for the ceiling, H for the braced shape).
void echo_four_lines(const SeismicCalcState &s, std::string &out, std::string_view span_label, double span);

// The individual shapes.
extern const ShapeProcedure FloorMounted;
extern const ShapeProcedure CircularEquipment;
extern const ShapeProcedure WallEquipment;
extern const ShapeProcedure CeilingEquipment;
extern const ShapeProcedure BracedEquipment;

} // namespace zelvaro
