// The main window: menu bar, the button bar on the left and the panel that hosts
// one page at a time (news and help, or the questionnaire).
#pragma once

#include <QCoreApplication>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <functional>

class QMenuBar;
class QToolButton;

namespace solvara {

class TNewsForm;
class TSolvaraForm;
class Taboutfrm;

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

  // "help.htm" in the given folder, with exactly one "/" between the two.
  static QString HelpFilePath(const QString& programFolder);
  // The help file beside the running program.
  static QString HelpFilePath() { return HelpFilePath(QCoreApplication::applicationDirPath()); }

 public slots:
  void NewsBtnClick();
  void SingleSearchBtnClick();
  void HelpBtnClick();
  void actExitExecute();
  void actAboutExecute();
  void actWebsiteExecute();

 public:
  // Destroys every hosted page but keep (which may be null).
  void FreeAllWindowsBut(QWidget* keep);

 protected:
  // Follows a change of palette while the program runs.
  void changeEvent(QEvent* event) override;

 private:
  // Read again after building; every other control is found by its object name.
  QMenuBar* ActionMainMenuBar1 = nullptr;
  QWidget* MainLeftPanel = nullptr;
  QToolButton* HelpBtn = nullptr;
  QWidget* MainPanel = nullptr;

  // The hosted page, at most one of the two at a time, and the open About box.
  QPointer<TNewsForm> NewsForm;
  QPointer<TSolvaraForm> SolvaraForm;
  QPointer<Taboutfrm> aboutfrm;

  void FormCreate();
  void BuildMenu();
  // The menu bar's and the button bar's colours, from the palette in force.
  void ApplyColours();
  void BuildButtonBar();
  // The designed client size where the bars and a page fit it at the font in force,
  // otherwise the smallest in its proportions at which they do.
  QSize FittingSize(const std::function<bool(QSize page)>& pageFits) const;
  // The size the window opens at: the fitting size for the questionnaire's tab strip.
  QSize OpeningSize() const;
  // Makes the window larger, in proportion, where a page just shown lacks room.
  void GrowToFit(const QWidget& page);
  // Creates the news page if there is none, and shows it.
  void ShowNewsForm();
  void HostPage(QWidget* page);
};

}  // namespace solvara
