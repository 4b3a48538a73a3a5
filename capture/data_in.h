#pragma once

#include "capture/field_reader.h"
#include "engine/message.h"
#include "engine/seismic_calc_state.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelvaro {

// Reads the fields that the chosen shape uses into the state, derives the
// wall's n, writes the initial-data echo and sets CalcCode to 10 + shape.
// Refuses, with a message through `sink` and CalcCode 0, when no shape,
// anchor kind or material is chosen, when a field is empty (the optional nt
// of the floor and ceiling shapes may be), when the diameter is not one the
// anchor kind offers, when a text is not a plain decimal number, when a
// number is too large to compute with, or when a given nt is not a whole
// number from 1 to n / 2. A refusal
// keeps the selections: the user only has to complete the inputs. Without
// `echo` the echo block is left empty (for ReportText::Verdicts).
void data_in(SeismicCalcState &s, const FieldReader &fields, MessageSink &sink, bool echo = true);

// Shows the blank-field message (ErrorMessage, title "ERROR").
void errmsg(const SeismicCalcState &s, MessageSink &sink);

// Key filter of the numeric fields: digits, Backspace and one decimal point
// pass; everything else is discarded by setting KeyAscii to 0. `conma` is
// the field's text before the key takes effect.
void key_09(std::uint16_t &KeyAscii, std::string_view conma);

// A plain decimal number as the key filter lets a user type it: ASCII
// digits with at most one ".", and at least one digit.
bool is_plain_decimal(std::string_view text);

// The value of a plain decimal text, correctly rounded; nothing when it is
// too large for a double. Text that underflows reads as 0 or a subnormal.
std::optional<double> plain_decimal_value(std::string_view text);

// The message of the diameter box for a diameter that the list does not offer.
Message diameter_refusal_message();

} // namespace zelvaro
