#include "ui/desktop_services.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <optional>

#include "frontend/shell_messages.h"
#include "frontend/window_texts.h"

namespace ui {
namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

QString Title() { return QString::fromUtf8(frontend::kApplicationTitle); }

QString FolderOf(frontend::InitialFolder folder) {
  if (folder == frontend::InitialFolder::kDocuments) {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  }
  return QDir::rootPath();
}

// Whether the desktop has an application for the type of `path` (by its name), asked of
// xdg-mime before launching anything: xdg-open starts whether or not one exists, and
// QDesktopServices answers true as soon as it has started. Unknown without xdg-mime.
std::optional<bool> HasApplicationFor(const QString& path) {
  const QString xdg_mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdg_mime.isEmpty()) return std::nullopt;
  const QString type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
  QProcess query;
  query.start(xdg_mime, {QStringLiteral("query"), QStringLiteral("default"), type});
  if (!query.waitForFinished(10000)) return std::nullopt;
  return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
         !query.readAllStandardOutput().trimmed().isEmpty();
}

bool RunFileDialog(QFileDialog& dialog, QString* path) {
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return false;
  *path = QDir::toNativeSeparators(chosen.first());
  return true;
}

}  // namespace

bool QtDesktopServices::GetOpenFileName(QWidget* owner, QString* path) {
  // AnyFile: a typed name is taken as it is, existing or not; the run reports a missing file.
  QFileDialog dialog(owner, QString(), last_open_folder_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!RunFileDialog(dialog, path)) return false;
  last_open_folder_ = QFileInfo(*path).absolutePath();  // the next browse starts there
  return true;
}

bool QtDesktopServices::GetSaveFileName(QWidget* owner, const SaveDialogSettings& settings,
                                        QString* path, int* chosen_filter) {
  QFileDialog dialog(owner, Utf8(settings.title), FolderOf(settings.initial_folder));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(Utf8(settings.default_suffix));
  QStringList filters;
  for (const frontend::FileFilter& filter : settings.filters) filters << Utf8(filter.label);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  // A name typed without extension gets the chosen type's ("*.xlsx" -> xlsx); "*.*" keeps the
  // default.
  QObject::connect(
      &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &settings](const QString& label) {
        for (const frontend::FileFilter& filter : settings.filters) {
          if (Utf8(filter.label) != label) continue;
          const std::string suffix = filter.pattern.substr(filter.pattern.find('.') + 1);
          dialog.setDefaultSuffix(Utf8(suffix == "*" ? settings.default_suffix : suffix));
        }
      });
  // A pattern as the initial name ("*.txt") is how the Windows dialog shows the type; here it
  // would become a file name.
  const QString name = Utf8(settings.initial_name);
  if (!name.isEmpty() && !name.contains(u'*')) dialog.selectFile(name);
  if (!RunFileDialog(dialog, path)) return false;
  *chosen_filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  return true;
}

bool QtDesktopServices::GetFolder(QWidget* owner, const QString& title, QString* path) {
  const QString folder = QFileDialog::getExistingDirectory(owner, title);
  if (folder.isEmpty()) return false;
  *path = QDir::toNativeSeparators(folder);
  return true;
}

int QtDesktopServices::OpenFile(QWidget* /*owner*/, const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return QFileInfo(info.absolutePath()).isDir() ? frontend::kShellFileNotFound
                                                  : frontend::kShellPathNotFound;
  }
  const QString file = info.absoluteFilePath();
  if (HasApplicationFor(file) == false) return frontend::kShellNoAssociation;
  // The desktop's opener, the one QDesktopServices would start on most desktops.
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!opener.isEmpty()) {
    return QProcess::startDetached(opener, {file}) ? frontend::kShellOpened
                                                   : frontend::kShellNoAssociation;
  }
  // The desktop reports only whether it found a way to open the file at all.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(file)) ? frontend::kShellOpened
                                                              : frontend::kShellNoAssociation;
}

void QtDesktopServices::ShowError(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Critical, Title(), text, QMessageBox::Ok, owner);
  box.exec();
}

void QtDesktopServices::ShowMessage(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Title(), text, QMessageBox::Ok, owner);
  box.exec();
}

bool QtDesktopServices::AskYesNo(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::Yes | QMessageBox::No, owner);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtDesktopServices::ShowSaveProgress(QWidget* owner, frontend::SaveJob& job) {
  QProgressDialog dialog(QString::fromUtf8(frontend::kSaving),
                         QString::fromUtf8(frontend::kCancelSave), 0, 100, owner);
  dialog.setWindowTitle(Title());
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setMinimumDuration(0);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&dialog, &job] {
    if (job.Finished()) {
      dialog.accept();
      return;
    }
    dialog.setValue(job.Percent());
  });
  // The cancel button asks the job to stop; the dialog stays until it has (a piece at most).
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&job] { job.Cancel(); });
  poll.start(50);
  if (!job.Finished()) dialog.exec();
}

bool QtDesktopServices::ShowInvalidDate(QWidget* owner, const QString& text, const QString& place) {
  QMessageBox box(QMessageBox::NoIcon, Title(), text, QMessageBox::Ok, owner);
  box.setInformativeText(place);
  auto* silence = new QCheckBox(QString::fromUtf8(frontend::kSilenceNotices));
  box.setCheckBox(silence);  // the box owns it
  box.exec();
  return silence->isChecked();
}

}  // namespace ui
