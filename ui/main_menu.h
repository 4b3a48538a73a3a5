#pragma once

// The window around Form1: the menu bar (ファイル, リスト, ヘルプ), the
// project file with its title and save prompt, the recent files, and the
// equipment list window. Form1 itself keeps its own area and behaviour.

#include "ui/message_boxes.h"

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>

class QMenu;

namespace zelvaro::ui {

class Form1;
class Project;
class EquipmentList;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(QWidget *parent = nullptr);
  ~MainWindow() override;

  Form1 *form() const { return form_; }
  Project &project() const { return *project_; }
  EquipmentList *list() const { return list_; }

  // The menu's commands. Each returns false when the user cancelled or it failed.
  bool newProject();
  bool openFile(const QString &path); // asks about unsaved changes first
  bool open();                        // asks for the file
  bool save();
  bool saveAs();
  bool exportBundle();                   // 全件を PDF に保存
  bool exportTable();                    // 判定表を CSV で保存
  std::optional<int> addCurrentInputs(); // 現在の入力をリストに追加
  void showList();
  QStringList recentFiles() const;

  // The dialogs, replaceable so that tests answer them.
  enum class SaveChoice { Save, Discard, Cancel };
  std::function<SaveChoice(QWidget *, const QString &name)> askSaveChanges;
  std::function<QString(QWidget *)> askOpenPath;
  std::function<QString(QWidget *, const QString &title, const QString &suggested, const QString &filter)>
      askSavePath;
  std::function<bool(QWidget *, std::string &id, std::string &equipment)> askNewItem;
  std::function<bool(QWidget *, std::string &project, std::string &checker)> askProjectNames;
  std::function<bool(QWidget *, const QString &path)> askReplaceReadOnly; // true: replace it
  void setMessageBox(MessageBoxFn fn);
  // How long (ms) an export runs before its progress dialog shows; tests show it at once.
  int progressDelay = 500;

protected:
  void closeEvent(QCloseEvent *e) override;

private:
  void buildMenus();
  bool maybeSave();
  void updateTitle();
  void rememberFile(const QString &path);
  void rebuildRecent();
  void error(const QString &text);
  void loadRow(int row);
  void writeBack();

  Form1 *form_;
  Project *project_;
  EquipmentList *list_;
  QMenu *recent_ = nullptr;
  MessageBoxFn messageBox_ = show_modal_message;
};

} // namespace zelvaro::ui
