#include "capture/data_in.h"

#include "engine/calculate.h"
#include "engine/checked_math.h"
#include "engine/float_text.h"
#include "engine/shape_procedure.h"
#include "refdata/selection_lists.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>

namespace zelvaro {

namespace {

// The label beside a field for the chosen shape, without its trailing "=".
std::string field_name(Shape shape, InputSlot slot) {
  std::string_view label = label_text(shape, slot);
  if (!label.empty() && label.back() == '=')
    label.remove_suffix(1);
  return "「" + std::string(label) + "」";
}

Message unreadable_message(Shape shape, InputSlot slot) {
  return Message{"ERROR",
                 field_name(shape, slot) + "の値を数値として読み取れません。\r\n" +
                     "半角の数字と小数点（.）だけで入力してください。",
                 MessageIcon::Question};
}

Message too_large_message(Shape shape, InputSlot slot) {
  return Message{
      "計算できません",
      "入力された値では計算できません。\r\n" + field_name(shape, slot) +
          "の値が大きすぎ、扱える範囲を超えます。\r\n本数・寸法・重量などの入力値を確認してください。",
      MessageIcon::Critical};
}

// Only floor and ceiling equipment may be given nt, and only a layout that
// can be built: a whole number of bolts, at least one and at most half of
// them (the other half takes the compression).
Message tension_bolts_message(Shape shape, InputSlot slot) {
  return Message{"ERROR",
                 field_name(shape, slot) + "には1以上でｱﾝｶ総数nの半分以下の整数を入力してください。\r\n" +
                     "空白のときはn/2本として計算します。",
                 MessageIcon::Question};
}

bool chosen(const SeismicCalcState &s) {
  return shape_procedure(s.ShapeKind) != nullptr && s.AnchorKind >= Anchor::HawkCut &&
         s.AnchorKind <= Anchor::RebarWelded && s.BoltMaterial >= Material::SS &&
         s.BoltMaterial <= Material::SUS;
}

// The bindings of the fields a shape reads, in the order of the window's
// controls, looked up once for each shape.
struct ShapeFields {
  std::array<const FieldBinding *, InputSlotCount> binding{};
  std::size_t count = 0;
};

const ShapeFields &fields_of(Shape shape) {
  static const auto all = [] {
    std::array<ShapeFields, 6> by_shape{};
    for (int k = 1; k < static_cast<int>(by_shape.size()); ++k) {
      ShapeFields &f = by_shape[static_cast<std::size_t>(k)];
      const ShapeProcedure &proc = *shape_procedure(static_cast<Shape>(k));
      for (int i = 0; i < InputSlotCount; ++i)
        if (const FieldBinding *b = field_binding(proc, static_cast<InputSlot>(i)))
          f.binding[f.count++] = b;
    }
    return by_shape;
  }();
  return all[static_cast<std::size_t>(shape)];
}

} // namespace

void errmsg(const SeismicCalcState &s, MessageSink &sink) {
  sink.show(Message{"ERROR", s.ErrorMessage, MessageIcon::Question});
}

Message diameter_refusal_message() {
  return Message{"入力できません", "ボルトは選択以外の径は強度基準が無いため､入力できません",
                 MessageIcon::None};
}

bool is_plain_decimal(std::string_view text) {
  int digits = 0, points = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      ++digits;
    else if (c == '.')
      ++points;
    else
      return false;
  }
  return digits > 0 && points <= 1;
}

namespace {

// The exact case of short numbers, such as nearly every field holds. With
// the digits read as a whole number w and f digits after the point, the
// value is w / 10^f. When w <= 2^53 and f <= 22, both w and 10^f are exact
// doubles, and one division, which IEEE rounds correctly, gives the
// correctly rounded value. Returns false for anything else (longer numbers,
// and texts that are not plain decimals) without touching `out`; true
// implies is_plain_decimal(text).
bool short_decimal_value(std::string_view text, double &out) {
  static constexpr double PowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t MaxExact = std::uint64_t{1} << 53;
  const std::size_t size = text.size();
  if (size > 19) // at most 19 digits: w cannot overflow
    return false;
  std::uint64_t w = 0;
  std::size_t point = size; // none yet
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] == '.' && point == size) {
      point = i;
      continue;
    }
    const auto d = static_cast<unsigned>(text[i] - '0'); // a second point is no digit either
    if (d > 9)
      return false;
    w = w * 10 + d;
  }
  const std::size_t decimals = point == size ? 0 : size - point - 1;
  if (size == (point == size ? 0 : 1) || w > MaxExact || decimals >= std::size(PowersOfTen))
    return false; // no digit, or not exact
  out = decimals == 0 ? static_cast<double>(w) : static_cast<double>(w) / PowersOfTen[decimals];
  return true;
}

} // namespace

std::optional<double> plain_decimal_value(std::string_view text) {
  double v = 0;
  if (short_decimal_value(text, v))
    return v;
  return float_text::plain_decimal(text);
}

void key_09(std::uint16_t &KeyAscii, std::string_view conma) {
  if (KeyAscii == 8 || (KeyAscii >= '0' && KeyAscii <= '9'))
    return;
  if (KeyAscii != '.' || conma.find('.') != std::string_view::npos)
    KeyAscii = 0;
}

void data_in(SeismicCalcState &s, const FieldReader &fields, MessageSink &sink, bool echo) {
  s.CalcCode = CalcCodeNone;
  if (!chosen(s)) {
    errmsg(s, sink);
    return;
  }
  const ShapeProcedure &proc = *shape_procedure(s.ShapeKind);
  s.CalcCode = calc_code_for(s.ShapeKind);

  // The fields this shape reads, in the order of the window's controls. The
  // external force is checked for blanks too: it is only empty when the user
  // switched it on and has not typed it yet.
  struct Read {
    const FieldBinding *binding;
    std::string_view text;
  };
  std::array<Read, InputSlotCount> read; // the first `count` are set
  const ShapeFields &bindings = fields_of(s.ShapeKind);
  const std::size_t count = bindings.count;
  for (std::size_t i = 0; i < count; ++i)
    read[i] = Read{bindings.binding[i], fields.text(bindings.binding[i]->slot)};
  const auto refuse = [&](const Message &m) {
    s.CalcCode = CalcCodeNone;
    sink.show(m);
  };
  for (std::size_t i = 0; i < count; ++i)
    if (read[i].text.empty() && !read[i].binding->optional) {
      s.CalcCode = CalcCodeNone;
      errmsg(s, sink);
      return;
    }
  for (std::size_t i = 0; i < count; ++i)
    if (read[i].binding->slot == InputSlot::Combo1) {
      const auto items = diameter_items(s.AnchorKind);
      if (std::find(items.begin(), items.end(), read[i].text) == items.end())
        return refuse(diameter_refusal_message());
    }
  std::array<double, InputSlotCount> value; // the first `count` are set
  std::size_t given_nt = count, total_n = count;
  for (std::size_t i = 0; i < count; ++i) {
    double v = 0;
    if (read[i].binding->member == &SeismicCalcState::nt_given && !read[i].text.empty())
      given_nt = i;
    if (read[i].binding->member == &SeismicCalcState::n)
      total_n = i;
    // An optional field left blank reads as 0.
    if (!read[i].text.empty() && !short_decimal_value(read[i].text, v)) { // else plain, and read exactly
      if (!is_plain_decimal(read[i].text))
        return refuse(unreadable_message(s.ShapeKind, read[i].binding->slot));
      const std::optional<double> general = plain_decimal_value(read[i].text);
      if (!general)
        return refuse(too_large_message(s.ShapeKind, read[i].binding->slot));
      v = *general;
    }
    if (!std::isfinite(v * read[i].binding->scale))
      return refuse(too_large_message(s.ShapeKind, read[i].binding->slot));
    value[i] = v * read[i].binding->scale;
  }
  if (given_nt < count && total_n < count) {
    const double nt = value[given_nt];
    if (!(nt >= 1 && nt == std::floor(nt) && nt <= value[total_n] / 2))
      return refuse(tension_bolts_message(s.ShapeKind, read[given_nt].binding->slot));
  }
  s.nt_given = 0; // shapes that are not given nt
  for (std::size_t i = 0; i < count; ++i)
    s.*(read[i].binding->member) = value[i];

  if (proc.derive_inputs) {
    try {
      proc.derive_inputs(s);
    } catch (const NumericFault &fault) {
      return refuse(numeric_error_message(fault));
    }
  }
  s.EchoBlock.clear();
  if (echo)
    proc.echo(s, s.EchoBlock);
}

} // namespace zelvaro
