#pragma once

// Form1: the calculator's window. The window only shows and collects; the
// arithmetic lives in the core (engine/, capture/, refdata/), and which label
// goes with which input is the core's table (engine/input_slots.h).
//
// The behaviour is split by band:
//   form1.cpp              load, Calculate, Info, Exit
//   form1_layout.cpp       every control and its place
//   shape_selection.cpp    band one, the shapes
//   anchors_and_checks.cpp bands two and three, the two check boxes
//   combo_lists.cpp        the four lists
//   result_sheet.cpp       the result box's entries: the sheet as PDF, printed
// The controls themselves are in widgets.h, the message boxes in
// message_boxes.h.

#include "engine/input_slots.h"
#include "engine/seismic_calc_state.h"
#include "ui/drawings/calc_sheet.h"
#include "ui/item_inputs.h"
#include "ui/message_boxes.h"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <string>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QMenu;

namespace zelvaro::ui {

class NumberBox;
class LabelBox;
class ListCombo;
class ResultBox;
class DiagramBox;

class Form1 : public QWidget {
  Q_OBJECT
public:
  explicit Form1(QWidget *parent = nullptr);

  SeismicCalcState &state() { return state_; }
  const SeismicCalcState &state() const { return state_; }

  // Replaces the function that shows message boxes (tests record them).
  void setMessageBox(MessageBoxFn fn) { messageBox_ = std::move(fn); }

  // Controls, by their names and indexes.
  NumberBox *Text1(int i) const { return text1_.at(static_cast<std::size_t>(i)); }
  LabelBox *Text4(int i) const { return text4_.at(static_cast<std::size_t>(i)); }
  ListCombo *Combo(int i) const { return combo_.at(static_cast<std::size_t>(i - 1)); }
  ResultBox *Text2() const { return text2_; }
  QRadioButton *shapeButton(Shape s) const;
  QRadioButton *anchorButton(Anchor a) const;
  QRadioButton *materialButton(Material m) const;
  QCheckBox *Check1() const { return check1_; }
  QCheckBox *Check2() const { return check2_; }
  DiagramBox *Picture(int k) const { return picture_.at(static_cast<std::size_t>(k - 1)); }
  // An input (a Text1 box or a combo box) and the label box beside it.
  QWidget *input(InputSlot slot) const;
  LabelBox *labelOf(InputSlot slot) const { return Text4(input_row(slot).label); }

  // Handlers.
  void Command1_Click(); // Info
  void Command2_Click(); // Calculate
  void Command4_Click(); // Exit
  void chooseShape(Shape s);
  void chooseAnchor(Anchor a);
  void chooseMaterial(Material m);
  void Check1_Click(bool checked);
  void Check2_Click(bool checked);

  // An item of the equipment list into the form, and the form's inputs as
  // an item.
  void loadInputs(const ItemInputs &in);
  ItemInputs inputs() const;
  // Calculate without message boxes (an item picked from the list): a
  // refused or stopped item clears the report, so that no other item's
  // verdict stays on show. True when a report is shown.
  bool calculateQuietly();

  // The text of the report header: the current local date and time.
  static std::string now_text();

  // The calculation sheet of the report shown, if one is shown.
  const std::optional<sheet::SheetData> &sheet() const { return sheet_; }
  // The result box's own entries: save the sheet as PDF, print it.
  void saveSheetPdf();
  void printSheet();

  // Names for the sheet's title block, asked before saving or printing;
  // false when the user cancels. Replaceable, like the other dialogs.
  std::function<bool(QWidget *, SheetNames &)> askSheetNames;
  std::function<QString(QWidget *)> askPdfPath;
  std::function<bool(QWidget *, const QString &path)> askReplaceReadOnly; // true: replace it
  std::function<void(QWidget *, const sheet::SheetData &)> printOnPaper;

signals:
  // Calculate was pressed, before the calculation reads the inputs.
  void calculatePressed();

private:
  bool calculate(bool boxes);
  void buildLayout();
  void connectControls();
  void loadDefaults();
  void showMessage(const Message &m);
  // Switches an input and its label on or off together.
  void enableRow(const InputRow &row, bool on);
  void setInputText(InputSlot slot, const QString &text);
  void rebuildList(int combo);
  void extendResultMenu(QMenu *menu);
  std::optional<sheet::SheetData> namedSheet();

  SeismicCalcState state_;
  MessageBoxFn messageBox_ = show_modal_message;
  std::optional<sheet::SheetData> sheet_;
  SheetNames names_;

  std::array<NumberBox *, 11> text1_{};
  std::array<LabelBox *, 15> text4_{};
  std::array<ListCombo *, 4> combo_{};
  std::array<DiagramBox *, 5> picture_{};
  std::array<QRadioButton *, 5> shapeButtons_{};    // by ShapeKind - 1
  std::array<QRadioButton *, 7> anchorButtons_{};   // by AnchorKind - 1
  std::array<QRadioButton *, 2> materialButtons_{}; // by BoltMaterial - 1
  QButtonGroup *shapeGroup_ = nullptr;
  QButtonGroup *anchorGroup_ = nullptr;
  QButtonGroup *materialGroup_ = nullptr;
  QCheckBox *check1_ = nullptr;
  QCheckBox *check2_ = nullptr;
  ResultBox *text2_ = nullptr;
  QPushButton *command1_ = nullptr;
  QPushButton *command2_ = nullptr;
  QPushButton *command4_ = nullptr;
};

} // namespace zelvaro::ui
