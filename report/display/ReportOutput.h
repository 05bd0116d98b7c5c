// Saving the report: the save dialog and writing the file. Printing is the view's own
// (the browser layer).
#pragma once

#include <QByteArray>
#include <QFileDialog>
#include <QString>

namespace solvara {

// Points Qt's own user settings (the "QtProject" file in which the file dialog
// keeps its history) at a place where nothing can be read or written, while it lives:
// this program stores nothing between runs. Scopes may nest.
class TNoUserSettingsScope {
 public:
  TNoUserSettingsScope() { Enter(); }
  ~TNoUserSettingsScope() { Leave(); }
  TNoUserSettingsScope(const TNoUserSettingsScope&) = delete;
  TNoUserSettingsScope& operator=(const TNoUserSettingsScope&) = delete;

  static void Enter();
  static void Leave();
};

// Entered before the file dialog base is built and left after it is destroyed: the
// dialog reads its history when it is built and writes it when it goes.
class TNoUserSettingsBase {
 protected:
  TNoUserSettingsBase() { TNoUserSettingsScope::Enter(); }
  ~TNoUserSettingsBase() { TNoUserSettingsScope::Leave(); }
};

// The "Save Results" dialog: HTML filter, "Results.htm" proposed, no default
// extension, no question before replacing a file, and no history kept on disk.
class TSaveReportDialog : private TNoUserSettingsBase, public QFileDialog {
 public:
  explicit TSaveReportDialog(QWidget* parent);
  ~TSaveReportDialog() override;

  // The name proposed next time: the one last chosen, "Results.htm" at first.
  QString ProposedFileName() const { return proposed_; }
  void Remember(const QString& fileName);
  static QString InitialFileName();

  // Runs the dialog modally; the chosen name, or empty for cancel.
  QString Choose();

 private:
  QString proposed_;
};

// Writes the bytes as the whole new content of the file. The file is replaced only
// once everything is written, so a failure leaves an existing file as it was.
bool WriteReportFile(const QString& fileName, const QByteArray& bytes);

}  // namespace solvara
