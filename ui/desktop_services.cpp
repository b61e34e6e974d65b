#include "ui/desktop_services.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "ui/shell_messages.h"

namespace ui {
namespace {

QString Title() { return QString::fromUtf8(kApplicationTitle); }

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
                                        QString* path) {
  QFileDialog dialog(owner, settings.title, settings.initial_folder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setDefaultSuffix(settings.default_suffix);
  if (!settings.initial_name.isEmpty()) dialog.selectFile(settings.initial_name);
  return RunFileDialog(dialog, path);
}

int QtDesktopServices::OpenFile(QWidget* /*owner*/, const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return QFileInfo(info.absolutePath()).isDir() ? kShellFileNotFound : kShellPathNotFound;
  }
  // The desktop reports only whether it found a way to open the file at all.
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))
             ? kShellOpened
             : kShellNoAssociation;
}

void QtDesktopServices::ShowError(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Critical, Title(), text, QMessageBox::Ok, owner);
  box.exec();
}

void QtDesktopServices::ShowMessage(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Title(), text, QMessageBox::Ok, owner);
  box.exec();
}

bool QtDesktopServices::ShowInvalidDate(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Title(), text, QMessageBox::Ok, owner);
  auto* silence = new QCheckBox(QStringLiteral("Não mostrar novamente nesta execução"));
  box.setCheckBox(silence);  // the box owns it
  box.exec();
  return silence->isChecked();
}

}  // namespace ui
