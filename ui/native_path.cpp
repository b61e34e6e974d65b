#include "ui/native_path.h"

#include <QFile>

namespace ui {

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromNativePath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace ui
