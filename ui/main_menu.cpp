#include "ui/main_menu.h"

#include "capture/single_case.h"
#include "files/atomic_file.h"
#include "ui/drawings/schedule_bundle.h"
#include "ui/equipment_list.h"
#include "ui/form1.h"
#include "ui/project_file.h"
#include "ui/widgets.h"

#include <QCloseEvent>
#include <QDate>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>

namespace zelvaro::ui {

namespace {

constexpr int RecentCount = 5;
const QString RecentKey = QStringLiteral("recentFiles");
const QString CsvFilter = QStringLiteral("機器表 (*.csv);;すべてのファイル (*)");

QString qs(const std::string &s) {
  return QString::fromStdString(s);
}

// The recent files are the only setting the program keeps.
QSettings settings() {
  return QSettings(QStringLiteral("zelvaro"), QStringLiteral("zelvaro"));
}

// A question with a button that goes on, one that drops the changes and
// キャンセル (also Esc): 0, 1 or 2 for the button pressed.
int ask_keep_or_drop(QWidget *parent, const QString &title, const QString &text, const QString &keep,
                     const QString &drop) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  box.setIcon(QMessageBox::Question);
  box.setText(text);
  QPushButton *yes = box.addButton(keep, QMessageBox::AcceptRole);
  QPushButton *no = box.addButton(drop, QMessageBox::DestructiveRole);
  QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == yes ? 0 : box.clickedButton() == no ? 1 : 2;
}

MainWindow::SaveChoice ask_save_changes(QWidget *parent, const QString &name) {
  constexpr MainWindow::SaveChoice choices[] = {MainWindow::SaveChoice::Save, MainWindow::SaveChoice::Discard,
                                                MainWindow::SaveChoice::Cancel};
  return choices[ask_keep_or_drop(parent, QStringLiteral("保存の確認"),
                                  QStringLiteral("'%1' への変更を保存しますか？").arg(name),
                                  QStringLiteral("保存"), QStringLiteral("保存しない"))];
}

MainWindow::PickChoice ask_apply_edits(QWidget *parent, const QString &item) {
  constexpr MainWindow::PickChoice choices[] = {
      MainWindow::PickChoice::Apply, MainWindow::PickChoice::Discard, MainWindow::PickChoice::Cancel};
  return choices[ask_keep_or_drop(
      parent, QStringLiteral("入力の反映"),
      QStringLiteral("%1 の入力が変更されています。リストに反映しますか？").arg(item), QStringLiteral("反映"),
      QStringLiteral("破棄"))];
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form_(new Form1(this)), project_(new Project(this)),
      list_(new EquipmentList(*project_, this)), current_(new QLabel(this)) {
  setCentralWidget(form_);
  menuBar()->setCornerWidget(current_, Qt::TopRightCorner);
  current_->setContentsMargins(0, 0, 8, 0);
  // The menu bar places its corner once per resize: room for a long name.
  current_->setMinimumWidth(460);
  current_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  askSaveChanges = ask_save_changes;
  askApplyEdits = ask_apply_edits;
  askOpenPath = [](QWidget *parent) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("開く"), QString(), CsvFilter);
  };
  askSavePath = [](QWidget *parent, const QString &title, const QString &suggested, const QString &filter) {
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
  };
  askNewItem = [](QWidget *parent, std::string &id, std::string &equipment) {
    return ask_texts(parent, QStringLiteral("リストに追加"),
                     {{QStringLiteral("番号"), &id}, {QStringLiteral("機器名"), &equipment}});
  };
  askProjectNames = [](QWidget *parent, std::string &project, std::string &checker) {
    return ask_texts(parent, QStringLiteral("全件を PDF に保存"),
                     {{QStringLiteral("工事名"), &project}, {QStringLiteral("確認者"), &checker}});
  };
  buildMenus();

  connect(project_, &Project::modifiedChanged, this, [this] { updateTitle(); });
  connect(project_, &Project::changed, this, [this] { updateCurrent(); });
  // An undo or redo of the form's item: the form shows its inputs as restored.
  connect(project_, &Project::currentRestored, this,
          [this] { showItem(static_cast<int>(*project_->model().current())); });
  connect(project_, &Project::currentLost, this, [this] {
    lost_ = true;
    updateCurrent();
  });
  connect(list_, &EquipmentList::rowPicked, this, [this](int row) { loadRow(row); });
  connect(list_, &EquipmentList::openRequested, this, [this](const QString &path) { openFile(path); });
  connect(form_, &Form1::calculatePressed, this, [this] { writeBack(); });
  list_->addFromWindow = [this] { return addCurrentInputs(); };
  updateTitle();
  updateCurrent();
}

// The children outlive this class's part of the window: they must not call
// back into it while they are destroyed.
MainWindow::~MainWindow() {
  disconnect(project_, nullptr, this, nullptr);
  disconnect(list_, nullptr, this, nullptr);
  disconnect(form_, nullptr, this, nullptr);
  delete list_; // its table reads the project, which goes before it otherwise
}

void MainWindow::setMessageBox(MessageBoxFn fn) {
  messageBox_ = fn;
  form_->setMessageBox(std::move(fn));
}

void MainWindow::buildMenus() {
  QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  const auto item = [this](QMenu *menu, const QString &text, QKeySequence keys, auto fn) {
    QAction *a = menu->addAction(text);
    a->setShortcut(keys);
    // The shortcuts work wherever the focus is in the window, a numeric field included.
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, fn);
    if (!keys.isEmpty())
      list_->addAction(a); // the list window answers the same keys
    return a;
  };
  item(file, QStringLiteral("新規(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] { newProject(); });
  item(file, QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), [this] { open(); });
  item(file, QStringLiteral("上書き保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save(); });
  item(file, QStringLiteral("名前を付けて保存(&A)..."), {}, [this] { saveAs(); });
  recent_ = file->addMenu(QStringLiteral("最近使ったファイル"));
  file->addSeparator();
  item(file, QStringLiteral("PDFに保存..."), {}, [this] { form_->saveSheetPdf(); });
  item(file, QStringLiteral("印刷(&P)..."), QKeySequence(Qt::CTRL | Qt::Key_P),
       [this] { form_->printSheet(); });
  file->addSeparator();
  item(file, QStringLiteral("終了(&X)"), {}, [this] { close(); });

  QMenu *list = menuBar()->addMenu(QStringLiteral("リスト(&L)"));
  item(list, QStringLiteral("機器リスト(&L)"), QKeySequence(Qt::CTRL | Qt::Key_L), [this] { showList(); });
  item(list, QStringLiteral("現在の入力をリストに追加(&A)"), {}, [this] {
    if (const auto row = addCurrentInputs()) {
      showList();
      list_->selectRow(*row);
    }
  });
  item(list, QStringLiteral("全件を PDF に保存..."), {}, [this] { exportBundle(); });
  item(list, QStringLiteral("判定表を CSV で保存..."), {}, [this] { exportTable(); });

  QMenu *help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  item(help, QStringLiteral("説明"), {}, [this] { form_->Command1_Click(); });
  item(help, QStringLiteral("バージョン情報"), {}, [this] {
    messageBox_(this, Message{"バージョン情報", form_->state().CaptionText + "\r\nアンカーボルト耐震計算",
                              MessageIcon::Information});
  });
  rebuildRecent();
}

void MainWindow::updateTitle() {
  const QString caption = qs(form_->state().CaptionText);
  const QString path = project_->path();
  if (path.isEmpty() && !project_->isModified()) {
    setWindowTitle(caption);
    return;
  }
  const QString name = path.isEmpty() ? QStringLiteral("無題") : QFileInfo(path).fileName();
  setWindowTitle(name + (project_->isModified() ? QStringLiteral("*") : QString()) + QStringLiteral(" - ") +
                 caption);
}

// An error box stays about 600 px wide, however long the path it names.
void MainWindow::error(const QString &text) {
  const QString said = wrapped(window_message(text.toStdString()), fontMetrics(), 560);
  messageBox_(this, Message{"エラー", said.toStdString(), MessageIcon::Critical});
}

bool MainWindow::maybeSave() {
  if (!project_->isModified())
    return true;
  const QString name =
      project_->path().isEmpty() ? QStringLiteral("無題") : QFileInfo(project_->path()).fileName();
  switch (askSaveChanges(this, name)) {
  case SaveChoice::Save:
    return save();
  case SaveChoice::Discard:
    return true;
  case SaveChoice::Cancel:
    break;
  }
  return false;
}

bool MainWindow::newProject() {
  if (!maybeSave())
    return false;
  project_->clear();
  lost_ = false;
  updateTitle();
  updateCurrent();
  return true;
}

bool MainWindow::open() {
  if (!maybeSave())
    return false;
  const QString path = askOpenPath(this);
  if (path.isEmpty())
    return false;
  const QString failed = project_->open(path);
  if (!failed.isEmpty()) {
    error(failed);
    return false;
  }
  rememberFile(path);
  lost_ = false;
  updateTitle();
  updateCurrent();
  showList();
  return true;
}

bool MainWindow::openFile(const QString &path) {
  if (!maybeSave())
    return false;
  const QString failed = project_->open(path);
  if (!failed.isEmpty()) {
    error(failed);
    return false;
  }
  rememberFile(QFileInfo(path).absoluteFilePath());
  lost_ = false;
  updateTitle();
  updateCurrent();
  showList();
  return true;
}

bool MainWindow::save() {
  if (project_->path().isEmpty())
    return saveAs();
  if (!may_replace(this, project_->path(), askReplaceReadOnly))
    return false;
  const QString failed = project_->save(project_->path());
  if (!failed.isEmpty()) {
    error(failed);
    return false;
  }
  updateTitle();
  return true;
}

bool MainWindow::saveAs() {
  const QString path =
      with_extension(askSavePath(this, QStringLiteral("名前を付けて保存"), project_->path(), CsvFilter),
                     QStringLiteral(".csv"));
  if (path.isEmpty() || !may_replace(this, path, askReplaceReadOnly))
    return false;
  const QString failed = project_->save(path);
  if (!failed.isEmpty()) {
    error(failed);
    return false;
  }
  rememberFile(QFileInfo(path).absoluteFilePath());
  updateTitle();
  return true;
}

std::optional<int> MainWindow::addCurrentInputs() {
  std::string id, equipment;
  if (!askNewItem(this, id, equipment))
    return std::nullopt;
  const std::size_t row = project_->model().add(form_->inputs(), id, equipment);
  project_->model().set_current(row); // the form holds the new item
  updateCurrent();
  return static_cast<int>(row);
}

void MainWindow::showList() {
  list_->show();
  list_->raise();
}

// The form's item; when an edit of the list took it away, the form says so
// until it holds an item again.
void MainWindow::updateCurrent() {
  batch::Project &p = project_->model();
  lost_ = lost_ && !p.current();
  current_->setText(qs(p.current_caption()) +
                    (lost_ ? QStringLiteral("（項目がリストから除かれました）") : QString()));
  current_->setStyleSheet(lost_ ? QStringLiteral("color: #b00000") : QString());
}

// Picking an item: the form takes it, after asking what becomes of changes
// the form holds to the item it had.
void MainWindow::loadRow(int row) {
  batch::Project &p = project_->model();
  const std::optional<std::size_t> current = p.current();
  if (current && *current != static_cast<std::size_t>(row) && !p.same_inputs(*current, form_->inputs())) {
    switch (askApplyEdits(this, qs(p.current_caption()))) {
    case PickChoice::Apply:
      p.set_inputs(*current, form_->inputs());
      break;
    case PickChoice::Discard:
      break;
    case PickChoice::Cancel:
      list_->selectRow(static_cast<int>(*p.current()), false);
      return;
    }
  }
  p.set_current(static_cast<std::size_t>(row));
  showItem(row);
  updateCurrent();
}

void MainWindow::showItem(int row) {
  const batch::ProjectItem &item = project_->model().item(static_cast<std::size_t>(row));
  form_->loadInputs(project_->model().inputs(static_cast<std::size_t>(row)));
  if (item.result.status == batch::ItemStatus::Refused)
    form_->showRefusal(
        window_message(item.result.message).toStdString()); // the batch's reason, not the form's
  else
    form_->calculateQuietly();
}

// 計算 while the form holds an item: the item takes the form's inputs,
// whether the list shows it or not.
void MainWindow::writeBack() {
  batch::Project &p = project_->model();
  if (const std::optional<std::size_t> row = p.current())
    p.set_inputs(*row, form_->inputs());
}

bool MainWindow::exportTable() {
  const QString path = with_extension(
      askSavePath(this, QStringLiteral("判定表を CSV で保存"), QString(), CsvFilter), QStringLiteral(".csv"));
  if (path.isEmpty() || !may_replace(this, path, askReplaceReadOnly))
    return false;
  const std::string failed = save_file_said(path.toStdString(), project_->verdictTable(), true);
  if (!failed.empty()) {
    error(qs(failed));
    return false;
  }
  return true;
}

bool MainWindow::exportBundle() {
  batch::Project &p = project_->model();
  std::string projectName = p.project_name(), checker = p.checker_name();
  if (!askProjectNames(this, projectName, checker))
    return false;
  const QString path = with_extension(
      askSavePath(this, QStringLiteral("全件を PDF に保存"), QString(), QStringLiteral("PDF (*.pdf)")),
      QStringLiteral(".pdf"));
  if (path.isEmpty() || !may_replace(this, path, askReplaceReadOnly))
    return false;
  // A folder that cannot be written is said before any sheet is drawn.
  if (const std::string why = check_save_target(path.toStdString(), true); !why.empty()) {
    error(QStringLiteral("'%1' に保存できません: %2").arg(path, qs(why)));
    return false;
  }
  p.set_names(projectName, checker); // the names belong to the project: every row carries them
  const int items = static_cast<int>(p.size());
  QProgressDialog progress(QStringLiteral("計算書を作っています..."), QStringLiteral("キャンセル"), 0, items,
                           this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(progressDelay);
  const sheet::BundleCover cover{projectName, checker,
                                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toStdString()};
  // Drawn page by page into a temporary file: nothing is written under the
  // chosen name unless every page was drawn, and a cancelled or failed
  // export leaves it as it was.
  bool drawn = false;
  const std::string failed = sheet::save_drawn_pdf(
      path.toStdString(), true, // a read-only file: the window has asked already
      [&](QIODevice &out) {
        return sheet::write_project_bundle(out, p, cover, project_now(), [&](int done, int) {
          progress.setValue(done);
          return !progress.wasCanceled();
        });
      },
      drawn);
  if (!failed.empty()) {
    error(qs(failed + "元のファイルはそのままです。"));
    return false;
  }
  if (!drawn) {
    if (!progress.wasCanceled())
      error(QStringLiteral("PDF を作れませんでした: ") + path);
    return false;
  }
  progress.setValue(items);
  return true;
}

QStringList MainWindow::recentFiles() const {
  return settings().value(RecentKey).toStringList();
}

void MainWindow::rememberFile(const QString &path) {
  QStringList files = recentFiles();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > RecentCount)
    files.removeLast();
  settings().setValue(RecentKey, files);
  rebuildRecent();
}

void MainWindow::rebuildRecent() {
  recent_->clear();
  const QStringList files = recentFiles();
  for (int i = 0; i < files.size(); ++i) {
    const QString path = files[i];
    QAction *a = recent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    a->setToolTip(path);
    connect(a, &QAction::triggered, this, [this, path] { openFile(path); });
  }
  recent_->setEnabled(!files.isEmpty());
}

void MainWindow::closeEvent(QCloseEvent *e) {
  if (!maybeSave()) {
    e->ignore();
    return;
  }
  list_->close();
  e->accept();
}

} // namespace zelvaro::ui
