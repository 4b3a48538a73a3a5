#include "schedule/sheet_model.h"

#include "engine/report_text.h"
#include "engine/shape_procedure.h"
#include "refdata/materials.h"
#include "refdata/selection_lists.h"

#include <utility>

namespace zelvaro::sheet {

SheetModel sheet_model(const SeismicCalcState &s, const CalcOutcome &outcome, std::string diameter,
                       std::string kh, std::string z) {
  SheetModel d;
  d.report = outcome.report;
  d.advice = outcome.message;
  std::string_view header = s.ReportHeader;
  if (header.starts_with(ReportHeaderMark) && header.ends_with(ReportHeaderMark) &&
      header.size() >= 2 * ReportHeaderMark.size())
    d.calculated_at = header.substr(ReportHeaderMark.size(), header.size() - 2 * ReportHeaderMark.size());
  d.verdicts.push_back({"ボルト強度", s.VerdictLine, outcome.bolt_ok});
  if (outcome.bond) {
    d.verdicts.push_back({"密着力・連結性", s.AnchorBlock, outcome.bond->safe});
  } else if (s.AnchorKind == Anchor::RebarWelded) {
    // The weld's line, then the rebar's: figures to check, not verdicts.
    d.verdicts.push_back({"溶接・鉄筋", s.AnchorBlock.substr(0, s.AnchorBlock.find(CRLF)), true});
    d.verdicts.push_back({"溶接・鉄筋", s.RebarLine, true});
  }
  d.shape = s.ShapeKind;
  d.anchor = s.AnchorKind;
  d.material = s.BoltMaterial;
  d.diameter = std::move(diameter);
  d.kh = std::move(kh);
  d.z = std::move(z);
  d.caption = s.CaptionText;
  return d;
}

SheetModel sheet_model(const SeismicCalcState &s, const CalcOutcome &outcome, const FieldReader &fields,
                       const batch::ItemResult &result) {
  SheetModel d =
      sheet_model(s, outcome, std::string(fields.text(InputSlot::Combo1)),
                  std::string(fields.text(InputSlot::Combo2)), std::string(fields.text(InputSlot::Combo4)));
  d.number = result.id;
  d.suggestions = result.suggestions;
  return d;
}

std::vector<std::pair<std::string, std::string>> sheet_selections(const SheetModel &d) {
  const ShapeProcedure *proc = shape_procedure(d.shape);
  const MaterialStrength *material = material_strength(d.material);
  const int anchor = static_cast<int>(d.anchor);
  return {
      {"設備形状", proc ? std::string(proc->caption) : std::string()},
      {"アンカー種類", anchor >= 1 && anchor <= 7
                           ? std::string(anchor_kinds()[static_cast<std::size_t>(anchor - 1)].caption)
                           : std::string()},
      {"ボルト材質", material ? std::string(material->caption) : std::string()},
      {"ボルト径", "M" + d.diameter},
      {"設計水平震度 KH", d.kh},
      {"地域係数 Z", d.z},
  };
}

SheetNames title_names(const SheetNames &row, const SheetNames &given) {
  const auto pick = [](const std::string &own, const std::string &other) {
    return own.empty() ? other : own;
  };
  return {pick(row.project, given.project), pick(row.equipment, given.equipment),
          pick(row.checker, given.checker)};
}

std::string page_text(int page, int pages) {
  return page > 0 ? std::to_string(page) + " / " + std::to_string(pages) : std::string();
}

} // namespace zelvaro::sheet
