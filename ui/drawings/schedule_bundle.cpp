#include "ui/drawings/schedule_bundle.h"

#include "capture/single_case.h"
#include "files/atomic_file.h"
#include "schedule/batch.h"
#include "schedule/fd_streams.h"

#include <QDate>
#include <QFile>

#include <csignal>
#include <istream>
#include <stdexcept>
#include <streambuf>

namespace zelvaro::sheet {

using namespace cases;

namespace {

// A cover's row from an item's typed result and the names of its row.
BundleItem cover_row(const batch::ItemResult &r, const SheetNames &row, const SheetNames &names) {
  BundleItem item;
  item.id = r.id;
  item.equipment = title_names(row, names).equipment;
  item.verdict = verdict_label(r.status);
  item.sheet = r.status == batch::ItemStatus::Ok || r.status == batch::ItemStatus::Shortfall;
  if (!item.sheet)
    item.message = r.message;
  return item;
}

SheetNames project_row_names(const batch::Project &project, std::size_t i) {
  return {std::string(project.cell(i, "project")), std::string(project.cell(i, "equipment")),
          std::string(project.cell(i, "checker"))};
}

} // namespace

std::vector<BundleItem> bundle_items(const batch::Project &project, const SheetNames &names) {
  std::vector<BundleItem> items;
  items.reserve(project.size());
  for (std::size_t i = 0; i < project.size(); ++i)
    items.push_back(cover_row(project.item(i).result, project_row_names(project, i), names));
  return items;
}

bool write_project_bundle(QIODevice &out, const batch::Project &project, const BundleCover &cover,
                          const std::string &now, const std::function<bool(int, int)> &progress) {
  const std::vector<BundleItem> items = bundle_items(project);
  BundleWriter writer(out, cover, items);
  SeismicCalcState state;
  CaseFields fields;
  CalcOutcome outcome;
  const int total = static_cast<int>(items.size());
  for (int i = 0; i < total; ++i) {
    if (progress && !progress(i, total))
      return false;
    const auto at = static_cast<std::size_t>(i);
    if (!items[at].sheet)
      continue;
    if (at >= project.size())
      return false; // the list changed under the drawing
    // The item calculated again as the batch calculated it, its sheet
    // dropped once drawn.
    const batch::RowInputs in = project.inputs(at);
    for (int s = 0; s < InputSlotCount; ++s)
      fields.set(static_cast<InputSlot>(s), in.texts[static_cast<std::size_t>(s)]);
    prepare_state(state, in.shape, in.anchor, in.material);
    run_case(state, fields, now, ReportText::Full, outcome);
    if (outcome.status != CalcOutcome::Status::Reported)
      return false; // the cover announced its page
    SheetModel d = sheet_model(state, outcome, fields, project.item(at).result);
    d.names = title_names(project_row_names(project, at), {});
    if (!writer.add(std::move(d)))
      return false;
  }
  return writer.finish();
}

std::string save_drawn_pdf(const std::string &path, bool replace_read_only,
                           const std::function<bool(QIODevice &)> &draw, bool &drawn) {
  drawn = false;
  const std::string cannot = "'" + path + "' を保存できません: ";
  AtomicFile out(path, replace_read_only);
  if (out.fd() < 0)
    return cannot + out.error();
  QFile file;
  if (!file.open(out.fd(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
    return cannot + "書き込めません。";
  drawn = draw(file);
  if (!file.flush() || file.error() != QFileDevice::NoError)
    return cannot + "書き込めません（ディスクの空きを確かめてください）。";
  if (!drawn)
    return {}; // the temporary file goes with `out`
  file.close();
  const std::string failed = out.commit();
  return failed.empty() ? failed : cannot + failed;
}

namespace {

// The first line said, the rest dropped: the batch's file error, if any,
// comes before any row's line.
class FirstLineBuf : public std::streambuf {
public:
  std::string line;

protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof() && !done_) {
      if (c == '\n')
        done_ = true;
      else
        line += static_cast<char>(c);
    }
    return traits_type::not_eof(c);
  }

private:
  bool done_ = false;
};

// First pass: the cover's rows, and the project's names from the first item.
class CoverRows : public batch::ResultSink {
public:
  explicit CoverRows(const SheetNames &names) : names_(names) {}
  bool wants_inputs() const override { return true; }
  void write(const batch::ItemResult &r) override {
    SheetNames row;
    for (const auto &[name, text] : r.inputs) {
      if (name == "project")
        row.project = text;
      else if (name == "equipment")
        row.equipment = text;
      else if (name == "checker")
        row.checker = text;
    }
    if (items.empty())
      first = row;
    items.push_back(cover_row(r, row, names_));
  }
  std::vector<BundleItem> items;
  SheetNames first;

private:
  const SheetNames &names_;
};

// Second pass: each calculated item's sheet drawn as the batch hands it over.
class BundleSheets : public batch::SheetSink {
public:
  BundleSheets(BundleWriter &writer, const SheetNames &names) : writer_(writer), names_(names) {}
  void write(const batch::ItemResult &result, const SheetNames &row, const SeismicCalcState &s,
             const CalcOutcome &outcome, const FieldReader &fields) override {
    SheetModel d = sheet_model(s, outcome, fields, result);
    d.names = title_names(row, names_);
    if (!writer_.add(std::move(d)))
      throw std::runtime_error("sheet not drawn");
  }

private:
  BundleWriter &writer_;
  const SheetNames &names_;
};

// Second pass: the items done, told to `progress`, and a failed sheet, each
// of which ends the batch.
class BundleProgress : public batch::ResultSink {
public:
  BundleProgress(const std::function<bool(int, int)> &progress, int total, volatile std::sig_atomic_t &stop)
      : progress_(progress), total_(total), stop_(stop) {}
  bool go_on() {
    if (progress_ && !progress_(done_, total_))
      stop_ = SIGTERM;
    return stop_ == 0;
  }
  void write(const batch::ItemResult &r) override {
    ++done_;
    if (r.status == batch::ItemStatus::Error) {
      failed = true;
      stop_ = SIGTERM;
      return;
    }
    go_on();
  }
  bool failed = false;

private:
  const std::function<bool(int, int)> &progress_;
  const int total_;
  volatile std::sig_atomic_t &stop_;
  int done_ = 0;
};

} // namespace

std::string write_schedule_bundle(std::string_view schedule, batch::Encoding encoding,
                                  const std::string &path, const SheetNames &names, const std::string &now,
                                  const std::function<bool(int, int)> &progress) {
  batch::BatchOptions options;
  options.encoding = encoding;
  options.now = now;
  // The first pass: the verdicts only, for the cover.
  CoverRows rows(names);
  {
    batch::ViewInputBuf bytes(schedule);
    std::istream in(&bytes);
    FirstLineBuf said;
    std::ostream diagnostics(&said);
    if (batch::run_batch(in, rows, diagnostics, options).file_error)
      return said.line.starts_with("zelvaro-check: ") ? said.line.substr(15) : said.line;
  }
  BundleCover cover;
  const SheetNames title = title_names(rows.first, names);
  cover.project = title.project;
  cover.checker = title.checker;
  const LocalDateTime today = cases::run_time();
  cover.date = QDate(today.year, today.month, today.day).toString(QStringLiteral("yyyy/MM/dd")).toStdString();

  // The second pass: each sheet drawn as its item is calculated again, and
  // written page by page into the temporary file.
  bool drawn = false;
  const std::string failed = save_drawn_pdf(
      path, false,
      [&](QIODevice &file) {
        BundleWriter writer(file, cover, rows.items);
        volatile std::sig_atomic_t stop = 0;
        BundleProgress told(progress, static_cast<int>(rows.items.size()), stop);
        BundleSheets sheets(writer, names);
        options.sheets = &sheets;
        options.stop = &stop;
        options.max_write_failures = 1;
        batch::ViewInputBuf bytes(schedule);
        std::istream in(&bytes);
        std::ostream diagnostics(nullptr);
        if (!told.go_on())
          return false;
        const batch::BatchCounts counts = batch::run_batch(in, told, diagnostics, options);
        return !counts.file_error && stop == 0 && !told.failed && writer.finish();
      },
      drawn);
  if (!failed.empty())
    return failed;
  return drawn ? std::string() : "計算書（PDF）を作れません。";
}

} // namespace zelvaro::sheet
