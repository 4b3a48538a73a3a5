#include "ui/main_menu.h"

#include "capture/single_case.h"
#include "files/atomic_file.h"
#include "ui/drawings/sheet_bundle.h"
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

MainWindow::SaveChoice ask_save_changes(QWidget *parent, const QString &name) {
  QMessageBox box(parent);
  box.setWindowTitle(QStringLiteral("保存の確認"));
  box.setIcon(QMessageBox::Question);
  box.setText(QStringLiteral("'%1' への変更を保存しますか？").arg(name));
  QPushButton *save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton *discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
  QPushButton *cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == save)
    return MainWindow::SaveChoice::Save;
  return box.clickedButton() == discard ? MainWindow::SaveChoice::Discard : MainWindow::SaveChoice::Cancel;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form_(new Form1(this)), project_(new Project(this)),
      list_(new EquipmentList(*project_, this)) {
  setCentralWidget(form_);
  askSaveChanges = ask_save_changes;
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
  connect(list_, &EquipmentList::rowPicked, this, [this](int row) { loadRow(row); });
  connect(list_, &EquipmentList::openRequested, this, [this](const QString &path) { openFile(path); });
  connect(form_, &Form1::calculatePressed, this, [this] { writeBack(); });
  list_->addFromWindow = [this] { return addCurrentInputs(); };
  updateTitle();
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

void MainWindow::error(const QString &text) {
  messageBox_(this, Message{"エラー", text.toStdString(), MessageIcon::Critical});
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
  updateTitle();
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
  updateTitle();
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
  updateTitle();
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
  const QString path = askSavePath(this, QStringLiteral("名前を付けて保存"), project_->path(), CsvFilter);
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
  batch::ScheduleDocument doc = project_->document();
  doc.rows.push_back(Project::newRow(doc, form_->inputs(), id, equipment));
  project_->edit(QStringLiteral("追加"), doc);
  return project_->rowCount() - 1;
}

void MainWindow::showList() {
  list_->show();
  list_->raise();
}

void MainWindow::loadRow(int row) {
  form_->loadInputs(project_->inputs(row));
  form_->calculateQuietly();
}

// 計算 with an item selected: the form's inputs become that item's.
void MainWindow::writeBack() {
  const std::optional<int> row = list_->selectedRow();
  if (!row)
    return;
  batch::ScheduleDocument doc = project_->document();
  Project::setInputs(doc, doc.rows[static_cast<std::size_t>(*row)], form_->inputs());
  project_->edit(QStringLiteral("計算"), doc);
  list_->selectRow(*row, false);
}

bool MainWindow::exportTable() {
  const QString path = askSavePath(this, QStringLiteral("判定表を CSV で保存"), QString(), CsvFilter);
  if (path.isEmpty() || !may_replace(this, path, askReplaceReadOnly))
    return false;
  const std::string failed =
      save_file_said(path.toStdString(), batch::verdict_table(project_->document(), project_now()), true);
  if (!failed.empty()) {
    error(qs(failed));
    return false;
  }
  return true;
}

bool MainWindow::exportBundle() {
  std::string projectName = project_->projectName(), checker = project_->checkerName();
  if (!askProjectNames(this, projectName, checker))
    return false;
  const QString path =
      askSavePath(this, QStringLiteral("全件を PDF に保存"), QString(), QStringLiteral("PDF (*.pdf)"));
  if (path.isEmpty() || !may_replace(this, path, askReplaceReadOnly))
    return false;
  // A folder that cannot be written is said before any sheet is drawn.
  if (const std::string why = check_save_target(path.toStdString(), true); !why.empty()) {
    error(QStringLiteral("'%1' に保存できません: %2").arg(path, qs(why)));
    return false;
  }
  if (projectName != project_->projectName() || checker != project_->checkerName()) {
    // The names belong to the project: every row carries them.
    batch::ScheduleDocument doc = project_->document();
    for (batch::ScheduleRow &row : doc.rows) {
      if (!row.raw.empty())
        continue; // a malformed row stays exactly as the file had it
      doc.set(row, "project", projectName);
      doc.set(row, "checker", checker);
    }
    project_->edit(QStringLiteral("工事名と確認者"), doc);
  }
  const std::vector<sheet::BundleItem> items = project_->bundleItems();
  QProgressDialog progress(QStringLiteral("計算書を作っています..."), QStringLiteral("キャンセル"), 0,
                           static_cast<int>(items.size()), this);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(progressDelay);
  const sheet::BundleCover cover{projectName, checker,
                                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toStdString()};
  const QByteArray pdf = sheet::bundle_pdf(cover, items, [&](int done, int) {
    progress.setValue(done);
    return !progress.wasCanceled();
  });
  // Nothing is written unless every page was drawn: a cancelled or failed
  // export leaves the chosen name as it was.
  if (pdf.isEmpty()) {
    if (!progress.wasCanceled())
      error(QStringLiteral("PDF を作れませんでした: ") + path);
    return false;
  }
  progress.setValue(static_cast<int>(items.size()));
  const std::string failed = save_file_said(
      path.toStdString(), std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())), true);
  if (!failed.empty()) {
    error(qs(failed));
    return false;
  }
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
