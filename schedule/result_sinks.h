#pragma once

// The readers of the batch's stream of typed results: the verdict table
// (CSV) and the cells it is made of.

#include "schedule/item_result.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace zelvaro::batch {

inline constexpr std::string_view TableHeader =
    "id,status,Rb,sigma_b,tau_b,sigma_c,tau_c,pullout_kg,"
    "allowable_kg,LL,RebarCount,bolt_verdict,anchor_verdict,message,suggestion,line";

// Thrown by a sink whose output could not be written, with the system's
// errno (0 if unknown).
struct ResultWriteFailed {
  int error;
};

// Where the batch's results go, one per item in input order.
class ResultSink {
public:
  virtual ~ResultSink() = default;
  // Whether results should carry their row's inputs (ItemResult::inputs).
  virtual bool wants_inputs() const { return false; }
  // Before the first row (a table writes its header); throws ResultWriteFailed.
  virtual void begin() {}
  virtual void write(const ItemResult &result) = 0;
  // After the last row (or when the batch ends early): writes what is held.
  virtual void finish() {}
};

// A sink writing text to a stream, in blocks: throws ResultWriteFailed.
class StreamSink : public ResultSink {
public:
  explicit StreamSink(std::ostream &out);
  void finish() override { flush(); }

protected:
  void end_row(); // writes the rows held once they fill a block
  void flush();
  std::string buffer_;

private:
  std::ostream &out_;
};

// The verdict table: UTF-8, CR LF, RFC 4180 quoting, the columns of
// TableHeader. Numbers are written with the report's number_text; text from
// the schedule that a spreadsheet would take for a formula gets a leading '.
class CsvTable : public StreamSink {
public:
  using StreamSink::StreamSink;
  void begin() override;
  void write(const ItemResult &result) override;

private:
  std::string last_message_, last_cell_; // a refusal repeated row after row is quoted once
};

// JSON Lines: one object a result (append_json), UTF-8, LF.
class JsonLines : public StreamSink {
public:
  using StreamSink::StreamSink;
  bool wants_inputs() const override { return true; }
  void write(const ItemResult &result) override;
};

// `r` as one JSON object: line, id, inputs (as typed), status, every figure
// with its unit in its key (null where the row has none), the verdicts as
// booleans (bond_ok null without a bond check), message, suggestions.
// Numbers have the report's digits, as in the table; bytes that are not
// UTF-8 become U+FFFD.
void append_json(std::string &out, const ItemResult &r);
// A JSON string.
void append_json_string(std::string &out, std::string_view text);

// A CSV cell: quoted when it holds a comma, a quote or a line break.
void append_cell(std::string &out, std::string_view text);
// A cell of text that may come from the schedule, guarded against formulas.
void append_text_cell(std::string &out, std::string_view text);
// `text` on one line: each line break (CR LF, CR or LF) becomes a space.
void append_one_line(std::string &out, std::string_view text);

} // namespace zelvaro::batch
