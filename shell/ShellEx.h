// Opening a file, folder or address with the desktop's opener, with the failures
// it reports explained in an error box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace solvara {

// Result codes of a launch, in the numbering the error texts were written for.
enum ShellResult : int {
  kShellOutOfResources = 0,
  kShellFileNotFound = 2,
  kShellPathNotFound = 3,
  kShellAccessDenied = 5,
  kShellBadFormat = 11,
  kShellSharingViolation = 26,
  kShellAssociationIncomplete = 27,
  kShellNoAssociation = 31,
  kShellSuccess = 33,
};

// Hands a text to the desktop and returns one of the codes above.
using ShellLauncher = std::function<int(const QString& name)>;

// The real launcher: checks a local path itself, then runs xdg-open (the first on
// the PATH) and waits for it no longer than a quarter of a second; one still running
// then counts as a success and goes on in the background.
int DesktopLaunch(const QString& name);

// Replaces the launcher (tests); an empty function restores DesktopLaunch.
void SetShellLauncher(ShellLauncher launcher);

// The error text for a code, with carriage returns as line ends; empty for the
// codes that are not reported.
QString ShellErrorText(int code, const QString& name);

// Opens name; false after a failure was shown in an error box, true otherwise.
bool ShellOpen(const QString& name, QWidget* parent = nullptr);

}  // namespace solvara
