// The page's way into the core. The page sends the selections and the
// fifteen field texts and gets back what the window would show: the report,
// the message boxes, and the verdicts for the printed sheet. The fixed texts
// of the window (captions, labels, lists, the Info text) come from here too,
// so that the page restates none of them.
//
// Everything crosses as UTF-8 JSON built by hand: the page needs a handful of
// strings, not a binding library.
#include "capture/single_case.h" // the headless case runner, the page's only way to calculate

#include "capture/advice.h"
#include "schedule/batch.h"
#include "schedule/list_rows.h"
#include "schedule/project.h"
#include "schedule/result_sinks.h"
#include "schedule/text_encoding.h"

#include "capture/data_in.h"
#include "capture/info_text.h"
#include "engine/checks.h"
#include "engine/general_date.h"
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"
#include "schedule/sheet_model.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using namespace zelvaro;

// Under the Info text: the licence and the notice of the power function,
// which the page's folder (and its zip) hold beside index.html.
constexpr const char *PageNotices =
    "ライセンス: MIT（LICENSE.txt）。\r\n"
    "べき乗の計算に Arm の optimized-routines（musl C ライブラリ版、Copyright (c) 2018 Arm Limited、"
    "MIT ライセンス）を使っています（THIRD-PARTY-NOTICES.txt）。";

// A JSON string (bytes that are not UTF-8 become U+FFFD).
void put_string(std::string &out, std::string_view s) {
  batch::append_json_string(out, s);
}

void put_list(std::string &out, std::span<const std::string_view> items) {
  out += '[';
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i)
      out += ',';
    put_string(out, items[i]);
  }
  out += ']';
}

const char *icon_name(MessageIcon icon) {
  switch (icon) {
  case MessageIcon::Question:
    return "question";
  case MessageIcon::Information:
    return "information";
  case MessageIcon::Critical:
    return "critical";
  case MessageIcon::None:
    break;
  }
  return "none";
}

void put_message(std::string &out, const Message &m) {
  out += "{\"title\":";
  put_string(out, m.title);
  out += ",\"text\":";
  put_string(out, m.text);
  out += ",\"icon\":\"";
  out += icon_name(m.icon);
  out += '"';
  if (!m.informative.empty()) {
    out += ",\"informative\":";
    put_string(out, m.informative);
  }
  out += '}';
}

std::string_view without_crlf(std::string_view s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The page's element id of an input.
std::string slot_id(InputSlot slot) {
  const int i = static_cast<int>(slot);
  return i <= 10 ? "Text1_" + std::to_string(i) : "Combo" + std::to_string(i - 10);
}

std::string page_texts() {
  std::string out = "{\"caption\":";
  put_string(out, InitialCaptionText);

  out += ",\"labels\":[";
  std::array<std::string_view, InputSlotCount> by_label{};
  for (const InputRow &row : input_rows())
    by_label[static_cast<std::size_t>(row.label)] = label_text(Shape::None, row.slot);
  for (std::size_t i = 0; i < by_label.size(); ++i) {
    if (i)
      out += ',';
    put_string(out, by_label[i]);
  }
  out += "],\"labelOf\":{";
  for (int i = 0; i < InputSlotCount; ++i) {
    if (i)
      out += ',';
    const auto slot = static_cast<InputSlot>(i);
    put_string(out, slot_id(slot));
    out += ':' + std::to_string(input_row(slot).label);
  }

  out += "},\"motorInputs\":[";
  bool first_motor = true;
  for (const InputRow &row : input_rows())
    if (row.switched_by == InputSwitch::Motor) {
      if (!first_motor)
        out += ',';
      first_motor = false;
      put_string(out, slot_id(row.slot));
    }

  out += "],\"shapes\":[";
  for (int k = 1; k <= 5; ++k) {
    const Shape s = static_cast<Shape>(k);
    const ShapeProcedure *proc = shape_procedure(s);
    if (k > 1)
      out += ',';
    out += "{\"kind\":" + std::to_string(k) + ",\"caption\":";
    put_string(out, proc->caption);
    out += ",\"labels\":{";
    bool first = true;
    for (const InputRow &row : input_rows())
      if (row.relabel >= 0) {
        if (!first)
          out += ',';
        first = false;
        out += '"' + std::to_string(row.label) + "\":";
        put_string(out, label_text(s, row.slot));
      }
    out += "},\"inputs\":{";
    first = true;
    for (const InputRow &row : input_rows())
      if (row.switched_by == InputSwitch::Shape) {
        if (!first)
          out += ',';
        first = false;
        put_string(out, slot_id(row.slot));
        out += ':';
        out += field_binding(*proc, row.slot) ? "true" : "false";
      }
    // Inputs the shape may leave blank (nt), which start blank under their label.
    out += "},\"optional\":[";
    first = true;
    for (const InputRow &row : input_rows())
      if (const FieldBinding *b = field_binding(*proc, row.slot); b && b->optional) {
        if (!first)
          out += ',';
        first = false;
        put_string(out, slot_id(row.slot));
      }
    out += "]}";
  }
  // The inputs greyed at start, with no shape chosen.
  out += "],\"offAtStart\":[";
  bool first_off = true;
  for (const InputRow &row : input_rows())
    if (!on_at_start(row.slot)) {
      if (!first_off)
        out += ',';
      first_off = false;
      put_string(out, slot_id(row.slot));
    }

  out += "],\"anchors\":[";
  for (const AnchorInfo &a : anchor_kinds()) {
    if (a.kind != Anchor::HawkCut)
      out += ',';
    out += "{\"kind\":" + std::to_string(static_cast<int>(a.kind)) + ",\"caption\":";
    put_string(out, a.caption);
    out += ",\"diameters\":";
    put_list(out, diameter_items(a.kind));
    out += '}';
  }

  out += "],\"materials\":[";
  for (Material m : {Material::SS, Material::SUS}) {
    if (m != Material::SS)
      out += ',';
    out += "{\"kind\":" + std::to_string(static_cast<int>(m)) + ",\"caption\":";
    put_string(out, material_strength(m)->caption);
    out += '}';
  }

  out += "],\"lists\":{\"Combo1\":";
  put_list(out, diameter_items(Anchor::None));
  out += ",\"Combo2\":";
  put_list(out, seismic_coefficient_items());
  out += ",\"Combo3\":";
  put_list(out, motor_power_items());
  out += ",\"Combo4\":";
  put_list(out, regional_coefficient_items());
  out += "},\"defaults\":{\"Combo1\":";
  put_string(out, DefaultDiameterText);
  out += ",\"Combo2\":";
  put_string(out, DefaultSeismicCoefficientText);
  out += ",\"Combo4\":";
  put_string(out, DefaultRegionalCoefficientText);
  out += ",\"off\":";
  put_string(out, MotorOffText);
  out += "},\"info\":";
  put_message(out, Message{"Information", info_text(), MessageIcon::Information, PageNotices});
  out += ",\"diameterRefusal\":";
  put_message(out, diameter_refusal_message());
  out += '}';
  return out;
}

// The sheet model as the page's printed sheet renders it.
void put_sheet(std::string &out, const sheet::SheetModel &d) {
  out += "{\"calculatedAt\":";
  put_string(out, d.calculated_at);
  out += ",\"caption\":";
  put_string(out, d.caption);
  out += ",\"number\":";
  put_string(out, d.number);
  out += ",\"project\":";
  put_string(out, d.names.project);
  out += ",\"equipment\":";
  put_string(out, d.names.equipment);
  out += ",\"checker\":";
  put_string(out, d.names.checker);
  out += ",\"page\":";
  put_string(out, sheet::page_text(d.page, d.pages));
  out += ",\"selections\":[";
  bool first = true;
  for (const auto &[name, value] : sheet::sheet_selections(d)) {
    out += first ? "[" : ",[";
    first = false;
    put_string(out, name);
    out += ',';
    put_string(out, value);
    out += ']';
  }
  out += "],\"report\":";
  put_string(out, d.report);
  out += ",\"verdicts\":[";
  first = true;
  for (const sheet::SheetVerdict &v : d.verdicts) {
    out += first ? "{\"check\":" : ",{\"check\":";
    first = false;
    put_string(out, v.check);
    out += ",\"ok\":";
    out += v.ok ? "true" : "false";
    out += ",\"text\":";
    put_string(out, without_crlf(v.outcome));
    out += '}';
  }
  out += "],\"advice\":";
  if (d.advice)
    put_message(out, *d.advice);
  else
    out += "null";
  out += ",\"suggestions\":[";
  for (std::size_t i = 0; i < d.suggestions.size(); ++i) {
    if (i)
      out += ',';
    put_string(out, d.suggestions[i]);
  }
  out += "]}";
}

std::string calculate(int shape, int anchor, int material, std::string_view texts, std::string_view now) {
  cases::CaseFields fields;
  for (int i = 0; i < InputSlotCount; ++i) {
    const std::size_t end = texts.find('\n');
    fields.set(static_cast<InputSlot>(i), texts.substr(0, end));
    texts = end == std::string_view::npos ? std::string_view{} : texts.substr(end + 1);
  }
  SeismicCalcState state;
  cases::prepare_state(state, static_cast<Shape>(shape), static_cast<Anchor>(anchor),
                       static_cast<Material>(material));
  const CalcOutcome outcome = cases::run_case(state, fields, now);

  std::string out = "{\"status\":\"";
  out += outcome.status == CalcOutcome::Status::Reported  ? "reported"
         : outcome.status == CalcOutcome::Status::Stopped ? "stopped"
                                                          : "refused";
  out += "\",\"messages\":[";
  bool first = true;
  const auto message = [&](const Message &m) {
    if (!first)
      out += ',';
    first = false;
    put_message(out, m);
  };
  for (const Message &m : outcome.refusal)
    message(m);
  std::vector<std::string> changes;
  if (outcome.status == CalcOutcome::Status::Reported && outcome.message) {
    // judge_msg's advice, with the changes that would pass under it, as the window shows them.
    changes = cases::suggestions(state, fields, outcome);
    Message advice = *outcome.message;
    advice.informative = cases::joined(changes, "\r\n");
    message(advice);
  } else if (outcome.message) {
    message(*outcome.message); // the numeric error
  }
  out += ']';
  if (outcome.status == CalcOutcome::Status::Reported) {
    out += ",\"report\":";
    put_string(out, outcome.report);
    // The printed sheet: the same model the desktop sheet draws.
    batch::ItemResult result;
    batch::take_outcome(result, state, outcome);
    result.suggestions = changes;
    out += ",\"sheet\":";
    put_sheet(out, sheet::sheet_model(state, outcome, fields, result));
  }
  out += '}';
  return out;
}

// The schedule as UTF-8 text, whatever it was written in: what the page
// downloads again. Undecodable bytes become U+FFFD, as the reader shows them.
std::string schedule_utf8(std::string_view bytes) {
  if (bytes.starts_with(batch::kUtf8Bom))
    bytes.remove_prefix(batch::kUtf8Bom.size());
  std::string out;
  if (batch::detect_encoding(bytes, true) == batch::Encoding::Cp932) {
    try {
      batch::Cp932Decoder decoder;
      decoder.decode_lossy(bytes, out);
      return out;
    } catch (const std::runtime_error &) {
      out.clear(); // no CP932 converter: shown as the reader shows it
    }
  }
  batch::append_utf8_lossy(bytes, out);
  return out;
}

// The schedule the page shows: its items and their results, held as the
// window holds its project.
batch::Project project;

// A schedule opened into the project: its verdict table (as zelvaro-check
// --batch writes it), and for the list the header and each item's cells as
// the window's list shows them, with what the item is loaded from (its row's
// cells, selections and field texts, as the window loads it) and its typed
// result (`result`, the object of zelvaro-check --format json).
std::string run_schedule(std::string_view bytes) {
  std::string error;
  try {
    error = project.open(bytes);
  } catch (const std::exception &e) { // bytes no encoding of this build reads
    error = e.what();
  }
  batch::BatchCounts counts;
  counts.file_error = !error.empty();
  std::ostringstream table;
  batch::CsvTable sink(table);
  std::string items;
  if (!counts.file_error) {
    sink.begin();
    for (std::size_t i = 0; i < project.size(); ++i) {
      const batch::ProjectItem &item = project.item(i);
      const batch::ItemResult &r = item.result;
      sink.write(r);
      ++counts.items;
      ++(r.status == batch::ItemStatus::Ok          ? counts.passed
         : r.status == batch::ItemStatus::Shortfall ? counts.shortfalls
                                                    : counts.refused);
      items += i ? ",{\"line\":" : "{\"line\":";
      items += std::to_string(item.row.line) + ",\"cells\":";
      const std::vector<std::string_view> cells(item.row.cells.begin(), item.row.cells.end());
      put_list(items, cells);
      const batch::ListRow row = batch::list_row(project, i);
      const std::vector<std::string_view> shown(row.begin(), row.end());
      items += ",\"list\":";
      put_list(items, shown);
      // The selections (0: one the batch could not use) and the field texts.
      const batch::RowInputs in = project.inputs(i);
      items += ",\"shape\":" + std::to_string(static_cast<int>(in.shape));
      items += ",\"anchor\":" + std::to_string(static_cast<int>(in.anchor));
      items += ",\"material\":" + std::to_string(static_cast<int>(in.material));
      const std::vector<std::string_view> fields(in.texts.begin(), in.texts.end());
      items += ",\"fields\":";
      put_list(items, fields);
      items += ",\"result\":";
      batch::append_json(items, r);
      items += '}';
    }
    sink.finish();
  }

  std::string out = "{\"counts\":{\"items\":" + std::to_string(counts.items) +
                    ",\"passed\":" + std::to_string(counts.passed) +
                    ",\"shortfalls\":" + std::to_string(counts.shortfalls) +
                    ",\"refused\":" + std::to_string(counts.refused) +
                    "},\"fileError\":" + (counts.file_error ? "true" : "false");
  out += ",\"table\":";
  put_string(out, table.str());
  out += ",\"schedule\":";
  put_string(out, schedule_utf8(bytes));
  out += ",\"columns\":";
  const std::vector<std::string_view> names(project.columns().begin(), project.columns().end());
  put_list(out, counts.file_error ? std::vector<std::string_view>{} : names);
  out += ",\"header\":";
  put_list(out, batch::list_header());
  out += ",\"verdictColumn\":" + std::to_string(static_cast<int>(batch::ListColumn::Verdict));
  out += ",\"messageColumn\":" + std::to_string(static_cast<int>(batch::ListColumn::Message));
  out += ",\"items\":[" + items + "]}";
  return out;
}

std::string result; // what the last call returned, valid until the next call

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char *zelvaro_page_texts() {
  result = page_texts();
  return result.c_str();
}

// `texts` holds the fields in the order of InputSlot (Text1(0) to Text1(10),
// Combo1 to Combo4), one per line; `now` is the report header's date.
EMSCRIPTEN_KEEPALIVE const char *zelvaro_calculate(int shape, int anchor, int material, const char *texts,
                                                   const char *now) {
  result = calculate(shape, anchor, material, texts, now);
  return result.c_str();
}

// A schedule CSV (`size` bytes at `bytes`, UTF-8 or CP932) opened as the
// page's project: see run_schedule.
EMSCRIPTEN_KEEPALIVE const char *zelvaro_run_schedule(const char *bytes, int size) {
  result = run_schedule(std::string_view(bytes, size > 0 ? static_cast<std::size_t>(size) : 0));
  return result.c_str();
}

// The header's date from the page's clock, in the report's own form.
EMSCRIPTEN_KEEPALIVE const char *zelvaro_date_text(int year, int month, int day, int hour, int minute,
                                                   int second) {
  result = general_date_text({year, month, day, hour, minute, second});
  return result.c_str();
}

// key_09: 1 when `code` may be typed into a numeric field holding `current`.
EMSCRIPTEN_KEEPALIVE int zelvaro_key_passes(const char *current, int code) {
  if (code < 0 || code > 0xffff)
    return 0;
  std::uint16_t key = static_cast<std::uint16_t>(code);
  key_09(key, current);
  return key != 0;
}
}
